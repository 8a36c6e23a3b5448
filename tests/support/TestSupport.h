// Helpers shared by the test executables.
#pragma once

#include <gtest/gtest.h>

#include <QApplication>
#include <QImage>
#include <QTimer>
#include <QWidget>
#include <QString>
#include <functional>
#include <string>

namespace testing_support {

// The Windows directory of this test run (a fresh temporary folder).
std::string WindowsDir();

// Writes a file (bytes as given) and returns its path.
std::string WriteFile(const std::string& path, const std::string& bytes);
std::string ReadFile(const std::string& path);

// Processes events until pred() holds or timeoutMs passes; returns pred().
bool WaitFor(const std::function<bool()>& pred, int timeoutMs = 2000);

// The first top-level window of type T (only a visible one unless told
// otherwise), or nullptr.
template <class T>
T* FindTopLevel(bool visibleOnly = true) {
  for (QWidget* w : QApplication::topLevelWidgets())
    if (auto* t = qobject_cast<T*>(w); t && (!visibleOnly || t->isVisible())) return t;
  return nullptr;
}

// Runs `act` on the visible window of type T once the event loop turns, that
// is, once the modal run that shows it has started.
template <class T>
void WhenShown(std::function<void(T*)> act) {
  QTimer::singleShot(0, [act] {
    T* w = FindTopLevel<T>();
    ASSERT_NE(w, nullptr);
    act(w);
  });
}

}  // namespace testing_support
