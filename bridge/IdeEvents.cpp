#include "bridge/IdeEvents.h"

#include <charconv>
#include <vector>

namespace bridge {

namespace {

std::string Clean(std::string s) {
  for (char& c : s)
    if (c == '\t' || c == '\n' || c == '\r') c = ' ';
  return s;
}

template <typename T>
std::optional<T> Number(std::string_view s) {
  T value{};
  const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), value);
  if (ec != std::errc() || end != s.data() + s.size() || s.empty()) return std::nullopt;
  return value;
}

}  // namespace

bool IsIdeEventCode(int code) {
  return code == kIdeProjectOpened || code == kIdeProjectClosing || code == kIdeDesktopSaving;
}

std::string FormatIdeEvent(const IdeEvent& event) {
  return "ide\t" + std::to_string(event.pid) + "\t" + std::to_string(event.code) + "\t" + Clean(event.project) +
         "\t" + Clean(event.desktop);
}

std::optional<IdeEvent> ParseIdeEvent(std::string_view line) {
  if (line.size() > kIdeEventMaxLine) return std::nullopt;
  std::vector<std::string_view> fields;
  std::size_t start = 0;
  while (true) {
    const std::size_t tab = line.find('\t', start);
    fields.push_back(line.substr(start, tab == std::string_view::npos ? std::string_view::npos : tab - start));
    if (tab == std::string_view::npos) break;
    start = tab + 1;
  }
  if (fields.size() != 5 || fields[0] != "ide") return std::nullopt;
  const std::optional<long long> pid = Number<long long>(fields[1]);
  const std::optional<int> code = Number<int>(fields[2]);
  if (!pid || *pid <= 0 || !code || !IsIdeEventCode(*code)) return std::nullopt;
  for (const std::string_view f : {fields[3], fields[4]})
    if (f.find_first_of("\n\r") != std::string_view::npos) return std::nullopt;
  IdeEvent e{*code, *pid, std::string(fields[3]), std::string(fields[4])};
  if (e.code == kIdeProjectOpened && e.project.find_first_not_of(' ') == std::string::npos) return std::nullopt;
  return e;
}

}  // namespace bridge
