// The main of the GoogleTest programs that run on a real X display
// (placement_run.sh starts the server and the window manager): skipped (77)
// without a display, and on Qt's xcb platform whatever the environment says.
#include <gtest/gtest.h>

#include <QApplication>
#include <cstdlib>
#include <iostream>

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  if (!std::getenv("DISPLAY")) {
    std::cout << "SKIP: no X display (run through placement_run.sh)" << std::endl;
    return 77;
  }
  ::setenv("QT_QPA_PLATFORM", "xcb", 1);
  QApplication app(argc, argv);
  return RUN_ALL_TESTS();
}
