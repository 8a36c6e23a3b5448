#include "platform/Profile.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <dirent.h>
#include <fcntl.h>
#include <optional>
#include <pthread.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace platform {
namespace {

constexpr std::string_view kBom = "\xEF\xBB\xBF";

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

std::string_view Trim(std::string_view s) {
  while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
  while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
  return s;
}

char Lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool SameName(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (Lower(a[i]) != Lower(b[i])) return false;
  return true;
}

std::string_view Unquote(std::string_view v) {
  if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front())
    return v.substr(1, v.size() - 2);
  return v;
}

std::string Cut(std::string_view s, std::size_t bufferSize) {
  if (bufferSize == 0) return {};
  return std::string(s.substr(0, bufferSize - 1));
}

// One line of the file as byte offsets: [begin, contentEnd) is its text,
// [contentEnd, end) its line end (empty for a last line without one).
struct Line {
  std::size_t begin = 0;
  std::size_t contentEnd = 0;
  std::size_t end = 0;
};

// Splits text into lines at LF, CRLF and lone CR.  The next LF and the next CR
// are each found with memchr and remembered until passed, so a long file is
// scanned at memory speed whatever its line-end style.
class LineScanner {
public:
  LineScanner(std::string_view text, std::size_t start)
      : m_text(text), m_pos(start), m_nextLf(Find('\n', start)), m_nextCr(Find('\r', start)) {}

  bool Next(Line& line) {
    const std::size_t size = m_text.size();
    if (m_pos >= size) return false;
    if (m_nextLf < m_pos) m_nextLf = Find('\n', m_pos);
    if (m_nextCr < m_pos) m_nextCr = Find('\r', m_pos);
    const std::size_t stop = std::min(m_nextLf, m_nextCr);
    line.begin = m_pos;
    line.contentEnd = stop;
    std::size_t next = stop;
    if (stop < size) next = (m_text[stop] == '\r' && stop + 1 < size && m_text[stop + 1] == '\n')
                                ? stop + 2
                                : stop + 1;
    line.end = next;
    m_pos = next;
    return true;
  }

private:
  // Position of the next c at or after from, or the text's size when none.
  std::size_t Find(char c, std::size_t from) const {
    if (from >= m_text.size()) return m_text.size();
    const void* hit = std::memchr(m_text.data() + from, c, m_text.size() - from);
    return hit ? static_cast<std::size_t>(static_cast<const char*>(hit) - m_text.data())
               : m_text.size();
  }

  std::string_view m_text;
  std::size_t m_pos;
  std::size_t m_nextLf;
  std::size_t m_nextCr;
};

// The one line that starts at begin, found byte by byte (a LineScanner would
// look ahead through the whole rest of the text for each kind of line end).
Line LineAt(std::string_view text, std::size_t begin) {
  Line line{begin, begin, begin};
  while (line.contentEnd < text.size() && text[line.contentEnd] != '\n' &&
         text[line.contentEnd] != '\r')
    ++line.contentEnd;
  line.end = line.contentEnd;
  if (line.end < text.size())
    line.end += (text[line.end] == '\r' && line.end + 1 < text.size() && text[line.end + 1] == '\n')
                    ? 2
                    : 1;
  return line;
}

enum class LineKind { Blank, Comment, Section, Key, Other };

struct Classified {
  LineKind kind = LineKind::Blank;
  std::string_view name;   // section or key name, trimmed
  std::string_view value;  // key value, trimmed, quotes still on
};

Classified Classify(std::string_view content) {
  Classified c;
  std::string_view t = Trim(content);
  if (t.empty()) return c;
  if (t.front() == ';') {
    c.kind = LineKind::Comment;
    return c;
  }
  if (t.front() == '[') {
    const std::size_t close = t.find(']');
    if (close == std::string_view::npos) {
      c.kind = LineKind::Other;
      return c;
    }
    c.kind = LineKind::Section;
    c.name = Trim(t.substr(1, close - 1));
    return c;
  }
  const std::size_t eq = t.find('=');
  if (eq == std::string_view::npos) {
    c.kind = LineKind::Other;
    return c;
  }
  c.kind = LineKind::Key;
  c.name = Trim(t.substr(0, eq));
  c.value = Trim(t.substr(eq + 1));
  return c;
}

