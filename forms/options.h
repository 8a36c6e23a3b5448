// TfrmOptions: the modal options dialog, captioned "Options".
//
// Every option of Settings on the four side-tabbed pages of a notebook:
// Hiding, Sound, Movement and General.  Showing the dialog sets the controls
// from Settings (and the open delay from the control panel's wait timer);
// Accept (btnClose, also Return) writes the twelve control values to the INI
// file through the control panel's `ini` and closes the dialog; the close box
// or Alt+F4 closes it without saving.  Escape does nothing.  The dialog never
// changes Settings itself: its creator reloads them after it closes.
//
// Tab runs from the notebook through the shown page's controls in their order
// to Accept and Help.  A number typed into a spin edit past its range is held
// to the range when Accept saves it, and the field then shows the saved value.
//
// Three controls show only while their check box is checked: rgSide with
// cbHideInspector, pnlFiles (both sound paths) with cbUseSounds, and
// pnlAniOptions (the step count) with cbAnimate.  Hidden controls keep their
// values and are saved all the same.
//
// Layout (client 248 x 181; page controls relative to their page):
//   notebook 2,3,244,142 (tabs on the left, 35 deep, pictures only)
//   btnClose 44,149,75,28 "&Accept"   btnHelp 129,149,75,28 "&Help"
//   every page: heading at 11,10 and Bevel<n> 9,30,186,97
//   Hiding:   cbHideDelphi 21,40,129,17  cbHideInspector 21,64,161,17
//             rgSide 68,86,115,32 ("Left", "Right" in two columns)
//   Sound:    cbUseSounds 27,43,153,17   pnlFiles 14,72,177,52 holding
//             lblIn 9,6  lblOut 3,31  editIn 25,2,145,23  editOut 25,27,145,23
//   Movement: cbAnimate 49,55,105,17     pnlAniOptions 15,83,173,28 holding
//             editAniCount 2,2,57,22 (5..30)  Label1 64,5,113,14
//   General:  Label2 14,37  editDelay 132,34,57,22 (0..1000)
//             cbAutoStart 21,60,153,17  cbDisable 21,77,161,17
//             Label3 14,102  editHang 132,99,57,22 (2..10)
#pragma once

#include <optional>

#include "controls/CDKPathE.h"
#include "controls/CDKRotat.h"
#include "notebook/CSNoteBk.h"
#include "settings/Settings.h"
#include "toolkit/Buttons.h"
#include "toolkit/Form.h"
#include "toolkit/StdCtrls.h"

class TIniEditor;

class TfrmOptions : public tk::TForm {
  Q_OBJECT
public:
  // owner: the window the dialog belongs to; nullptr means the application's.
  explicit TfrmOptions(QWidget* owner = nullptr);

  TcsNotebook* notebook;
  tk::TBitBtn* btnClose;
  tk::TBitBtn* btnHelp;

  // Page 0, Hiding.
  TCDKRotate3DLabel* CDKRotate3DLabel1;
  tk::TBevel* Bevel1;
  tk::TCheckBox* cbHideDelphi;
  tk::TCheckBox* cbHideInspector;
  tk::TRadioGroup* rgSide;

  // Page 1, Sound.
  TCDKRotate3DLabel* CDKRotate3DLabel2;
  tk::TBevel* Bevel2;
  tk::TCheckBox* cbUseSounds;
  tk::TPanel* pnlFiles;
  tk::TLabel* lblIn;
  tk::TLabel* lblOut;
  TCDKPathEditor* editIn;
  TCDKPathEditor* editOut;

  // Page 2, Movement.
  TCDKRotate3DLabel* CDKRotate3DLabel3;
  tk::TBevel* Bevel3;
  tk::TCheckBox* cbAnimate;
  tk::TPanel* pnlAniOptions;
  tk::TSpinEdit* editAniCount;
  tk::TLabel* Label1;

  // Page 3, General.
  TCDKRotate3DLabel* CDKRotate3DLabel4;
  tk::TBevel* Bevel4;
  tk::TLabel* Label2;
  tk::TSpinEdit* editDelay;
  tk::TCheckBox* cbAutoStart;
  tk::TCheckBox* cbDisable;
  tk::TLabel* Label3;
  tk::TSpinEdit* editHang;

  void cbHideInspectorClick();
  void cbUseSoundsClick();
  void cbAnimateClick();
  // Accept: saves, then closes the dialog.
  void btnCloseClick();
  // Opens the help at the current page's topic (see PageHelpTopic).
  void btnHelpClick();

  // The values Accept saves.  A spin edit's number is held within its range
  // here, so a value typed past the range and accepted with Return before the
  // field was left is saved as the nearest end of the range.
  TOptionValues ControlValues() const;

  // Sets the controls from Settings, in the order cbHideInspector, rgSide,
  // cbHideDelphi, cbAnimate, cbUseSounds, cbAutoStart, cbDisable, editIn,
  // editOut, editAniCount, editDelay, editHang.  Runs when the dialog is shown.
  void FormShow() override;

  // True when the sound path editor holds the text the dialog showed in it:
  // the user left it alone (or typed it back), so Accept leaves the stored
  // text in the file, which may be longer than what a read brought back.
  bool PathUnchanged(const TCDKPathEditor* editor) const;

protected:
  void keyPressEvent(QKeyEvent* e) override;

private:
  // The sound paths as FormShow put them in their editors; empty optionals
  // until the dialog has been shown.
  std::optional<QString> m_shownIn;
  std::optional<QString> m_shownOut;
};

// The help topic of a notebook page index; nullptr for an index that is no page.
const char* PageHelpTopic(int pageIndex);

// Accept's save: the dialog's twelve values through the control panel's `ini`
// (nothing happens without a control panel), except a sound path the user did
// not change, whose stored text stays as it is.
void SaveSettings(const TfrmOptions& dialog);
