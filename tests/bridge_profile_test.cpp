// IDE profiles: patterns, reading the project from a title, the profiles file.
#include <gtest/gtest.h>

#include <chrono>
#include <string>

#include "bridge/IdeProfile.h"
#include "tests/support/TestSupport.h"

namespace {

using namespace bridge;
using testing_support::WindowsDir;
using testing_support::WriteFile;

struct GlobCase {
  const char* name;
  const char* pattern;
  const char* text;
  bool match;
};

TEST(BridgeProfile, GlobMatchTable) {
  const GlobCase cases[] = {
      {"literal", "Object Inspector", "Object Inspector", true},
      {"literal differs in case", "Object Inspector", "object inspector", false},
      {"literal shorter text", "Object Inspector", "Object", false},
      {"star matches empty", "Lazarus IDE*", "Lazarus IDE", true},
      {"star matches rest", "Lazarus IDE*", "Lazarus IDE v2.2.6 - p", true},
      {"star in the middle", "a*c", "abbbc", true},
      {"star needs the tail", "a*c", "abbb", false},
      {"question needs one char", "a?c", "ac", false},
      {"question matches one", "a?c", "abc", true},
      {"empty pattern empty text", "", "", true},
      {"empty pattern some text", "", "x", false},
      {"only stars", "***", "", true},
      {"brackets are literal", "[a]", "[a]", true},
      {"brackets are no class", "[a]", "a", false},
      {"backslash is literal", "a\\*", "a\\xyz", true},
  };
  for (const GlobCase& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(GlobMatch(c.pattern, c.text), c.match);
  }
}

TEST(BridgeProfile, HostilePatternsStayCheapAndBounded) {
  // Classic backtracking killers: many stars against a long text that almost matches.
  const std::string stars = "*a*a*a*a*a*a*a*a*a*a*a*a*a*a*a*a*a*a*a*a*b";
  const std::string text(4000, 'a');
  const auto start = std::chrono::steady_clock::now();
  EXPECT_FALSE(GlobMatch(stars, text));
  EXPECT_FALSE(ParseProjectName(stars + "{project}", text).has_value());
  EXPECT_FALSE(ParseProjectName("*a*a*a*a*a*a*a*a*{project}*a*a*a*a*a*a*b", text).has_value());
  // Generous: the linear-time matcher takes milliseconds; backtracking would take ages.
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));

  EXPECT_FALSE(GlobMatch(std::string(kMaxPatternChars + 1, '*'), "x")) << "over-long pattern";
  EXPECT_FALSE(GlobMatch("*", std::string(kMaxTitleChars + 1, 'x'))) << "over-long title";
  EXPECT_TRUE(GlobMatch("*", std::string(kMaxTitleChars, 'x')));
  EXPECT_TRUE(GlobMatch("a?b", std::string("a\0b", 3))) << "bytes, NUL included, are characters";
}

struct ProjectCase {
  const char* name;
  const char* pattern;
  const char* title;
  const char* project;  // nullptr: none
};

TEST(BridgeProfile, ProjectFromTitleTable) {
  const char* lazarus = "Lazarus IDE v* - {project}";
  const ProjectCase cases[] = {
      {"plain", lazarus, "Lazarus IDE v2.2.6+dfsg2-2 - project1", "project1"},
      {"name with spaces", lazarus, "Lazarus IDE v2.2.6+dfsg2-2 - my first project", "my first project"},
      {"name with dashes", lazarus, "Lazarus IDE v2.2.6+dfsg2-2 - a-b-c", "a-b-c"},
      {"name with spaced dash", lazarus, "Lazarus IDE v2.2.6+dfsg2-2 - tool - beta", "tool - beta"},
      {"no project", lazarus, "Lazarus IDE v2.2.6+dfsg2-2", nullptr},
      {"blank project", lazarus, "Lazarus IDE v2.2.6+dfsg2-2 -    ", nullptr},
      {"blanks trimmed", lazarus, "Lazarus IDE v2.2.6 -   spaced  ", "spaced"},
      {"other program", lazarus, "xterm", nullptr},
      {"empty title", lazarus, "", nullptr},
      {"project first", "{project} - MyIDE", "a - b - MyIDE", "a - b"},
      {"suffix kept off the name", "IDE - {project} (*)", "IDE - my (x) (debugging)", "my (x)"},
      {"no placeholder", "Lazarus IDE v* - project", "Lazarus IDE v1 - project", nullptr},
      {"two placeholders", "{project} - {project}", "a - b", nullptr},
      {"only the placeholder", "{project}", "anything at all", "anything at all"},
      {"placeholder text in the title", lazarus, "Lazarus IDE v1 - {project}", "{project}"},
      {"first alternative that reads wins", "A - {project} (*...)|A - {project}", "A - p (compiling ...)", "p"},
      {"later alternative", "A - {project} (*...)|A - {project}", "A - p", "p"},
      {"broken alternative skipped", "{project}{project}|A - {project}", "A - p", "p"},
      {"empty alternatives", "||", "A - p", nullptr},
  };
  for (const ProjectCase& c : cases) {
    SCOPED_TRACE(c.name);
    const std::optional<std::string> got = ParseProjectName(c.pattern, c.title);
    if (c.project) {
      ASSERT_TRUE(got.has_value());
      EXPECT_EQ(*got, c.project);
    } else {
      EXPECT_FALSE(got.has_value()) << *got;
    }
  }
}

