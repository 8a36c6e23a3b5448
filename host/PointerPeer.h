// A process that moves the pointer for the scripts where XTest cannot: under a
// Wayland compositor XTest moves only XWayland's own idea of the pointer, and
// the compositor (which decides what lies under the pointer, a native window
// or an X one) never hears of it.  The tests' peer (tests/wayland) moves the
// compositor's real pointer instead.
//
// EDGETUCKER_POINTER_PEER="COMMANDS:REPLIES" names two FIFOs: one command a
// line goes to COMMANDS ("move X Y", "click X Y", or any line of a script's
// `peer` command), one answer a line comes back on REPLIES: "ok" or
// "fail WHY".
#pragma once

#include <memory>
#include <string>

namespace host {

class PointerPeer {
public:
  // The peer the environment names; nullptr when none is named (or its FIFOs
  // cannot be opened, said once on standard error).
  static PointerPeer* Get();
  ~PointerPeer();

  // Sends one line and waits for its answer, at most timeoutMs, the event
  // loop running meanwhile; true when the answer is "ok".  `answer` gets the answer line (or why none came).
  bool Ask(const std::string& line, std::string& answer, int timeoutMs = 20000);

private:
  PointerPeer(int commands, int replies) : m_commands(commands), m_replies(replies) {}
  int m_commands;
  int m_replies;
  std::string m_pending;  // read past the last answer
};

}  // namespace host
