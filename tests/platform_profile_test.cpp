#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <string>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#include "platform/Profile.h"
#include "tests/support/TestSupport.h"

namespace fs = std::filesystem;
using platform::GetPrivateProfileString;
using platform::WritePrivateProfileString;
using testing_support::ReadFile;
using testing_support::WriteFile;

namespace {

// A fresh, empty folder of its own for each test.
class ProfileTest : public ::testing::Test {
protected:
  void SetUp() override {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    m_dir = fs::path(testing_support::WindowsDir()) / "profile" /
            (std::string(info->test_suite_name()) + "." + info->name());
    fs::remove_all(m_dir);
    fs::create_directories(m_dir);
  }
  std::string Path(const std::string& name = "test.ini") const { return (m_dir / name).string(); }
  std::vector<std::string> FolderEntries() const {
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(m_dir)) names.push_back(e.path().filename());
    return names;
  }
  fs::path m_dir;
};

struct ReadRow {
  const char* name;
  std::string file;
  const char* section;
  const char* key;
  const char* expected;  // with default "<def>"
};

TEST_F(ProfileTest, ReadsFollowTheIniRules) {
  const std::vector<ReadRow> rows = {
      {"plain", "[S]\nk=v\n", "S", "k", "v"},
      {"names ignore case", "[Sec]\nKey=v\n", "sEC", "KEY", "v"},
      {"blanks inside the brackets", "[ \tSec \t]\nk=v\n", "Sec", "k", "v"},
      {"blanks around key and value", "[S]\n \t k \t=\t  v w \t\n", "S", "k", "v w"},
      {"blanks around the names asked for", "[S]\nk=v\n", " S\t", "\tk ", "v"},
      {"text after the bracket ignored", "[S] ; trailing [x]\nk=v\n", "S", "k", "v"},
      {"double quotes removed, inner blanks kept", "[S]\nk=\"  a b  \"\n", "S", "k", "  a b  "},
      {"single quotes removed", "[S]\nk='x'\n", "S", "k", "x"},
      {"only one pair removed", "[S]\nk=\"\"x\"\"\n", "S", "k", "\"x\""},
      {"mixed quotes stay", "[S]\nk=\"x'\n", "S", "k", "\"x'"},
      {"unmatched quote stays", "[S]\nk=\"x\n", "S", "k", "\"x"},
      {"a lone quote stays", "[S]\nk=\"\n", "S", "k", "\""},
      {"empty quotes give empty", "[S]\nk=''\n", "S", "k", ""},
      {"comment line", "[S]\n;k=v\n", "S", "k", "<def>"},
      {"indented comment line", "[S]\n  ; k=v\n", "S", "k", "<def>"},
      {"semicolon later is value", "[S]\nk=a ; b\n", "S", "k", "a ; b"},
      {"semicolon later is key", "[S]\nk;x=v\n", "S", "k;x", "v"},
      {"hash is no comment", "[S]\n#k=v\n", "S", "#k", "v"},
      {"key before any section unreachable", "k=v\n[S]\n", "S", "k", "<def>"},
      {"line without equals is no key", "[S]\nk\n", "S", "k", "<def>"},
      {"first equals splits", "[S]\nk=a=b\n", "S", "k", "a=b"},
      {"first duplicate section wins", "[S]\na=1\n[T]\n[s]\nk=2\n", "S", "k", "<def>"},
      {"first duplicate key wins", "[S]\nk=1\nK=2\n", "S", "k", "1"},
      {"section ends at the next", "[S]\n[T]\nk=v\n", "S", "k", "<def>"},
      {"bracket without close opens nothing", "[S]\n[T\nk=v\n", "S", "k", "v"},
      {"empty value is empty, not default", "[S]\nk=\n", "S", "k", ""},
      {"blank value is empty", "[S]\nk = \t\n", "S", "k", ""},
      {"CRLF file", "[S]\r\nk=v\r\nz=1\r\n", "S", "k", "v"},
      {"CR file", "[S]\rk=v\rz=1\r", "S", "z", "1"},
      {"mixed line ends", "[S]\r\nk=v\nz=1\r", "S", "z", "1"},
      {"no final line end", "[S]\nk=v", "S", "k", "v"},
      {"byte-order mark skipped", "\xEF\xBB\xBF[S]\nk=v\n", "S", "k", "v"},
      {"missing key", "[S]\nk=v\n", "S", "x", "<def>"},
      {"missing section", "[S]\nk=v\n", "T", "k", "<def>"},
      {"empty key asked", "[S]\n=v\n", "S", "", "<def>"},
      {"empty file", "", "S", "k", "<def>"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    const std::string path = WriteFile(Path(), row.file);
    EXPECT_EQ(GetPrivateProfileString(row.section, row.key, "<def>", path), row.expected);
  }
}

TEST_F(ProfileTest, ResultsAreCutToTheBuffer) {
  const std::string longValue(300, 'x');
  const std::string path = WriteFile(Path(), "[S]\nk=" + longValue + "\n");
  EXPECT_EQ(GetPrivateProfileString("S", "k", "", path), std::string(255, 'x'));
  EXPECT_EQ(GetPrivateProfileString("S", "k", "", path, 4), "xxx");
  EXPECT_EQ(GetPrivateProfileString("S", "k", "", path, 1), "");
  EXPECT_EQ(GetPrivateProfileString("S", "k", "", path, 0), "");
  EXPECT_EQ(GetPrivateProfileString("S", "missing", longValue, path), std::string(255, 'x'));
}

TEST_F(ProfileTest, UnreadableFilesReadAsDefaultsAndAreNeverWritten) {
  struct Row {
    const char* name;
    std::string path;
    std::string content;  // written first when not empty
  };
  std::string huge = "[S]\nk=v\n";
  huge.append(platform::kMaxProfileFileBytes, ';');
  const std::vector<Row> rows = {
      {"binary file", Path("binary.ini"), std::string("[S]\nk=v\n\0\x01\x02", 11)},
      {"too large", Path("huge.ini"), huge},
      {"a folder", m_dir.string(), ""},
      {"below a missing folder", Path("none/x.ini"), ""},
      {"below a file", Path("plain") + "/x.ini", ""},
  };
  WriteFile(Path("plain"), "[S]\nk=v\n");
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    if (!row.content.empty()) WriteFile(row.path, row.content);
    EXPECT_EQ(GetPrivateProfileString("S", "k", "def", row.path), "def");
    EXPECT_FALSE(WritePrivateProfileString("S", "k", "new", row.path));
    if (!row.content.empty()) {
      EXPECT_FALSE(WritePrivateProfileString("S", nullptr, nullptr, row.path));
      EXPECT_TRUE(ReadFile(row.path) == row.content);
    }
  }
  EXPECT_FALSE(fs::exists(m_dir / "none"));
  EXPECT_EQ(GetPrivateProfileString("S", "k", "def", Path("missing.ini")), "def");
}

