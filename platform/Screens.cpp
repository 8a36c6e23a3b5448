#include "platform/Screens.h"

namespace platform {

std::vector<Monitor> GetMonitors() { return CurrentBackends().screens->Monitors(); }

std::optional<Monitor> PrimaryMonitor(const std::vector<Monitor>& monitors) {
  if (monitors.empty()) return std::nullopt;
  for (const Monitor& m : monitors)
    if (m.primary) return m;
  return monitors.front();
}

int GetSystemMetrics(int index) {
  const std::optional<Monitor> primary = PrimaryMonitor(GetMonitors());
  if (!primary) return 0;
  switch (index) {
    case SM_CXSCREEN: return primary->bounds.Width();
    case SM_CYSCREEN: return primary->bounds.Height();
    case SM_CYCAPTION: return CurrentBackends().screens->CaptionHeight();
    case SM_CYFULLSCREEN: return primary->workArea.Height() - CurrentBackends().screens->CaptionHeight();
    default: return 0;
  }
}

}  // namespace platform
