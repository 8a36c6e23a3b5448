#include "bridge/IdeProfile.h"

#include <algorithm>
#include <cctype>

#include "platform/Profile.h"
#include "platform/Windows.h"

namespace bridge {
namespace {

// For every i in 0..text.size(): does the pattern match text[0, i)?  A state
// simulation over pattern positions, one step per text byte, so the cost is
// bounded by pattern x text whatever the pattern holds.
std::vector<bool> PrefixMatches(std::string_view pattern, std::string_view text) {
  const std::size_t m = pattern.size();
  std::vector<bool> states(m + 1, false);
  std::vector<bool> next(m + 1, false);
  auto close = [&](std::vector<bool>& s) {
    // A star may match nothing: being before it means being after it too.
    for (std::size_t k = 0; k < m; ++k)
      if (s[k] && pattern[k] == '*') s[k + 1] = true;
  };
  states[0] = true;
  close(states);
  std::vector<bool> out(text.size() + 1, false);
  out[0] = states[m];
  for (std::size_t i = 0; i < text.size(); ++i) {
    std::fill(next.begin(), next.end(), false);
    bool any = false;
    for (std::size_t k = 0; k < m; ++k) {
      if (!states[k]) continue;
      const char p = pattern[k];
      if (p == '*') {
        next[k] = true;
        any = true;
      } else if (p == '?' || p == text[i]) {
        next[k + 1] = true;
        any = true;
      }
    }
    if (!any) break;  // nothing can match any longer prefix
    close(next);
    states.swap(next);
    out[i + 1] = states[m];
  }
  return out;
}

std::string Reversed(std::string_view s) { return std::string(s.rbegin(), s.rend()); }

std::string Trim(std::string_view s) {
  std::size_t b = 0, e = s.size();
  while (b < e && std::isspace(static_cast<unsigned char>(s[b]))) ++b;
  while (e > b && std::isspace(static_cast<unsigned char>(s[e - 1]))) --e;
  return std::string(s.substr(b, e - b));
}

bool EqualNoCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
         });
}

std::vector<std::string> SplitList(std::string_view list) {
  std::vector<std::string> out;
  std::size_t start = 0;
  while (start <= list.size()) {
    const std::size_t comma = list.find(',', start);
    const std::size_t end = comma == std::string_view::npos ? list.size() : comma;
    std::string item = Trim(list.substr(start, end - start));
    if (!item.empty()) out.push_back(std::move(item));
    if (comma == std::string_view::npos) break;
    start = comma + 1;
  }
  return out;
}

}  // namespace

bool GlobMatch(std::string_view pattern, std::string_view text) {
  if (pattern.size() > kMaxPatternChars || text.size() > kMaxTitleChars) return false;
  return PrefixMatches(pattern, text).back();
}

namespace {

std::optional<std::string> ParseOne(std::string_view projectPattern, std::string_view title) {
  const std::size_t at = projectPattern.find(kProjectPlaceholder);
  if (at == std::string_view::npos) return std::nullopt;
  if (projectPattern.find(kProjectPlaceholder, at + 1) != std::string_view::npos) return std::nullopt;
  const std::string_view before = projectPattern.substr(0, at);
  const std::string_view after = projectPattern.substr(at + kProjectPlaceholder.size());

  const std::vector<bool> headEnds = PrefixMatches(before, title);
  // The text after the name: where may it start?  Match the reversed tail
  // against the reversed title: tailLengths[k] says the tail matches the last k bytes.
  const std::vector<bool> tailLengths = PrefixMatches(Reversed(after), Reversed(title));
  const std::size_t n = title.size();
  for (std::size_t i = 0; i <= n; ++i) {
    if (!headEnds[i]) continue;
    // The shortest head; then the longest name that leaves a matching tail.
    for (std::size_t k = 0; k <= n - i; ++k) {
      if (!tailLengths[k]) continue;
      std::string name = Trim(title.substr(i, n - k - i));
      if (name.empty()) return std::nullopt;
      return name;
    }
    return std::nullopt;  // no tail fits after the shortest head: no longer head does either
  }
  return std::nullopt;
}

}  // namespace

std::optional<std::string> ParseProjectName(std::string_view projectPattern, std::string_view title) {
  if (projectPattern.size() > kMaxPatternChars || title.size() > kMaxTitleChars) return std::nullopt;
  std::size_t start = 0;
  for (;;) {
    const std::size_t bar = projectPattern.find('|', start);
    const std::string_view one =
        projectPattern.substr(start, bar == std::string_view::npos ? std::string_view::npos : bar - start);
    if (std::optional<std::string> name = ParseOne(one, title)) return name;
    if (bar == std::string_view::npos) return std::nullopt;
    start = bar + 1;
  }
}

