#include "engine/Motion.h"

#include "engine/Geometry.h"
#include "platform/Sound.h"
#include "settings/Settings.h"

namespace {

std::function<void(platform::HWND, const Rect&)>& placementObserver() {
  static std::function<void(platform::HWND, const Rect&)> observer;
  return observer;
}

bool PrepareAndSlide(platform::HWND window, const Rect& target, std::uint8_t animate, const std::string& sound,
                     bool bringToTop, const MoveProceed& proceed) {
  if (bringToTop) platform::BringWindowToTop(window);
  platform::ProcessMessages();
  if (proceed && !proceed()) return false;
  if (animate == 0)
    SlideWindow(window, target, 1, sound);
  else if (animate == 1)
    SlideWindow(window, target, static_cast<std::uint8_t>(Settings.AnimationSteps & 0xFF), sound);
  return true;
}

}  // namespace

bool MoveInspector(Rect target, std::uint8_t animate, const std::string& sound, bool bringToTop,
                   const MoveProceed& proceed) {
  if (!platform::IsWindow(InspectorWindow)) InspectorWindow = platform::FindWindow(InspectorClass, InspectorTitle);
  return PrepareAndSlide(InspectorWindow, target, animate, sound, bringToTop, proceed);
}

bool MoveMainWindow(Rect target, std::uint8_t animate, const std::string& sound, bool bringToTop,
                    const MoveProceed& proceed) {
  return PrepareAndSlide(MainWindow, target, animate, sound, bringToTop, proceed);
}

std::int32_t StepDelta(std::int32_t a, std::int32_t b, std::uint8_t n) {
  if (n == 0) return 0;
  // 64-bit differences: two far-apart 32-bit coordinates must not overflow.
  const std::int64_t d = a < b ? (std::int64_t{b} - a) / n : -((std::int64_t{a} - b) / n);
  return static_cast<std::int32_t>(d);
}

void SetPlacementObserver(std::function<void(platform::HWND, const Rect&)> observer) {
  placementObserver() = std::move(observer);
}

void PlaceWindow(platform::HWND window, const Rect& r) {
  if (placementObserver()) placementObserver()(window, r);
  platform::MoveWindow(window, r.left, r.top, r.right - r.left, r.bottom - r.top, true);
}

void SlideWindow(platform::HWND window, const Rect& target, std::uint8_t steps, const std::string& sound) {
  Rect cur;
  platform::GetWindowRect(window, cur);
  const std::int32_t dl = StepDelta(cur.left, target.left, steps);
  const std::int32_t dr = StepDelta(cur.right, target.right, steps);
  const std::int32_t dt = StepDelta(cur.top, target.top, steps);
  const std::int32_t db = StepDelta(cur.bottom, target.bottom, steps);
  if (Settings.PlaySounds && !sound.empty()) platform::sndPlaySound(sound, SlideSoundFlags);
  if (Settings.AnimateMoves == 1 && steps > 0) {
    for (unsigned i = 0; i < steps; ++i) {
      cur.left += dl;
      cur.right += dr;
      cur.top += dt;
      cur.bottom += db;
      PlaceWindow(window, cur);
    }
  }
  PlaceWindow(window, target);
}
