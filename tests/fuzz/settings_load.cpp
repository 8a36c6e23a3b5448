// Any bytes as Edgetuck.ini: a settings load never fails, leaves every field
// within its corrected range, and gives what twelve separate reads of the same
// file give.
#include <cstdio>
#include <cstdlib>

#include "platform/Profile.h"
#include "settings/EasyINI.h"
#include "settings/Settings.h"
#include "tests/fuzz/FuzzFiles.h"
#include "toolkit/Timer.h"

namespace {

void Require(bool ok, const char* what) {
  if (ok) return;
  std::fprintf(stderr, "settings load: %s\n", what);
  std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string path =
      fuzzfiles::Put("Edgetuck.ini", std::string(reinterpret_cast<const char*>(data), size));
  static TIniEditor* ini = [&] {
    auto* editor = new TIniEditor;
    editor->SetFileName(path);
    editor->SetFileLocation(PathInFileName);
    return editor;
  }();
  static tk::TTimer* timer = new tk::TTimer;
  timer->SetEnabled(false);
  Settings = TSettings{};
  LoadSettingsFrom(*ini, *timer);

  const TSettings& s = Settings;
  Require(s.AnimationSteps >= 2 && s.AnimationSteps <= 30, "steps out of range");
  Require(timer->Interval() <= 1000, "delay out of range");
  Require(s.AnimateMoves <= 1, "animate flag not 0 or 1");
  Require(s.MoveInSound.size() <= TIniEditor::MaxTextLength, "sound path too long");

  // One look at the file gives what separate reads give.
  TIniEditor single;
  single.SetFileName(path);
  single.SetFileLocation(PathInFileName);
  const std::string_view sec = IniLayout::Section;
  Require(s.MoveInSound == single.ReadStr(sec, IniLayout::MoveInSound, ""), "MoveInSound");
  Require(s.MoveOutSound == single.ReadStr(sec, IniLayout::MoveOutSound, ""), "MoveOutSound");
  Require(s.HideInspector == single.ReadBool(sec, IniLayout::HideInspector, false), "HideInspector");
  Require(s.DisableOnFocusLoss == single.ReadBool(sec, IniLayout::DisableOnFocusLoss, true),
          "DisableOnFocusLoss");
  Require(s.HangOutPixels ==
              static_cast<std::uint8_t>(single.ReadInt(sec, IniLayout::HangOutPixels, 5) & 0xFF),
          "HangOutPixels");
  return 0;
}
