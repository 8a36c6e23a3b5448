// TCDKPathEditor: a one-line edit for a file or folder path with a browse
// button at its right end.
//
// Layout (control width W, ButtonOffset B, default 6):
//   * the edit MainPathEdit at x 2, y 1, W - 23 - B wide (visible gap before
//     the button B - 2); its height follows its font (the text height, at
//     least 13, plus 8: 21 pixels for the forms' 8-point font), and the
//     control is always 2 pixels taller than the edit;
//   * the browse button BrowseButton, 23 wide, aligned to the right edge
//     (x W - 23) over the full height.
//   A new control stands at (44, 126), 185 wide, without a bevel; it is no tab
//   stop itself and gives the focus to its edit.
//
// Browsing, by Style:
//   * _SelectFile: the open-file dialog OpenDialog, which holds every dialog
//     setting (Title, Filter, FilterIndex, DefaultExt, FileName, InitialDir,
//     Options, HistoryList, FileEditStyle); a confirmed choice becomes Text and
//     fires OnDialogDrop.
//   * _SaveFile: a save-file dialog made for this one run with OpenDialog's
//     settings; whether confirmed or not, its settings are copied back.
//   * _SelectDirectory (and any other value): the folder selection dialog.  It
//     opens on InitialDir, else on Text when that names a folder, else on the
//     process's current directory (trailing separators are dropped first; a
//     folder that cannot be entered is skipped).  It offers "&New..." unless
//     Options hold ofPathMustExist; a non-empty Title replaces its caption.
//     OK puts the chosen folder into Text and fires OnDialogDrop.  The dialog
//     opens on its folder by making it the process's current directory; with
//     ofNoChangeDir the current directory goes back, after the run, to the
//     folder the dialog opened on.
//   OnBrowseButtonClick runs before each browse and cannot cancel it.  In
//   design mode the button does nothing.  Dialogs made for a browse are always
//   destroyed, also when something in between throws.
//
// Text and FileName: every change of the edit's text (typed or written by
// code) first sets FileName to it and then fires OnChange with the path editor
// as sender; writing the text already there does neither.
//
// Glyphs: with UseDefaultGlyphs (the default) the button shows the built-in
// glyph strip for Style ("BMP_OPEN_FILE", "BMP_BROWSE_FOLDERS",
// "BMP_SAVE_FILE", "BMP_BROWSE" for any other value): two 14 x 14 glyphs,
// normal and disabled.  Assigning a picture to BrowseButtonGlyph turns
// UseDefaultGlyphs off; assigning an empty one turns it on again.  Loaded()
// puts the built-in glyph back over one read with the form unless
// UseDefaultGlyphs is off by then.
//
// Events of the edit (OnClick, OnDblClick, OnDragDrop, OnDragOver, OnEndDrag,
// OnEnter, OnExit, OnKeyDown, OnKeyPress, OnKeyUp, OnMouseDown, OnMouseMove,
// OnMouseUp) reach the control's handlers with the path editor as sender.  A
// key handler may change the key (or set it to 0 to swallow it) before the
// edit sees it.  OnEnter and OnExit run after SmartShowBrowseButton has shown
// or hidden the button.  Drags are those of the window system: OnDragOver
// decides whether a drag over the edit may drop (without a handler the edit
// takes dropped text itself), OnDragDrop receives the drop, OnEndDrag runs
// when a drag started from the edit's selected text has ended.
#pragma once

#include <QAbstractButton>
#include <QLineEdit>
#include <QMenu>
#include <QPixmap>
#include <QPointer>
#include <cstdint>
#include <functional>

#include "controls/CDK_Comp.h"
#include "toolkit/FileDialogs.h"
#include "toolkit/Graphics.h"



// Where a control places itself in its parent: alNone leaves it alone; the
// others dock it to an edge (keeping its width for alLeft/alRight, its height
// for alTop/alBottom) or fill the parent (alClient), whenever the parent
// changes size.
enum class TAlign { alNone, alTop, alBottom, alLeft, alRight, alClient };

