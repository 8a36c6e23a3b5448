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
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

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

}  // namespace platform::x11
