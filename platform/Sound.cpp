#include "platform/Sound.h"

#include <canberra.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <set>
#include <vector>
#include <system_error>

#include "platform/Windows.h"

namespace platform {
namespace {

namespace fs = std::filesystem;

std::uint32_t LittleEndian32(const unsigned char* b) {
  return std::uint32_t(b[0]) | std::uint32_t(b[1]) << 8 | std::uint32_t(b[2]) << 16 |
         std::uint32_t(b[3]) << 24;
}
std::uint16_t LittleEndian16(const unsigned char* b) {
  return static_cast<std::uint16_t>(b[0] | b[1] << 8);
}

struct WaveInfo {
  std::uint32_t byteRate = 0;
  std::uint64_t dataBytes = 0;
};

// Walks the RIFF chunks.  Sizes come from the file, so every step is checked
// against the real file size before it is trusted; a chunk count limit keeps a
// file of many tiny chunks from turning the check into a long loop.
bool ReadWaveInfo(const std::string& path, WaveInfo* info) {
  if (path.empty() || path.find('\0') != std::string::npos) return false;
  std::error_code ec;
  if (!fs::is_regular_file(path, ec)) return false;
  const std::uint64_t fileSize = fs::file_size(path, ec);
  if (ec || fileSize < 12) return false;
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;

  unsigned char head[12];
  if (!in.read(reinterpret_cast<char*>(head), sizeof head)) return false;
  if (!std::equal(head, head + 4, "RIFF") || !std::equal(head + 8, head + 12, "WAVE")) return false;
  // The RIFF size may overstate the file (truncated downloads); chunks are
  // bounded by whichever end comes first.
  const std::uint64_t end = std::min<std::uint64_t>(fileSize, 8 + std::uint64_t(LittleEndian32(head + 4)));

  bool haveFormat = false;
  std::uint64_t pos = 12;
  for (int chunks = 0; chunks < 4096 && pos + 8 <= end; ++chunks) {
    unsigned char ch[8];
    in.seekg(static_cast<std::streamoff>(pos));
    if (!in.read(reinterpret_cast<char*>(ch), sizeof ch)) return false;
    const std::uint64_t size = LittleEndian32(ch + 4);
    const std::uint64_t body = pos + 8;
    if (std::equal(ch, ch + 4, "fmt ")) {
      if (size < 16 || body + size > end) return false;
      unsigned char fmt[16];
      if (!in.read(reinterpret_cast<char*>(fmt), sizeof fmt)) return false;
      const std::uint16_t channels = LittleEndian16(fmt + 2);
      const std::uint32_t rate = LittleEndian32(fmt + 4);
      const std::uint16_t bits = LittleEndian16(fmt + 14);
      if (channels == 0 || rate == 0 || bits == 0) return false;
      info->byteRate = LittleEndian32(fmt + 8);
      haveFormat = true;
    } else if (std::equal(ch, ch + 4, "data")) {
      if (!haveFormat) return false;
      // A data chunk that runs past the end is common in streamed recordings;
      // what is there can still be played.
      info->dataBytes = std::min(size, end - body);
      return true;
    }
    pos = body + size + (size & 1);  // chunks are padded to an even length
  }
  return false;
}

bool NonEmptyEnv(const char* name) {
  const char* v = std::getenv(name);
  return v && *v;
}

bool Exists(const fs::path& p) {
  std::error_code ec;
  return fs::exists(p, ec);
}

// Whether any way to a sound device is configured.  Only existence is
// checked: opening a device is what prints the errors we want to avoid.
bool ProbeSoundDevice() {
  if (NonEmptyEnv("CANBERRA_DRIVER") || NonEmptyEnv("CANBERRA_DEVICE")) return true;
  if (NonEmptyEnv("ALSA_CONFIG_PATH") || NonEmptyEnv("PULSE_SERVER")) return true;
  if (const char* home = std::getenv("HOME"); home && Exists(fs::path(home) / ".asoundrc")) return true;
  if (Exists("/etc/asound.conf")) return true;
  if (const char* run = std::getenv("XDG_RUNTIME_DIR"); run && *run) {
    if (Exists(fs::path(run) / "pulse" / "native") || Exists(fs::path(run) / "pipewire-0")) return true;
  }
  std::error_code ec;
  for (fs::directory_iterator it("/dev/snd", ec), last; !ec && it != last; it.increment(ec)) {
    const std::string n = it->path().filename().string();
    if (n.starts_with("pcmC") && n.ends_with("p")) return true;
  }
  return false;
}

// Plays through libcanberra.  The finish callback arrives on the library's
// thread and may not call back into the library, so it only records the id and
// wakes a synchronous waiter.
class CanberraService final : public SoundService {
public:
  CanberraService() {
    std::lock_guard live(LiveMutex());
    Live().insert(this);
  }

