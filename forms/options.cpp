#include "forms/options.h"

#include <QKeyEvent>
#include <algorithm>
#include <initializer_list>
#include <iterator>

#include "forms/main.h"
#include "settings/EasyINI.h"
#include "toolkit/Application.h"
#include "toolkit/Graphics.h"
#include "toolkit/Resources.h"
#include "toolkit/Timer.h"

namespace {

using tk::Make;

tk::TCheckBox* CheckBox(QWidget* page, const char* name, int left, int top, int width, int height,
                        const char* caption, bool checked) {
  auto* cb = Make<tk::TCheckBox>(page, name, left, top, width, height);
  cb->SetCaption(QString::fromLatin1(caption));
  cb->SetChecked(checked);
  return cb;
}

TCDKRotate3DLabel* Heading(QWidget* page, const char* name, int width, const char* caption) {
  auto* l = Make<TCDKRotate3DLabel>(page, name, 11, 10, width, 17);
  l->SetRotation(0);
  l->SetShadowStyle(ssRaised);
  l->SetCaption(QString::fromLatin1(caption));
  l->setFont(tk::MakeFont(QStringLiteral("MS Sans Serif"), 10, true));
  l->SetFontColor(tk::clBlack);
  return l;
}

// A label of fixed size whose text is narrowed to its designed width where the
// face that stands in for Arial runs wider, so it never reaches the control
// beside it.
tk::TLabel* ArialLabel(QWidget* parent, const char* name, int left, int top, int width, int height,
                       const char* caption) {
  auto* l = Make<tk::TLabel>(parent, name, left, top, width, height);
  l->SetAutoSize(false);
  l->SetCaption(QString::fromLatin1(caption));
  l->setFont(tk::FitFontToWidth(tk::MakeFont(QStringLiteral("Arial"), 8), l->Caption(), width));
  l->SetFontColor(tk::clBlack);
  return l;
}

tk::TSpinEdit* SpinEdit(QWidget* parent, const char* name, int left, int top, int min, int max,
                        int value) {
  auto* e = Make<tk::TSpinEdit>(parent, name, left, top, 57, 22);
  e->SetMinValue(min);
  e->SetMaxValue(max);
  e->SetValue(value);
  return e;
}

TCDKPathEditor* PathEditor(QWidget* parent, const char* name, int top, const char* title) {
  auto* e = Make<TCDKPathEditor>(parent, name, 25, top, 145, 23);
  e->SetStyle(_SelectFile);
  e->SetTitle(QString::fromLatin1(title));
  e->SetFilter(QStringLiteral("Wave Files|*.wav"));
  e->SetFilterIndex(1);
  e->SetDefaultExt(QStringLiteral("WAV"));
  e->SetFileName(QStringLiteral("*.wav"));
  e->SetOptions({});
  e->SetSmartShowBrowseButton(false);
  e->SetMaxLength(0);
  return e;
}

std::string PathText(const TCDKPathEditor* e) { return e->Text().toLatin1().toStdString(); }
void SetPathText(TCDKPathEditor* e, const std::string& text) { e->SetText(QString::fromLatin1(text)); }

tk::TBevel* PageBevel(QWidget* page, const char* name) { return Make<tk::TBevel>(page, name, 9, 30, 186, 97); }

int InRange(const tk::TSpinEdit* e) { return std::clamp(e->Value(), e->MinValue(), e->MaxValue()); }

}  // namespace

