#include "controls/CDKPathE.h"

#include <QDrag>
#include <QDragEnterEvent>
#include <QFontMetrics>
#include <QMenu>
#include <QMimeData>
#include <QPainter>
#include <algorithm>
#include <memory>

#include "controls/CDKDirSe.h"
#include "toolkit/FileCtrls.h"
#include "toolkit/Form.h"
#include "toolkit/Resources.h"

namespace {
constexpr int kButtonWidth = 23;
}  // namespace

// ---- speed button --------------------------------------------------------------------------

TCDKAlignSpeedButton::TCDKAlignSpeedButton(QWidget* parent) : QAbstractButton(parent) {
  setFocusPolicy(Qt::NoFocus);
}

void TCDKAlignSpeedButton::SetGlyph(const QPixmap& glyph) {
  m_glyph = glyph;
  update();
}

void TCDKAlignSpeedButton::SetNumGlyphs(int n) {
  n = std::clamp(n, 1, 4);
  if (n == m_numGlyphs) return;
  m_numGlyphs = n;
  update();
}

void TCDKAlignSpeedButton::SetAlign(TAlign a) {
  if (a == m_align) return;
  m_align = a;
  Realign();
}

void TCDKAlignSpeedButton::changeEvent(QEvent* e) {
  if (e->type() == QEvent::ParentChange) {
    if (m_watched) m_watched->removeEventFilter(this);
    m_watched = parentWidget();
    if (m_watched) m_watched->installEventFilter(this);
    Realign();
  }
  QAbstractButton::changeEvent(e);
}

bool TCDKAlignSpeedButton::eventFilter(QObject* watched, QEvent* e) {
  if (watched == m_watched && e->type() == QEvent::Resize) Realign();
  return false;
}

void TCDKAlignSpeedButton::Realign() {
  QWidget* p = parentWidget();
  if (!p || m_align == TAlign::alNone) return;
  const QSize s = p->size();
  switch (m_align) {
    case TAlign::alTop: setGeometry(0, 0, s.width(), height()); break;
    case TAlign::alBottom: setGeometry(0, s.height() - height(), s.width(), height()); break;
    case TAlign::alLeft: setGeometry(0, 0, width(), s.height()); break;
    case TAlign::alRight: setGeometry(s.width() - width(), 0, width(), s.height()); break;
    case TAlign::alClient: setGeometry(0, 0, s.width(), s.height()); break;
    case TAlign::alNone: break;
  }
}

QPixmap TCDKAlignSpeedButton::CurrentImage() const {
  if (m_glyph.isNull()) return QPixmap();
  const int w = m_glyph.width() / m_numGlyphs;
  const int index = !isEnabled() && m_numGlyphs >= 2 ? 1 : 0;
  return m_glyph.copy(index * w, 0, w, m_glyph.height());
}

QRect TCDKAlignSpeedButton::GlyphRect() const {
  if (m_glyph.isNull()) return QRect();
  const QSize g(m_glyph.width() / m_numGlyphs, m_glyph.height());
  // Centred; pressed, one pixel down and to the right.
  const int shift = isDown() ? 1 : 0;
  return QRect(QPoint((width() - g.width()) / 2 + shift, (height() - g.height()) / 2 + shift), g);
}

void TCDKAlignSpeedButton::paintEvent(QPaintEvent*) {
  QPainter p(this);
  const QRect r = rect();
  const QColor face = tk::ColorToQColor(tk::clBtnFace), light = tk::ColorToQColor(tk::clBtnHighlight),
               dark = tk::ColorToQColor(tk::clBtnShadow), darkest = tk::ColorToQColor(tk::cl3DDkShadow);
  p.fillRect(r, face);
  QRect edge = r;
  if (isDown()) {
    tk::Frame3D(p, edge, 1, dark, light);
  } else {
    // Raised: light top-left, a dark outer and a shadow inner edge bottom-right
    // (the inner frame's top-left is the face it stands on).
    tk::Frame3D(p, edge, 1, light, darkest);
    tk::Frame3D(p, edge, 1, face, dark);
  }
  const QPixmap img = CurrentImage();
  if (!img.isNull()) p.drawPixmap(GlyphRect().topLeft(), img);
}