  ~CanberraService() override {
    {
      // From now on a late finish callback finds this service gone.
      std::lock_guard live(LiveMutex());
      Live().erase(this);
    }
    // An opened context is never destroyed: destroying it unloads the
    // library's output driver while the driver's own playback thread may still
    // be finishing, and that thread then runs code that is gone.  The context
    // is cancelled, detached from this object and kept for the process's
    // lifetime instead (one per service ever created: a handful at most).
    if (!m_ctx) return;
    if (m_lastId != 0) ca_context_cancel(m_ctx, m_lastId);
    RetiredContexts().push_back(m_ctx);
  }

  SoundOutcome Play(const std::string& path) override {
    if (m_noDevice) return SoundOutcome::NoDevice;
    if (!m_probed) {
      m_probed = true;
      if (!ProbeSoundDevice()) m_noDevice = true;
    }
    if (m_noDevice || !Open()) return SoundOutcome::NoDevice;

    ca_proplist* props = nullptr;
    if (ca_proplist_create(&props) < 0) return SoundOutcome::NoDevice;
    ca_proplist_sets(props, CA_PROP_MEDIA_FILENAME, path.c_str());
    // The user may replace a file between two slides; a cached copy would
    // play the old sound.
    ca_proplist_sets(props, CA_PROP_CANBERRA_CACHE_CONTROL, "never");
    const std::uint32_t id = ++m_lastId;
    const int rc = ca_context_play_full(m_ctx, id, props, &CanberraService::Finished, this);
    ca_proplist_destroy(props);

    switch (rc) {
      case CA_SUCCESS:
        return SoundOutcome::Started;
      case CA_ERROR_NOTFOUND:
        // The file passed our checks, so "not found" is the device.  Unless
        // the file vanished in between, stop asking.
        if (Exists(path)) m_noDevice = true;
        return SoundOutcome::NoDevice;
      case CA_ERROR_NODRIVER:
      case CA_ERROR_NOTAVAILABLE:
        m_noDevice = true;
        return SoundOutcome::NoDevice;
      case CA_ERROR_DISABLED:
      case CA_ERROR_DISCONNECTED:
      case CA_ERROR_ACCESS:
      case CA_ERROR_SYSTEM:
        return SoundOutcome::NoDevice;
      default:
        return SoundOutcome::NotPlayable;
    }
  }

  bool Playing() override {
    if (!m_ctx || m_lastId == 0 || m_finishedId.load() == m_lastId) return false;
    int playing = 0;
    if (ca_context_playing(m_ctx, m_lastId, &playing) < 0) return false;
    return playing != 0;
  }

  void Stop() override {
    if (m_ctx && m_lastId != 0) ca_context_cancel(m_ctx, m_lastId);
  }

  void Wait(int timeoutMs) override {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    // The library is never called with the lock held: its thread takes the
    // lock in the finish callback.  The callback wakes us early; the slices
    // re-ask the library in case a back end ends a sound without calling back.
    while (Playing() && std::chrono::steady_clock::now() < deadline) {
      std::unique_lock lock(m_waitMutex);
      const std::uint32_t id = m_lastId;
      m_wake.wait_for(lock, std::chrono::milliseconds(50), [&] { return m_finishedId.load() == id; });
    }
  }

private:
  bool Open() {
    if (m_ctx) return true;
    if (ca_context_create(&m_ctx) < 0) {
      m_ctx = nullptr;
      m_noDevice = true;
      return false;
    }
    ca_context_change_props(m_ctx, CA_PROP_APPLICATION_NAME, "Edgetucker", nullptr);
    if (ca_context_open(m_ctx) < 0) {
      ca_context_destroy(m_ctx);
      m_ctx = nullptr;
      m_noDevice = true;
      return false;
    }
    return true;
  }