// A flat push button with a glyph that never takes the focus (a speed button),
// which can dock itself in its parent (Align).  Its glyph may be a strip of
// NumGlyphs equal images side by side: the first is shown while enabled, the
// second (when present) while disabled.  Pressed, it draws sunken with the
// glyph one pixel down and to the right.
class TCDKAlignSpeedButton : public QAbstractButton, public tk::TComponent {
  Q_OBJECT
public:
  explicit TCDKAlignSpeedButton(QWidget* parent = nullptr);

  const QPixmap& Glyph() const { return m_glyph; }
  void SetGlyph(const QPixmap& glyph);
  int NumGlyphs() const { return m_numGlyphs; }
  void SetNumGlyphs(int n);
  QString Hint() const { return toolTip(); }
  void SetHint(const QString& hint) { setToolTip(hint); }
  TAlign Align() const { return m_align; }
  void SetAlign(TAlign a);

  // The image shown in the current state, and where it is drawn.
  QPixmap CurrentImage() const;
  QRect GlyphRect() const;
  // Applies Align to the current parent size.
  void Realign();

protected:
  void paintEvent(QPaintEvent* e) override;
  bool eventFilter(QObject* watched, QEvent* e) override;
  void changeEvent(QEvent* e) override;

private:
  QPixmap m_glyph;
  int m_numGlyphs = 1;
  TAlign m_align = TAlign::alNone;
  QPointer<QWidget> m_watched;
};

enum TCDKPathEdStyle : std::uint8_t { _SelectFile = 0, _SelectDirectory = 1, _SaveFile = 2 };
enum class TEditCharCase { ecNormal, ecUpperCase, ecLowerCase };
enum class TEditBorderStyle { bsNone, bsSingle };

using TKeyEvent = std::function<void(QObject* sender, int& key, Qt::KeyboardModifiers shift)>;
using TKeyPressEvent = std::function<void(QObject* sender, QChar& key)>;
// source: the object a drag comes from (the widget it started in, when known).
using TDragOverEvent = std::function<void(QObject* sender, QObject* source, int x, int y, bool& accept)>;
using TDragDropEvent = std::function<void(QObject* sender, QObject* source, int x, int y)>;
using TEndDragEvent = std::function<void(QObject* sender, QObject* target, int x, int y)>;

class TCDKPathEditor;

// The path editor's edit: a single-line edit that passes its events to its
// path editor and sizes its height to its font.
class TCDKPathEdit : public QLineEdit {
  Q_OBJECT
public:
  TCDKPathEdit(TCDKPathEditor* owner, QWidget* parent);

  // The height for the current font: text height (at least 13) plus 8.
  int FittedHeight() const;

  TEditCharCase CharCase() const { return m_charCase; }
  void SetCharCase(TEditCharCase c);
  QString ApplyCharCase(const QString& s) const;
  bool Ctl3D() const { return m_ctl3D; }
  void SetCtl3D(bool on) { m_ctl3D = on; }
  bool OEMConvert() const { return m_oemConvert; }
  void SetOEMConvert(bool on) { m_oemConvert = on; }
  QChar PasswordChar() const { return m_passwordChar; }
  void SetPasswordChar(QChar c);
  QMenu* PopupMenu() const { return m_popup; }
  void SetPopupMenu(QMenu* m);

protected:
  void keyPressEvent(QKeyEvent* e) override;
  void keyReleaseEvent(QKeyEvent* e) override;
  void mousePressEvent(QMouseEvent* e) override;
  void mouseReleaseEvent(QMouseEvent* e) override;
  void mouseMoveEvent(QMouseEvent* e) override;
  void mouseDoubleClickEvent(QMouseEvent* e) override;
  void focusInEvent(QFocusEvent* e) override;
  void focusOutEvent(QFocusEvent* e) override;
  void dragEnterEvent(QDragEnterEvent* e) override;
  void dragMoveEvent(QDragMoveEvent* e) override;
  void dropEvent(QDropEvent* e) override;
  void contextMenuEvent(QContextMenuEvent* e) override;
  void changeEvent(QEvent* e) override;

private:
  TCDKPathEditor* m_owner;
  TEditCharCase m_charCase = TEditCharCase::ecNormal;
  bool m_ctl3D = true;
  bool m_oemConvert = false;
  bool m_pressed = false;
  QChar m_passwordChar;
  QPointer<QMenu> m_popup;
};

