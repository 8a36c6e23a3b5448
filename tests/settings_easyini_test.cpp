#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <limits>
#include <string>
#include <vector>

#include "platform/Windows.h"
#include "settings/EasyINI.h"
#include "tests/support/TestSupport.h"

namespace fs = std::filesystem;
using testing_support::ReadFile;
using testing_support::WriteFile;

namespace {

// Points the Windows directory somewhere else for one scope.
class WindowsDirOverride {
public:
  explicit WindowsDirOverride(const std::string& dir) : m_old(testing_support::WindowsDir()) {
    ::setenv("WINDIR", dir.c_str(), 1);
  }
  ~WindowsDirOverride() { ::setenv("WINDIR", m_old.c_str(), 1); }

private:
  std::string m_old;
};

class IniEditorTest : public ::testing::Test {
protected:
  void SetUp() override {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    m_dir = fs::path(testing_support::WindowsDir()) / "easyini" / info->name();
    fs::remove_all(m_dir);
    fs::create_directories(m_dir);
    ini.SetFileName((m_dir / "test.ini").string());
    ini.SetFileLocation(PathInFileName);
  }
  std::string File() const { return ReadFile((m_dir / "test.ini").string()); }
  void Store(const std::string& text) { WriteFile((m_dir / "test.ini").string(), text); }

