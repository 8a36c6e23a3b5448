#include "toolkit/Dialogs.h"

#include <QMessageBox>
#include <QPushButton>

#include "toolkit/Application.h"

namespace tk {
namespace {
BoxHook& hookSlot() {
  static BoxHook hook;
  return hook;
}

void ShowBox(BoxKind kind, const QString& caption, const QString& text) {
  if (hookSlot()) {
    // Copy: the hook may replace itself.
    BoxHook hook = hookSlot();
    hook(kind, caption, text);
    return;
  }
  QMessageBox box(kind == BoxKind::Error ? QMessageBox::Critical : QMessageBox::NoIcon, caption, text,
                  QMessageBox::NoButton, Application().OwnerWidget());
  QPushButton* ok = box.addButton(QStringLiteral("OK"), QMessageBox::AcceptRole);
  ok->setObjectName(QStringLiteral("OK"));
  box.setDefaultButton(ok);
  box.setEscapeButton(ok);
  box.exec();
}
}  // namespace

BoxHook SetBoxHook(BoxHook hook) {
  BoxHook previous = std::move(hookSlot());
  hookSlot() = std::move(hook);
  return previous;
}

void ShowMessageBox(const QString& text, const QString& caption) {
  ShowBox(BoxKind::Message, caption.isEmpty() ? Application().Title() : caption, text);
}

void ShowErrorBox(const QString& text) { ShowBox(BoxKind::Error, QStringLiteral("Error"), text); }

BoxRecorder::BoxRecorder() {
  m_previous = SetBoxHook([this](BoxKind k, const QString& c, const QString& t) {
    boxes.push_back(Box{k, c, t});
  });
}

BoxRecorder::~BoxRecorder() { SetBoxHook(std::move(m_previous)); }

}  // namespace tk
