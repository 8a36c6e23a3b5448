#include "host/PointerPeer.h"

#include <fcntl.h>
#include <unistd.h>

#include <QEventLoop>
#include <QSocketNotifier>
#include <QTimer>
#include <cstdlib>
#include <iostream>

namespace host {

PointerPeer* PointerPeer::Get() {
  static std::unique_ptr<PointerPeer> peer = []() -> std::unique_ptr<PointerPeer> {
    const char* fifos = std::getenv("EDGETUCKER_POINTER_PEER");
    if (!fifos || !*fifos) return nullptr;
    const std::string s(fifos);
    const std::size_t colon = s.find(':');
    if (colon == std::string::npos) {
      std::cerr << "EDGETUCKER_POINTER_PEER: expected COMMANDS:REPLIES, got " << s << std::endl;
      return nullptr;
    }
    // Opened read-write: neither open blocks waiting for the other side.
    const int commands = ::open(s.substr(0, colon).c_str(), O_RDWR | O_CLOEXEC);
    const int replies = ::open(s.substr(colon + 1).c_str(), O_RDWR | O_CLOEXEC);
    if (commands < 0 || replies < 0) {
      std::cerr << "EDGETUCKER_POINTER_PEER: cannot open " << s << std::endl;
      if (commands >= 0) ::close(commands);
      if (replies >= 0) ::close(replies);
      return nullptr;
    }
    return std::unique_ptr<PointerPeer>(new PointerPeer(commands, replies));
  }();
  return peer.get();
}

PointerPeer::~PointerPeer() {
  ::close(m_commands);
  ::close(m_replies);
}

bool PointerPeer::Ask(const std::string& line, std::string& answer, int timeoutMs) {
  const std::string out = line + "\n";
  if (::write(m_commands, out.data(), out.size()) != static_cast<ssize_t>(out.size())) {
    answer = "the peer's FIFO took no command";
    return false;
  }
  // The event loop runs meanwhile: the add-in in this process must hear of
  // the pointer while it moves, as it would with a hand on the mouse.
  QSocketNotifier readable(m_replies, QSocketNotifier::Read);
  QEventLoop loop;
  QTimer timeout;
  timeout.setSingleShot(true);
  bool closed = false;
  QObject::connect(&readable, &QSocketNotifier::activated, &loop, [&] {
    char chunk[256];
    const ssize_t n = ::read(m_replies, chunk, sizeof chunk);
    if (n <= 0)
      closed = true;
    else
      m_pending.append(chunk, static_cast<std::size_t>(n));
    if (closed || m_pending.find('\n') != std::string::npos) loop.quit();
  });
  QObject::connect(&timeout, &QTimer::timeout, &loop, &QEventLoop::quit);
  if (m_pending.find('\n') == std::string::npos) {
    timeout.start(timeoutMs);
    loop.exec();
  }
  const std::size_t nl = m_pending.find('\n');
  if (nl == std::string::npos) {
    answer = closed ? "the peer's FIFO closed" : "no answer from the peer within " + std::to_string(timeoutMs) + " ms";
    return false;
  }
  answer = m_pending.substr(0, nl);
  m_pending.erase(0, nl + 1);
  return answer == "ok";
}

}  // namespace host
