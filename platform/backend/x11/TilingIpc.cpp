// X11WindowSystem::Tiled: asks a tiling window manager's IPC for its layout
// (Tiling.h) and finds the window in it.
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <string>

#include "platform/backend/x11/Tiling.h"
#include "platform/backend/x11/X11WindowSystem.h"
#include "platform/backend/x11/Xcb.h"

namespace platform::x11 {
namespace {

// How long the window manager may take to answer; it answers in a
// millisecond or two, and one that does not costs this once per question.
constexpr int kIpcAnswerMs = 500;

class Socket {
public:
  explicit Socket(int fd) : fd_(fd) {}
  ~Socket() {
    if (fd_ >= 0) ::close(fd_);
  }
  Socket(const Socket&) = delete;
  Socket& operator=(const Socket&) = delete;
  int fd() const { return fd_; }

private:
  int fd_;
};

// Waits until fd is ready for `events` or the deadline passes.
bool Ready(int fd, short events, std::chrono::steady_clock::time_point deadline) {
  for (;;) {
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now()).count();
    if (left <= 0) return false;
    pollfd p{fd, events, 0};
    const int n = ::poll(&p, 1, static_cast<int>(left));
    if (n > 0) return (p.revents & events) != 0;
    if (n == 0) return false;
  }
}

// The layout as JSON; nothing when no window manager answers in time.
std::optional<std::string> AskTree(const std::string& path) {
  sockaddr_un addr{};
  if (path.empty() || path.size() >= sizeof(addr.sun_path)) return std::nullopt;
  Socket s(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0));
  if (s.fd() < 0) return std::nullopt;
  addr.sun_family = AF_UNIX;
  path.copy(addr.sun_path, path.size());
  if (::connect(s.fd(), reinterpret_cast<const sockaddr*>(&addr), sizeof(addr)) != 0) return std::nullopt;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(kIpcAnswerMs);
  const std::string request = IpcMessage(kIpcGetTree);
  for (std::size_t sent = 0; sent < request.size();) {
    if (!Ready(s.fd(), POLLOUT, deadline)) return std::nullopt;
    const ssize_t n = ::send(s.fd(), request.data() + sent, request.size() - sent, MSG_NOSIGNAL);
    if (n <= 0) return std::nullopt;
    sent += static_cast<std::size_t>(n);
  }
  // The header, then as many bytes as it names.  Events the socket was not
  // subscribed to never come, so the first reply is ours.
  std::string in;
  std::optional<IpcHeader> header;
  char buf[65536];
  while (!header || in.size() < kIpcHeaderSize + header->length) {
    if (!Ready(s.fd(), POLLIN, deadline)) return std::nullopt;
    const ssize_t n = ::recv(s.fd(), buf, sizeof buf, 0);
    if (n <= 0) return std::nullopt;
    in.append(buf, static_cast<std::size_t>(n));
    if (!header && in.size() >= kIpcHeaderSize) {
      header = ParseIpcHeader(in);
      if (!header || header->type != kIpcGetTree) return std::nullopt;
    }
  }
  return in.substr(kIpcHeaderSize, header->length);
}

}  // namespace

bool X11WindowSystem::Tiled(HWND h) {
  if (h == 0 || h > 0xFFFFFFFFu || !conn_ || !Exists(h) || !WmRunning()) return false;
  // i3 names its socket on the root window; sway (and i3) name it to the
  // processes they start.
  std::string path;
  if (const xcb_atom_t atom = Intern(conn_, "I3_SOCKET_PATH"); atom != XCB_ATOM_NONE) {
    auto r = Own(xcb_get_property_reply(conn_, xcb_get_property(conn_, 0, root_, atom, XCB_ATOM_ANY, 0, 1024),
                                        nullptr));
    if (r && r->format == 8)
      path.assign(static_cast<const char*>(xcb_get_property_value(r.get())),
                  static_cast<std::size_t>(xcb_get_property_value_length(r.get())));
  }
  for (const char* name : {"I3SOCK", "SWAYSOCK"}) {
    if (!path.empty()) break;
    if (const char* v = std::getenv(name)) path = v;
  }
  const std::optional<std::string> tree = path.empty() ? std::nullopt : AskTree(path);
  if (tree) return TileStateIn(*tree, static_cast<std::uint32_t>(h)) == TileState::Tiled;
  return NudgeTiled(static_cast<xcb_window_t>(h));
}

}  // namespace platform::x11
