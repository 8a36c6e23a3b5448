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
#include <memory>
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

// ---- how a request is carried out ---------------------------------------------
//
// Without a player override, sndPlaySound
//  1. resolves the name: an absolute path as given; a relative one against the
//     current directory, then against the Windows directory;
//  2. checks the file itself (IsPlayableWaveFile), so that nothing but a readable
//     RIFF WAVE file ever reaches the sound library: otherwise NotPlayable;
//  3. with SND_NOSTOP, answers Busy while the sound it started last still plays;
//     without SND_NOSTOP, stops that sound and goes on;
//  4. hands the file to the sound service; without SND_ASYNC it then waits until
//     the sound ends (at most its length plus two seconds).
// There is no default sound: without SND_NODEFAULT a failed request is just as
// silent.  An empty name plays nothing (NotPlayable).
//
// The default service plays through libcanberra.  It looks for a sound device
// once, before its first play: the library's own device choice
// (CANBERRA_DRIVER or CANBERRA_DEVICE set), an ALSA configuration of the user or
// the system, a PulseAudio or PipeWire server of the session, or an ALSA
// playback device in /dev/snd.  With none of these it never calls the library
// (whose ALSA back end would print its device errors on stderr) and answers
// NoDevice.  A device error from the library for a file that passed the checks
// also marks the device as missing for the rest of the service's life, so those
// errors are printed once at most.
class SoundService {
public:
  virtual ~SoundService() = default;
  // Starts a checked file; Started, NoDevice, or NotPlayable when the library
  // rejects the file's contents.
  virtual SoundOutcome Play(const std::string& path) = 0;
  // True while the sound last started by Play still plays.
  virtual bool Playing() = 0;
  // Stops the sound last started by Play, if it still plays.
  virtual void Stop() = 0;
  // Returns when the sound last started by Play has ended or timeoutMs passed.
  virtual void Wait(int timeoutMs) = 0;
};

// Puts a service in place of the current one; nullptr installs a fresh default
// service (which probes for a device again on its first play).
void SetSoundService(std::unique_ptr<SoundService> service);

// True while the sound that sndPlaySound started last still plays.
bool SoundPlaying();

// True when path names a readable regular file that holds a RIFF WAVE stream
// with a well-formed "fmt " chunk followed somewhere by a "data" chunk, all
// chunks lying inside the file.
bool IsPlayableWaveFile(const std::string& path);

}  // namespace platform
