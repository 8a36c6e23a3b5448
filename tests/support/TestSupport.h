// Helpers shared by the test executables.
#pragma once

#include <QImage>
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

}  // namespace testing_support
