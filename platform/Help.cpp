#include "platform/Help.h"

// First cut: requests are recorded; the viewer window comes next.
namespace platform {
namespace {
std::vector<HelpRequest>& requests() {
  static std::vector<HelpRequest> r;
  return r;
}
std::string& searchFolder() {
  static std::string f;
  return f;
}
}  // namespace

bool WinHelpJump(const std::string& helpFile, const std::string& topic) {
  requests().push_back(HelpRequest{helpFile, topic, {}, false});
  return true;
}
void SetHelpSearchFolder(const std::string& folder) { searchFolder() = folder; }
const std::vector<HelpRequest>& HelpRequests() { return requests(); }
void ClearHelpRequests() { requests().clear(); }
}  // namespace platform