std::size_t BodyStart(std::string_view text) { return text.starts_with(kBom) ? kBom.size() : 0; }

enum class LoadState { Loaded, Missing, Refused };

struct LoadedFile {
  LoadState state = LoadState::Missing;
  std::string text;
  struct stat st {};
};

LoadedFile Load(const std::string& path) {
  LoadedFile f;
  // The type is known before anything is opened: opening a named pipe would
  // wait for a writer, and opening a device may act on it.
  struct stat pre {};
  if (::stat(path.c_str(), &pre) != 0) {
    f.state = (errno == ENOENT) ? LoadState::Missing : LoadState::Refused;
    return f;
  }
  f.state = LoadState::Refused;
  if (!S_ISREG(pre.st_mode)) return f;
  // O_NONBLOCK still guards an open that races with the path being replaced by
  // a pipe after the stat; for a regular file it changes nothing.
  const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  if (fd < 0) {
    f.state = (errno == ENOENT) ? LoadState::Missing : LoadState::Refused;
    return f;
  }
  if (::fstat(fd, &f.st) == 0 && S_ISREG(f.st.st_mode) &&
      static_cast<unsigned long long>(f.st.st_size) <= kMaxProfileFileBytes) {
    // Read up to one byte past the limit, so a file that grew since fstat is
    // still caught as too large.
    f.text.resize(static_cast<std::size_t>(f.st.st_size) + 1);
    std::size_t got = 0;
    bool ok = true;
    for (;;) {
      if (got == f.text.size()) {
        if (f.text.size() > kMaxProfileFileBytes) break;
        f.text.resize(std::min(f.text.size() * 2 + 64, kMaxProfileFileBytes + 1));
      }
      const ssize_t n = ::read(fd, f.text.data() + got, f.text.size() - got);
      if (n < 0) {
        if (errno == EINTR) continue;
        ok = false;
        break;
      }
      if (n == 0) break;
      got += static_cast<std::size_t>(n);
    }
    f.text.resize(got);
    if (ok && got <= kMaxProfileFileBytes && std::memchr(f.text.data(), '\0', got) == nullptr)
      f.state = LoadState::Loaded;
  }
  ::close(fd);
  if (f.state != LoadState::Loaded) f.text.clear();
  return f;
}

bool HasLineBreak(std::string_view s) {
  return s.find_first_of(std::string_view("\r\n\0", 3)) != std::string_view::npos;
}

bool WriteAll(int fd, std::string_view data) {
  while (!data.empty()) {
    const ssize_t n = ::write(fd, data.data(), data.size());
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    if (n == 0) return false;  // no progress: give up rather than spin
    data.remove_prefix(static_cast<std::size_t>(n));
  }
  return true;
}

// A write past RLIMIT_FSIZE raises SIGXFSZ, whose default action ends the
// process.  While this guard lives the signal is blocked in the calling thread,
// so such a write fails with EFBIG instead; a SIGXFSZ that our write made
// pending is taken off before the old mask returns, so it never arrives later.
class FileSizeSignalGuard {
public:
  FileSizeSignalGuard() {
    sigemptyset(&m_set);
    sigaddset(&m_set, SIGXFSZ);
    m_active = ::pthread_sigmask(SIG_BLOCK, &m_set, &m_old) == 0;
    m_wasPending = m_active && IsPending();
  }
  ~FileSizeSignalGuard() {
    if (!m_active) return;
    if (!m_wasPending && !sigismember(&m_old, SIGXFSZ) && IsPending()) {
      const struct timespec now {};
      while (::sigtimedwait(&m_set, nullptr, &now) < 0 && errno == EINTR) {
      }
    }
    ::pthread_sigmask(SIG_SETMASK, &m_old, nullptr);
  }
  FileSizeSignalGuard(const FileSizeSignalGuard&) = delete;
  FileSizeSignalGuard& operator=(const FileSizeSignalGuard&) = delete;

private:
  static bool IsPending() {
    sigset_t pending;
    sigemptyset(&pending);
    return ::sigpending(&pending) == 0 && sigismember(&pending, SIGXFSZ) == 1;
  }
  sigset_t m_set;
  sigset_t m_old;
  bool m_active = false;
  bool m_wasPending = false;
};

