// The reading rules of platform/Profile.h stated once more, plainly and slowly,
// for the fuzz targets to hold the real reader and writer against.
#pragma once

#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace reference {

inline std::string Trim(std::string_view s) {
  std::size_t b = 0, e = s.size();
  while (b < e && (s[b] == ' ' || s[b] == '\t')) ++b;
  while (e > b && (s[e - 1] == ' ' || s[e - 1] == '\t')) --e;
  return std::string(s.substr(b, e - b));
}

inline std::string Lower(std::string s) {
  for (char& c : s)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return s;
}

inline std::string Unquote(const std::string& v) {
  if (v.size() >= 2 && (v[0] == '"' || v[0] == '\'') && v.back() == v[0])
    return v.substr(1, v.size() - 2);
  return v;
}

inline std::vector<std::string> Lines(std::string_view text) {
  if (text.substr(0, 3) == "\xEF\xBB\xBF") text.remove_prefix(3);
  std::vector<std::string> lines;
  std::string line;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '\n' || c == '\r') {
      lines.push_back(line);
      line.clear();
      if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
    } else {
      line += c;
    }
  }
  if (!line.empty()) lines.push_back(line);
  return lines;
}

// Every value a read can reach, keyed by lower-case section and key names:
// the first section of each name, in it the first key of each name.  Nothing
// for a file that is not read (one holding a NUL byte).
using Entries = std::map<std::pair<std::string, std::string>, std::string>;

inline Entries All(std::string_view text) {
  Entries entries;
  if (text.find('\0') != std::string_view::npos) return entries;
  std::map<std::string, bool> sectionsSeen;
  bool counting = false;  // inside the first section of its name
  std::string section;
  for (const std::string& raw : Lines(text)) {
    const std::string t = Trim(raw);
    if (t.empty() || t[0] == ';') continue;
    if (t[0] == '[') {
      const std::size_t close = t.find(']');
      if (close == std::string::npos) continue;  // neither section nor key
      section = Lower(Trim(std::string_view(t).substr(1, close - 1)));
      counting = !sectionsSeen[section];
      sectionsSeen[section] = true;
      continue;
    }
    if (!counting) continue;
    const std::size_t eq = t.find('=');
    if (eq == std::string::npos) continue;
    const std::string key = Lower(Trim(std::string_view(t).substr(0, eq)));
    entries.emplace(std::make_pair(section, key), Unquote(Trim(std::string_view(t).substr(eq + 1))));
  }
  return entries;
}

inline std::optional<std::string> Read(std::string_view text, std::string_view section,
                                       std::string_view key) {
  const Entries entries = All(text);
  const auto it = entries.find({Lower(Trim(section)), Lower(Trim(key))});
  if (it == entries.end()) return std::nullopt;
  return it->second;
}

}  // namespace reference