class TCDKPathEditor : public TCompoundComponentPanel {
  Q_OBJECT
public:
  explicit TCDKPathEditor(QWidget* parent = nullptr);
  ~TCDKPathEditor() override;

  TCDKAlignSpeedButton* BrowseButton = nullptr;
  TCDKPathEdit* MainPathEdit = nullptr;
  // Exists only while a _SaveFile browse runs.
  tk::TSaveDialog* SaveDialog = nullptr;
  tk::TOpenDialog* OpenDialog = nullptr;

  // ---- own properties ------------------------------------------------------------
  bool SmartShowBrowseButton() const { return m_smartShow; }
  void SetSmartShowBrowseButton(bool on);
  TCDKPathEdStyle Style() const { return m_style; }
  void SetStyle(TCDKPathEdStyle s);
  int ButtonOffset() const { return m_buttonOffset; }
  // Negative values and the current value are ignored.
  void SetButtonOffset(int v);
  bool UseDefaultGlyphs() const { return m_useDefaultGlyphs; }
  void SetUseDefaultGlyphs(bool on);

  // ---- the button -------------------------------------------------------------------
  const QPixmap& BrowseButtonGlyph() const { return BrowseButton->Glyph(); }
  void SetBrowseButtonGlyph(const QPixmap& b);
  QString BrowseButtonHint() const { return BrowseButton->Hint(); }
  void SetBrowseButtonHint(const QString& h) { BrowseButton->SetHint(h); }

  // ---- the edit ------------------------------------------------------------------------
  TEditBorderStyle BorderStyle() const;
  void SetBorderStyle(TEditBorderStyle s);
  TEditCharCase CharCase() const { return MainPathEdit->CharCase(); }
  void SetCharCase(TEditCharCase c) { MainPathEdit->SetCharCase(c); }
  bool Ctl3D() const { return MainPathEdit->Ctl3D(); }
  void SetCtl3D(bool on) { MainPathEdit->SetCtl3D(on); }
  QFont Font() const { return MainPathEdit->font(); }
  void SetFont(const QFont& f);
  // 0: no limit.
  int MaxLength() const;
  void SetMaxLength(int n);
  bool OEMConvert() const { return MainPathEdit->OEMConvert(); }
  void SetOEMConvert(bool on) { MainPathEdit->SetOEMConvert(on); }
  QChar PasswordChar() const { return MainPathEdit->PasswordChar(); }
  void SetPasswordChar(QChar c) { MainPathEdit->SetPasswordChar(c); }
  QMenu* PopupMenu() const { return MainPathEdit->PopupMenu(); }
  void SetPopupMenu(QMenu* m) { MainPathEdit->SetPopupMenu(m); }
  QString Text() const { return MainPathEdit->text(); }
  void SetText(const QString& t);