// "<pid>-<count>" as a temporary file's name ends; the pid, or 0 when the
// text has another shape (the file is then not one of ours).
pid_t TemporaryOwner(std::string_view rest) {
  const std::size_t dash = rest.find('-');
  if (dash == 0 || dash == std::string_view::npos || dash + 1 == rest.size() || dash > 9)
    return 0;
  auto digits = [](std::string_view t) {
    return std::all_of(t.begin(), t.end(), [](char c) { return c >= '0' && c <= '9'; });
  };
  if (!digits(rest.substr(0, dash)) || !digits(rest.substr(dash + 1))) return 0;
  return static_cast<pid_t>(std::strtol(std::string(rest.substr(0, dash)).c_str(), nullptr, 10));
}

// Removes the temporary files that writers of base, now gone, left in dir.  A
// file counts as left behind only when its process no longer runs and nobody
// holds its lock: a live writer (in this or another process namespace) always
// holds one of the two.
// Where the temporary files of writers of target live, and how their names begin.
struct TemporaryNames {
  std::string dir;     // with its "/", or "." for a bare file name
  std::string prefix;  // "." + file name + ".tmp-"
};

TemporaryNames TemporaryNamesFor(const std::string& target) {
  const std::size_t slash = target.rfind('/');
  if (slash == std::string::npos) return {".", "." + target + ".tmp-"};
  return {target.substr(0, slash + 1), "." + target.substr(slash + 1) + ".tmp-"};
}

void RemoveLeftoverTemporaries(const std::string& dir, const std::string& prefix) {
  DIR* d = ::opendir(dir.c_str());
  if (!d) return;
  const int dfd = ::dirfd(d);
  const pid_t self = ::getpid();
  while (const struct dirent* e = ::readdir(d)) {
    const std::string_view name(e->d_name);
    if (!name.starts_with(prefix)) continue;
    const pid_t owner = TemporaryOwner(name.substr(prefix.size()));
    if (owner <= 0 || owner == self) continue;
    if (::kill(owner, 0) == 0 || errno != ESRCH) continue;
    const int fd = ::openat(dfd, e->d_name, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) continue;
    struct stat st {};
    if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && ::flock(fd, LOCK_EX | LOCK_NB) == 0)
      ::unlinkat(dfd, e->d_name, 0);
    ::close(fd);
  }
  ::closedir(d);
}

std::atomic<unsigned> g_tempCounter{0};

// Writes content to a fresh file beside target and renames it over target.
// existing, when set, is the stat of the file being replaced.
bool ReplaceFile(const std::string& target, std::string_view content, const struct stat* existing) {
  const auto [dir, prefix] = TemporaryNamesFor(target);

  std::string temp;
  int fd = -1;
  for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
    temp = dir + (dir.ends_with('/') ? "" : "/") + prefix + std::to_string(::getpid()) + "-" +
           std::to_string(g_tempCounter.fetch_add(1));
    fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
    if (fd < 0 && errno != EEXIST) return false;
  }
  if (fd < 0) return false;
  // Held until the rename is done: the mark of a writer still at work.
  ::flock(fd, LOCK_EX | LOCK_NB);

  bool ok = true;
  if (existing) {
    // Ownership can only be kept by a privileged process; the mode always.
    if (::fchown(fd, existing->st_uid, existing->st_gid) != 0) { /* keep ours */ }
    ok = ::fchmod(fd, existing->st_mode & 07777) == 0;
  }
  {
    FileSizeSignalGuard guard;
    ok = ok && WriteAll(fd, content) && ::fsync(fd) == 0;
  }
  // Only a temporary file that holds every byte may replace the old one.
  struct stat written {};
  ok = ok && ::fstat(fd, &written) == 0 &&
       static_cast<unsigned long long>(written.st_size) == content.size();
  ok = ok && ::rename(temp.c_str(), target.c_str()) == 0;
  if (!ok) ::unlink(temp.c_str());
  ::close(fd);
  if (!ok) return false;
  // Make the rename itself durable; the new content is complete either way.
  const int dfd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dfd >= 0) {
    ::fsync(dfd);
    ::close(dfd);
  }
  return true;
}

