#include "bridge/HomePlaces.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <sstream>

namespace bridge {
namespace {

const char* RoleName(IdeRole r) { return r == IdeRole::Main ? "main" : "inspector"; }

std::string Escape(const std::string& s) {
  std::string out;
  for (char c : s) {
    if (c == '%')
      out += "%25";
    else if (c == ' ')
      out += "%20";
    else if (c == '\t')
      out += "%09";
    else if (c == '\n' || c == '\r')
      continue;  // profile names never hold line breaks; a stray one must not split the line
    else
      out += c;
  }
  return out;
}

std::string Unescape(const std::string& s) {
  std::string out;
  for (std::size_t i = 0; i < s.size(); ++i) {
    if (s[i] == '%' && i + 2 < s.size() && std::isxdigit(static_cast<unsigned char>(s[i + 1])) &&
        std::isxdigit(static_cast<unsigned char>(s[i + 2]))) {
      out += static_cast<char>(std::stoi(s.substr(i + 1, 2), nullptr, 16));
      i += 2;
      continue;
    }
    out += s[i];
  }
  return out;
}

}  // namespace

bool HomeBook::Moved(const std::string& profile, IdeRole role, const std::optional<platform::Rect>& before,
                     const platform::Rect& target) {
  const Key key{profile, role};
  auto it = m_notes.find(key);
  if (it == m_notes.end()) {
    if (!before || *before == target) return false;
    m_notes.emplace(key, AwayNote{*before, target});
    return true;
  }
  if (target == it->second.home) {
    m_notes.erase(it);
    return true;
  }
  if (it->second.away == target) return false;
  it->second.away = target;
  return true;
}

std::optional<AwayNote> HomeBook::Note(const std::string& profile, IdeRole role) const {
  auto it = m_notes.find(Key{profile, role});
  if (it == m_notes.end()) return std::nullopt;
  return it->second;
}

void HomeBook::Forget(const std::string& profile, IdeRole role) { m_notes.erase(Key{profile, role}); }

std::string HomeBook::Serialize() const {
  std::ostringstream out;
  out << "# edgetucker-bridge: home places of IDE windows that were away from home\n";
  for (const auto& [key, note] : m_notes) {
    out << Escape(key.first) << ' ' << RoleName(key.second);
    for (const platform::Rect& r : {note.home, note.away})
      out << ' ' << r.left << ' ' << r.top << ' ' << r.right << ' ' << r.bottom;
    out << '\n';
  }
  return out.str();
}

void HomeBook::Parse(const std::string& text) {
  m_notes.clear();
  std::istringstream in(text);
  std::string line;
  while (std::getline(in, line)) {
    if (line.empty() || line[0] == '#') continue;
    std::istringstream fields(line);
    std::string profile, role;
    AwayNote note;
    if (!(fields >> profile >> role)) continue;
    if (!(fields >> note.home.left >> note.home.top >> note.home.right >> note.home.bottom)) continue;
    if (!(fields >> note.away.left >> note.away.top >> note.away.right >> note.away.bottom)) continue;
    std::string extra;
    if (fields >> extra) continue;
    // A home that is no rectangle would send the window nowhere sensible.
    if (note.home.Width() <= 0 || note.home.Height() <= 0) continue;
    IdeRole r;
    if (role == "main")
      r = IdeRole::Main;
    else if (role == "inspector")
      r = IdeRole::Inspector;
    else
      continue;
    m_notes.emplace(Key{Unescape(profile), r}, note);
  }
}

bool StandsAway(const platform::Rect& frame, const AwayNote& note) {
  // One axis: the corner's coordinate `at` against the away place's, with the
  // home place's to tell the axis the window hid along.
  const auto near = [](std::int64_t at, std::int64_t away, std::int64_t home, std::int64_t size) {
    const std::int64_t tolerance = std::max<std::int64_t>(8, size / 8);
    const std::int64_t off = at - away, homeward = home - away;
    if (std::abs(off) <= tolerance) return true;
    if (std::abs(homeward) <= tolerance) return false;  // not the axis it hid along
    // Kept partly on the screen: toward home, by half the window at most.
    return (off > 0) == (homeward > 0) && std::abs(off) <= size / 2;
  };
  return near(frame.left, note.away.left, note.home.left, note.away.Width()) &&
         near(frame.top, note.away.top, note.home.top, note.away.Height());
}

std::string DefaultStatePath() {
  std::string base;
  if (const char* x = std::getenv("XDG_STATE_HOME"); x && *x)
    base = x;
  else
    base = std::string(std::getenv("HOME") ? std::getenv("HOME") : "") + "/.local/state";
  return base + "/edgetucker/bridge.state";
}

HomeBook LoadHomeBook(const std::string& path) {
  HomeBook book;
  QFile f(QString::fromLocal8Bit(path.c_str()));
  // A state file is a few lines; anything far larger is not ours.
  if (f.size() > 64 * 1024 || !f.open(QIODevice::ReadOnly)) return book;
  book.Parse(f.readAll().toStdString());
  return book;
}

bool SaveHomeBook(const HomeBook& book, const std::string& path) {
  const QString file = QString::fromLocal8Bit(path.c_str());
  QDir().mkpath(QFileInfo(file).absolutePath());
  QSaveFile out(file);
  if (!out.open(QIODevice::WriteOnly)) return false;
  const std::string text = book.Serialize();
  if (out.write(text.data(), static_cast<qint64>(text.size())) != static_cast<qint64>(text.size())) {
    out.cancelWriting();
    return false;
  }
  return out.commit();
}

}  // namespace bridge
