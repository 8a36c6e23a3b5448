// The add-in's options: one record read by the engine and the dialogs, and the
// layout of the INI file that holds it.
//
// The record changes only through its start values (TSettings{}, given when the
// control panel is created) and through loading.  The open delay has no field:
// it is the interval of the control panel's wait timer.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

class TIniEditor;
namespace tk {
class TTimer;
}

struct TSettings {
  bool HideInspector = false;
  // Screen side of the hidden inspector: exactly 1 means right, anything else left.
  std::uint8_t InspectorSide = 0;
  bool HideMainWindow = false;
  // 1: slides are animated in AnimationSteps steps; anything else: one jump.
  std::uint8_t AnimateMoves = 0;
  std::int32_t AnimationSteps = 5;
  bool PlaySounds = false;
  // Wave files for a window sliding in (hiding) and out (revealing); may be empty.
  std::string MoveInSound;
  std::string MoveOutSound;
  // Pixels of a hidden window left on screen.
  std::uint8_t HangOutPixels = 5;
  bool AutoStart = false;
  bool DisableOnFocusLoss = true;
};

extern TSettings Settings;

// The wait timer's interval before the first load, in milliseconds.
inline constexpr int StartOpenDelay = 250;

// The INI file: its name in the Windows directory, its sections and keys.
namespace IniLayout {
inline constexpr std::string_view FileName = "Edgetuck.ini";
inline constexpr std::string_view Section = "Edgetucker";
inline constexpr std::string_view HideInspector = "mgHideInspector";
inline constexpr std::string_view Side = "mgSide";
inline constexpr std::string_view HideMainWindow = "mgHideDelphi";
inline constexpr std::string_view PlaySounds = "mgWindowSounds";
inline constexpr std::string_view MoveOutSound = "MoveOutSound";
inline constexpr std::string_view MoveInSound = "MoveInSound";
inline constexpr std::string_view HangOutPixels = "HangOutPixels";
inline constexpr std::string_view Animate = "mgAnimate";
inline constexpr std::string_view AnimationSteps = "mgAnimateSpeed";
inline constexpr std::string_view OpenDelay = "mgDelay";
inline constexpr std::string_view AutoStart = "mgUseAutoHide";
inline constexpr std::string_view DisableOnFocusLoss = "mgDisableOnFocusLoss";
// Written only by hand: moves both IDE windows to fixed places at every Start.
inline constexpr std::string_view HelpSection = "HELP";
inline constexpr std::string_view FindLostWindows = "FindLostWindows";
}  // namespace IniLayout

// Reads every key of the settings section through ini into Settings, in this
// order, each with its default for a missing file, section or key, storing each
// value as soon as it is read:
//
//   key                   field               default  after reading
//   mgHideInspector       HideInspector       false
//   mgSide                InspectorSide       1        low 8 bits (300 -> 44, -1 -> 255)
//   mgHideDelphi          HideMainWindow      false
//   mgWindowSounds        PlaySounds          false
//   MoveOutSound          MoveOutSound        empty
//   MoveInSound           MoveInSound         empty
//   HangOutPixels         HangOutPixels       5        low 8 bits
//   mgAnimate             AnimateMoves        false    stored as 1 or 0
//   mgAnimateSpeed        AnimationSteps      5        below 2 or above 30 -> 5
//   mgDelay               timerWait interval  200      above 1000 -> 200; 0 and
//                                                      negative values stay
//   mgUseAutoHide         AutoStart           false
//   mgDisableOnFocusLoss  DisableOnFocusLoss  true
//
// The file is read once per load (TIniEditor::BatchRead), so the twelve values
// come from one state of it, the state on disk when the load began.
//
// Should a Boolean read or the read of mgSide throw, its field gets its
// fallback (false, 0 for AnimateMoves, 1 for InspectorSide) and the exception
// goes on to the caller, so the fields after it keep their values.
void LoadSettingsFrom(TIniEditor& ini, tk::TTimer& timerWait);

// The control panel's LoadSettings (forms/main.h) applies this to its own INI
// component and wait timer.

// The twelve values the options dialog saves, as its controls hold them.
struct TOptionValues {
  bool HideInspector = false;
  int Side = 1;  // the selected item of the side group: 0 left, 1 right
  bool HideMainWindow = false;
  bool Animate = false;
  bool PlaySounds = false;
  bool DisableOnFocusLoss = true;
  std::string MoveOutSound;
  std::string MoveInSound;
  int AnimationSteps = 5;
  int OpenDelay = 200;
  int HangOutPixels = 5;
  bool AutoStart = false;

  bool operator==(const TOptionValues&) const = default;
};

// Writes the values to the settings section through ini, one write each, in
// this order: mgHideInspector, mgSide, mgHideDelphi, mgAnimate, mgWindowSounds,
// mgDisableOnFocusLoss, MoveOutSound, MoveInSound, mgAnimateSpeed, mgDelay,
// HangOutPixels, mgUseAutoHide.  Booleans as "True" / "False", numbers in
// decimal; an empty sound path removes its key.  Every write is on disk when it
// returns, so an interrupted save leaves the earlier writes in place.  The
// record Settings is not touched: loading brings the values in.
void SaveSettingsFrom(const TOptionValues& values, TIniEditor& ini);