// The file a write replaces: the target of a symbolic link, else path itself.
std::optional<std::string> WriteTarget(const std::string& path) {
  struct stat lst {};
  if (::lstat(path.c_str(), &lst) != 0 || !S_ISLNK(lst.st_mode)) return path;
  char* real = ::realpath(path.c_str(), nullptr);
  if (!real) return std::nullopt;
  std::string target(real);
  std::free(real);
  return target;
}

}  // namespace

std::string GetPrivateProfileString(std::string_view section, std::string_view key,
                                    std::string_view defaultValue, const std::string& path,
                                    std::size_t bufferSize) {
  if (Trim(section).empty() || Trim(key).empty()) return Cut(defaultValue, bufferSize);
  return ProfileSnapshot(path).GetString(section, key, defaultValue, bufferSize);
}

// The sections of a snapshot in file order, each with its keys once asked.
struct ProfileSnapshot::Index {
  struct Key {
    std::string_view name;
    std::string_view value;  // trimmed, quotes still on
  };
  struct Section {
    std::string_view name;
    std::size_t bodyBegin = 0;
    std::size_t bodyEnd = 0;
    std::optional<std::vector<Key>> keys;
  };
  std::vector<Section> sections;
};

ProfileSnapshot::ProfileSnapshot(const std::string& path) : m_path(path) {
  LoadedFile f = Load(path);
  m_loaded = f.state == LoadState::Loaded;
  if (m_loaded) m_text = std::move(f.text);
}

ProfileSnapshot::~ProfileSnapshot() = default;

std::string ProfileSnapshot::GetString(std::string_view section, std::string_view key,
                                       std::string_view defaultValue,
                                       std::size_t bufferSize) const {
  section = Trim(section);
  key = Trim(key);
  if (section.empty() || key.empty() || !m_loaded) return Cut(defaultValue, bufferSize);
  const std::string_view text(m_text);

  if (!m_index) {
    // Only a line whose first non-blank character is "[" can open a section,
    // so the headers are found by looking for "[" alone and checking that only
    // blanks stand between it and the start of its line: a long file is then
    // passed at memory speed.
    m_index = std::make_unique<Index>();
    const std::size_t start = BodyStart(text);
    std::size_t pos = start;
    while (pos < text.size()) {
      const void* hit = std::memchr(text.data() + pos, '[', text.size() - pos);
      if (!hit) break;
      const std::size_t at = static_cast<std::size_t>(static_cast<const char*>(hit) - text.data());
      std::size_t begin = at;
      while (begin > start && IsBlank(text[begin - 1])) --begin;
      if (begin > start && text[begin - 1] != '\n' && text[begin - 1] != '\r') {
        pos = at + 1;
        continue;
      }
      const Line line = LineAt(text, begin);
      pos = line.end;
      const Classified c = Classify(text.substr(line.begin, line.contentEnd - line.begin));
      if (c.kind != LineKind::Section) continue;
      if (!m_index->sections.empty()) m_index->sections.back().bodyEnd = line.begin;
      m_index->sections.push_back({c.name, line.end, text.size(), std::nullopt});
    }
  }

  // Only the first section with a matching name counts.
  const auto it = std::find_if(m_index->sections.begin(), m_index->sections.end(),
                               [&](const Index::Section& s) { return SameName(s.name, section); });
  if (it == m_index->sections.end()) return Cut(defaultValue, bufferSize);
  if (!it->keys) {
    it->keys.emplace();
    LineScanner scan(text.substr(0, it->bodyEnd), it->bodyBegin);
    Line line;
    while (scan.Next(line)) {
      const Classified c = Classify(text.substr(line.begin, line.contentEnd - line.begin));
      if (c.kind == LineKind::Key) it->keys->push_back({c.name, c.value});
    }
  }
  for (const Index::Key& k : *it->keys)
    if (SameName(k.name, key)) return Cut(Unquote(k.value), bufferSize);
  return Cut(defaultValue, bufferSize);
}

