#include "host/Desktop.h"

#include <charconv>
#include <fstream>
#include <sstream>

namespace host {
namespace {

constexpr int kLimit = 32767;

std::string Trim(const std::string& s) {
  const auto b = s.find_first_not_of(" \t\r\n");
  if (b == std::string::npos) return {};
  const auto e = s.find_last_not_of(" \t\r\n");
  return s.substr(b, e - b + 1);
}

bool ParseRect(const std::string& text, platform::Rect& r) {
  int v[4];
  const char* p = text.data();
  const char* end = p + text.size();
  for (int i = 0; i < 4; ++i) {
    while (p < end && *p == ' ') ++p;
    auto [next, ec] = std::from_chars(p, end, v[i]);
    if (ec != std::errc()) return false;
    p = next;
    while (p < end && *p == ' ') ++p;
    if (i < 3) {
      if (p == end || *p != ',') return false;
      ++p;
    }
  }
  if (p != end) return false;
  for (int x : v)
    if (x < -kLimit || x > kLimit) return false;
  const long w = long(v[2]) - v[0], h = long(v[3]) - v[1];
  if (w <= 0 || h <= 0 || w > kLimit || h > kLimit) return false;
  r = platform::Rect{v[0], v[1], v[2], v[3]};
  return true;
}

}  // namespace

std::string DesktopPathFor(const std::string& projectPath) {
  const auto slash = projectPath.find_last_of('/');
  const auto nameStart = slash == std::string::npos ? 0 : slash + 1;
  const auto dot = projectPath.find_last_of('.');
  // A leading dot ("/x/.hidden") names the file, it does not start an extension.
  if (dot != std::string::npos && dot > nameStart) return projectPath.substr(0, dot) + ".dsk";
  return projectPath + ".dsk";
}

DesktopLayout ParseDesktop(const std::string& text) {
  DesktopLayout layout;
  std::istringstream in(text);
  std::string line;
  bool inSection = false;
  while (std::getline(in, line)) {
    line = Trim(line);
    if (line.empty() || line[0] == ';') continue;
    if (line[0] == '[') {
      inSection = line == "[Desktop]";
      continue;
    }
    if (!inSection) continue;
    const auto eq = line.find('=');
    if (eq == std::string::npos) continue;
    const std::string key = Trim(line.substr(0, eq));
    platform::Rect r;
    if (key.empty() || !ParseRect(Trim(line.substr(eq + 1)), r)) continue;
    layout.emplace(key, r);  // first entry wins
  }
  return layout;
}

std::string FormatDesktop(const DesktopLayout& layout) {
  std::ostringstream out;
  out << "[Desktop]\n";
  for (const auto& [name, r] : layout)
    out << name << '=' << r.left << ',' << r.top << ',' << r.right << ',' << r.bottom << '\n';
  return out.str();
}

bool ReadDesktop(const std::string& path, DesktopLayout& layout) {
  layout.clear();
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  std::ostringstream text;
  text << in.rdbuf();
  if (in.bad()) return false;
  layout = ParseDesktop(text.str());
  return true;
}

bool WriteDesktop(const std::string& path, const DesktopLayout& layout) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  if (!out) return false;
  out << FormatDesktop(layout);
  out.flush();
  return bool(out);
}

}  // namespace host
