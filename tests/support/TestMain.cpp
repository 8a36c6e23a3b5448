// Runs a test executable on a 1024 x 768 offscreen screen, with the Windows
// directory pointed at a fresh temporary folder so no test touches the user's
// real settings.
#include <gtest/gtest.h>

#include <QApplication>
#include <cstdlib>
#include <filesystem>
#include <unistd.h>

#include "platform/Offscreen.h"

int main(int argc, char** argv) {
  if (!std::getenv("QT_QPA_PLATFORM")) platform::UseOffscreenScreen(1024, 768);
  std::filesystem::path dir = std::filesystem::temp_directory_path() /
                              ("edgetucker-test-" + std::to_string(::getpid()));
  std::filesystem::create_directories(dir);
  ::setenv("WINDIR", dir.c_str(), 1);
  ::testing::InitGoogleTest(&argc, argv);
  QApplication app(argc, argv);
  const int rc = RUN_ALL_TESTS();
  std::error_code ec;
  std::filesystem::remove_all(dir, ec);
  return rc;
}