struct WriteRow {
  const char* name;
  std::string before;  // "<none>": no file
  const char* section;
  const char* key;
  const char* value;
  std::string after;
};

TEST_F(ProfileTest, WritesChangeOnlyWhatTheyMust) {
  const std::vector<WriteRow> rows = {
      {"creates a missing file", "<none>", "S", "k", "v", "[S]\nk=v\n"},
      {"replaces keeping the stored casing", "[Sec]\nKey=old\n", "SEC", "key", "new",
       "[Sec]\nKey=new\n"},
      {"rewrites an untidy key line", "[S]\n  Key \t= old ;c\n", "S", "key", "new",
       "[S]\nKey=new\n"},
      {"value written exactly", "[S]\n", "S", "k", "  \"a b\" ",
       "[S]\nk=  \"a b\" \n"},
      {"new key after the last key", "[A]\nx=1\n\n[B]\ny=2\n", "A", "z", "3",
       "[A]\nx=1\nz=3\n\n[B]\ny=2\n"},
      {"new key before trailing comments", "[A]\nx=1\n; about B\n[B]\n", "a", "z", "3",
       "[A]\nx=1\nz=3\n; about B\n[B]\n"},
      {"new key in an empty last section", "[A]", "A", "z", "3", "[A]\nz=3\n"},
      {"new key after a last line without end", "[A]\nx=1", "A", "z", "3", "[A]\nx=1\nz=3\n"},
      {"new section at the end, no blank line", "[A]\nx=1\n", "B", "k", "v",
       "[A]\nx=1\n[B]\nk=v\n"},
      {"new section after a last line without end", "; c", "B", "k", "v", "; c\n[B]\nk=v\n"},
      {"new section into an empty file", "", "B", "k", "v", "[B]\nk=v\n"},
      {"new names are trimmed", "", " B\t", " k ", "v", "[B]\nk=v\n"},
      {"CRLF style kept", "[A]\r\nx=1\r\n", "B", "k", "v", "[A]\r\nx=1\r\n[B]\r\nk=v\r\n"},
      {"CR style kept", "[A]\rx=1\r", "A", "z", "3", "[A]\rx=1\rz=3\r"},
      {"replaced line keeps its own end", "[A]\r\nx=1\r\ny=2", "A", "x", "9",
       "[A]\r\nx=9\r\ny=2"},
      {"byte-order mark kept", "\xEF\xBB\xBF[A]\nx=1\n", "A", "x", "2", "\xEF\xBB\xBF[A]\nx=2\n"},
      {"only a byte-order mark", "\xEF\xBB\xBF", "A", "x", "2", "\xEF\xBB\xBF[A]\nx=2\n"},
      {"keys before any section do not count", "x=0\n[A]\n", "A", "x", "1", "x=0\n[A]\nx=1\n"},
      {"first duplicate section and key written", "[A]\nx=1\nx=2\n[a]\nx=3\n", "A", "x", "9",
       "[A]\nx=9\nx=2\n[a]\nx=3\n"},
      {"deletes a key", "[A]\nx=1\ny=2\n", "A", "X", nullptr, "[A]\ny=2\n"},
      {"deletes a last key without end", "[A]\ny=2\nx=1", "A", "x", nullptr, "[A]\ny=2\n"},
      {"deleting a missing key changes nothing", "[A]\nx=1", "A", "q", nullptr, "[A]\nx=1"},
      {"deleting from a missing file creates nothing", "<none>", "A", "q", nullptr, "<none>"},
      {"deletes a section up to the next", "; top\n[A]\nx=1\n; c\n\n[B]\ny=2\n", "a", nullptr,
       nullptr, "; top\n[B]\ny=2\n"},
      {"deletes only the first duplicate", "[A]\nx=1\n[A]\nx=2\n", "A", nullptr, nullptr,
       "[A]\nx=2\n"},
      {"deleting a missing section changes nothing", "[A]\nx=1\n", "B", nullptr, nullptr,
       "[A]\nx=1\n"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    const std::string path = Path();
    fs::remove(path);
    if (row.before != "<none>") WriteFile(path, row.before);
    EXPECT_TRUE(WritePrivateProfileString(row.section, row.key, row.value, path));
    if (row.after == "<none>")
      EXPECT_FALSE(fs::exists(path));
    else
      EXPECT_EQ(ReadFile(path), row.after);
  }
}

TEST_F(ProfileTest, WritesThatWouldNotReadBackAreRefused) {
  struct Row {
    const char* name;
    const char* section;
    const char* key;
    const char* value;
  };
  const std::vector<Row> rows = {
      {"empty section", " ", "k", "v"},
      {"bracket in section", "a]b", "k", "v"},
      {"line break in section", "a\nb", "k", "v"},
      {"empty key", "S", "  ", "v"},
      {"equals in key", "S", "a=b", "v"},
      {"key that is a comment", "S", ";k", "v"},
      {"key that is a section", "S", "[k]", "v"},
      {"line break in key", "S", "k\r", "v"},
      {"line break in value", "S", "k", "v\n[T]"},
  };
  const std::string before = "[S]\nk=old\n";
  const std::string path = WriteFile(Path(), before);
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_FALSE(WritePrivateProfileString(row.section, row.key, row.value, path));
    EXPECT_EQ(ReadFile(path), before);
  }
}