bool ClassMatches(const WindowRule& rule, const platform::WindowIdentity& id) {
  if (!rule.instance.empty() && rule.instance != id.instance) return false;
  if (!rule.cls.empty() && rule.cls != id.cls) return false;
  return true;
}

bool Matches(const WindowRule& rule, const platform::WindowIdentity& id) {
  if (!ClassMatches(rule, id)) return false;
  if (!rule.title.empty() && !GlobMatch(rule.title, id.title)) return false;
  return true;
}

std::vector<IdeProfile> BuiltInProfiles() {
  IdeProfile lazarus;
  lazarus.name = "Lazarus";
  lazarus.main = WindowRule{"lazarus", "Lazarus", "Lazarus IDE v*"};  // its message boxes are "Lazarus IDE"
  lazarus.inspector = WindowRule{"lazarus", "Lazarus", "Object Inspector"};
  // While it compiles or debugs, Lazarus adds " (compiling ...)" and the like.
  lazarus.projectTitle = "Lazarus IDE v* - {project} (*...)|Lazarus IDE v* - {project}";
  return {lazarus};
}

std::string DefaultProfilesPath() { return platform::GetWindowsDirectory() + "/" + kProfilesFileName; }

std::vector<IdeProfile> LoadProfiles(const std::string& path, std::vector<std::string>* warnings) {
  auto warn = [&](std::string text) {
    if (warnings) warnings->push_back(std::move(text));
  };
  auto read = [&](const std::string& section, const char* key) {
    return Trim(platform::GetPrivateProfileString(section, key, "", path, 1024));
  };
  std::vector<IdeProfile> out;
  for (const std::string& name : SplitList(platform::GetPrivateProfileString("IDEs", "List", "", path, 4096))) {
    if (FindProfile(out, name)) {
      warn("profile \"" + name + "\" is listed twice; the first one counts");
      continue;
    }
    // A section that is missing reads as all defaults; a marker default tells it apart.
    if (platform::GetPrivateProfileString(name, "MainClass", "\x01", path) == "\x01" &&
        platform::GetPrivateProfileString(name, "MainInstance", "\x01", path) == "\x01" &&
        platform::GetPrivateProfileString(name, "MainTitle", "\x01", path) == "\x01") {
      warn("profile \"" + name + "\" has no section [" + name + "] with MainInstance, MainClass or MainTitle; left out");
      continue;
    }
    IdeProfile p;
    p.name = name;
    p.main = WindowRule{read(name, "MainInstance"), read(name, "MainClass"), read(name, "MainTitle")};
    p.inspector = WindowRule{read(name, "InspectorInstance"), read(name, "InspectorClass"), read(name, "InspectorTitle")};
    if (p.inspector.instance.empty()) p.inspector.instance = p.main.instance;
    if (p.inspector.cls.empty()) p.inspector.cls = p.main.cls;
    p.projectTitle = read(name, "ProjectTitle");
    if (p.main.instance.empty() && p.main.cls.empty() && p.main.title.empty()) {
      warn("profile \"" + name + "\" would take any window for the main window; left out");
      continue;
    }
    if (p.main.title.size() > kMaxPatternChars || p.inspector.title.size() > kMaxPatternChars ||
        p.projectTitle.size() > kMaxPatternChars) {
      warn("profile \"" + name + "\" has a pattern longer than " + std::to_string(kMaxPatternChars) +
           " characters; left out");
      continue;
    }
    if (!p.projectTitle.empty()) {
      std::size_t start = 0;
      bool good = true;
      for (;;) {
        const std::size_t bar = p.projectTitle.find('|', start);
        const std::string one = p.projectTitle.substr(start, bar == std::string::npos ? std::string::npos : bar - start);
        const std::size_t at = one.find(kProjectPlaceholder);
        good = good && at != std::string::npos && one.find(kProjectPlaceholder, at + 1) == std::string::npos;
        if (bar == std::string::npos) break;
        start = bar + 1;
      }
      if (!good)
        warn("profile \"" + name + "\": each alternative of ProjectTitle must hold {project} once; "
             "those that do not read no project");
    }
    out.push_back(std::move(p));
  }
  for (IdeProfile& builtIn : BuiltInProfiles())
    if (!FindProfile(out, builtIn.name)) out.push_back(std::move(builtIn));
  return out;
}

const IdeProfile* FindProfile(const std::vector<IdeProfile>& profiles, std::string_view name) {
  for (const IdeProfile& p : profiles)
    if (EqualNoCase(p.name, name)) return &p;
  return nullptr;
}

}  // namespace bridge
