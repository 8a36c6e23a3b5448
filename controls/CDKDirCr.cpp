#include "controls/CDKDirCr.h"

#include <QFontMetrics>
#include <QShortcut>
#include <algorithm>

#include "toolkit/Component.h"
#include "toolkit/FileCtrls.h"

// ---- the dialog -----------------------------------------------------------------------

namespace {
tk::TCustomLabel* MakeLabel(QWidget* form, const char* name, const char* caption, QRect r) {
  auto* l = tk::Make<tk::TCustomLabel>(form, name, r.x(), r.y(), r.width(), r.height());
  l->SetAutoSize(false);
  l->SetCaption(QLatin1String(caption));
  return l;
}
}  // namespace

TCreateDirectoryForm::TCreateDirectoryForm(QWidget* owner) : tk::TForm(owner) {
  setObjectName(QStringLiteral("CreateDirectoryForm"));
  SetCaption(QStringLiteral("Create Directory"));
  SetBorderStyle(tk::TBorderStyle::bsDialogSystemMenu);
  SetClientSize(471, 105);
  move(208, 220);
  setFont(tk::MakePixelFont(QStringLiteral("MS Sans Serif"), 11));
  QPalette pal = palette();
  pal.setColor(QPalette::WindowText, Qt::black);
  setPalette(pal);

  tk::LoadingScope scope;

  OKButton = tk::Make<tk::TBitBtn>(this, "OKButton", 394, 6, 70, 25);
  OKButton->SetCaption(QStringLiteral("OK"));
  OKButton->SetModalResult(tk::mrOk);
  // Connected after the button's own handler: the result is set first.
  connect(OKButton, &QPushButton::clicked, this, [this] { OKButtonClick(); });

  CancelButton = tk::Make<tk::TBitBtn>(this, "CancelButton", 394, 37, 70, 25);
  CancelButton->SetCaption(QStringLiteral("Cancel"));
  CancelButton->SetModalResult(tk::mrCancel);

  DirectoryToCreateEdit = tk::Make<QLineEdit>(this, "DirectoryToCreateEdit", 15, 77, 450, 21);

  Label1 = MakeLabel(this, "Label1", "Current Directory:", QRect(7, 7, 348, 16));

  CurrentDirectoryLabel = tk::Make<TCDKRotate3DLabel>(this, "CurrentDirectoryLabel", 15, 25, 103, 14);
  CurrentDirectoryLabel->SetRotation(0);
  CurrentDirectoryLabel->SetShadowStyle(ssHasShadow);
  CurrentDirectoryLabel->SetShadowColor(tk::clBtnHighlight);
  CurrentDirectoryLabel->SetFontColor(tk::clBtnShadow);
  CurrentDirectoryLabel->setFont(tk::MakePixelFont(QStringLiteral("MS Sans Serif"), 11));

  Label2 = MakeLabel(this, "Label2", "Directory to &Create:", QRect(6, 58, 369, 17));
  Label2->SetFocusControl(DirectoryToCreateEdit);

  scope.End();

  // The caption's accelerator (Alt+C) puts the focus into the edit.
  auto* accel = new QShortcut(QKeySequence(Qt::ALT | Qt::Key_C), this);
  connect(accel, &QShortcut::activated, this, [this] { DirectoryToCreateEdit->setFocus(Qt::ShortcutFocusReason); });

  setTabOrder(DirectoryToCreateEdit, OKButton);
  setTabOrder(OKButton, CancelButton);
  SetDefaultButton(OKButton);
  AddCancelButton(CancelButton);
  SetActiveControl(DirectoryToCreateEdit);
}

void TCreateDirectoryForm::ShowCurrentDirectory(const QString& path) {
  // The label is its text's advance plus the copy's one pixel.
  const int room = std::min(OKButton->x(), CancelButton->x()) - ButtonGap - CurrentDirectoryLabel->x() - 1;
  CurrentDirectoryLabel->SetCaption(tk::ShortenPath(path, QFontMetrics(CurrentDirectoryLabel->font()), room));
}

void TCreateDirectoryForm::OKButtonClick() { CreateDirectoryPath(DirectoryToCreateEdit->text()); }

void CreateDirectoryPath(const QString& path) {
  QString p = path;
  if (p.endsWith(QLatin1Char('/'))) p.chop(1);
  // The root is the shortest path there is ("/", one character); with its
  // separator dropped nothing of it is left to make.
  if (p.size() < 1 || tk::DirectoryExists(p)) return;
  const int slash = p.lastIndexOf(QLatin1Char('/'));
  CreateDirectoryPath(p.left(slash + 1));
  tk::CreateDir(p);
}
