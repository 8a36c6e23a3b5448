// The add-in's application object: the owner of its forms, its help file and
// its title, inside a process (the IDE) that it does not own.
#pragma once

#include <QString>
#include <string>

#include "platform/Windows.h"

class QWidget;

namespace tk {

class TApplication {
public:
  // The window that owns every form of the add-in: the host's main window once
  // the entry point has been called, else none (the forms stand alone).
  platform::HWND Handle() const { return m_handle; }
  void SetHandle(platform::HWND h) { m_handle = h; }
  // The widget behind Handle(), or nullptr (also when that window is gone).
  QWidget* OwnerWidget() const;

  // The help file that help requests name (a bare file name or a path).
  const std::string& HelpFile() const { return m_helpFile; }
  void SetHelpFile(const std::string& file) { m_helpFile = file; }

  // Opens the help file at a topic given by name.  Returns false when the help
  // layer could not be reached.
  bool HelpJump(const std::string& topic);

  // Caption of the toolkit's plain message boxes.
  const QString& Title() const { return m_title; }
  void SetTitle(const QString& t) { m_title = t; }

  void ProcessMessages() { platform::ProcessMessages(); }

private:
  platform::HWND m_handle = 0;
  std::string m_helpFile;
  QString m_title;
};

TApplication& Application();

}  // namespace tk