TEST(BridgeProfile, BuiltInLazarusReadsItsProjectThroughPassingStates) {
  const IdeProfile lazarus = BuiltInProfiles().at(0);
  const struct {
    const char* title;
    const char* project;
  } rows[] = {
      {"Lazarus IDE v2.2.6+dfsg2-2 - project1", "project1"},
      {"Lazarus IDE v2.2.6+dfsg2-2 - project1 (compiling ...)", "project1"},
      {"Lazarus IDE v2.2.6+dfsg2-2 - my app - v2 (debugging ...)", "my app - v2"},
      {"Lazarus IDE v2.2.6+dfsg2-2 - tool (beta)", "tool (beta)"},
  };
  for (const auto& r : rows) {
    SCOPED_TRACE(r.title);
    EXPECT_EQ(ParseProjectName(lazarus.projectTitle, r.title), std::optional<std::string>(r.project));
  }
  EXPECT_FALSE(ParseProjectName(lazarus.projectTitle, "Lazarus IDE v2.2.6+dfsg2-2").has_value());
}

TEST(BridgeProfile, BuiltInLazarusRecognisesItsWindows) {
  const std::vector<IdeProfile> builtIn = BuiltInProfiles();
  const IdeProfile* lazarus = FindProfile(builtIn, "lazarus");
  ASSERT_NE(lazarus, nullptr);
  struct Row {
    const char* name;
    platform::WindowIdentity id;
    bool main;
    bool inspector;
  } rows[] = {
      {"main", {"Lazarus IDE v2.2.6+dfsg2-2 - project1", "lazarus", "Lazarus", 42}, true, false},
      {"main without project", {"Lazarus IDE v2.2.6+dfsg2-2", "lazarus", "Lazarus", 42}, true, false},
      {"inspector", {"Object Inspector", "lazarus", "Lazarus", 42}, false, true},
      {"source editor", {"Source Editor", "lazarus", "Lazarus", 42}, false, false},
      {"message box", {"Lazarus IDE", "lazarus", "Lazarus", 42}, false, false},
      {"impostor title", {"Lazarus IDE v9 - x", "xterm", "XTerm", 7}, false, false},
      {"impostor inspector", {"Object Inspector", "xterm", "XTerm", 7}, false, false},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    EXPECT_EQ(Matches(lazarus->main, r.id), r.main);
    EXPECT_EQ(Matches(lazarus->inspector, r.id), r.inspector);
    // Any of Lazarus's windows may come to be the main window by a new title.
    EXPECT_EQ(ClassMatches(lazarus->main, r.id), r.id.cls == "Lazarus");
  }
}

TEST(BridgeProfile, ProfilesFileAddsReplacesAndRefuses) {
  const std::string path = WindowsDir() + "/profiles-test.ini";
  WriteFile(path,
            "[IDEs]\n"
            "List=Fake IDE, lazarus, Missing, Greedy, Fake IDE, BadProject\n"
            "[Fake IDE]\n"
            "MainInstance=xterm\n"
            "MainClass=XTerm\n"
            "MainTitle=FakeIDE main*\n"
            "ProjectTitle=FakeIDE main - {project}\n"
            "InspectorTitle=FakeIDE inspector\n"
            "[Lazarus]\n"
            "MainClass=Lazarus\n"
            "MainTitle=Lazarus*\n"
            "ProjectTitle=Lazarus * - {project}\n"
            "InspectorTitle=Object Inspector\n"
            "[Greedy]\n"
            "ProjectTitle={project}\n"
            "MainTitle=\n"
            "[BadProject]\n"
            "MainClass=Bad\n"
            "ProjectTitle=no placeholder\n");
  std::vector<std::string> warnings;
  const std::vector<IdeProfile> profiles = LoadProfiles(path, &warnings);
  ASSERT_EQ(profiles.size(), 3u);
  EXPECT_EQ(profiles[0].name, "Fake IDE");
  EXPECT_EQ(profiles[0].main, (WindowRule{"xterm", "XTerm", "FakeIDE main*"}));
  EXPECT_EQ(profiles[0].inspector, (WindowRule{"xterm", "XTerm", "FakeIDE inspector"}))
      << "a missing inspector WM_CLASS is the main window's";
  EXPECT_EQ(profiles[1].name, "lazarus") << "the user's Lazarus replaces the built-in one";
  EXPECT_EQ(profiles[1].main.title, "Lazarus*");
  EXPECT_EQ(profiles[2].name, "BadProject") << "kept, but it reads no project";
  // Missing, Greedy, the duplicate, and BadProject's pattern each earn a warning.
  EXPECT_EQ(warnings.size(), 4u);
}

TEST(BridgeProfile, MissingOrBrokenFileGivesTheBuiltInProfiles) {
  EXPECT_EQ(LoadProfiles(WindowsDir() + "/no-such.ini"), BuiltInProfiles());
  const std::string binary = WriteFile(WindowsDir() + "/binary.ini", std::string("[IDEs]\nList=X\0\n", 15));
  EXPECT_EQ(LoadProfiles(binary), BuiltInProfiles());
  EXPECT_EQ(DefaultProfilesPath(), WindowsDir() + "/" + kProfilesFileName);
}

}  // namespace
