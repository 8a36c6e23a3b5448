#include "settings/EasyINI.h"

#include <charconv>
#include <cmath>

#include "platform/Profile.h"
#include "platform/Windows.h"

namespace {

bool EqualsNoCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    char x = a[i], y = b[i];
    if (x >= 'a' && x <= 'z') x = static_cast<char>(x - 'a' + 'A');
    if (y >= 'a' && y <= 'z') y = static_cast<char>(y - 'a' + 'A');
    if (x != y) return false;
  }
  return true;
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

}  // namespace

TIniEditor::TIniEditor(QObject* owner) : QObject(owner) {}

void TIniEditor::SetFileName(const std::string& name) {
  if (name != m_fileName) m_fileName = name;
}

void TIniEditor::SetFileLocation(TFileLocation location) {
  m_fileLocation = location;
  m_baseDir.clear();
  switch (location) {
    case ApplicationPath: {
      const std::string exe = platform::GetModuleFileName();
      const std::size_t slash = exe.rfind('/');
      if (slash != std::string::npos) m_baseDir = exe.substr(0, slash + 1);
      break;
    }
    case WindowsPath:
      m_baseDir = platform::GetWindowsDirectory();
      // An empty answer stays empty rather than turning into the root folder.
      if (!m_baseDir.empty() && m_baseDir.back() != '/') m_baseDir += '/';
      break;
    case PathInFileName:
      break;
  }
}

std::string TIniEditor::FullPath() const {
  std::string path;
  if (m_baseDir.empty() || (m_fileName.size() >= 2 && m_fileName[1] == ':'))
    path = m_fileName;
  else if (!m_fileName.empty() && m_fileName.front() == '/')
    path = m_baseDir + m_fileName.substr(1);
  else
    path = m_baseDir + m_fileName;
  if (path.find('.') == std::string::npos) path += ".INI";
  return path;
}

void TIniEditor::WriteStr(std::string_view section, std::string_view key, std::string_view value) {
  if (section.empty() || m_fileName.empty()) return;
  if (section.size() > MaxTextLength || key.size() > MaxTextLength ||
      value.size() > MaxTextLength)
    return;
  const std::string path = FullPath();
  m_snapshot.reset();  // a read after this write must see it
  const std::string k(key), v(value);
  if (!value.empty())
    platform::WritePrivateProfileString(section, k.c_str(), v.c_str(), path);
  else if (!key.empty())
    platform::WritePrivateProfileString(section, k.c_str(), nullptr, path);
  else
    platform::WritePrivateProfileString(section, nullptr, nullptr, path);
}

std::string TIniEditor::ReadStr(std::string_view section, std::string_view key,
                                std::string_view defaultValue) {
  if (section.empty() || key.empty() || m_fileName.empty()) return std::string(defaultValue);
  if (m_batchDepth == 0)
    return platform::GetPrivateProfileString(section, key, defaultValue, FullPath(),
                                             MaxTextLength + 1);
  std::string path = FullPath();
  if (!m_snapshot || m_snapshot->Path() != path)
    m_snapshot = std::make_unique<platform::ProfileSnapshot>(path);
  return m_snapshot->GetString(section, key, defaultValue, MaxTextLength + 1);
}

TIniEditor::BatchRead::BatchRead(TIniEditor& ini) : m_ini(ini) { ++m_ini.m_batchDepth; }

TIniEditor::BatchRead::~BatchRead() {
  if (--m_ini.m_batchDepth == 0) m_ini.m_snapshot.reset();
}

void TIniEditor::EraseSection(std::string_view section) { WriteStr(section, {}, {}); }

void TIniEditor::EraseEntry(std::string_view section, std::string_view key) {
  WriteStr(section, key, {});
}

std::string TIniEditor::BoolToText(bool value) { return value ? "True" : "False"; }

void TIniEditor::WriteBool(std::string_view section, std::string_view key, bool value) {
  WriteStr(section, key, BoolToText(value));
}