// ---- the edit ------------------------------------------------------------------------------

TCDKPathEdit::TCDKPathEdit(TCDKPathEditor* owner, QWidget* parent) : QLineEdit(parent), m_owner(owner) {}

int TCDKPathEdit::FittedHeight() const {
  // 13 is the forms' 8-point font's text height where they were designed, so
  // that font gives the designed 21-pixel edit whatever face stands in for it.
  return std::max(QFontMetrics(font()).height(), 13) + 8;
}

QString TCDKPathEdit::ApplyCharCase(const QString& s) const {
  switch (m_charCase) {
    case TEditCharCase::ecUpperCase: return s.toUpper();
    case TEditCharCase::ecLowerCase: return s.toLower();
    case TEditCharCase::ecNormal: break;
  }
  return s;
}

void TCDKPathEdit::SetCharCase(TEditCharCase c) {
  if (c == m_charCase) return;
  m_charCase = c;
  const QString converted = ApplyCharCase(text());
  if (converted != text()) setText(converted);
}

void TCDKPathEdit::SetPasswordChar(QChar c) {
  m_passwordChar = c;
  setEchoMode(c.isNull() ? QLineEdit::Normal : QLineEdit::Password);
}

void TCDKPathEdit::SetPopupMenu(QMenu* m) { m_popup = m; }

void TCDKPathEdit::contextMenuEvent(QContextMenuEvent* e) {
  if (m_popup) {
    m_popup->exec(e->globalPos());
    return;
  }
  QLineEdit::contextMenuEvent(e);
}

void TCDKPathEdit::keyPressEvent(QKeyEvent* e) {
  QObject* sender = m_owner;
  int key = e->key();
  if (m_owner->m_onKeyDown) {
    m_owner->m_onKeyDown(sender, key, e->modifiers());
    if (key == 0) return;  // swallowed
  }
  const QString text = e->text();
  QChar ch = text.size() == 1 ? text[0] : QChar();
  const QChar typed = ch;
  if (!ch.isNull() && m_owner->m_onKeyPress) {
    m_owner->m_onKeyPress(sender, ch);
    if (ch.isNull()) return;  // swallowed
  }
  if (!ch.isNull() && ch.isPrint()) ch = ApplyCharCase(QString(ch))[0];
  if (key != e->key() || ch != typed) {
    // The handler (or the case rule) changed the key: the edit gets the new one.
    QKeyEvent changed(e->type(), key, e->modifiers(), ch.isNull() ? QString() : QString(ch), e->isAutoRepeat());
    QLineEdit::keyPressEvent(&changed);
    e->setAccepted(changed.isAccepted());
    return;
  }
  QLineEdit::keyPressEvent(e);
}

void TCDKPathEdit::keyReleaseEvent(QKeyEvent* e) {
  int key = e->key();
  if (m_owner->m_onKeyUp) {
    m_owner->m_onKeyUp(m_owner, key, e->modifiers());
    if (key == 0) return;
  }
  QLineEdit::keyReleaseEvent(e);
}

void TCDKPathEdit::mousePressEvent(QMouseEvent* e) {
  m_pressed = e->button() == Qt::LeftButton;
  if (m_owner->m_onMouseDown) {
    const QPoint pt = e->position().toPoint();
    m_owner->m_onMouseDown(m_owner, e->button(), e->modifiers(), pt.x(), pt.y());
  }
  QLineEdit::mousePressEvent(e);
}

void TCDKPathEdit::mouseReleaseEvent(QMouseEvent* e) {
  QLineEdit::mouseReleaseEvent(e);
  const QPoint pt = e->position().toPoint();
  const bool click = m_pressed && e->button() == Qt::LeftButton && rect().contains(pt);
  if (e->button() == Qt::LeftButton) m_pressed = false;
  if (click && m_owner->m_onClick) m_owner->m_onClick(m_owner);
  if (m_owner->m_onMouseUp) m_owner->m_onMouseUp(m_owner, e->button(), e->modifiers(), pt.x(), pt.y());
}

