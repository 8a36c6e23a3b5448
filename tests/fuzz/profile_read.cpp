// Any bytes as the file, any section and key: the reader answers as the rules
// say (held against a plain restatement of them), for one read and for a
// snapshot asked for every key the file holds.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdio>
#include <cstdlib>

#include "platform/Profile.h"
#include "tests/fuzz/FuzzFiles.h"
#include "tests/fuzz/ReferenceIni.h"

namespace {

std::string Cut(const std::string& s, std::size_t bufferSize) {
  return bufferSize == 0 ? std::string() : s.substr(0, bufferSize - 1);
}

void Check(bool ok, const char* what, const std::string& got, const std::string& want) {
  if (ok) return;
  std::fprintf(stderr, "%s: got [%s], expected [%s]\n", what, got.c_str(), want.c_str());
  std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider in(data, size);
  const std::string section = in.ConsumeRandomLengthString(40);
  const std::string key = in.ConsumeRandomLengthString(40);
  const std::size_t bufferSize = in.ConsumeIntegralInRange<std::size_t>(0, 300);
  const std::string file = in.ConsumeRemainingBytesAsString();
  const std::string path = fuzzfiles::Put("read.ini", file);

  const bool askable = !reference::Trim(section).empty() && !reference::Trim(key).empty();
  const std::string want =
      Cut(askable ? reference::Read(file, section, key).value_or("<def>") : "<def>", bufferSize);
  const std::string got = platform::GetPrivateProfileString(section, key, "<def>", path, bufferSize);
  Check(got == want, "read", got, want);

  const platform::ProfileSnapshot snapshot(path);
  Check(snapshot.GetString(section, key, "<def>", bufferSize) == want, "snapshot read", got, want);
  int asked = 0;
  for (const auto& [name, value] : reference::All(file)) {
    if (++asked > 64) break;
    if (name.first.empty() || name.second.empty()) continue;
    const std::string v = snapshot.GetString(name.first, name.second, "<def>", 1u << 20);
    Check(v == value, "snapshot of every key", v, value);
  }
  return 0;
}
