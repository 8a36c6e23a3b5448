// The toolkit's plain modal boxes: a message box and an error box.
//
// Both are modal, show one text and an OK button (object name "OK"), and return
// when the user closes them.  Tests (and anything else that must not wait for a
// person) install a box hook: while one is installed, boxes are reported to it
// and not shown at all.
#pragma once

#include <QString>
#include <functional>
#include <vector>

namespace tk {

enum class BoxKind { Message, Error };

using BoxHook = std::function<void(BoxKind kind, const QString& caption, const QString& text)>;

// Installs a hook (or removes it with an empty function); returns the previous one.
BoxHook SetBoxHook(BoxHook hook);

// A message box captioned `caption` (the application's title when empty).
void ShowMessageBox(const QString& text, const QString& caption = QString());

// An error box, captioned "Error".
void ShowErrorBox(const QString& text);

// Scoped hook for tests: records every box while alive.
struct BoxRecorder {
  struct Box {
    BoxKind kind;
    QString caption;
    QString text;
  };
  BoxRecorder();
  ~BoxRecorder();
  std::vector<Box> boxes;

private:
  BoxHook m_previous;
};

}  // namespace tk