TfrmOptions::TfrmOptions(QWidget* owner) : tk::TForm(owner) {
  setObjectName(QStringLiteral("frmOptions"));
  // Built as if read from its stored layout: properties first, Loaded() after.
  tk::LoadingScope loading;
  SetCaption(QStringLiteral("Options"));
  SetBorderStyle(tk::TBorderStyle::bsDialogSystemMenu);
  SetClientSize(248, 181);
  SetPositionScreenCenter(true);
  setFont(tk::MakeFont(QStringLiteral("MS Sans Serif"), 8));

  notebook = Make<TcsNotebook>(this, "notebook", 2, 3, 244, 142);
  notebook->SetTabOrientation(toLeft);
  notebook->SetTabsPerRow(4);
  notebook->SetTabHeight(35);
  notebook->SetSidewaysText(true);
  notebook->SetTextAlignment(taInvisible);
  notebook->SetBitmapAlignment(baCentreMiddle);
  notebook->SetCornerSize(3);
  notebook->SetTabFont(tk::MakeFont(QStringLiteral("Arial"), 8));
  notebook->SetParentTabFont(false);

  auto page = [this](const char* caption, const char* bitmap) {
    auto* p = new TcsPage(notebook);
    p->setObjectName(QString::fromLatin1(caption));
    p->SetCaption(QString::fromLatin1(caption));
    p->SetBitmap(tk::LoadResourceBitmap(QString::fromLatin1(bitmap)));
    return p;
  };
  TcsPage* hiding = page("Hiding", "OPT_HIDING");
  TcsPage* sound = page("Sound", "OPT_SOUND");
  TcsPage* movement = page("Movement", "OPT_MOVEMENT");
  TcsPage* general = page("General", "OPT_GENERAL");
  notebook->SetPageIndex(0);

  // ---- Hiding
  CDKRotate3DLabel1 = Heading(hiding, "CDKRotate3DLabel1", 104, "Hiding Options");
  Bevel1 = PageBevel(hiding, "Bevel1");
  cbHideDelphi = CheckBox(hiding, "cbHideDelphi", 21, 40, 129, 17, "AutoHide Delphi?", false);
  cbHideInspector = CheckBox(hiding, "cbHideInspector", 21, 64, 161, 17, "AutoHide Object Inspector?", false);
  cbHideInspector->SetOnClick([this](QObject*) { cbHideInspectorClick(); });
  rgSide = Make<tk::TRadioGroup>(hiding, "rgSide", 68, 86, 115, 32);
  rgSide->SetCaption(QStringLiteral("Which Side?"));
  rgSide->SetColumns(2);
  rgSide->SetItems({QStringLiteral("Left"), QStringLiteral("Right")});
  rgSide->SetItemIndex(1);
  rgSide->setVisible(false);

  // ---- Sound
  CDKRotate3DLabel2 = Heading(sound, "CDKRotate3DLabel2", 103, "Sound Options");
  Bevel2 = PageBevel(sound, "Bevel2");
  cbUseSounds = CheckBox(sound, "cbUseSounds", 27, 43, 153, 17, "Play sounds when moving?", false);
  cbUseSounds->SetOnClick([this](QObject*) { cbUseSoundsClick(); });
  pnlFiles = Make<tk::TPanel>(sound, "pnlFiles", 14, 72, 177, 52);
  pnlFiles->SetBevelOuter(tk::TPanelBevel::bvNone);
  pnlFiles->setVisible(false);
  lblIn = Make<tk::TLabel>(pnlFiles, "lblIn", 9, 6, 0, 0);
  lblIn->SetCaption(QStringLiteral("In"));
  lblOut = Make<tk::TLabel>(pnlFiles, "lblOut", 3, 31, 0, 0);
  lblOut->SetCaption(QStringLiteral("Out"));
  editIn = PathEditor(pnlFiles, "editIn", 2, "Select file to play when moving window in");
  editOut = PathEditor(pnlFiles, "editOut", 27, "Select file to play when moving window out");

  // ---- Movement
  CDKRotate3DLabel3 = Heading(movement, "CDKRotate3DLabel3", 130, "Movement Options");
  Bevel3 = PageBevel(movement, "Bevel3");
  cbAnimate = CheckBox(movement, "cbAnimate", 49, 55, 105, 17, "Animate Moves?", true);
  cbAnimate->SetOnClick([this](QObject*) { cbAnimateClick(); });
  pnlAniOptions = Make<tk::TPanel>(movement, "pnlAniOptions", 15, 83, 173, 28);
  pnlAniOptions->SetBevelOuter(tk::TPanelBevel::bvNone);
  editAniCount = SpinEdit(pnlAniOptions, "editAniCount", 2, 2, 5, 30, 5);
  Label1 = ArialLabel(pnlAniOptions, "Label1", 64, 5, 113, 14, "Animation Sequences");

  // ---- General
  CDKRotate3DLabel4 = Heading(general, "CDKRotate3DLabel4", 114, "General Options");
  Bevel4 = PageBevel(general, "Bevel4");
  Label2 = ArialLabel(general, "Label2", 14, 37, 114, 14, "Open Delay Time (MS)");
  editDelay = SpinEdit(general, "editDelay", 132, 34, 0, 1000, 200);
  cbAutoStart = CheckBox(general, "cbAutoStart", 21, 60, 153, 17, "Auto-start when loading?", false);
  cbDisable = CheckBox(general, "cbDisable", 21, 77, 161, 17, "Disable when losing focus?", true);
  Label3 = ArialLabel(general, "Label3", 14, 102, 114, 14, "Hiding Window Hangout");
  editHang = SpinEdit(general, "editHang", 132, 99, 2, 10, 5);

  // ---- buttons
  btnClose = Make<tk::TBitBtn>(this, "btnClose", 44, 149, 75, 28);
  btnClose->SetCaption(QStringLiteral("&Accept"));
  btnClose->SetGlyph(tk::LoadResourceBitmap(QStringLiteral("OPT_ACCEPT")), 2);
  connect(btnClose, &QPushButton::clicked, this, [this] { btnCloseClick(); });
  SetDefaultButton(btnClose);

  btnHelp = Make<tk::TBitBtn>(this, "btnHelp", 129, 149, 75, 28);
  btnHelp->SetKind(tk::TBitBtnKind::bkHelp);
  connect(btnHelp, &QPushButton::clicked, this, [this] { btnHelpClick(); });

  // Tab: the notebook, the pages' controls in their order (those of hidden
  // pages are passed over, so only the shown page's are reached), Accept, Help.
  const std::initializer_list<QWidget*> tabOrder = {
      notebook,     cbHideDelphi, cbHideInspector, rgSide,   cbUseSounds, editIn,   editOut, cbAnimate,
      editAniCount, editDelay,    cbAutoStart,     cbDisable, editHang,   btnClose, btnHelp};
  for (auto it = tabOrder.begin(); std::next(it) != tabOrder.end(); ++it) setTabOrder(*it, *std::next(it));
  SetActiveControl(notebook);
}

