#include "host/PointerPeer.h"

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <iostream>

namespace host {

PointerPeer* PointerPeer::Get() {
  static std::unique_ptr<PointerPeer> peer = []() -> std::unique_ptr<PointerPeer> {
    const char* spec = std::getenv("EDGETUCKER_POINTER_PEER");
    if (!spec || !*spec) return nullptr;
    const std::string s(spec);
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
  const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  for (;;) {
    const std::size_t nl = m_pending.find('\n');
    if (nl != std::string::npos) {
      answer = m_pending.substr(0, nl);
      m_pending.erase(0, nl + 1);
      return answer == "ok";
    }
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - std::chrono::steady_clock::now());
    pollfd p{m_replies, POLLIN, 0};
    if (left.count() <= 0 || ::poll(&p, 1, static_cast<int>(left.count())) <= 0) {
      answer = "no answer from the peer within " + std::to_string(timeoutMs) + " ms";
      return false;
    }
    char chunk[256];
    const ssize_t n = ::read(m_replies, chunk, sizeof chunk);
    if (n <= 0) {
      answer = "the peer's FIFO closed";
      return false;
    }
    m_pending.append(chunk, static_cast<std::size_t>(n));
  }
}

}  // namespace host
