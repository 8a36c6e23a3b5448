#include "toolkit/Application.h"

#include <QWidget>

#include "platform/Help.h"

namespace tk {

TApplication& Application() {
  static TApplication app;
  return app;
}

QWidget* TApplication::OwnerWidget() const { return platform::WidgetFromHandle(m_handle); }

bool TApplication::HelpJump(const std::string& topic) {
  return platform::WinHelpJump(m_helpFile, topic);
}

}  // namespace tk
