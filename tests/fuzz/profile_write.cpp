// A file of any bytes, then a sequence of writes, deletions and reads decoded
// from the input.  After each write: it succeeds exactly when the names, the
// value and the file allow it; a refused write leaves every byte; a done write
// leaves a file that reads, whose written value reads back and whose other
// keys all read as before.
//
// The input is fields separated by byte 1, so that seeds are easy to write:
// the file's first content ("\2" alone: no file), then groups of four fields,
// each an operation (its first byte modulo 4: 0 write, 1 delete the key,
// 2 delete the section, 3 read), a section, a key and a value.
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "platform/Profile.h"
#include "tests/fuzz/FuzzFiles.h"
#include "tests/fuzz/ReferenceIni.h"

namespace {

[[noreturn]] void Fail(const char* what, const std::string& before, const std::string& after) {
  std::fprintf(stderr, "%s\n--- before ---\n%s\n--- after ---\n%s\n", what, before.c_str(),
               after.c_str());
  std::abort();
}

bool HasBreak(const std::string& s) { return s.find_first_of(std::string("\r\n\0", 3)) != std::string::npos; }

bool ValidSection(const std::string& s) {
  const std::string t = reference::Trim(s);
  return !t.empty() && !HasBreak(s) && t.find(']') == std::string::npos;
}

bool ValidKey(const std::string& k) {
  const std::string t = reference::Trim(k);
  return !t.empty() && !HasBreak(k) && t.find('=') == std::string::npos && t[0] != ';' &&
         t[0] != '[';
}

std::string UpToNul(std::string s) { return s.substr(0, s.find('\0')); }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::vector<std::string> fields(1);
  for (std::size_t i = 0; i < size; ++i) {
    if (data[i] == 1)
      fields.emplace_back();
    else
      fields.back() += static_cast<char>(data[i]);
  }
  const std::string path = fuzzfiles::Folder() + "/write.ini";
  std::remove(path.c_str());
  if (fields[0] != "\2") fuzzfiles::Put("write.ini", fields[0]);

  for (std::size_t f = 1; f + 3 < fields.size() && f < 1 + 4 * 12; f += 4) {
    const int kind = fields[f].empty() ? 0 : static_cast<unsigned char>(fields[f][0]) % 4;
    const std::string& section = fields[f + 1];
    // The layer takes key and value as C strings: they end at a NUL.
    const std::string key = UpToNul(fields[f + 2]);
    const std::string value = UpToNul(fields[f + 3]);
    const std::optional<std::string> before = fuzzfiles::Get(path);
    const std::string beforeText = before.value_or("");

    if (kind == 3) {
      const std::string got = platform::GetPrivateProfileString(section, key, "<def>", path, 1u << 20);
      const bool askable = !reference::Trim(section).empty() && !reference::Trim(key).empty();
      const std::string want =
          askable ? reference::Read(beforeText, section, key).value_or("<def>") : "<def>";
      if (got != want) Fail("read differs", beforeText, got);
      continue;
    }
    const char* k = kind == 2 ? nullptr : key.c_str();
    const char* v = kind == 0 ? value.c_str() : nullptr;
    const bool done = platform::WritePrivateProfileString(section, k, v, path);
    const std::optional<std::string> after = fuzzfiles::Get(path);
    const std::string afterText = after.value_or("");

    const bool fileOk = beforeText.find('\0') == std::string::npos;
    const bool namesOk = ValidSection(section) && (kind == 2 || ValidKey(key)) &&
                         (kind != 0 || !HasBreak(value));
    if (done != (fileOk && namesOk)) Fail(done ? "write done that should fail" : "write refused", beforeText, afterText);
    if (!done) {
      if (after != before) Fail("refused write changed the file", beforeText, afterText);
      continue;
    }
    if (afterText.find('\0') != std::string::npos) Fail("file no longer reads", beforeText, afterText);
    const std::string s = reference::Lower(reference::Trim(section));
    const std::string kk = reference::Lower(reference::Trim(key));
    if (kind == 0) {
      const std::string want = reference::Unquote(reference::Trim(value));
      if (reference::Read(afterText, section, key) != want) Fail("value does not read back", beforeText, afterText);
    }
    // Every other key reads as before, and no other key appears.
    auto unrelated = [&](const std::pair<std::string, std::string>& name) {
      return kind == 2 ? name.first != s : name != std::make_pair(s, kk);
    };
    const reference::Entries old = reference::All(beforeText), now = reference::All(afterText);
    for (const auto& [name, val] : old)
      if (unrelated(name) && (!now.count(name) || now.at(name) != val))
        Fail("an unrelated key changed", beforeText, afterText);
    for (const auto& [name, val] : now)
      if (unrelated(name) && !old.count(name)) Fail("an unrelated key appeared", beforeText, afterText);
  }
  return 0;
}
