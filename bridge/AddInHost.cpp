#include "bridge/AddInHost.h"

namespace bridge {

bool AddInHost::Load(const std::string& path, std::string* why) {
  if (Loaded() || Ended()) return false;
  return AddInCore::Load(path, why) == LoadResult::started;
}

bool AddInHost::Connect(TExpertInitProc init) {
  if (Loaded() || Ended()) return false;
  return AddInCore::Connect(init, "in-process add-in");
}

std::string AddInHost::MenuText() const {
  for (const auto& entry : MenuEntries())
    if (entry.state & esEnabled) return entry.text;
  return std::string();
}

bool AddInHost::RunMenu() {
  for (const auto& entry : MenuEntries())
    if (entry.state & esEnabled) return Execute(entry.expert);
  return false;
}

std::vector<Notification> ProjectChange(const std::string& before, const std::string& after) {
  std::vector<Notification> out;
  if (before == after) return out;
  if (!before.empty()) out.push_back(Notification{fnProjectClosing, before});
  if (!after.empty()) out.push_back(Notification{fnProjectDesktopLoad, after + ".dsk"});
  return out;
}

}  // namespace bridge
