// Forms: top-level windows of the add-in with the toolkit's conventions.
//
//  * A form receives window messages (platform::PostMessage / SendMessage) in
//    WndProc, on the GUI thread, one at a time.
//  * Border styles: a fixed single border without icons (no system menu, no
//    minimise or close box), a dialog border with or without the close box.
//  * Closing runs FormClose, which chooses what closing does: hide (the
//    default), free (the form destroys itself at the next turn of the event
//    loop) or nothing.  A close box or a close request from the window system
//    goes the same way.  Closing a form that is shown modally ends the modal
//    run with mrCancel instead.
//  * ShowModal runs a nested event loop until ModalResult becomes non-zero or
//    the form is closed, and returns the result.  Other windows' events, timers
//    and posted messages go on meanwhile.
//  * Escape clicks the first enabled, visible cancel button (in the order they
//    were registered); Return clicks the focused button, else the default one.
//  * The position "screen centre" centres the form on the primary screen each
//    time it is about to be shown for the first time.
#pragma once

#include <QAbstractButton>
#include <QPointer>
#include <QWidget>
#include <vector>

#include "platform/Windows.h"
#include "toolkit/Component.h"

class QEventLoop;

namespace tk {

enum ModalResult : int { mrNone = 0, mrOk = 1, mrCancel = 2 };
enum class TCloseAction { caNone, caHide, caFree };
enum class TBorderStyle { bsSingleNoIcons, bsDialogNoIcons, bsDialogSystemMenu, bsSizeable };

// A control of type T made on parent, named and placed (left, top, width and
// height in the parent's client pixels) as a form's stored layout gives it.
// The parent owns it.
template <typename T>
T* Make(QWidget* parent, const char* name, int left, int top, int width, int height) {
  auto* w = new T(parent);
  w->setObjectName(QString::fromLatin1(name));
  w->setGeometry(left, top, width, height);
  return w;
}

// A non-visual component of type T (a timer, an INI editor) made and named
// with its owner, which destroys it.
template <typename T>
T* Make(QObject* owner, const char* name) {
  auto* c = new T(owner);
  c->setObjectName(QString::fromLatin1(name));
  return c;
}

class TForm : public QWidget, public TComponent {
  Q_OBJECT
public:
  // owner: the window that owns the form (it stays above it and is its parent
  // for GetParent); nullptr means the application's owner window.
  explicit TForm(QWidget* owner = nullptr);
  ~TForm() override;

  QString Caption() const { return windowTitle(); }
  void SetCaption(const QString& caption) { setWindowTitle(caption); }

  void SetClientSize(int width, int height);
  void SetBorderStyle(TBorderStyle style);
  void SetStayOnTop(bool on);
  void SetPositionScreenCenter(bool on) { m_centre = on; }
  void SetActiveControl(QWidget* w);
  void AddCancelButton(QAbstractButton* b) { m_cancel.emplace_back(b); }
  void SetDefaultButton(QAbstractButton* b) { m_default = b; }

  platform::HWND Handle() { return platform::HandleOf(this); }

  int ShowModal();
  bool IsModal() const { return m_loop != nullptr; }
  int ModalResult() const { return m_modalResult; }
  void SetModalResult(int result);

  // Asks the form to close (see above).
  void Close();

  // Escape and Return as the form handles them; true when a button was clicked.
  bool HandleDialogKey(int key);

protected:
  // Window messages.  The default handles none.
  virtual void WndProc(platform::Message& msg);
  // Chooses what closing does; the default keeps caHide.
  virtual void FormClose(TCloseAction& action);
  // Runs each time the form is shown, before it paints.
  virtual void FormShow() {}

  bool event(QEvent* e) override;
  void keyPressEvent(QKeyEvent* e) override;
  void closeEvent(QCloseEvent* e) override;
  void showEvent(QShowEvent* e) override;

private:
  std::vector<QPointer<QAbstractButton>> m_cancel;
  QPointer<QAbstractButton> m_default;
  QPointer<QWidget> m_active;
  QEventLoop* m_loop = nullptr;
  int m_modalResult = mrNone;
  bool m_centre = false;
  bool m_placed = false;
  bool m_closing = false;
};

}  // namespace tk
