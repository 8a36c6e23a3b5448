#include "controls/CDKDirSe.h"

#include <QPointer>
#include <memory>

#include "controls/CDKDirCr.h"
#include "toolkit/Component.h"
#include "toolkit/Dialogs.h"

namespace {
tk::TBitBtn* MakeButton(QWidget* form, const char* name, const char* caption, QRect r) {
  auto* b = tk::Make<tk::TBitBtn>(form, name, r.x(), r.y(), r.width(), r.height());
  b->SetCaption(QLatin1String(caption));
  return b;
}
}  // namespace

TDirectorySelectForm::TDirectorySelectForm(QWidget* owner) : tk::TForm(owner) {
  setObjectName(QStringLiteral("DirectorySelectForm"));
  SetCaption(QStringLiteral("Select a Directory"));
  SetBorderStyle(tk::TBorderStyle::bsDialogSystemMenu);
  SetClientSize(285, 254);
  move(326, 97);
  setFont(tk::MakePixelFont(QStringLiteral("MS Sans Serif"), 11));

  tk::LoadingScope scope;

  DriveComboBox = tk::Make<tk::TDriveComboBox>(this, "DriveComboBox", 8, 227, 191, 19);

  DirectoryShadowLabel = tk::Make<tk::TCustomLabel>(this, "DirectoryShadowLabel", 7, 9, 302, 16);
  DirectoryShadowLabel->SetAutoSize(false);
  DirectoryShadowLabel->SetShowAccelChar(false);

  OKButton = MakeButton(this, "OKButton", "OK", QRect(208, 26, 70, 25));
  OKButton->SetModalResult(tk::mrOk);
  CancelButton = MakeButton(this, "CancelButton", "Cancel", QRect(209, 57, 70, 25));
  CancelButton->SetModalResult(tk::mrCancel);
  CreateDirectoryButton = MakeButton(this, "CreateDirectoryButton", "&New...", QRect(208, 194, 70, 25));
  connect(CreateDirectoryButton, &QPushButton::clicked, this, [this] {
    try {
      CreateDirectoryButtonClick();
    } catch (const std::exception& e) {
      tk::ShowErrorBox(QString::fromLocal8Bit(e.what()));
    }
  });

  DirectoryListBox = tk::Make<TCDKWin95DirListBox>(this, "DirectoryListBox", 8, 27, 191, 192);
  DirectoryListBox->SetItemHeight(16);
  DirectoryListBox->SetDirLabel(DirectoryShadowLabel);
  DriveComboBox->SetDirList(DirectoryListBox);

  scope.End();

  // Tab order: the list, New, the root box, OK, Cancel.
  setTabOrder(DirectoryListBox, CreateDirectoryButton);
  setTabOrder(CreateDirectoryButton, DriveComboBox);
  setTabOrder(DriveComboBox, OKButton);
  setTabOrder(OKButton, CancelButton);
  SetDefaultButton(OKButton);
  AddCancelButton(CancelButton);
  SetActiveControl(DirectoryListBox);
}

void TDirectorySelectForm::CreateDirectoryButtonClick() {
  // Freed on every way out, also when entering the new folder fails.
  struct Guard {
    QPointer<TCreateDirectoryForm> dlg;
    ~Guard() { delete dlg.data(); }
  } guard{new TCreateDirectoryForm(this)};
  TCreateDirectoryForm* dlg = guard.dlg;
  QString d = tk::WithTrailingSeparator(tk::CurrentDirectory());
  dlg->DirectoryToCreateEdit->setText(d);
  // The label shows the folder without its separator, a root with it.
  if (d.endsWith(QLatin1Char('/')) && d.size() > 1) d.chop(1);
  dlg->ShowCurrentDirectory(d);
  if (dlg->ShowModal() == tk::mrOk && guard.dlg)
    DirectoryListBox->SetDirectory(guard.dlg->DirectoryToCreateEdit->text());
}
