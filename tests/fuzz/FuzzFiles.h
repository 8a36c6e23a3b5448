// A private folder for a fuzz target's files, and whole-file reads and writes.
#pragma once

#include <cstdlib>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <unistd.h>

namespace fuzzfiles {

inline const std::string& Folder() {
  static const std::string dir = [] {
    const char* tmp = std::getenv("TMPDIR");
    std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/edgetucker-fuzz-XXXXXX";
    if (!::mkdtemp(pattern.data())) std::abort();
    static const std::string made = pattern;
    std::atexit([] { std::system(("rm -rf '" + made + "'").c_str()); });
    return pattern;
  }();
  return dir;
}

inline std::string Put(const std::string& name, const std::string& bytes) {
  const std::string path = Folder() + "/" + name;
  std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
  return path;
}

inline std::optional<std::string> Get(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return std::nullopt;
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

}  // namespace fuzzfiles
