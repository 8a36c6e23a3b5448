#include "engine/Geometry.h"

#include "settings/Settings.h"

platform::HWND MainWindow = 0;
platform::HWND InspectorWindow = 0;
THideGeometry HideGeometry;
THideRanges HideRanges;

THideGeometry ComputeHideRects(const Rect& mainHome, const Rect& inspectorHome, std::int32_t screenWidth,
                               std::int32_t fullHeight, std::uint8_t inspectorSide,
                               std::uint8_t hangOutPixels) {
  THideGeometry g;
  const std::int32_t hang = hangOutPixels;
  const std::int32_t cx = screenWidth;
  const std::int32_t cy = fullHeight;

  g.MainHomeRect = mainHome;
  const std::int32_t h = Extent16(mainHome.top, mainHome.bottom);
  g.MainShownRect = Rect{0, 0, cx, h};
  // Pushed up until only its bottom `hang` rows remain on the screen.
  g.MainHiddenRect = Rect{0, hang - h, cx, hang};

  g.InspectorHomeRect = inspectorHome;
  const std::int32_t w = Extent16(inspectorHome.left, inspectorHome.right);
  if (inspectorSide == 1) {
    g.InspectorShownRect = Rect{cx - w, 0, cx, cy};
    g.InspectorHiddenRect = Rect{cx - hang, 0, cx - hang + w, cy};
  } else {
    g.InspectorShownRect = Rect{0, 0, w, cy};
    g.InspectorHiddenRect = Rect{hang - w, 0, hang, cy};
  }
  return g;
}

void ComputeHideGeometry() {
  // GetWindowRect leaves the rectangle alone for a lost window, so a lost
  // window keeps the home it had.
  Rect mainHome = HideGeometry.MainHomeRect;
  platform::GetWindowRect(MainWindow, mainHome);
  Rect inspectorHome = HideGeometry.InspectorHomeRect;
  platform::GetWindowRect(InspectorWindow, inspectorHome);
  const std::int32_t cx = platform::GetSystemMetrics(platform::SM_CXSCREEN);
  const std::int32_t cy =
      platform::GetSystemMetrics(platform::SM_CYFULLSCREEN) + platform::GetSystemMetrics(platform::SM_CYCAPTION);
  HideGeometry = ComputeHideRects(mainHome, inspectorHome, cx, cy, Settings.InspectorSide, Settings.HangOutPixels);
}

void RefindWindows() {
  if (HideGeometry.InspectorShownRect.IsZero()) {
    InspectorWindow = platform::FindWindow(InspectorClass, InspectorTitle);
    ComputeHideGeometry();
  }
  if (HideGeometry.MainShownRect.IsZero()) {
    MainWindow = platform::FindWindow(MainWindowClass, nullptr);
    ComputeHideGeometry();
  }
}
