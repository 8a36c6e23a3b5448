#include "tests/support/XServer.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>
#include <xcb/xcb.h>
#include <xcb/xtest.h>

#include <cstdlib>
#include <cstring>

namespace testx {

Xvfb::Xvfb(const std::string& screen, const std::vector<std::string>& extra) {
  int fds[2];
  if (::pipe(fds) != 0) {
    m_why = "cannot make a pipe";
    return;
  }
  // With -displayfd the server picks a free display itself and writes its
  // number once it is ready for clients: no guessing, no polling.
  const std::string fdText = std::to_string(fds[1]);
  std::vector<std::string> args = {"Xvfb", "-displayfd", fdText, "-screen", "0", screen, "-nolisten", "tcp",
                                   // Clients come and go between tests; a server reset in
                                   // between would turn the next one away.
                                   "-noreset"};
  args.insert(args.end(), extra.begin(), extra.end());
  const pid_t pid = ::fork();
  if (pid == 0) {
    ::close(fds[0]);
    // A test or benchmark that dies does not leave its server behind.
    ::prctl(PR_SET_PDEATHSIG, SIGTERM);
    const int devnull = ::open("/dev/null", O_RDWR);
    if (devnull >= 0) {
      ::dup2(devnull, 1);
      ::dup2(devnull, 2);
    }
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    ::execvp("Xvfb", argv.data());
    ::_exit(127);
  }
  ::close(fds[1]);
  if (pid < 0) {
    ::close(fds[0]);
    m_why = "cannot fork";
    return;
  }
  std::string number;
  pollfd p{fds[0], POLLIN, 0};
  while (::poll(&p, 1, 10000) > 0) {
    char buf[16];
    const ssize_t n = ::read(fds[0], buf, sizeof buf);
    if (n <= 0) break;
    number.append(buf, static_cast<std::size_t>(n));
    if (number.find('\n') != std::string::npos) break;
  }
  ::close(fds[0]);
  while (!number.empty() && (number.back() == '\n' || number.back() == '\r')) number.pop_back();
  if (number.empty()) {
    int status = 0;
    ::kill(pid, SIGTERM);
    ::waitpid(pid, &status, 0);
    m_why = WIFEXITED(status) && WEXITSTATUS(status) == 127 ? "Xvfb is not installed" : "Xvfb did not start";
    return;
  }
  m_pid = pid;
  m_display = ":" + number;
}

Xvfb::~Xvfb() {
  if (m_pid <= 0) return;
  ::kill(m_pid, SIGTERM);
  int status = 0;
  ::waitpid(m_pid, &status, 0);
}

PointerMover::PointerMover(const std::string& display) {
  int screenNo = 0;
  m_conn = xcb_connect(display.c_str(), &screenNo);
  if (!m_conn || xcb_connection_has_error(m_conn)) return;
  const xcb_query_extension_reply_t* ext = xcb_get_extension_data(m_conn, &xcb_test_id);
  if (!ext || !ext->present) return;
  xcb_screen_iterator_t it = xcb_setup_roots_iterator(xcb_get_setup(m_conn));
  for (int i = 0; i < screenNo && it.rem; ++i) xcb_screen_next(&it);
  if (!it.rem) return;
  m_root = it.data->root;
  m_ok = true;
}

PointerMover::~PointerMover() {
  if (m_conn) xcb_disconnect(m_conn);
}

void PointerMover::QueueMoveTo(int x, int y) {
  if (!m_ok) return;
  // detail 0: absolute motion on the given root window.
  xcb_test_fake_input(m_conn, XCB_MOTION_NOTIFY, 0, XCB_CURRENT_TIME, m_root, static_cast<int16_t>(x),
                      static_cast<int16_t>(y), 0);
}

void PointerMover::Flush() {
  if (m_ok) xcb_flush(m_conn);
}

void PointerMover::MoveTo(int x, int y) {
  QueueMoveTo(x, y);
  Flush();
}

void PointerMover::Click() {
  if (!m_ok) return;
  xcb_test_fake_input(m_conn, XCB_BUTTON_PRESS, 1, XCB_CURRENT_TIME, XCB_NONE, 0, 0, 0);
  xcb_test_fake_input(m_conn, XCB_BUTTON_RELEASE, 1, XCB_CURRENT_TIME, XCB_NONE, 0, 0, 0);
  xcb_flush(m_conn);
}

void PointerMover::WarpTo(int x, int y) {
  if (!m_ok) return;
  xcb_warp_pointer(m_conn, XCB_NONE, m_root, 0, 0, 0, 0, static_cast<int16_t>(x), static_cast<int16_t>(y));
  xcb_flush(m_conn);
}

bool PointerMover::Where(int& x, int& y) {
  if (!m_ok) return false;
  xcb_query_pointer_reply_t* r = xcb_query_pointer_reply(m_conn, xcb_query_pointer(m_conn, m_root), nullptr);
  if (!r) return false;
  x = r->root_x;
  y = r->root_y;
  std::free(r);
  return true;
}

WindowMaker::WindowMaker(const std::string& display) {
  int screenNo = 0;
  xcb_connection_t* c = xcb_connect(display.c_str(), &screenNo);
  xcb_screen_iterator_t it = xcb_setup_roots_iterator(xcb_get_setup(c));
  for (int i = 0; i < screenNo && it.rem; ++i) xcb_screen_next(&it);
  if (xcb_connection_has_error(c) || !it.rem) {
    xcb_disconnect(c);
    return;
  }
  m_conn = c;
  m_root = it.data->root;
}

WindowMaker::~WindowMaker() {
  if (m_conn) xcb_disconnect(m_conn);
}

unsigned WindowMaker::Create(int x, int y, int width, int height, int border) {
  if (!m_conn) return 0;
  const xcb_window_t w = xcb_generate_id(m_conn);
  xcb_create_window(m_conn, XCB_COPY_FROM_PARENT, w, m_root, std::int16_t(x), std::int16_t(y),
                    std::uint16_t(width), std::uint16_t(height), std::uint16_t(border),
                    XCB_WINDOW_CLASS_INPUT_OUTPUT, XCB_COPY_FROM_PARENT, 0, nullptr);
  xcb_map_window(m_conn, w);
  Sync();
  return w;
}

void WindowMaker::SetFrameExtents(unsigned window, unsigned left, unsigned right, unsigned top, unsigned bottom) {
  if (!m_conn) return;
  const char name[] = "_NET_FRAME_EXTENTS";
  xcb_intern_atom_reply_t* a =
      xcb_intern_atom_reply(m_conn, xcb_intern_atom(m_conn, 0, sizeof name - 1, name), nullptr);
  if (!a) return;
  const std::uint32_t v[4] = {left, right, top, bottom};
  xcb_change_property(m_conn, XCB_PROP_MODE_REPLACE, window, a->atom, XCB_ATOM_CARDINAL, 32, 4, v);
  std::free(a);
  Sync();
}

void WindowMaker::Move(unsigned window, int x, int y) {
  if (!m_conn) return;
  const std::uint32_t v[2] = {std::uint32_t(x), std::uint32_t(y)};
  xcb_configure_window(m_conn, window, XCB_CONFIG_WINDOW_X | XCB_CONFIG_WINDOW_Y, v);
  xcb_flush(m_conn);
}

unsigned WindowMaker::Focus() {
  if (!m_conn) return 0;
  xcb_get_input_focus_reply_t* r = xcb_get_input_focus_reply(m_conn, xcb_get_input_focus(m_conn), nullptr);
  const unsigned w = r ? r->focus : 0;
  std::free(r);
  return w;
}

void WindowMaker::Sync() {
  if (m_conn) std::free(xcb_get_input_focus_reply(m_conn, xcb_get_input_focus(m_conn), nullptr));
}

}  // namespace testx
