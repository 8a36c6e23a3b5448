#include "platform/Offscreen.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>

namespace platform {

std::string UseOffscreenScreen(int width, int height) {
  std::error_code ec;
  std::filesystem::path dir = std::filesystem::temp_directory_path(ec);
  if (ec) dir = "/tmp";
  const std::filesystem::path file =
      dir / ("edgetucker-screen-" + std::to_string(width) + "x" + std::to_string(height) + "-" +
             std::to_string(::getpid()) + ".json");
  {
    std::ofstream out(file, std::ios::trunc);
    out << "{\"synchronousWindowSystemEvents\": true, \"windowFrameMargins\": false,\n"
        << " \"screens\": [{\"name\": \"S1\", \"x\": 0, \"y\": 0, \"width\": " << width
        << ", \"height\": " << height
        << ", \"logicalDpi\": 96, \"logicalBaseDpi\": 96, \"dpr\": 1}]}\n";
    if (!out) return {};
  }
  const std::string platformArg = "offscreen:configfile=" + file.string();
  ::setenv("QT_QPA_PLATFORM", platformArg.c_str(), 1);
  return file.string();
}

}  // namespace platform