void TfrmOptions::FormShow() {
  const TSettings& s = Settings;
  cbHideInspector->SetChecked(s.HideInspector);
  rgSide->SetItemIndex(s.InspectorSide);
  cbHideDelphi->SetChecked(s.HideMainWindow);
  cbAnimate->SetChecked(s.AnimateMoves == 1);
  cbUseSounds->SetChecked(s.PlaySounds);
  cbAutoStart->SetChecked(s.AutoStart);
  cbDisable->SetChecked(s.DisableOnFocusLoss);
  SetPathText(editIn, s.MoveInSound);
  SetPathText(editOut, s.MoveOutSound);
  m_shownIn = editIn->Text();
  m_shownOut = editOut->Text();
  editAniCount->SetValue(s.AnimationSteps);
  // The open delay lives in the control panel's wait timer.
  if (frmMain) editDelay->SetValue(frmMain->timerWait->Interval());
  editHang->SetValue(s.HangOutPixels);
}

void TfrmOptions::cbHideInspectorClick() { rgSide->setVisible(cbHideInspector->Checked()); }

void TfrmOptions::cbUseSoundsClick() { pnlFiles->setVisible(cbUseSounds->Checked()); }

void TfrmOptions::cbAnimateClick() { pnlAniOptions->setVisible(cbAnimate->Checked()); }

void TfrmOptions::btnCloseClick() {
  // Accept can be pressed without leaving a spin edit (by its accelerator):
  // the field is brought to the value that is saved, so what stays on screen
  // is what the file holds.
  for (tk::TSpinEdit* e : {editAniCount, editDelay, editHang}) e->SetValue(InRange(e));
  SaveSettings(*this);
  if (IsModal())
    SetModalResult(tk::mrOk);
  else
    Close();
}

void TfrmOptions::btnHelpClick() {
  if (const char* topic = PageHelpTopic(notebook->PageIndex())) tk::Application().HelpJump(topic);
}

TOptionValues TfrmOptions::ControlValues() const {
  TOptionValues v;
  v.HideInspector = cbHideInspector->Checked();
  v.Side = rgSide->ItemIndex();
  v.HideMainWindow = cbHideDelphi->Checked();
  v.Animate = cbAnimate->Checked();
  v.PlaySounds = cbUseSounds->Checked();
  v.DisableOnFocusLoss = cbDisable->Checked();
  v.MoveOutSound = PathText(editOut);
  v.MoveInSound = PathText(editIn);
  // A value typed past the range would otherwise reach the file: a strip of 0
  // pixels, for one, would leave a hidden window no way back.
  v.AnimationSteps = InRange(editAniCount);
  v.OpenDelay = InRange(editDelay);
  v.HangOutPixels = InRange(editHang);
  v.AutoStart = cbAutoStart->Checked();
  return v;
}

void TfrmOptions::keyPressEvent(QKeyEvent* e) {
  // The window system's close keystroke, which no window manager delivers on
  // a bare screen.
  if (e->key() == Qt::Key_F4 && e->modifiers() == Qt::AltModifier) {
    Close();
    return;
  }
  tk::TForm::keyPressEvent(e);
}

const char* PageHelpTopic(int pageIndex) {
  static const char* const topics[] = {"Hidden_Button", "Sound_Button", "Movement_Button", "General_Button"};
  if (pageIndex < 0 || pageIndex >= 4) return nullptr;
  return topics[pageIndex];
}

bool TfrmOptions::PathUnchanged(const TCDKPathEditor* editor) const {
  const std::optional<QString>* shown = editor == editIn ? &m_shownIn : editor == editOut ? &m_shownOut : nullptr;
  return shown && *shown && **shown == editor->Text();
}

void SaveSettings(const TfrmOptions& dialog) {
  if (!frmMain) return;
  TOptionValues v = dialog.ControlValues();
  // Stored paths are read back at most 255 characters long: writing back one
  // the user never touched could cut it, and the file would name another file.
  v.KeepStoredMoveOutSound = dialog.PathUnchanged(dialog.editOut);
  v.KeepStoredMoveInSound = dialog.PathUnchanged(dialog.editIn);
  SaveSettingsFrom(v, *frmMain->ini);
}
