#include "platform/Sound.h"

// First cut: requests reach the observer; playing comes next.
namespace platform {
namespace {
SoundObserver g_observer;
SoundPlayer g_player;
}  // namespace

void SetSoundObserver(SoundObserver observer) { g_observer = std::move(observer); }
void SetSoundPlayer(SoundPlayer player) { g_player = std::move(player); }

bool sndPlaySound(const std::string& name, unsigned flags) {
  SoundRequest r{name, flags, g_player ? g_player(name, flags) : SoundOutcome::NoDevice};
  if (g_observer) g_observer(r);
  return r.outcome == SoundOutcome::Started;
}
}  // namespace platform