void TCDKPathEdit::mouseMoveEvent(QMouseEvent* e) {
  const QPoint pt = e->position().toPoint();
  if (m_owner->m_onMouseMove) m_owner->m_onMouseMove(m_owner, e->modifiers(), pt.x(), pt.y());
  // The edit starts a drag of its selected text from here; the drag object it
  // leaves behind tells that one ran and where it ended.
  const auto before = findChildren<QDrag*>(Qt::FindDirectChildrenOnly);
  QLineEdit::mouseMoveEvent(e);
  if (!m_owner->m_onEndDrag) return;
  for (QDrag* d : findChildren<QDrag*>(Qt::FindDirectChildrenOnly)) {
    if (before.contains(d)) continue;
    m_pressed = false;
    m_owner->m_onEndDrag(m_owner, d->target(), pt.x(), pt.y());
  }
}

void TCDKPathEdit::mouseDoubleClickEvent(QMouseEvent* e) {
  QLineEdit::mouseDoubleClickEvent(e);
  if (e->button() == Qt::LeftButton && m_owner->m_onDblClick) m_owner->m_onDblClick(m_owner);
}

void TCDKPathEdit::focusInEvent(QFocusEvent* e) {
  QLineEdit::focusInEvent(e);
  if (m_owner->m_smartShow) m_owner->BrowseButton->setVisible(true);
  if (m_owner->m_onEnter) m_owner->m_onEnter(m_owner);
}

void TCDKPathEdit::focusOutEvent(QFocusEvent* e) {
  QLineEdit::focusOutEvent(e);
  if (m_owner->m_smartShow) m_owner->BrowseButton->setVisible(false);
  if (m_owner->m_onExit) m_owner->m_onExit(m_owner);
}

void TCDKPathEdit::dragEnterEvent(QDragEnterEvent* e) {
  if (!m_owner->m_onDragOver) {
    QLineEdit::dragEnterEvent(e);
    return;
  }
  bool accept = false;
  const QPoint pt = e->position().toPoint();
  m_owner->m_onDragOver(m_owner, e->source(), pt.x(), pt.y(), accept);
  e->setAccepted(accept);
}

void TCDKPathEdit::dragMoveEvent(QDragMoveEvent* e) {
  if (!m_owner->m_onDragOver) {
    QLineEdit::dragMoveEvent(e);
    return;
  }
  bool accept = false;
  const QPoint pt = e->position().toPoint();
  m_owner->m_onDragOver(m_owner, e->source(), pt.x(), pt.y(), accept);
  e->setAccepted(accept);
}

void TCDKPathEdit::dropEvent(QDropEvent* e) {
  if (!m_owner->m_onDragDrop) {
    QLineEdit::dropEvent(e);
    return;
  }
  const QPoint pt = e->position().toPoint();
  e->acceptProposedAction();
  m_owner->m_onDragDrop(m_owner, e->source(), pt.x(), pt.y());
}

void TCDKPathEdit::changeEvent(QEvent* e) {
  QLineEdit::changeEvent(e);
  if (e->type() == QEvent::FontChange) {
    resize(width(), FittedHeight());
    m_owner->Resize();
  }
}

// ---- the path editor -----------------------------------------------------------------------

TCDKPathEditor::TCDKPathEditor(QWidget* parent) : TCompoundComponentPanel(parent) {
  SetControlStyle(ControlStyle() & ~(csAcceptsControls | csSetCaption));
  SetBevelOuter(bvNone);
  setFocusPolicy(Qt::NoFocus);

  BrowseButton = new TCDKAlignSpeedButton(this);
  BrowseButton->setObjectName(QStringLiteral("BrowseButton"));
  BrowseButton->setGeometry(width() - kButtonWidth, 0, kButtonWidth, 23);
  BrowseButton->SetAlign(TAlign::alRight);
  BrowseButton->SetNumGlyphs(2);
  connect(BrowseButton, &QAbstractButton::clicked, this, [this] { BrowseButtonClick(); });

  MainPathEdit = new TCDKPathEdit(this, this);
  MainPathEdit->setObjectName(QStringLiteral("MainPathEdit"));
  MainPathEdit->setGeometry(2, 1, width() - kButtonWidth - m_buttonOffset, MainPathEdit->FittedHeight());
  connect(MainPathEdit, &QLineEdit::textChanged, this, [this] {
    TextChange();
    if (m_onChange) m_onChange(this);
  });
  setFocusProxy(MainPathEdit);

  OpenDialog = new tk::TOpenDialog(this);
  OpenDialog->setObjectName(QStringLiteral("OpenDialog"));

  SetBounds(44, 126, width(), 23);
  // A control made by code shows its glyph at once; one read with a form gets
  // it in Loaded().
  LoadDefaultGlyph();
  Resize();
}

