// Asks a real X server which monitors it has, the way the add-in does, and
// compares them with the layout the test set up:
//
//   test_x11_monitors_probe L,T,R,B[,primary] ...
//
// One argument per expected monitor (desktop pixels, right and bottom
// exclusive); exactly the one marked ",primary" must be Qt's primary screen.
// Both Qt's screens and platform::GetMonitors() must list the same monitors
// (in any order), each work area inside its monitor.  Prints what it saw;
// exits 0 on a match, 1 on a mismatch, 2 on bad arguments.
#include <QApplication>
#include <QScreen>
#include <algorithm>
#include <cstdio>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include "platform/Screens.h"

namespace {

using platform::Monitor;
using platform::Rect;

bool ParseMonitor(const std::string& text, Monitor& out) {
  std::istringstream in(text);
  std::string part;
  std::vector<std::string> parts;
  while (std::getline(in, part, ',')) parts.push_back(part);
  if (parts.size() != 4 && parts.size() != 5) return false;
  int v[4];
  for (int i = 0; i < 4; ++i) {
    std::size_t used = 0;
    try {
      v[i] = std::stoi(parts[i], &used);
    } catch (...) {
      return false;
    }
    if (used != parts[i].size()) return false;
  }
  if (parts.size() == 5 && parts[4] != "primary") return false;
  if (v[2] <= v[0] || v[3] <= v[1]) return false;
  out.bounds = Rect{v[0], v[1], v[2], v[3]};
  out.workArea = out.bounds;
  out.primary = parts.size() == 5;
  return true;
}

std::string Text(const Rect& r) {
  return std::to_string(r.left) + "," + std::to_string(r.top) + "," + std::to_string(r.right) + "," +
         std::to_string(r.bottom);
}

std::string Text(const Monitor& m) {
  return Text(m.bounds) + (m.primary ? ",primary" : "") + " (work area " + Text(m.workArea) + ")";
}

bool Inside(const Rect& inner, const Rect& outer) {
  return inner.left >= outer.left && inner.top >= outer.top && inner.right <= outer.right &&
         inner.bottom <= outer.bottom && inner.right > inner.left && inner.bottom > inner.top;
}

// Same bounds and primary flags, in any order; work areas within their bounds.
bool Matches(const char* who, std::vector<Monitor> seen, std::vector<Monitor> want) {
  std::cout << who << ":";
  for (const Monitor& m : seen) std::cout << "  " << Text(m);
  std::cout << std::endl;
  bool ok = seen.size() == want.size();
  const auto byPlace = [](const Monitor& a, const Monitor& b) {
    return std::pair(a.bounds.left, a.bounds.top) < std::pair(b.bounds.left, b.bounds.top);
  };
  std::sort(seen.begin(), seen.end(), byPlace);
  std::sort(want.begin(), want.end(), byPlace);
  for (std::size_t i = 0; ok && i < seen.size(); ++i)
    ok = seen[i].bounds == want[i].bounds && seen[i].primary == want[i].primary &&
         Inside(seen[i].workArea, seen[i].bounds);
  if (!ok) {
    std::cout << "FAIL " << who << ": expected";
    for (const Monitor& m : want) std::cout << "  " << Text(m.bounds) << (m.primary ? ",primary" : "");
    std::cout << std::endl;
  }
  return ok;
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<Monitor> want;
  for (int i = 1; i < argc; ++i) {
    Monitor m;
    if (!ParseMonitor(argv[i], m)) {
      std::cerr << "usage: test_x11_monitors_probe L,T,R,B[,primary] ...  (bad monitor \"" << argv[i] << "\")"
                << std::endl;
      return 2;
    }
    want.push_back(m);
  }
  if (want.empty() || std::count_if(want.begin(), want.end(), [](const Monitor& m) { return m.primary; }) != 1) {
    std::cerr << "test_x11_monitors_probe: name at least one monitor, exactly one of them primary" << std::endl;
    return 2;
  }

  QApplication app(argc, argv);
  std::vector<Monitor> qt;
  const QScreen* primary = QGuiApplication::primaryScreen();
  for (const QScreen* s : QGuiApplication::screens())
    qt.push_back(Monitor{Rect::FromQRect(s->geometry()), Rect::FromQRect(s->availableGeometry()), s == primary});
  const bool qtOk = Matches("Qt screens", qt, want);
  const bool platformOk = Matches("platform::GetMonitors", platform::GetMonitors(), want);
  return qtOk && platformOk ? 0 : 1;
}
