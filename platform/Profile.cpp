#include "platform/Profile.h"

#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>

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

class LineScanner {
public:
  LineScanner(std::string_view text, std::size_t start) : m_text(text), m_pos(start) {}

  bool Next(Line& line) {
    if (m_pos >= m_text.size()) return false;
    const char* base = m_text.data();
    const char* p = base + m_pos;
    const char* stop = base + m_text.size();
    while (p != stop && *p != '\n' && *p != '\r') ++p;
    line.begin = m_pos;
    line.contentEnd = static_cast<std::size_t>(p - base);
    if (p != stop) {
      if (*p == '\r' && p + 1 != stop && p[1] == '\n')
        p += 2;
      else
        ++p;
    }
    line.end = static_cast<std::size_t>(p - base);
    m_pos = line.end;
    return true;
  }

private:
  std::string_view m_text;
  std::size_t m_pos;
};

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
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    f.state = (errno == ENOENT) ? LoadState::Missing : LoadState::Refused;
    return f;
  }
  f.state = LoadState::Refused;
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
    data.remove_prefix(static_cast<std::size_t>(n));
  }
  return true;
}

std::atomic<unsigned> g_tempCounter{0};

// Writes content to a fresh file beside target and renames it over target.
// existing, when set, is the stat of the file being replaced.
bool ReplaceFile(const std::string& target, std::string_view content, const struct stat* existing) {
  const std::size_t slash = target.rfind('/');
  const std::string dir = (slash == std::string::npos) ? "." : target.substr(0, slash + 1);
  const std::string base = (slash == std::string::npos) ? target : target.substr(slash + 1);
  std::string temp;
  int fd = -1;
  for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
    temp = dir + (dir.ends_with('/') ? "" : "/") + "." + base + ".tmp-" +
           std::to_string(::getpid()) + "-" + std::to_string(g_tempCounter.fetch_add(1));
    fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0 && errno != EEXIST) return false;
  }
  if (fd < 0) return false;

  bool ok = true;
  if (existing) {
    // Ownership can only be kept by a privileged process; the mode always.
    if (::fchown(fd, existing->st_uid, existing->st_gid) != 0) { /* keep ours */ }
    ok = ::fchmod(fd, existing->st_mode & 07777) == 0;
  }
  ok = ok && WriteAll(fd, content) && ::fsync(fd) == 0;
  ok = (::close(fd) == 0) && ok;
  ok = ok && ::rename(temp.c_str(), target.c_str()) == 0;
  if (!ok) {
    ::unlink(temp.c_str());
    return false;
  }
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
  section = Trim(section);
  key = Trim(key);
  if (section.empty() || key.empty()) return Cut(defaultValue, bufferSize);
  const LoadedFile f = Load(path);
  if (f.state != LoadState::Loaded) return Cut(defaultValue, bufferSize);

  const std::string_view text(f.text);
  LineScanner scan(text, BodyStart(text));
  Line line;
  bool inSection = false;
  while (scan.Next(line)) {
    const Classified c = Classify(text.substr(line.begin, line.contentEnd - line.begin));
    if (c.kind == LineKind::Section) {
      if (inSection) break;  // only the first matching section counts
      inSection = SameName(c.name, section);
    } else if (inSection && c.kind == LineKind::Key && SameName(c.name, key)) {
      return Cut(Unquote(c.value), bufferSize);
    }
  }
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