  // ---- the dialog settings ---------------------------------------------------------------
  QString DefaultExt() const { return OpenDialog->DefaultExt(); }
  void SetDefaultExt(const QString& s) { OpenDialog->SetDefaultExt(s); }
  tk::TFileEditStyle FileEditStyle() const { return OpenDialog->FileEditStyle(); }
  void SetFileEditStyle(tk::TFileEditStyle s) { OpenDialog->SetFileEditStyle(s); }
  QString FileName() const { return OpenDialog->FileName(); }
  void SetFileName(const QString& s) { OpenDialog->SetFileName(s); }
  QString Filter() const { return OpenDialog->Filter(); }
  void SetFilter(const QString& s) { OpenDialog->SetFilter(s); }
  int FilterIndex() const { return OpenDialog->FilterIndex(); }
  void SetFilterIndex(int i) { OpenDialog->SetFilterIndex(i); }
  QString InitialDir() const { return OpenDialog->InitialDir(); }
  void SetInitialDir(const QString& s) { OpenDialog->SetInitialDir(s); }
  QStringList HistoryList() const { return OpenDialog->HistoryList(); }
  void SetHistoryList(const QStringList& l) { OpenDialog->SetHistoryList(l); }
  tk::TOpenOptions Options() const { return OpenDialog->Options(); }
  void SetOptions(tk::TOpenOptions o) { OpenDialog->SetOptions(o); }
  QString Title() const { return OpenDialog->Title(); }
  void SetTitle(const QString& s) { OpenDialog->SetTitle(s); }

  // ---- events -------------------------------------------------------------------------------
  void SetOnChange(tk::TNotifyEvent h) { m_onChange = std::move(h); }
  void SetOnClick(tk::TNotifyEvent h) { m_onClick = std::move(h); }
  void SetOnDblClick(tk::TNotifyEvent h) { m_onDblClick = std::move(h); }
  void SetOnDragDrop(TDragDropEvent h) { m_onDragDrop = std::move(h); }
  void SetOnDragOver(TDragOverEvent h) { m_onDragOver = std::move(h); }
  void SetOnEndDrag(TEndDragEvent h) { m_onEndDrag = std::move(h); }
  void SetOnEnter(tk::TNotifyEvent h) { m_onEnter = std::move(h); }
  void SetOnExit(tk::TNotifyEvent h) { m_onExit = std::move(h); }
  void SetOnKeyDown(TKeyEvent h) { m_onKeyDown = std::move(h); }
  void SetOnKeyPress(TKeyPressEvent h) { m_onKeyPress = std::move(h); }
  void SetOnKeyUp(TKeyEvent h) { m_onKeyUp = std::move(h); }
  void SetOnMouseDown(tk::TMouseEvent h) { m_onMouseDown = std::move(h); }
  void SetOnMouseMove(tk::TMouseMoveEvent h) { m_onMouseMove = std::move(h); }
  void SetOnMouseUp(tk::TMouseEvent h) { m_onMouseUp = std::move(h); }
  void SetOnBrowseButtonClick(tk::TNotifyEvent h) { m_onBrowseButtonClick = std::move(h); }
  void SetOnDialogDrop(tk::TNotifyEvent h) { m_onDialogDrop = std::move(h); }

  // Fires OnDialogDrop.
  virtual void DialogDrop();
  // Runs the browse for Style.
  virtual void Browse();
  // What the browse button's click does (nothing in design mode).
  void BrowseButtonClick();

  // The built-in glyph strip for a style.
  static QPixmap DefaultGlyph(int style);

  void Loaded() override;

protected:
  // Lays out the edit and the button (see above).
  void Resize() override;
  // The edit's text changed: FileName follows it.
  virtual void TextChange();

private:
  friend class TCDKPathEdit;
  void LoadDefaultGlyph();
  void BrowseForFile();
  void BrowseForSaveFile();
  void BrowseForDirectory();

  bool m_smartShow = false;
  TCDKPathEdStyle m_style = _SelectFile;
  int m_buttonOffset = 6;
  bool m_useDefaultGlyphs = true;
  bool m_inLayout = false;

  tk::TNotifyEvent m_onChange, m_onClick, m_onDblClick, m_onEnter, m_onExit, m_onBrowseButtonClick,
      m_onDialogDrop;
  TDragDropEvent m_onDragDrop;
  TDragOverEvent m_onDragOver;
  TEndDragEvent m_onEndDrag;
  TKeyEvent m_onKeyDown, m_onKeyUp;
  TKeyPressEvent m_onKeyPress;
  tk::TMouseEvent m_onMouseDown, m_onMouseUp;
  tk::TMouseMoveEvent m_onMouseMove;
};