TEST_F(ProfileTest, HandWrittenFileSurvivesAnUnrelatedWrite) {
  const std::string hand =
      "\xEF\xBB\xBF; Settings, edited by hand\r\n"
      "orphan = before any section\r\n"
      "\r\n"
      "[ Display ]   ; the screen part\r\n"
      "  Width\t=  1024  \r\n"
      "Title = \"  My  Title \"\r\n"
      "Quote='single' \r\n"
      "Mixed=\"odd'\r\n"
      "# not a comment=yes\r\n"
      "\t; a comment = no\r\n"
      "just some words\r\n"
      "\r\n"
      "[Sound]\r\n"
      "Path = C:\\WAV\\in.wav ; kept\r\n"
      "Path = second\r\n";
  const std::string path = WriteFile(Path(), hand);
  ASSERT_TRUE(WritePrivateProfileString("sound", "Volume", "7", path));
  EXPECT_EQ(ReadFile(path), hand + "Volume=7\r\n");
  ASSERT_TRUE(WritePrivateProfileString("DISPLAY", "Depth", "24", path));
  std::string expected = hand;
  expected.insert(expected.find("\r\n\r\n[Sound]") + 2, "Depth=24\r\n");
  expected += "Volume=7\r\n";
  EXPECT_EQ(ReadFile(path), expected);

  struct Row {
    const char* section;
    const char* key;
    const char* value;
  };
  const std::vector<Row> rows = {
      {"display", "width", "1024"},        {"Display", "Title", "  My  Title "},
      {"Display", "quote", "single"},      {"Display", "Mixed", "\"odd'"},
      {"Display", "# not a comment", "yes"}, {"Display", "; a comment", "<def>"},
      {"Display", "orphan", "<def>"},      {"Sound", "path", "C:\\WAV\\in.wav ; kept"},
      {"Sound", "volume", "7"},            {"Display", "Depth", "24"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(std::string(row.section) + "/" + row.key);
    EXPECT_EQ(GetPrivateProfileString(row.section, row.key, "<def>", path), row.value);
  }
}

TEST_F(ProfileTest, EveryReadSeesTheFileAsItIsNow) {
  const std::string path = WriteFile(Path(), "[S]\nk=1\n");
  EXPECT_EQ(GetPrivateProfileString("S", "k", "", path), "1");
  WriteFile(path, "[S]\nk=2\n");
  EXPECT_EQ(GetPrivateProfileString("S", "k", "", path), "2");
  fs::remove(path);
  EXPECT_EQ(GetPrivateProfileString("S", "k", "gone", path), "gone");
}

TEST_F(ProfileTest, ReplacementKeepsPermissionsAndLeavesNoTemporaryFiles) {
  const std::string path = WriteFile(Path(), "[S]\nk=1\n");
  ASSERT_EQ(::chmod(path.c_str(), 0640), 0);
  struct stat before {};
  ASSERT_EQ(::stat(path.c_str(), &before), 0);
  ASSERT_TRUE(WritePrivateProfileString("S", "k", "2", path));
  struct stat after {};
  ASSERT_EQ(::stat(path.c_str(), &after), 0);
  EXPECT_EQ(after.st_mode & 07777, 0640u);
  EXPECT_NE(after.st_ino, before.st_ino) << "the file is replaced, not rewritten in place";
  EXPECT_EQ(FolderEntries(), std::vector<std::string>{"test.ini"});

  // Writing what is already there does not touch the file.
  ASSERT_TRUE(WritePrivateProfileString("S", "k", "2", path));
  struct stat again {};
  ASSERT_EQ(::stat(path.c_str(), &again), 0);
  EXPECT_EQ(again.st_ino, after.st_ino);
}

TEST_F(ProfileTest, ReadOnlyFileIsNotWritten) {
  const std::string path = WriteFile(Path(), "[S]\nk=1\n");
  ASSERT_EQ(::chmod(path.c_str(), 0444), 0);
  EXPECT_FALSE(WritePrivateProfileString("S", "k", "2", path));
  EXPECT_FALSE(WritePrivateProfileString("S", nullptr, nullptr, path));
  EXPECT_EQ(ReadFile(path), "[S]\nk=1\n");
  EXPECT_EQ(GetPrivateProfileString("S", "k", "", path), "1");
}

TEST_F(ProfileTest, ReadOnlyFolderMakesWritesFailWithoutChange) {
  if (::geteuid() == 0) GTEST_SKIP() << "permissions do not bind the superuser";
  const std::string path = WriteFile(Path(), "[S]\nk=1\n");
  ASSERT_EQ(::chmod(m_dir.c_str(), 0555), 0);
  EXPECT_FALSE(WritePrivateProfileString("S", "k", "2", path));
  ::chmod(m_dir.c_str(), 0755);
  EXPECT_EQ(ReadFile(path), "[S]\nk=1\n");
}

TEST_F(ProfileTest, FullDiskLeavesTheOldFileWhole) {
  // A file-size limit makes every write past it fail as a full disk would.
  const std::string before = "[S]\nk=1\n";
  const std::string path = WriteFile(Path(), before);
  struct rlimit old {};
  ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &old), 0);
  auto* oldHandler = std::signal(SIGXFSZ, SIG_IGN);
  struct rlimit small = old;
  small.rlim_cur = 64;
  ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
  const bool written = WritePrivateProfileString("S", "k", std::string(200, 'x').c_str(), path);
  ::setrlimit(RLIMIT_FSIZE, &old);
  std::signal(SIGXFSZ, oldHandler);
  EXPECT_FALSE(written);
  EXPECT_EQ(ReadFile(path), before);
  EXPECT_EQ(FolderEntries(), std::vector<std::string>{"test.ini"});
}

TEST_F(ProfileTest, SymbolicLinkIsFollowed) {
  const std::string target = WriteFile(Path("real.ini"), "[S]\nk=1\n");
  const std::string link = Path("link.ini");
  fs::create_symlink(target, link);
  ASSERT_TRUE(WritePrivateProfileString("S", "k", "2", link));
  EXPECT_TRUE(fs::is_symlink(link));
  EXPECT_EQ(ReadFile(target), "[S]\nk=2\n");
  EXPECT_EQ(GetPrivateProfileString("S", "k", "", link), "2");
}

}  // namespace
