// The two directory look-ups the INI component links against; the fuzz targets
// give it full paths, so neither is asked.
#include <string>

namespace platform {
std::string GetWindowsDirectory() { return "/nonexistent/"; }
std::string GetModuleFileName() { return "/nonexistent/fuzz"; }
}  // namespace platform