bool TIniEditor::ReadBool(std::string_view section, std::string_view key, bool defaultValue) {
  const std::string text = ReadStr(section, key, BoolToText(defaultValue));
  return EqualsNoCase(text, "TRUE") || EqualsNoCase(text, "YES") || text == "1";
}

void TIniEditor::WriteChar(std::string_view section, std::string_view key, char value) {
  WriteStr(section, key, value == '\0' ? std::string_view() : std::string_view(&value, 1));
}

char TIniEditor::ReadChar(std::string_view section, std::string_view key, char defaultValue) {
  const std::string def = defaultValue == '\0' ? std::string() : std::string(1, defaultValue);
  const std::string text = ReadStr(section, key, def);
  return text.empty() ? defaultValue : text.front();
}

void TIniEditor::WriteInt(std::string_view section, std::string_view key, std::int32_t value) {
  WriteStr(section, key, std::to_string(value));
}

std::int32_t TIniEditor::ReadInt(std::string_view section, std::string_view key,
                                 std::int32_t defaultValue) {
  const long double value = ReadReal(section, key, static_cast<long double>(defaultValue));
  if (!std::isfinite(value)) return defaultValue;
  const long double whole = std::trunc(value);
  if (whole < -2147483648.0L || whole > 2147483647.0L) return defaultValue;
  return static_cast<std::int32_t>(whole);
}

std::string TIniEditor::RealToText(long double value) {
  if (std::isnan(value)) return "NAN";
  if (std::isinf(value)) return value < 0 ? "-INF" : "INF";
  char buf[64];
  const auto res = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::general, 15);
  std::string text(buf, res.ptr);
  // "1.5e+20" becomes "1.5E20", "1e-07" becomes "1E-7".
  const std::size_t e = text.find('e');
  if (e != std::string::npos) {
    std::string exponent = text.substr(e + 1);
    bool negative = false;
    if (!exponent.empty() && (exponent.front() == '+' || exponent.front() == '-')) {
      negative = exponent.front() == '-';
      exponent.erase(0, 1);
    }
    const std::size_t firstNonZero = exponent.find_first_not_of('0');
    exponent = firstNonZero == std::string::npos ? "0" : exponent.substr(firstNonZero);
    text = text.substr(0, e) + "E" + (negative ? "-" : "") + exponent;
  }
  return text;
}

bool TIniEditor::TextToReal(std::string_view text, long double& value) {
  // Checked by hand first: the library parser would also take "inf", "nan"
  // and other forms that are no decimal numbers.
  std::size_t i = 0;
  const std::size_t n = text.size();
  bool negative = false;
  if (i < n && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  const std::size_t mantissa = i;
  std::size_t digits = 0;
  while (i < n && IsDigit(text[i])) ++i, ++digits;
  if (i < n && text[i] == '.') {
    ++i;
    while (i < n && IsDigit(text[i])) ++i, ++digits;
  }
  if (digits == 0) return false;
  if (i < n && (text[i] == 'e' || text[i] == 'E')) {
    ++i;
    if (i < n && (text[i] == '+' || text[i] == '-')) ++i;
    std::size_t expDigits = 0;
    while (i < n && IsDigit(text[i])) ++i, ++expDigits;
    if (expDigits == 0) return false;
  }
  if (i != n) return false;
  long double parsed = 0;
  const char* first = text.data() + mantissa;
  const char* last = text.data() + n;
  const auto res = std::from_chars(first, last, parsed, std::chars_format::general);
  if (res.ec != std::errc() || res.ptr != last || !std::isfinite(parsed)) return false;
  value = negative ? -parsed : parsed;
  return true;
}

void TIniEditor::WriteReal(std::string_view section, std::string_view key, long double value) {
  WriteStr(section, key, RealToText(value));
}

long double TIniEditor::ReadReal(std::string_view section, std::string_view key,
                                 long double defaultValue) {
  const std::string text = ReadStr(section, key, RealToText(defaultValue));
  long double value = 0;
  return TextToReal(text, value) ? value : defaultValue;
}