bool WritePrivateProfileString(std::string_view section, const char* key, const char* value,
                               const std::string& path) {
  section = Trim(section);
  if (section.empty() || HasLineBreak(section) || section.find(']') != std::string_view::npos)
    return false;
  std::string_view keyName;
  if (key) {
    keyName = Trim(key);
    if (keyName.empty() || HasLineBreak(keyName) || keyName.find('=') != std::string_view::npos ||
        keyName.front() == ';' || keyName.front() == '[')
      return false;
  }
  const std::string_view newValue = value ? std::string_view(value) : std::string_view();
  if (key && value && HasLineBreak(newValue)) return false;

  const std::optional<std::string> target = WriteTarget(path);
  if (!target) return false;
  const LoadedFile f = Load(*target);
  if (f.state == LoadState::Refused) return false;
  if (f.state == LoadState::Loaded &&
      (::access(target->c_str(), W_OK) != 0 || (f.st.st_mode & 0222) == 0))
    return false;
  // Every accepted write tidies up, also one that finds nothing to change.
  const TemporaryNames temporaries = TemporaryNamesFor(*target);
  RemoveLeftoverTemporaries(temporaries.dir, temporaries.prefix);

  const std::string_view text(f.text);
  const std::size_t bodyStart = BodyStart(text);

  // One pass: find the first matching section, its end, its last line with
  // content and the first matching key in it.
  std::string_view eol = "\n";
  bool eolSeen = false;
  std::optional<Line> header, lastContent, keyLine;
  std::string_view keyAsStored;
  std::size_t sectionEnd = text.size();
  LineScanner scan(text, bodyStart);
  Line line;
  while (scan.Next(line)) {
    if (!eolSeen && line.end > line.contentEnd) {
      eol = text.substr(line.contentEnd, line.end - line.contentEnd);
      eolSeen = true;
    }
    const Classified c = Classify(text.substr(line.begin, line.contentEnd - line.begin));
    if (c.kind == LineKind::Section) {
      if (header) {
        sectionEnd = line.begin;
        break;
      }
      if (SameName(c.name, section)) header = lastContent = line;
      continue;
    }
    if (!header) continue;
    if (c.kind != LineKind::Blank && c.kind != LineKind::Comment) lastContent = line;
    if (key && !keyLine && c.kind == LineKind::Key && SameName(c.name, keyName)) {
      keyLine = line;
      keyAsStored = c.name;
    }
  }

  std::string out;
  auto appendLine = [&](std::string_view a, std::string_view b = {}, std::string_view c = {}) {
    out.append(a).append(b).append(c).append(eol);
  };
  if (!key) {
    if (!header) return true;
    out.reserve(text.size());
    out.append(text.substr(0, header->begin)).append(text.substr(sectionEnd));
  } else if (!value) {
    if (!keyLine) return true;
    out.reserve(text.size());
    out.append(text.substr(0, keyLine->begin)).append(text.substr(keyLine->end));
  } else if (keyLine) {
    out.reserve(text.size() + newValue.size() + keyAsStored.size() + 2);
    out.append(text.substr(0, keyLine->begin)).append(keyAsStored).append("=").append(newValue);
    out.append(text.substr(keyLine->contentEnd));
  } else if (header) {
    out.reserve(text.size() + newValue.size() + keyName.size() + 4);
    out.append(text.substr(0, lastContent->end));
    if (lastContent->end == lastContent->contentEnd) out.append(eol);
    appendLine(keyName, "=", newValue);
    out.append(text.substr(lastContent->end));
  } else {
    out.reserve(text.size() + section.size() + newValue.size() + keyName.size() + 8);
    out.append(text);
    const char last = text.size() > bodyStart ? text.back() : '\n';
    if (last != '\n' && last != '\r') out.append(eol);
    appendLine("[", section, "]");
    appendLine(keyName, "=", newValue);
  }

  if (f.state == LoadState::Loaded && out == text) return true;
  return ReplaceFile(*target, out, f.state == LoadState::Loaded ? &f.st : nullptr);
}

}  // namespace platform
