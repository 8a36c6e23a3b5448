#include "forms/oops.h"

#include <QPointer>

#include "toolkit/Component.h"
#include "toolkit/Resources.h"

TfrmOops::TfrmOops(QWidget* owner) : tk::TForm(owner) {
  setObjectName(QStringLiteral("frmOops"));
  SetCaption(QStringLiteral("Oops!"));
  SetBorderStyle(tk::TBorderStyle::bsDialogNoIcons);
  SetStayOnTop(true);
  SetPositionScreenCenter(true);
  SetClientSize(324, 136);
  setFont(tk::MakeFont(QStringLiteral("MS Sans Serif"), 8));

  tk::LoadingScope scope;

  btnOk = tk::Make<tk::TBitBtn>(this, "btnOk", 169, 101, 79, 30);
  btnOk->SetKind(tk::TBitBtnKind::bkOK);
  connect(btnOk, &QPushButton::clicked, this, [this] { btnOkClick(); });

  Image1 = tk::Make<tk::TImage>(this, "Image1", 8, 8, 75, 119);
  Image1->SetAutoSize(true);
  Image1->SetPicture(tk::LoadResourceBitmap(QStringLiteral("OOPS_PICTURE")));

  memo = tk::Make<TCDKReadOnlyMemo>(this, "memo", 96, 8, 223, 87);
  memo->SetAlignment(tk::TAlignment::taCenter);
  memo->setFont(tk::MakeFont(QStringLiteral("MS Sans Serif"), 10));
  memo->SetFontColor(tk::clBlack);
  memo->SetCtl3D(true);
  memo->SetTabStop(false);
  memo->SetTopLine(0);

  scope.End();
  SetDefaultButton(btnOk);
  SetActiveControl(btnOk);
}

void TfrmOops::btnOkClick() {
  // The OK button has already ended a modal run with its own result.
  if (IsModal() && ModalResult() != tk::mrNone) return;
  Close();
}

int ShowOopsDialog(QWidget* owner, const QString& text) {
  // The owner may destroy the dialog with itself while it is shown; the guard
  // then finds nothing left to destroy.
  struct Guard {
    QPointer<TfrmOops> dlg;
    ~Guard() { delete dlg.data(); }
  } guard{new TfrmOops(owner)};
  guard.dlg->memo->SetText(text);
  return guard.dlg->ShowModal();
}