  fs::path m_dir;
  TIniEditor ini;
};

TEST(IniEditorPath, FullPathFollowsLocationAndName) {
  struct Row {
    const char* name;
    const char* windowsDir;
    TFileLocation location;
    const char* fileName;
    std::string expected;
  };
  const std::string exe = platform::GetModuleFileName();
  const std::string exeDir = exe.substr(0, exe.rfind('/') + 1);
  const std::vector<Row> rows = {
      {"name in the Windows folder", "/w/win", WindowsPath, "Edgetuck.ini", "/w/win/Edgetuck.ini"},
      {"Windows folder with its slash", "/w/win/", WindowsPath, "Edgetuck.ini",
       "/w/win/Edgetuck.ini"},
      {"leading slash under the Windows folder", "/w/win", WindowsPath, "/Edgetuck.ini",
       "/w/win/Edgetuck.ini"},
      {"relative folder below the Windows folder", "/w/win", WindowsPath, "sub/a.ini",
       "/w/win/sub/a.ini"},
      {"drive letter used unchanged", "/w/win", WindowsPath, "C:\\x\\y.ini", "C:\\x\\y.ini"},
      {"drive letter without extension", "/w/win", WindowsPath, "C:x", "C:x.INI"},
      {"no full stop gets .INI", "/w/win", WindowsPath, "Edgetuck", "/w/win/Edgetuck.INI"},
      {"dotted folder suppresses .INI", "/w/win.d", WindowsPath, "Edgetuck", "/w/win.d/Edgetuck"},
      {"path in the name", "/w/win", PathInFileName, "/etc/app/set.ini", "/etc/app/set.ini"},
      {"path in the name without full stop", "/w/win", PathInFileName, "/etc/app/set",
       "/etc/app/set.INI"},
      {"beside the executable", "/w/win", ApplicationPath, "a.ini", exeDir + "a.ini"},
      {"unknown location uses the name", "/w/win", static_cast<TFileLocation>(7), "a.ini",
       "a.ini"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    WindowsDirOverride windir(row.windowsDir);
    TIniEditor ini;
    ini.SetFileName(row.fileName);
    ini.SetFileLocation(row.location);
    EXPECT_EQ(ini.FileLocation(), row.location);
    EXPECT_EQ(ini.FullPath(), row.expected);
  }
}

TEST(IniEditorPath, BaseFolderIsDerivedOnlyWhenTheLocationIsAssigned) {
  TIniEditor ini;
  EXPECT_EQ(ini.FileLocation(), ApplicationPath);
  EXPECT_EQ(ini.FileName(), "");
  ini.SetFileName("rel/a.ini");
  EXPECT_EQ(ini.FullPath(), "rel/a.ini") << "never assigned: no base folder";

  WindowsDirOverride first("/first");
  ini.SetFileLocation(WindowsPath);
  {
    WindowsDirOverride second("/second");
    EXPECT_EQ(ini.FullPath(), "/first/rel/a.ini");
    ini.SetFileLocation(WindowsPath);  // the same value derives again
    EXPECT_EQ(ini.FullPath(), "/second/rel/a.ini");
  }
}

TEST_F(IniEditorTest, StringsAreWrittenReadAndErased) {
  ini.WriteStr("S", "a", "one");
  ini.WriteStr("S", "b", "two");
  ini.WriteStr("T", "c", "three");
  EXPECT_EQ(File(), "[S]\na=one\nb=two\n[T]\nc=three\n");
  EXPECT_EQ(ini.ReadStr("s", "A", "def"), "one");

  ini.WriteStr("S", "a", "");
  EXPECT_EQ(ini.ReadStr("S", "a", "def"), "def");
  ini.EraseEntry("S", "b");
  EXPECT_EQ(File(), "[S]\n[T]\nc=three\n");
  ini.WriteStr("T", "", "");
  EXPECT_EQ(File(), "[S]\n");
  ini.WriteStr("S", "x", "1");
  ini.EraseSection("S");
  EXPECT_EQ(File(), "");
}

TEST_F(IniEditorTest, EmptyNamesNeitherReadNorWrite) {
  Store("[S]\n=v\nk=v\n");
  ini.WriteStr("", "k", "new");
  ini.EraseSection("");
  EXPECT_EQ(File(), "[S]\n=v\nk=v\n");
  EXPECT_EQ(ini.ReadStr("", "k", "def"), "def");
  EXPECT_EQ(ini.ReadStr("S", "", "def"), "def");

  TIniEditor unnamed;
  unnamed.SetFileLocation(WindowsPath);
  unnamed.WriteStr("S", "k", "v");
  EXPECT_EQ(unnamed.ReadStr("S", "k", "def"), "def");
  EXPECT_FALSE(fs::exists(unnamed.FullPath()));
}

TEST_F(IniEditorTest, PresentEmptyValueIsNotTheDefault) {
  Store("[S]\nk=\n");
  EXPECT_EQ(ini.ReadStr("S", "k", "def"), "");
  EXPECT_EQ(ini.ReadStr("S", "missing", "def"), "def");
}

TEST_F(IniEditorTest, BooleansReadTrueOnlyForTheirWords) {
  struct Row {
    const char* stored;
    bool expected;
  };
  const std::vector<Row> rows = {
      {"yes", true},  {"Yes", true},    {"TRUE", true}, {"true", true}, {"1", true},
      {"'yes'", true}, {"0", false},    {"no", false},  {"False", false}, {"11", false},
      {"", false},    {"truely", false}, {"01", false}, {"on", false},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(std::string("stored \"") + row.stored + "\"");
    Store(std::string("[S]\nk=") + row.stored + "\n");
    EXPECT_EQ(ini.ReadBool("S", "k", true), row.expected);
    EXPECT_EQ(ini.ReadBool("S", "k", false), row.expected);
  }
  for (bool value : {true, false}) {
    Store("");
    EXPECT_EQ(ini.ReadBool("S", "k", value), value) << "a missing key gives the default";
    ini.WriteBool("S", "k", value);
    EXPECT_EQ(File(), value ? "[S]\nk=True\n" : "[S]\nk=False\n");
    EXPECT_EQ(ini.ReadBool("S", "k", !value), value);
  }
}

TEST_F(IniEditorTest, IntegersTruncateAndFallBackToTheDefault) {
  struct Row {
    const char* stored;
    std::int32_t expected;  // with default -77
  };
  const std::vector<Row> rows = {
      {"12.9", 12},           {"-3.7", -3},           {"1E2", 100},
      {"7.99", 7},            {"-5", -5},             {"+5", 5},
      {" 42 ", 42},           {".5", 0},              {"5.", 5},
      {"2.5e1", 25},          {"2147483647", 2147483647},
      {"-2147483648", std::numeric_limits<std::int32_t>::min()},
      {"2147483647.9", 2147483647},
      {"2147483648", -77},    {"-2147483649", -77},   {"1e400", -77},
      {"1e99999", -77},       {"abc", -77},           {"", -77},
      {"5x", -77},            {"0x10", -77},          {"inf", -77},
      {"nan", -77},           {"1e", -77},            {"-", -77},
      {".", -77},             {"1,5", -77},           {"1 000", -77},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(std::string("stored \"") + row.stored + "\"");
    Store(std::string("[S]\nk=") + row.stored + "\n");
    EXPECT_EQ(ini.ReadInt("S", "k", -77), row.expected);
  }
  Store("");
  EXPECT_EQ(ini.ReadInt("S", "k", 123456), 123456);
  ini.WriteInt("S", "k", -5);
  EXPECT_EQ(File(), "[S]\nk=-5\n");
  EXPECT_EQ(ini.ReadInt("S", "k", 0), -5);
  ini.WriteInt("S", "k", std::numeric_limits<std::int32_t>::min());
  EXPECT_EQ(ini.ReadInt("S", "k", 0), std::numeric_limits<std::int32_t>::min());
}

TEST(IniEditorReal, TextsUseGeneralFormatWithFifteenDigits) {
  struct Row {
    const char* name;
    long double value;
    const char* text;
  };
  const std::vector<Row> rows = {
      {"zero", 0.0L, "0"},
      {"quarter", 0.25L, "0.25"},
      {"negative whole", -2.0L, "-2"},
      {"third", 1.0L / 3.0L, "0.333333333333333"},
      {"large", 1e20L, "1E20"},
      {"small", 1.5e-7L, "1.5E-7"},
      {"rounded to fifteen digits", 123456789012345678.0L, "1.23456789012346E17"},
      {"not a number", std::numeric_limits<long double>::quiet_NaN(), "NAN"},
      {"infinite", -std::numeric_limits<long double>::infinity(), "-INF"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(TIniEditor::RealToText(row.value), row.text);
  }
}

TEST_F(IniEditorTest, RealsRoundTripWhateverTheLocale) {
  // A locale with a decimal comma must not change the file's texts.
  const char* german = std::setlocale(LC_NUMERIC, "de_DE.UTF-8");
  ini.WriteReal("S", "r", 2.5L);
  EXPECT_EQ(File(), "[S]\nr=2.5\n");
  EXPECT_EQ(ini.ReadReal("S", "r", 0), 2.5L);
  if (german) std::setlocale(LC_NUMERIC, "C");

  Store("[S]\nr=abc\nq=1,5\ne=-1.25e-3\n");
  EXPECT_EQ(ini.ReadReal("S", "r", 9.5L), 9.5L);
  EXPECT_EQ(ini.ReadReal("S", "q", 9.5L), 9.5L);
  EXPECT_NEAR(static_cast<double>(ini.ReadReal("S", "e", 0)), -0.00125, 1e-15);
  EXPECT_EQ(ini.ReadReal("S", "missing", 0.75L), 0.75L);
  EXPECT_TRUE(std::isnan(ini.ReadReal("S", "missing", std::nanl(""))));
}

TEST_F(IniEditorTest, CharactersTakeTheFirstOfTheText) {
  Store("[S]\nword=xyz\nempty=\n");
  EXPECT_EQ(ini.ReadChar("S", "word", '?'), 'x');
  EXPECT_EQ(ini.ReadChar("S", "empty", '?'), '?');
  EXPECT_EQ(ini.ReadChar("S", "missing", '?'), '?');
  ini.WriteChar("S", "c", 'Q');
  EXPECT_EQ(ini.ReadStr("S", "c", ""), "Q");
  EXPECT_EQ(ini.ReadChar("S", "c", '?'), 'Q');
  ini.WriteChar("S", "c", '\0');
  EXPECT_EQ(ini.ReadStr("S", "c", "gone"), "gone");
}

TEST_F(IniEditorTest, TextsLongerThan255AreNeitherWrittenNorReadWhole) {
  const std::string fits(255, 'a');
  const std::string tooLong(256, 'b');
  ini.WriteStr("S", "k", fits);
  EXPECT_EQ(ini.ReadStr("S", "k", ""), fits);
  const std::string before = File();
  ini.WriteStr("S", "k", tooLong);
  ini.WriteStr("S", tooLong, "v");
  ini.WriteStr(tooLong, "k", "v");
  EXPECT_EQ(File(), before);

  Store("[S]\nk=" + std::string(300, 'c') + "\n");
  EXPECT_EQ(ini.ReadStr("S", "k", ""), std::string(255, 'c'));
}

TEST_F(IniEditorTest, EveryCallGoesToTheFileAtOnce) {
  ini.WriteInt("S", "n", 1);
  EXPECT_EQ(File(), "[S]\nn=1\n");
  Store("[S]\nn=2\n");
  EXPECT_EQ(ini.ReadInt("S", "n", 0), 2);
}

}  // namespace
