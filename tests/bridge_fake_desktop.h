// A desktop of other programs' windows for the bridge's tests: windows with an
// identity, a frame, a place in the stacking order and an owner.  Moves land
// at once, exactly where asked, unless a window is told to stick.
#pragma once

#include <algorithm>
#include <map>
#include <string>
#include <vector>

#include "platform/backend/Backend.h"

namespace bridge_test {

struct FakeWindow {
  platform::WindowIdentity id;
  platform::Rect frame;
  bool visible = true;
  platform::HWND owner = 0;
  bool sticks = false;  // ignores moves (a window manager that refuses)
};

class FakeDesktop : public platform::WindowSystem {
public:
  std::map<platform::HWND, FakeWindow> windows;
  std::vector<platform::HWND> order;  // topmost first
  std::vector<std::pair<platform::HWND, platform::Rect>> moves;
  std::vector<platform::HWND> raises;

  platform::HWND Add(platform::HWND h, platform::WindowIdentity id, platform::Rect frame) {
    windows[h] = FakeWindow{std::move(id), frame};
    order.insert(order.begin(), h);
    return h;
  }
  void Remove(platform::HWND h) {
    windows.erase(h);
    std::erase(order, h);
  }
  void SetTitle(platform::HWND h, const std::string& title) { windows.at(h).id.title = title; }

  bool Exists(platform::HWND h) const override { return windows.count(h) != 0; }
  platform::HWND Find(std::string_view cls, const char* title) const override {
    for (platform::HWND h : order) {
      const FakeWindow& w = windows.at(h);
      if (w.id.cls == cls && (!title || w.id.title == title)) return h;
    }
    return 0;
  }
  std::optional<platform::Rect> FrameRect(platform::HWND h) const override {
    auto it = windows.find(h);
    if (it == windows.end()) return std::nullopt;
    return it->second.frame;
  }
  void Move(platform::HWND h, const platform::Rect& frame) override {
    moves.emplace_back(h, frame);
    auto it = windows.find(h);
    if (it != windows.end() && !it->second.sticks) it->second.frame = frame;
  }
  void Raise(platform::HWND h) override {
    raises.push_back(h);
    if (!Exists(h)) return;
    std::erase(order, h);
    order.insert(order.begin(), h);
  }
  std::vector<platform::HWND> Stacking() const override {
    std::vector<platform::HWND> out;
    for (platform::HWND h : order)
      if (windows.at(h).visible) out.push_back(h);
    return out;
  }
  platform::HWND Owner(platform::HWND h) const override {
    auto it = windows.find(h);
    return it == windows.end() ? 0 : it->second.owner;
  }
  std::optional<platform::WindowIdentity> Identify(platform::HWND h) const override {
    auto it = windows.find(h);
    if (it == windows.end()) return std::nullopt;
    return it->second.id;
  }
};

}  // namespace bridge_test
