#include "settings/Settings.h"

#include "settings/EasyINI.h"
#include "toolkit/Timer.h"

TSettings Settings;

namespace {

// Runs one read into a field; if the read throws, the field takes its fallback
// before the exception travels on.
template <typename Field, typename Read>
void Guarded(Field& field, Field fallback, Read read) {
  try {
    field = read();
  } catch (...) {
    field = fallback;
    throw;
  }
}

}  // namespace

void LoadSettingsFrom(TIniEditor& ini, tk::TTimer& timerWait) {
  namespace K = IniLayout;
  const std::string_view s = K::Section;
  TSettings& t = Settings;
  // One look at the file for all twelve keys.
  const TIniEditor::BatchRead batch(ini);

  Guarded(t.HideInspector, false, [&] { return ini.ReadBool(s, K::HideInspector, false); });
  Guarded(t.InspectorSide, std::uint8_t{1},
          [&] { return static_cast<std::uint8_t>(ini.ReadInt(s, K::Side, 1) & 0xFF); });
  Guarded(t.HideMainWindow, false, [&] { return ini.ReadBool(s, K::HideMainWindow, false); });
  Guarded(t.PlaySounds, false, [&] { return ini.ReadBool(s, K::PlaySounds, false); });
  t.MoveOutSound = ini.ReadStr(s, K::MoveOutSound, "");
  t.MoveInSound = ini.ReadStr(s, K::MoveInSound, "");
  t.HangOutPixels = static_cast<std::uint8_t>(ini.ReadInt(s, K::HangOutPixels, 5) & 0xFF);
  Guarded(t.AnimateMoves, std::uint8_t{0}, [&] {
    return static_cast<std::uint8_t>(ini.ReadBool(s, K::Animate, false) ? 1 : 0);
  });
  t.AnimationSteps = ini.ReadInt(s, K::AnimationSteps, 5);
  if (t.AnimationSteps < 2 || t.AnimationSteps > 30) t.AnimationSteps = 5;
  timerWait.SetInterval(ini.ReadInt(s, K::OpenDelay, 200));
  if (timerWait.Interval() > 1000) timerWait.SetInterval(200);
  Guarded(t.AutoStart, false, [&] { return ini.ReadBool(s, K::AutoStart, false); });
  Guarded(t.DisableOnFocusLoss, false,
          [&] { return ini.ReadBool(s, K::DisableOnFocusLoss, true); });
}

void SaveSettingsFrom(const TOptionValues& v, TIniEditor& ini) {
  namespace K = IniLayout;
  const std::string_view s = K::Section;
  ini.WriteBool(s, K::HideInspector, v.HideInspector);
  ini.WriteInt(s, K::Side, v.Side);
  ini.WriteBool(s, K::HideMainWindow, v.HideMainWindow);
  ini.WriteBool(s, K::Animate, v.Animate);
  ini.WriteBool(s, K::PlaySounds, v.PlaySounds);
  ini.WriteBool(s, K::DisableOnFocusLoss, v.DisableOnFocusLoss);
  // An empty text erases the key (see TIniEditor::WriteStr).
  if (!v.KeepStoredMoveOutSound) ini.WriteStr(s, K::MoveOutSound, v.MoveOutSound);
  if (!v.KeepStoredMoveInSound) ini.WriteStr(s, K::MoveInSound, v.MoveInSound);
  ini.WriteInt(s, K::AnimationSteps, v.AnimationSteps);
  ini.WriteInt(s, K::OpenDelay, v.OpenDelay);
  ini.WriteInt(s, K::HangOutPixels, v.HangOutPixels);
  ini.WriteBool(s, K::AutoStart, v.AutoStart);
}
