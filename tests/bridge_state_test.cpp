// The home book, its file, the command line and the one-bridge-per-display socket.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QEventLoop>
#include <thread>

#include "bridge/CommandLine.h"
#include "bridge/HomePlaces.h"
#include "bridge/SingleInstance.h"
#include "tests/support/TestSupport.h"

namespace {

using namespace bridge;
using platform::Rect;

TEST(BridgeHomeBook, NotesFollowTheMoves) {
  HomeBook book;
  const Rect home{10, 110, 210, 510};
  EXPECT_FALSE(book.Moved("P", IdeRole::Inspector, home, home)) << "no move, no note";
  EXPECT_FALSE(book.Moved("P", IdeRole::Inspector, std::nullopt, Rect{0, 0, 5, 5})) << "frame unknown, no note";
  EXPECT_TRUE(book.Moved("P", IdeRole::Inspector, home, Rect{-100, 0, 100, 700}));
  EXPECT_TRUE(book.Moved("P", IdeRole::Inspector, Rect{-100, 0, 100, 700}, Rect{-195, 0, 5, 700}));
  EXPECT_FALSE(book.Moved("P", IdeRole::Inspector, Rect{-195, 0, 5, 700}, Rect{-195, 0, 5, 700}));
  EXPECT_EQ(book.Note("P", IdeRole::Inspector), (AwayNote{home, Rect{-195, 0, 5, 700}}));
  EXPECT_FALSE(book.Note("P", IdeRole::Main).has_value());
  EXPECT_FALSE(book.Note("Q", IdeRole::Inspector).has_value()) << "profiles keep their own notes";
  EXPECT_TRUE(book.Moved("P", IdeRole::Inspector, Rect{-195, 0, 5, 700}, home));
  EXPECT_TRUE(book.Empty());
}

TEST(BridgeHomeBook, TextRoundTripsAndBadLinesAreSkipped) {
  HomeBook book;
  book.Moved("My IDE%1", IdeRole::Main, Rect{0, 0, 1024, 100}, Rect{0, -95, 1024, 5});
  book.Moved("Lazarus", IdeRole::Inspector, Rect{1, 2, 3, 4}, Rect{-5, 2, -3, 4});
  HomeBook back;
  back.Parse(book.Serialize());
  EXPECT_EQ(back, book);

  struct Row {
    const char* name;
    const char* text;
    bool kept;
  } rows[] = {
      {"good", "P main 0 0 10 10 0 -5 10 5\n", true},
      {"no line end", "P main 0 0 10 10 0 -5 10 5", true},
      {"comment", "# P main 0 0 10 10 0 -5 10 5\n", false},
      {"unknown role", "P editor 0 0 10 10 0 -5 10 5\n", false},
      {"short", "P main 0 0 10 10 0 -5 10\n", false},
      {"extra field", "P main 0 0 10 10 0 -5 10 5 9\n", false},
      {"not numbers", "P main a b c d e f g h\n", false},
      {"empty home", "P main 0 0 0 0 0 -5 10 5\n", false},
      {"overflow", "P main 0 0 99999999999 10 0 -5 10 5\n", false},
      {"broken escape kept literally", "P%2 main 0 0 10 10 0 -5 10 5\n", true},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    HomeBook b;
    b.Parse(r.text);
    EXPECT_EQ(!b.Empty(), r.kept);
  }
}

TEST(BridgeHomeBook, StandsAwayAllowsForWhatAWindowManagerKeepsOnScreen) {
  const AwayNote note{Rect{10, 110, 250, 510}, Rect{-235, 0, 5, 700}};  // 240 wide, 700 high
  struct Row {
    const char* name;
    Rect frame;
    bool away;
  } rows[] = {
      {"exactly there", Rect{-235, 0, 5, 700}, true},
      {"openbox kept 10 % on screen", Rect{-217, 0, 23, 700}, true},
      {"an eighth of the width off", Rect{-205, 0, 35, 700}, true},
      {"put back on the screen", Rect{0, 0, 240, 700}, false},
      {"at home", Rect{10, 110, 250, 510}, false},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    EXPECT_EQ(StandsAway(r.frame, note), r.away);
  }
  // A main bar hidden off the top: up to half of it may have been kept on
  // the screen, along that axis only.
  const AwayNote bar{Rect{0, 0, 1214, 103}, Rect{0, -98, 1214, 5}};
  const Row barRows[] = {
      {"xfwm4 kept a title bar's worth", Rect{0, -74, 1214, 29}, true},
      {"half of it kept", Rect{0, -47, 1214, 56}, true},
      {"more than half kept", Rect{0, -40, 1214, 63}, false},
      {"pushed further off", Rect{0, -110, 1214, -7}, true},
      {"much further off", Rect{0, -160, 1214, -57}, false},
      {"sideways by much", Rect{400, -98, 1614, 5}, false},
  };
  for (const Row& r : barRows) {
    SCOPED_TRACE(r.name);
    EXPECT_EQ(StandsAway(r.frame, bar), r.away);
  }
  // Small windows still get a few pixels of tolerance.
  EXPECT_TRUE(StandsAway(Rect{7, 7, 17, 17}, AwayNote{Rect{0, 0, 10, 10}, Rect{0, 0, 10, 10}}));
}

TEST(BridgeHomeBook, FileIsWrittenWholeAndMissingFoldersAreMade) {
  const std::string path = testing_support::WindowsDir() + "/deep/er/bridge.state";
  HomeBook book;
  book.Moved("P", IdeRole::Main, Rect{0, 0, 10, 10}, Rect{0, -5, 10, 5});
  ASSERT_TRUE(SaveHomeBook(book, path));
  EXPECT_EQ(LoadHomeBook(path), book);
  EXPECT_TRUE(LoadHomeBook(path + ".missing").Empty());
  // A file far too large to be ours is not read.
  const std::string big = testing_support::WriteFile(testing_support::WindowsDir() + "/big.state",
                                                     std::string(100 * 1024, '#'));
  EXPECT_TRUE(LoadHomeBook(big).Empty());
  // A folder that cannot be made: the write fails and says so.
  testing_support::WriteFile(testing_support::WindowsDir() + "/afile", "x");
  EXPECT_FALSE(SaveHomeBook(book, testing_support::WindowsDir() + "/afile/bridge.state"));
}

TEST(BridgeCommandLine, Table) {
  struct Row {
    const char* name;
    std::vector<std::string> args;
    bool ok;
    bool panel;
    std::string ide;
  } rows[] = {
      {"nothing", {}, true, false, ""},
      {"panel", {"--panel"}, true, true, ""},
      {"ide separate", {"--ide", "My IDE"}, true, false, "My IDE"},
      {"ide joined", {"--ide=Lazarus", "--panel"}, true, true, "Lazarus"},
      {"ide without value", {"--ide"}, false, false, ""},
      {"ide empty", {"--ide="}, false, false, ""},
      {"twice", {"--panel", "--panel"}, false, false, ""},
      {"value on a flag", {"--panel=yes"}, false, false, ""},
      {"unknown", {"--pannel"}, false, false, ""},
      {"bare word", {"Lazarus"}, false, false, ""},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    const BridgeCommand c = ParseCommandLine(r.args);
    EXPECT_EQ(c.error.empty(), r.ok) << c.error;
    if (!r.ok) continue;
    EXPECT_EQ(c.panel, r.panel);
    EXPECT_EQ(c.ide, r.ide);
  }
  EXPECT_TRUE(ParseCommandLine({"-h"}).help);
  EXPECT_EQ(ParseCommandLine({"--addin", "/x/lib.so"}).addIn, "/x/lib.so");
  EXPECT_NE(HelpText().find("--panel"), std::string::npos);
}

TEST(BridgeSingleInstance, NamesAreSafeAndDistinct) {
  EXPECT_EQ(InstanceName(":0", 1000), "edgetucker-bridge-1000-_0");
  EXPECT_EQ(InstanceName("host:1.0", 5), "edgetucker-bridge-5-host_1.0");
  EXPECT_NE(InstanceName(":0", 1000), InstanceName(":1", 1000));
  EXPECT_NE(InstanceName(":0", 1000), InstanceName(":0", 1001));
  EXPECT_EQ(InstanceName("/../../etc", 1), "edgetucker-bridge-1-_.._.._etc") << "no path separators";
}

TEST(BridgeSingleInstance, ASecondStartForwardsItsCommand) {
  const QString name = InstanceName(QStringLiteral("test-%1").arg(QCoreApplication::applicationPid()), 0);
  SingleInstance first(name);
  SingleInstance second(name);
  EXPECT_FALSE(second.Forward("panel", 200)) << "nobody listens yet";
  ASSERT_TRUE(first.Listen());
  QByteArray got;
  QObject::connect(&first, &SingleInstance::commandReceived, [&](const QByteArray& c) { got = c; });
  // The answer needs the first one's event loop: run the forward on a timer turn.
  bool forwarded = false;
  std::thread client([&] { forwarded = SingleInstance(name).Forward("panel", 3000); });
  EXPECT_TRUE(testing_support::WaitFor([&] { return !got.isEmpty(); }, 5000));
  client.join();
  EXPECT_TRUE(forwarded);
  EXPECT_EQ(got, "panel");
  EXPECT_FALSE(second.Listen()) << "the display has its bridge";
}

}  // namespace