  // Services that exist, so that a finish callback arriving on the library's
  // thread after its service was destroyed does nothing.
  static std::set<void*>& Live() {
    static auto* live = new std::set<void*>;
    return *live;
  }
  static std::mutex& LiveMutex() {
    static auto* m = new std::mutex;
    return *m;
  }

  static std::vector<ca_context*>& RetiredContexts() {
    static auto* retired = new std::vector<ca_context*>;  // never destroyed, see above
    return *retired;
  }

  static void Finished(ca_context*, std::uint32_t id, int, void* self) {
    std::lock_guard live(LiveMutex());
    if (!Live().count(self)) return;  // its service is gone
    auto* s = static_cast<CanberraService*>(self);
    {
      std::lock_guard lock(s->m_waitMutex);
      s->m_finishedId.store(id);
    }
    s->m_wake.notify_all();
  }

  ca_context* m_ctx = nullptr;
  bool m_probed = false;
  bool m_noDevice = false;
  std::uint32_t m_lastId = 0;
  std::atomic<std::uint32_t> m_finishedId{0};
  std::mutex m_waitMutex;
  std::condition_variable m_wake;
};

struct State {
  std::mutex mutex;  // guards the two hooks; sndPlaySound may run on any thread
  SoundObserver observer;
  SoundPlayer player;
  std::mutex serviceMutex;  // one request at a time reaches the service
  std::unique_ptr<SoundService> service;
  SoundService& Service() {
    if (!service) service = std::make_unique<CanberraService>();
    return *service;
  }
};

State& state() {
  static State s;
  return s;
}

std::string Resolve(const std::string& name) {
  std::error_code ec;
  const fs::path p(name);
  if (p.is_absolute() || fs::exists(p, ec)) return name;
  const std::string windir = GetWindowsDirectory();
  if (!windir.empty()) {
    const fs::path inWindir = fs::path(windir) / p;
    if (fs::exists(inWindir, ec)) return inWindir.string();
  }
  return name;
}

SoundOutcome PlayFile(SoundService& service, const std::string& name, unsigned flags) {
  if (name.empty()) return SoundOutcome::NotPlayable;
  const std::string path = Resolve(name);
  WaveInfo info;
  if (!ReadWaveInfo(path, &info)) return SoundOutcome::NotPlayable;
  if (service.Playing()) {
    if (flags & SND_NOSTOP) return SoundOutcome::Busy;
    service.Stop();
  }
  const SoundOutcome outcome = service.Play(path);
  if (outcome == SoundOutcome::Started && !(flags & SND_ASYNC)) {
    const std::uint64_t lengthMs = info.byteRate ? info.dataBytes * 1000 / info.byteRate : 0;
    service.Wait(static_cast<int>(std::min<std::uint64_t>(lengthMs, 10 * 60 * 1000)) + 2000);
  }
  return outcome;
}

}  // namespace

void SetSoundObserver(SoundObserver observer) {
  std::lock_guard lock(state().mutex);
  state().observer = std::move(observer);
}

void SetSoundPlayer(SoundPlayer player) {
  std::lock_guard lock(state().mutex);
  state().player = std::move(player);
}

void SetSoundService(std::unique_ptr<SoundService> service) {
  std::lock_guard lock(state().serviceMutex);
  state().service = std::move(service);
}

bool SoundPlaying() {
  std::lock_guard lock(state().serviceMutex);
  return state().service && state().service->Playing();
}

bool IsPlayableWaveFile(const std::string& path) {
  WaveInfo info;
  return ReadWaveInfo(path, &info);
}

bool sndPlaySound(const std::string& name, unsigned flags) {
  // Copies, so that a player or an observer may itself start a sound or
  // change the hooks without deadlocking.
  SoundObserver observer;
  SoundPlayer player;
  {
    std::lock_guard lock(state().mutex);
    observer = state().observer;
    player = state().player;
  }
  SoundRequest request{name, flags, SoundOutcome::NotPlayable};
  if (player) {
    request.outcome = player(name, flags);
  } else {
    std::lock_guard lock(state().serviceMutex);
    request.outcome = PlayFile(state().Service(), name, flags);
  }
  if (observer) observer(request);
  return request.outcome == SoundOutcome::Started;
}

}  // namespace platform
