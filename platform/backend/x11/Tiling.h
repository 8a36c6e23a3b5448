// Whether a tiling window manager holds a window in a tile: pure parts (the
// IPC's messages and its layout tree), no X calls and no sockets (the window
// system asks, X11WindowSystem::Tiled).
//
// A tiling window manager lays its windows out side by side in tiles.  Moving
// such a window off the screen takes it out of the layout (unmanaged it no
// longer has a tile: its neighbours grow into the gap), and giving it back
// makes it a new tile somewhere else: the user's layout is wrecked, and the
// window never comes home.  Floating windows (dialogs, and any window the
// user or a rule floats) stand where they are put, as under any window
// manager.
//
// i3 publishes its layout through its IPC, and sway speaks the same
// protocol: a unix socket, named by the root window's I3_SOCKET_PATH (i3) or
// by $I3SOCK, $SWAYSOCK.  A message is the magic "i3-ipc", the payload's
// length and the message type (32-bit, the machine's byte order), then the
// payload; the reply has the same header.  GET_TREE (type 4) answers the
// layout as JSON: nodes with "type" (root, output, workspace, con,
// floating_con, dockarea), "window" (the X window id of a window's client,
// null for a container), "nodes" (tiled children) and "floating_nodes" (the
// floating containers of a workspace).  A window is floating when it stands
// among some node's floating_nodes or inside a floating_con; any other window
// in the tree is tiled.
//
// Tiling window managers without such a layout to ask (dwm, and others like
// it) are seen by what they do: asked to move a window a pixel aside, they
// keep a tiled window in its tile, where a floating window moves (and is put
// back).  Only a window the window manager has not framed is asked.  Every
// window manager that frames its windows here floats them (i3, which frames
// its tiles, is asked through its IPC), and a framed window cannot always be
// put back: icewm keeps a frame from standing where it placed the window
// itself at a screen edge.  An unframed window is its own frame, so the
// request back lands exactly where it stood.  The nudge is also only asked
// where its answer can be read: a window manager that tells when it has
// handled a request (WmBarrier.h), or one that does not name
// _NET_MOVERESIZE_WINDOW (tiling ones do not; dwm tells a window it keeps
// with a synthetic ConfigureNotify, others only by the frame standing still
// a while).  One that names moves but does not
// tell when it has handled one floats (kwin_x11, fluxbox), and on a loaded
// machine its late answer would look like a window kept in a tile.  A
// maximized or full-screen window keeps its place under any window manager,
// and compositors (XWayland) place X windows themselves: neither is asked.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/backend/Backend.h"

namespace platform::x11 {

inline constexpr std::uint32_t kIpcGetTree = 4;
inline constexpr std::size_t kIpcHeaderSize = 14;  // "i3-ipc", length, type

// A message of the given type with its payload.
std::string IpcMessage(std::uint32_t type, std::string_view payload = {});

struct IpcHeader {
  std::uint32_t length = 0;
  std::uint32_t type = 0;
};
// The header at the start of `bytes`; nothing when there are fewer than
// kIpcHeaderSize bytes or no magic.  Replies to a request carry its type.
std::optional<IpcHeader> ParseIpcHeader(std::string_view bytes);

enum class TileState {
  NotFound,  // no window with that id in the layout (or no layout at all)
  Tiled,
  Floating,
};

// Where the window with X id `window` stands in a GET_TREE reply.  A reply
// that is no JSON object has no windows.
TileState TileStateIn(std::string_view treeJson, std::uint32_t window);

// The nudge is a plain configure request of the client's position, which
// every window manager handles (dwm takes no _NET_MOVERESIZE_WINDOW).
struct NudgeFacts {
  bool xwayland = false;
  bool framed = false;            // the window manager reparented the window
  bool moveResizeListed = false;  // _NET_SUPPORTED names _NET_MOVERESIZE_WINDOW
  bool wmTellsWhenDone = false;   // WmBarrier answers
  bool maximized = false;         // both ways, or full screen
};
// Whether the window is nudged at all.
bool NudgeAsks(const NudgeFacts& f);

// How far the nudge moves the frame: a pixel right, or left where the right
// edge already stands at the monitor's (a tile reaches it), so that the
// window stays on its monitor; a pixel down or up for a window as wide as
// the monitor; a pixel right for one that fills it both ways.
Point NudgeOffset(const Rect& frame, const std::vector<Monitor>& monitors);

// What the frame did: stayed exactly where it stood (Tiled), moved
// (Floating), or is gone (NotFound).
TileState ReadNudge(const Rect& before, const std::optional<Rect>& after);

}  // namespace platform::x11