TCDKPathEditor::~TCDKPathEditor() {
  delete OpenDialog;
  OpenDialog = nullptr;
}

void TCDKPathEditor::Loaded() {
  TCompoundComponentPanel::Loaded();
  if (m_useDefaultGlyphs) LoadDefaultGlyph();
  Resize();
}

void TCDKPathEditor::Resize() {
  if (!MainPathEdit || !BrowseButton || IsLoading() || m_inLayout) return;
  m_inLayout = true;
  BrowseButton->Realign();
  MainPathEdit->resize(width() - BrowseButton->width() - m_buttonOffset, MainPathEdit->height());
  SetBounds(x(), y(), width(), MainPathEdit->height() + 2);
  m_inLayout = false;
  BrowseButton->Realign();
  TCompoundComponentPanel::Resize();
}

void TCDKPathEditor::TextChange() { OpenDialog->SetFileName(MainPathEdit->text()); }

void TCDKPathEditor::SetSmartShowBrowseButton(bool on) {
  if (on == m_smartShow) return;
  m_smartShow = on;
  BrowseButton->setVisible(!on);
}

void TCDKPathEditor::SetStyle(TCDKPathEdStyle s) {
  if (s == m_style) return;
  m_style = s;
  if (m_useDefaultGlyphs) LoadDefaultGlyph();
}

void TCDKPathEditor::SetButtonOffset(int v) {
  if (v == m_buttonOffset || v < 0) return;
  const int delta = v - m_buttonOffset;
  m_buttonOffset = v;
  SetWidth(width() + delta);
}

void TCDKPathEditor::SetUseDefaultGlyphs(bool on) {
  if (on == m_useDefaultGlyphs) return;
  m_useDefaultGlyphs = on;
  if (on) LoadDefaultGlyph();
}

void TCDKPathEditor::SetBrowseButtonGlyph(const QPixmap& b) {
  if (b.isNull()) {
    SetUseDefaultGlyphs(true);
    return;
  }
  SetUseDefaultGlyphs(false);
  BrowseButton->SetGlyph(b);
}

QPixmap TCDKPathEditor::DefaultGlyph(int style) {
  switch (style) {
    case _SelectFile: return tk::LoadResourceBitmap(QStringLiteral("BMP_OPEN_FILE"));
    case _SelectDirectory: return tk::LoadResourceBitmap(QStringLiteral("BMP_BROWSE_FOLDERS"));
    case _SaveFile: return tk::LoadResourceBitmap(QStringLiteral("BMP_SAVE_FILE"));
    default: return tk::LoadResourceBitmap(QStringLiteral("BMP_BROWSE"));
  }
}

void TCDKPathEditor::LoadDefaultGlyph() { BrowseButton->SetGlyph(DefaultGlyph(m_style)); }

TEditBorderStyle TCDKPathEditor::BorderStyle() const {
  return MainPathEdit->hasFrame() ? TEditBorderStyle::bsSingle : TEditBorderStyle::bsNone;
}

void TCDKPathEditor::SetBorderStyle(TEditBorderStyle s) { MainPathEdit->setFrame(s == TEditBorderStyle::bsSingle); }

void TCDKPathEditor::SetFont(const QFont& f) { MainPathEdit->setFont(f); }

int TCDKPathEditor::MaxLength() const {
  const int n = MainPathEdit->maxLength();
  return n >= 32767 ? 0 : n;
}

void TCDKPathEditor::SetMaxLength(int n) { MainPathEdit->setMaxLength(n <= 0 ? 32767 : n); }

void TCDKPathEditor::SetText(const QString& t) {
  const QString converted = MainPathEdit->ApplyCharCase(t);
  if (converted == MainPathEdit->text()) return;
  MainPathEdit->setText(converted);
}

void TCDKPathEditor::DialogDrop() {
  if (m_onDialogDrop) m_onDialogDrop(this);
}

