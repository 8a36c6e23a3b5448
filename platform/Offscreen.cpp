#include "platform/Offscreen.h"

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

namespace platform {
namespace {

// The configuration this process made, removed when the process that made it
// exits (a forked child that exits must not take its parent's file along).
std::string g_file;
pid_t g_owner = 0;

void RemoveScreenFile() {
  if (g_owner == ::getpid() && !g_file.empty()) ::unlink(g_file.c_str());
}

bool WriteAll(int fd, const std::string& text) {
  std::size_t done = 0;
  while (done < text.size()) {
    const ssize_t n = ::write(fd, text.data() + done, text.size() - done);
    if (n <= 0) return false;
    done += static_cast<std::size_t>(n);
  }
  return true;
}

}  // namespace

std::string UseOffscreenScreen(int width, int height) {
  std::error_code ec;
  std::filesystem::path dir = std::filesystem::temp_directory_path(ec);
  if (ec) dir = "/tmp";
  // A name of its own (never a file another process or user left behind under
  // a reused process id), created exclusively by this process.
  const std::string pattern =
      (dir / ("edgetucker-screen-" + std::to_string(width) + "x" + std::to_string(height) + "-XXXXXX.json"))
          .string();
  std::vector<char> name(pattern.begin(), pattern.end());
  name.push_back('\0');
  const int fd = ::mkstemps(name.data(), 5);
  if (fd < 0) return {};
  const std::string text =
      "{\"synchronousWindowSystemEvents\": true, \"windowFrameMargins\": false,\n"
      " \"screens\": [{\"name\": \"S1\", \"x\": 0, \"y\": 0, \"width\": " +
      std::to_string(width) + ", \"height\": " + std::to_string(height) +
      ", \"logicalDpi\": 96, \"logicalBaseDpi\": 96, \"dpr\": 1}]}\n";
  const bool written = WriteAll(fd, text);
  if (::close(fd) != 0 || !written) {
    ::unlink(name.data());
    return {};
  }
  if (g_owner != ::getpid()) {
    g_owner = ::getpid();
    g_file.clear();
    std::atexit(RemoveScreenFile);
  }
  if (!g_file.empty()) ::unlink(g_file.c_str());  // an earlier screen of this process
  g_file = name.data();
  const std::string platformArg = "offscreen:configfile=" + g_file;
  ::setenv("QT_QPA_PLATFORM", platformArg.c_str(), 1);
  return g_file;
}

}  // namespace platform
