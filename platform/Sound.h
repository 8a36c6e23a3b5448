// Event sounds: short wave files played by name.
//
// sndPlaySound starts a WAV file playing and returns at once (SND_ASYNC).  It
// plays through the desktop's sound service when there is one.  A file that is
// missing, unreadable or not a WAV file, or a machine without any sound device,
// plays nothing, silently; with SND_NODEFAULT no fallback sound is played
// either.  With SND_NOSTOP a sound started here that is still playing is left
// alone and the new one is not started.  The name is passed whole: there is no
// length limit short of the file system's own.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

namespace platform {

constexpr unsigned SND_ASYNC = 0x0001;
constexpr unsigned SND_NODEFAULT = 0x0002;
constexpr unsigned SND_NOSTOP = 0x0010;

// Returns true when the sound was started.
bool sndPlaySound(const std::string& name, unsigned flags);

// What happened to one request.
enum class SoundOutcome {
  Started,        // handed to the sound service
  Busy,           // SND_NOSTOP and an earlier sound still plays
  NotPlayable,    // missing, unreadable or not a WAV file
  NoDevice,       // the sound service could not play it (no device)
};

struct SoundRequest {
  std::string name;
  unsigned flags = 0;
  SoundOutcome outcome = SoundOutcome::NotPlayable;
};

// The seam for tests: an observer sees every request and its outcome.  While a
// "player" override is installed, it decides the outcome instead of the sound
// service (nothing reaches the real library then).
using SoundObserver = std::function<void(const SoundRequest&)>;
using SoundPlayer = std::function<SoundOutcome(const std::string& name, unsigned flags)>;
void SetSoundObserver(SoundObserver observer);
void SetSoundPlayer(SoundPlayer player);

}  // namespace platform