void TCDKPathEditor::BrowseButtonClick() {
  if (IsDesigning()) return;
  if (m_onBrowseButtonClick) m_onBrowseButtonClick(this);
  Browse();
}

void TCDKPathEditor::Browse() {
  switch (m_style) {
    case _SelectFile: BrowseForFile(); break;
    case _SaveFile: BrowseForSaveFile(); break;
    default: BrowseForDirectory(); break;
  }
}

void TCDKPathEditor::BrowseForFile() {
  if (!OpenDialog->Execute()) return;
  SetText(OpenDialog->FileName());
  DialogDrop();
}

void TCDKPathEditor::BrowseForSaveFile() {
  // Freed on every way out; SaveDialog points at it only meanwhile.
  struct Guard {
    TCDKPathEditor* self;
    std::unique_ptr<tk::TSaveDialog> dlg;
    ~Guard() { self->SaveDialog = nullptr; }
  } guard{this, std::make_unique<tk::TSaveDialog>(this)};
  tk::TSaveDialog* sd = guard.dlg.get();
  SaveDialog = sd;
  tk::TOpenDialog* od = OpenDialog;
  sd->SetOptions(od->Options());
  sd->SetTitle(od->Title());
  sd->SetInitialDir(od->InitialDir());
  sd->SetDefaultExt(od->DefaultExt());
  sd->SetFileEditStyle(od->FileEditStyle());
  sd->SetFileName(od->FileName());
  sd->SetFilter(od->Filter());
  sd->SetHistoryList(od->HistoryList());
  sd->SetFilterIndex(od->FilterIndex());
  struct CopyBack {
    tk::TOpenDialog* od;
    tk::TSaveDialog* sd;
    ~CopyBack() {
      od->SetOptions(sd->Options());
      od->SetTitle(sd->Title());
      od->SetInitialDir(sd->InitialDir());
      od->SetDefaultExt(sd->DefaultExt());
      od->SetFileEditStyle(sd->FileEditStyle());
      od->SetFileName(sd->FileName());
      od->SetFilter(sd->Filter());
      od->SetHistoryList(sd->HistoryList());
      od->SetFilterIndex(sd->FilterIndex());
    }
  };
  // Declared after the save dialog's guard, so it runs first: the settings go
  // back whether the run was confirmed, cancelled or cut short.
  const CopyBack back{od, sd};
  if (sd->Execute()) {
    SetText(sd->FileName());
    DialogDrop();
  }
}

void TCDKPathEditor::BrowseForDirectory() {
  // 1. The starting folder becomes the current directory (a failure is ignored).
  const QString initial = OpenDialog->InitialDir();
  if (!initial.isEmpty()) {
    tk::SetCurrentDirectory(tk::StripTrailingSeparators(initial));
  } else if (!Text().isEmpty() && tk::DirectoryExists(Text())) {
    tk::SetCurrentDirectory(tk::StripTrailingSeparators(Text()));
  }
  // 2. The dialog, freed on every way out.
  QWidget* owner = window() != this ? window() : nullptr;
  struct Guard {
    QPointer<TDirectorySelectForm> dlg;
    ~Guard() { delete dlg.data(); }
  } guard{new TDirectorySelectForm(owner)};
  TDirectorySelectForm* dlg = guard.dlg;
  // 3. Where the current directory returns to.
  const bool keepDir = OpenDialog->HasOption(tk::ofNoChangeDir);
  const QString startDir = keepDir ? tk::WithTrailingSeparator(tk::CurrentDirectory()) : QString();
  // 4, 5.
  dlg->CreateDirectoryButton->setVisible(!OpenDialog->HasOption(tk::ofPathMustExist));
  if (!Title().isEmpty()) dlg->SetCaption(Title());
  // 6.
  struct Restore {
    bool on;
    QString dir;
    ~Restore() {
      if (on) tk::SetCurrentDirectory(tk::StripTrailingSeparators(dir));
    }
  } restore{keepDir, startDir};
  QPointer<TCDKPathEditor> self(this);
  const int result = dlg->ShowModal();
  if (result == tk::mrOk && guard.dlg && self) {
    SetText(guard.dlg->DirectoryListBox->Directory());
    DialogDrop();
  }
}
