#include "forms/about.h"

#include <QPointer>

#include "toolkit/Application.h"
#include "toolkit/Component.h"
#include "toolkit/Graphics.h"
#include "toolkit/Resources.h"

TfrmAbout::TfrmAbout(QWidget* owner) : tk::TForm(owner) {
  setObjectName(QStringLiteral("frmAbout"));
  SetCaption(QStringLiteral("About..."));
  SetBorderStyle(tk::TBorderStyle::bsDialogSystemMenu);
  SetPositionScreenCenter(true);
  SetClientSize(379, 192);
  setFont(tk::MakeFont(QStringLiteral("MS Sans Serif"), 8));

  tk::LoadingScope scope;

  aniTop = tk::Make<TAnimated>(this, "aniTop", 0, 0, 299, 52);
  aniTop->SetInterval(50);
  aniTop->SetFrameCount(8);
  aniTop->SetFrame(0);
  aniTop->SetBitMap(tk::LoadResourceBitmap(QStringLiteral("ABOUT_TOP_STRIP")));
  aniTop->SetPlay(false);
  aniTop->SetReverse(true);
  aniTop->SetLoop(false);
  aniTop->SetTransparentColor(tk::clRed);

  aniSide = tk::Make<TAnimated>(this, "aniSide", 298, 0, 82, 192);
  aniSide->SetInterval(50);
  aniSide->SetFrameCount(10);
  aniSide->SetFrame(0);
  aniSide->SetBitMap(tk::LoadResourceBitmap(QStringLiteral("ABOUT_SIDE_STRIP")));
  aniSide->SetPlay(false);
  aniSide->SetReverse(false);
  aniSide->SetLoop(false);
  aniSide->SetTransparentColor(tk::clLime);

  RzLabel1 = tk::Make<TRzLabel>(this, "RzLabel1", 5, 71, 169, 34);
  RzLabel1->SetCaption(QStringLiteral("Edgetucker"));
  RzLabel1->setFont(tk::MakePixelFont(QStringLiteral("Arial"), 29, true));
  RzLabel1->SetFontColor(tk::clBlack);
  RzLabel1->SetTransparent(true);
  RzLabel1->SetTextStyle(tsRaised);

  RzLabel3 = tk::Make<TRzLabel>(this, "RzLabel3", 33, 101, 107, 13);
  RzLabel3->SetCaption(QStringLiteral("Version 1.2d for Delphi"));

  btnOk = tk::Make<tk::TBitBtn>(this, "btnOk", 2, 161, 75, 29);
  btnOk->SetKind(tk::TBitBtnKind::bkOK);
  connect(btnOk, &QPushButton::clicked, this, [this] { btnOkClick(); });

  Timer1 = tk::Make<tk::TTimer>(this, "Timer1");
  Timer1->SetInterval(2000);
  Timer1->SetOnTimer([this] { Timer1Timer(); });

  Timer2 = tk::Make<tk::TTimer>(this, "Timer2");
  Timer2->SetInterval(1700);
  Timer2->SetOnTimer([this] { Timer2Timer(); });

  scope.End();
  SetDefaultButton(btnOk);
  SetActiveControl(btnOk);
}

void TfrmAbout::FormShow() {
  // A box shown again after hiding swings again.
  Timer1->SetEnabled(true);
  Timer2->SetEnabled(true);
  aniSide->SetPlay(true);
}

void TfrmAbout::hideEvent(QHideEvent* e) {
  Timer1->SetEnabled(false);
  Timer2->SetEnabled(false);
  aniTop->SetPlay(false);
  aniSide->SetPlay(false);
  tk::TForm::hideEvent(e);
}

void TfrmAbout::Timer1Timer() {
  aniSide->SetReverse(!aniSide->Reverse());
  aniSide->SetPlay(true);
}

void TfrmAbout::Timer2Timer() {
  aniTop->SetReverse(!aniTop->Reverse());
  aniTop->SetPlay(true);
}

void TfrmAbout::btnOkClick() {
  // The OK button has already ended a modal run with its own result.
  if (IsModal() && ModalResult() != tk::mrNone) return;
  Close();
}

void ShowAboutBox() {
  struct Guard {
    QPointer<TfrmAbout> box;
    ~Guard() { delete box.data(); }
  } guard{new TfrmAbout(tk::Application().OwnerWidget())};
  guard.box->ShowModal();
}
