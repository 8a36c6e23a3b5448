#include "toolkit/Form.h"

#include <QAbstractButton>
#include <QCloseEvent>
#include <QEventLoop>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QScreen>

#include "toolkit/Application.h"

namespace tk {

TForm::TForm(QWidget* owner) : QWidget(owner ? owner : Application().OwnerWidget(), Qt::Window) {
  setAttribute(Qt::WA_DeleteOnClose, false);
}

TForm::~TForm() {
  if (m_loop) m_loop->quit();
}

void TForm::SetClientSize(int width, int height) { setFixedSize(width, height); }

void TForm::SetBorderStyle(TBorderStyle style) {
  Qt::WindowFlags f = (windowFlags() & Qt::WindowStaysOnTopHint);
  switch (style) {
    case TBorderStyle::bsSingleNoIcons:
      f |= Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint;
      break;
    case TBorderStyle::bsDialogNoIcons:
      f |= Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint;
      break;
    case TBorderStyle::bsDialogSystemMenu:
      f |= Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
           Qt::WindowCloseButtonHint;
      break;
    case TBorderStyle::bsSizeable:
      f |= Qt::Window;
      break;
  }
  setWindowFlags(f);
}

void TForm::SetStayOnTop(bool on) { setWindowFlag(Qt::WindowStaysOnTopHint, on); }

void TForm::SetActiveControl(QWidget* w) {
  m_active = w;
  if (w) w->setFocus(Qt::OtherFocusReason);
}

int TForm::ShowModal() {
  QPointer<TForm> self(this);
  m_modalResult = mrNone;
  setWindowModality(Qt::ApplicationModal);
  show();
  platform::BringWindowToTop(platform::HandleOf(this));
  activateWindow();
  QEventLoop loop;
  m_loop = &loop;
  if (m_modalResult == mrNone) loop.exec(QEventLoop::DialogExec);
  if (!self) return mrCancel;
  m_loop = nullptr;
  hide();
  setWindowModality(Qt::NonModal);
  return m_modalResult;
}

void TForm::SetModalResult(int result) {
  m_modalResult = result;
  if (m_loop && result != mrNone) m_loop->quit();
}

void TForm::Close() {
  if (m_closing) return;
  if (m_loop) {
    SetModalResult(mrCancel);
    return;
  }
  m_closing = true;
  TCloseAction action = TCloseAction::caHide;
  FormClose(action);
  m_closing = false;
  if (action == TCloseAction::caNone) return;
  hide();
  if (action == TCloseAction::caFree) deleteLater();
}

void TForm::FormClose(TCloseAction&) {}

void TForm::WndProc(platform::Message&) {}

bool TForm::HandleDialogKey(int key) {
  if (key == Qt::Key_Escape) {
    for (const auto& b : m_cancel) {
      if (b && b->isEnabled() && b->isVisible()) {
        b->click();
        return true;
      }
    }
    return false;
  }
  if (key == Qt::Key_Return || key == Qt::Key_Enter) {
    if (auto* focused = qobject_cast<QAbstractButton*>(focusWidget()); focused && focused->isEnabled()) {
      focused->click();
      return true;
    }
    if (m_default && m_default->isEnabled() && m_default->isVisible()) {
      m_default->click();
      return true;
    }
  }
  return false;
}

bool TForm::event(QEvent* e) {
  if (e->type() == platform::MessageEvent::EventType()) {
    WndProc(static_cast<platform::MessageEvent*>(e)->message);
    return true;
  }
  return QWidget::event(e);
}

void TForm::keyPressEvent(QKeyEvent* e) {
  if (e->modifiers() == Qt::NoModifier || e->modifiers() == Qt::KeypadModifier) {
    if (HandleDialogKey(e->key())) return;
  }
  QWidget::keyPressEvent(e);
}

void TForm::closeEvent(QCloseEvent* e) {
  // Closing is ours to decide: a modal run ends, otherwise FormClose chooses.
  e->ignore();
  Close();
}

void TForm::showEvent(QShowEvent* e) {
  if (!m_placed) {
    m_placed = true;
    if (m_centre) {
      if (QScreen* s = QGuiApplication::primaryScreen()) {
        const QRect screen = s->geometry();
        const QSize frame = frameGeometry().size();
        move(screen.left() + (screen.width() - frame.width()) / 2,
             screen.top() + (screen.height() - frame.height()) / 2);
      }
    }
    if (m_active) m_active->setFocus(Qt::OtherFocusReason);
  }
  FormShow();
  QWidget::showEvent(e);
}

}  // namespace tk
