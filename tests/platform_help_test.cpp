#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextBrowser>
#include <QtTest/QTest>
#include <filesystem>
#include <thread>

#include "platform/Help.h"
#include "platform/Windows.h"
#include "tests/support/TestSupport.h"

namespace {

namespace fs = std::filesystem;
using testing_support::WindowsDir;
using testing_support::WriteFile;

const char* const kTopics[] = {"Edgetucker_Window_Description", "Hidden_Button", "Sound_Button",
                               "Movement_Button", "General_Button"};

// A document long enough that every topic but the first lies below the fold.
std::string HelpDocument(const std::string& marker = "main") {
  std::string html = "<html><body><h1>Contents " + marker + "</h1>";
  for (const char* t : kTopics) {
    html += std::string("<h2><a name=\"") + t + "\"></a>Topic " + t + "</h2>";
    for (int i = 0; i < 60; ++i) html += "<p>Line " + std::to_string(i) + " of " + t + ".</p>";
  }
  return html + "</body></html>";
}

QWidget* Viewer() {
  QWidget* found = nullptr;
  int count = 0;
  for (QWidget* w : QApplication::topLevelWidgets()) {
    if (std::string(w->metaObject()->className()) == "THelpViewer") {
      found = w;
      ++count;
    }
  }
  EXPECT_LE(count, 1) << "the viewer is reused";
  return found;
}
QTextBrowser* Browser() { return Viewer()->findChild<QTextBrowser*>("helpBrowser"); }
QLabel* Notice() { return Viewer()->findChild<QLabel*>("helpNotice"); }

class HelpTest : public ::testing::Test {
protected:
  void SetUp() override {
    beside = (fs::path(WindowsDir()) / ("addin-" + std::to_string(++serial))).string();
    fs::create_directories(beside);
    platform::SetHelpSearchFolder(beside);
    platform::ClearHelpRequests();
  }
  void TearDown() override {
    platform::SetHelpSearchFolder("");
    std::error_code ec;
    fs::remove(fs::path(WindowsDir()) / "EDGETUCK.HLP", ec);
    fs::remove(fs::path(WindowsDir()) / "edgetuck.hlp", ec);
  }
  const platform::HelpRequest& Last() { return platform::HelpRequests().back(); }

  static inline int serial = 0;
  std::string beside;
};

TEST_F(HelpTest, EachTopicOpensTheViewerAtItsAnchor) {
  const std::string file = WriteFile(beside + "/EDGETUCK.HLP", HelpDocument());
  struct Row {
    const char* asked;
    const char* heading;
  };
  const Row rows[] = {
      {"Edgetucker_Window_Description", "Topic Edgetucker_Window_Description"},
      {"Hidden_Button", "Topic Hidden_Button"},
      {"Sound_Button", "Topic Sound_Button"},
      {"Movement_Button", "Topic Movement_Button"},
      {"General_Button", "Topic General_Button"},
      {"general_button", "Topic General_Button"},  // topic names are case-blind
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.asked);
    ASSERT_TRUE(platform::WinHelpJump("EDGETUCK.HLP", row.asked));
    EXPECT_EQ(Last().file, "EDGETUCK.HLP");
    EXPECT_EQ(Last().topic, row.asked);
    EXPECT_EQ(Last().resolved, file);
    EXPECT_TRUE(Last().topicFound);
    ASSERT_NE(Viewer(), nullptr);
    EXPECT_TRUE(Viewer()->isVisible());
    EXPECT_EQ(Viewer()->windowTitle(), "EDGETUCK.HLP - Help");
    EXPECT_FALSE(Notice()->isVisible());
    EXPECT_EQ(Browser()->textCursor().block().text(), row.heading);
  }
  // The last jump went far down the document.
  EXPECT_GT(Browser()->verticalScrollBar()->value(), 0);
  EXPECT_EQ(platform::HelpRequests().size(), std::size(rows));
  EXPECT_NE(platform::FindWindow("THelpViewer", "EDGETUCK.HLP - Help"), 0u);
}

TEST_F(HelpTest, TheFileIsLookedForBesideTheAddInThenInTheWindowsDirectory) {
  const fs::path windir = WindowsDir();
  struct Row {
    const char* name;
    const char* besideName;  // nullptr: no file there
    const char* windirName;
    const char* expectedMarker;  // nullptr: not found
    std::string expectedDir;
  };
  const Row rows[] = {
      {"beside only", "EDGETUCK.HLP", nullptr, "beside", beside},
      {"windows directory only", nullptr, "EDGETUCK.HLP", "windir", windir.string()},
      {"beside wins over the windows directory", "EDGETUCK.HLP", "EDGETUCK.HLP", "beside", beside},
      {"stored in lower case", "edgetuck.hlp", nullptr, "beside", beside},
      {"lower case beside, exact name in windows directory", nullptr, "edgetuck.hlp", "windir", windir.string()},
      {"nowhere", nullptr, nullptr, nullptr, ""},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    for (const fs::path& d : {fs::path(beside), windir}) {
      fs::remove(d / "EDGETUCK.HLP");
      fs::remove(d / "edgetuck.hlp");
    }
    if (row.besideName) WriteFile(beside + "/" + row.besideName, HelpDocument("beside"));
    if (row.windirName) WriteFile((windir / row.windirName).string(), HelpDocument("windir"));

    ASSERT_TRUE(platform::WinHelpJump("EDGETUCK.HLP", "Sound_Button"));
    if (row.expectedMarker) {
      EXPECT_EQ(fs::path(Last().resolved).parent_path(), fs::path(row.expectedDir));
      EXPECT_TRUE(Last().topicFound);
      EXPECT_TRUE(Browser()->toPlainText().contains(QString("Contents ") + row.expectedMarker));
    } else {
      EXPECT_EQ(Last().resolved, "");
      EXPECT_FALSE(Last().topicFound);
      const QString text = Browser()->toPlainText();
      EXPECT_TRUE(text.contains("\"EDGETUCK.HLP\" could not be found")) << text.toStdString();
      EXPECT_TRUE(text.contains(QString::fromStdString(beside)));
      EXPECT_TRUE(text.contains(QString::fromStdString(windir.string())));
    }
  }
}

TEST_F(HelpTest, AMissingTopicShowsTheContentsWithANotice) {
  WriteFile(beside + "/EDGETUCK.HLP", HelpDocument());
  ASSERT_TRUE(platform::WinHelpJump("EDGETUCK.HLP", "Movement_Button"));
  ASSERT_TRUE(platform::WinHelpJump("EDGETUCK.HLP", "No_Such_Topic"));
  EXPECT_FALSE(Last().topicFound);
  EXPECT_FALSE(Last().resolved.empty());
  EXPECT_TRUE(Notice()->isVisible());
  EXPECT_TRUE(Notice()->text().contains("\"No_Such_Topic\""));
  EXPECT_EQ(Browser()->textCursor().block().text(), "Contents main");
  EXPECT_EQ(Browser()->verticalScrollBar()->value(), 0);

  // The notice goes away with the next good request.
  ASSERT_TRUE(platform::WinHelpJump("EDGETUCK.HLP", "Hidden_Button"));
  EXPECT_FALSE(Notice()->isVisible());
}

TEST_F(HelpTest, FilesThatAreNotHelpDocumentsShowAMessage) {
  struct Row {
    const char* name;
    std::string bytes;
    const char* says;
  };
  const Row rows[] = {
      {"binary help of an older format", std::string("?_\x03\0\x01\x02", 6), "not a help document"},
      {"plain text", "Just some notes, no markup.", "not a help document"},
      {"empty", "", "not a help document"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    WriteFile(beside + "/EDGETUCK.HLP", row.bytes);
    ASSERT_TRUE(platform::WinHelpJump("EDGETUCK.HLP", "Hidden_Button"));
    EXPECT_EQ(Last().resolved, "");
    EXPECT_FALSE(Last().topicFound);
    EXPECT_TRUE(Browser()->toPlainText().contains(row.says)) << Browser()->toPlainText().toStdString();
  }
}

TEST_F(HelpTest, OddRequestsGetADefinedAnswer) {
  WriteFile(beside + "/EDGETUCK.HLP", HelpDocument("latin"));
  // A name with a folder part is looked for there only.
  const std::string elsewhere = WriteFile(WindowsDir() + "/elsewhere.htm", HelpDocument("elsewhere"));
  ASSERT_TRUE(platform::WinHelpJump(elsewhere, "Hidden_Button"));
  EXPECT_EQ(Last().resolved, elsewhere);
  ASSERT_TRUE(platform::WinHelpJump(WindowsDir() + "/EDGETUCK.HLP", "Hidden_Button"));
  EXPECT_EQ(Last().resolved, "");

  // No file name at all; no topic (the contents, without a notice).
  ASSERT_TRUE(platform::WinHelpJump("", "Hidden_Button"));
  EXPECT_TRUE(Browser()->toPlainText().contains("No help file was named"));
  ASSERT_TRUE(platform::WinHelpJump("EDGETUCK.HLP", ""));
  EXPECT_FALSE(Last().topicFound);
  EXPECT_FALSE(Notice()->isVisible());
  EXPECT_TRUE(Browser()->toPlainText().startsWith("Contents latin"));

  // 8-bit ANSI text that is not UTF-8 still shows.
  WriteFile(beside + "/EDGETUCK.HLP", "<html><body><a name=\"Sound_Button\"></a>Caf\xe9</body></html>");
  ASSERT_TRUE(platform::WinHelpJump("EDGETUCK.HLP", "Sound_Button"));
  EXPECT_TRUE(Last().topicFound);
  EXPECT_TRUE(Browser()->toPlainText().contains(QString::fromUtf8("Caf\xc3\xa9")));
}

TEST_F(HelpTest, ACallOffTheGuiThreadIsRecordedButNotCarriedOut) {
  WriteFile(beside + "/EDGETUCK.HLP", HelpDocument());
  bool result = true;
  std::thread([&] { result = platform::WinHelpJump("EDGETUCK.HLP", "Sound_Button"); }).join();
  EXPECT_FALSE(result);
  ASSERT_EQ(platform::HelpRequests().size(), 1u);
  EXPECT_EQ(Last().topic, "Sound_Button");
}

TEST_F(HelpTest, ContentsLinksJumpWithinTheFile) {
  WriteFile(beside + "/EDGETUCK.HLP",
            "<html><body><p><a href=\"#General_Button\">General page</a></p>" + HelpDocument().substr(12));
  ASSERT_TRUE(platform::WinHelpJump("EDGETUCK.HLP", "Edgetucker_Window_Description"));
  ASSERT_TRUE(platform::WinHelpJump("EDGETUCK.HLP", ""));
  QTextBrowser* browser = Browser();
  ASSERT_EQ(browser->verticalScrollBar()->value(), 0);
  QTextCursor link(browser->document());
  link.setPosition(3);  // inside "General page"
  const QPoint at = browser->cursorRect(link).center();
  QTest::mouseClick(browser->viewport(), Qt::LeftButton, {}, at);
  EXPECT_GT(browser->verticalScrollBar()->value(), 0);
  EXPECT_TRUE(browser->toPlainText().contains("Topic General_Button"));
}

// The help file that ships with the add-in answers every topic it is asked for.
TEST_F(HelpTest, TheShippedHelpFileHasEveryTopic) {
  const fs::path shipped = fs::path(EDGETUCKER_SOURCE_DIR) / "resources";
  ASSERT_TRUE(fs::exists(shipped / "EDGETUCK.HLP")) << shipped;
  platform::SetHelpSearchFolder(shipped.string());
  for (const char* topic : kTopics) {
    SCOPED_TRACE(topic);
    ASSERT_TRUE(platform::WinHelpJump("EDGETUCK.HLP", topic));
    EXPECT_TRUE(Last().topicFound);
    EXPECT_FALSE(Browser()->textCursor().block().text().isEmpty());
  }
  const QString text = Browser()->toPlainText();
  for (const char* must : {"Start", "Stop", "Hide", "Options", "About", "Edgetuck.ini", "FindLostWindows=1",
                           "AutoHide Object Inspector?", "Play sounds when moving?", "Animate Moves?",
                           "Open Delay Time (MS)", "Hiding Window Hangout"}) {
    EXPECT_TRUE(text.contains(QString::fromUtf8(must))) << must;
  }
}

}  // namespace

// ---- the viewer beside a modal dialog ----------------------------------------

namespace {

// Counts the presses that reach any widget of one window through the window
// system's path (where Qt shuts out windows a modal dialog blocks).
class PressCounter : public QObject {
public:
  explicit PressCounter(QWidget* window) : m_window(window) { qApp->installEventFilter(this); }
  ~PressCounter() override { qApp->removeEventFilter(this); }
  int presses = 0;

protected:
  bool eventFilter(QObject* o, QEvent* e) override {
    if (e->type() == QEvent::MouseButtonPress && o->isWidgetType() && static_cast<QWidget*>(o)->window() == m_window)
      ++presses;
    return false;
  }

private:
  QWidget* m_window;
};

TEST_F(HelpTest, AModalDialogDoesNotShutTheViewerOut) {
  WriteFile(beside + "/EDGETUCK.HLP", HelpDocument());
  // The viewer may already be open from before the dialog: it must become
  // usable all the same.
  ASSERT_TRUE(platform::WinHelpJump("EDGETUCK.HLP", "Edgetucker_Window_Description"));
  for (const bool openBefore : {true, false}) {
    SCOPED_TRACE(openBefore ? "viewer open before the dialog" : "viewer closed before the dialog");
    if (!openBefore) Viewer()->close();
    QWidget dialog;
    dialog.setWindowModality(Qt::ApplicationModal);
    dialog.setGeometry(388, 293, 248, 181);
    dialog.show();
    ASSERT_TRUE(platform::WinHelpJump("EDGETUCK.HLP", ""));
    QWidget* viewer = Viewer();
    ASSERT_TRUE(viewer->isVisible());
    QWindow* window = viewer->windowHandle();
    ASSERT_NE(window, nullptr);

    // Clicked and scrolled through the window system, not handed the events
    // directly.
    PressCounter counter(viewer);
    QTest::mouseClick(window, Qt::LeftButton, {}, Browser()->geometry().center());
    EXPECT_EQ(counter.presses, 1);
    const int before = Browser()->verticalScrollBar()->value();
    Browser()->setFocus();
    QTest::keyClick(window, Qt::Key_PageDown);
    EXPECT_GT(Browser()->verticalScrollBar()->value(), before);
    // And closed, while the dialog stays.
    QTest::keyClick(window, Qt::Key_Escape);
    EXPECT_FALSE(viewer->isVisible());
    EXPECT_TRUE(dialog.isVisible());
    if (openBefore) {
      ASSERT_TRUE(platform::WinHelpJump("EDGETUCK.HLP", ""));
    }
  }
}

// A window-system click on the viewer's text reaches it.
bool TakesClicks(QWidget* viewer) {
  QCoreApplication::processEvents();  // what a dialog's own loop does before a click arrives
  PressCounter counter(viewer);
  QTest::mouseClick(viewer->windowHandle(), Qt::LeftButton, {}, Browser()->geometry().center());
  return counter.presses == 1;
}

// Opened before any dialog, the viewer stays usable as modal dialogs open over
// one another and close again, without a new request.
TEST_F(HelpTest, AViewerAlreadyOpenStaysUsableAsModalDialogsComeAndGo) {
  WriteFile(beside + "/EDGETUCK.HLP", HelpDocument());
  ASSERT_TRUE(platform::WinHelpJump("EDGETUCK.HLP", "Edgetucker_Window_Description"));
  QWidget* viewer = Viewer();
  ASSERT_TRUE(TakesClicks(viewer));

  QWidget outer;
  outer.setWindowModality(Qt::ApplicationModal);
  outer.show();
  EXPECT_TRUE(TakesClicks(viewer)) << "a dialog opened over it";
  {
    QWidget inner;  // owned by nobody, as a separate dialog would be
    inner.setWindowModality(Qt::ApplicationModal);
    inner.show();
    EXPECT_TRUE(TakesClicks(viewer)) << "a second dialog over the first";
    inner.hide();
    EXPECT_TRUE(TakesClicks(viewer)) << "the second closed, the first still open";
  }
  // A window that is not the viewer stays shut out, as before.
  QWidget other;
  other.show();
  PressCounter counter(&other);
  QTest::mouseClick(other.windowHandle(), Qt::LeftButton, {}, QPoint(5, 5));
  EXPECT_EQ(counter.presses, 0);
  outer.hide();
  EXPECT_TRUE(TakesClicks(viewer)) << "every dialog closed";
  viewer->close();
}

TEST_F(HelpTest, TheViewerOpensBesideTheModalDialog) {
  WriteFile(beside + "/EDGETUCK.HLP", HelpDocument());
  if (QWidget* v = Viewer()) v->close();
  QWidget dialog;
  dialog.setWindowModality(Qt::ApplicationModal);
  dialog.setGeometry(388, 293, 248, 181);
  dialog.show();
  ASSERT_TRUE(platform::WinHelpJump("EDGETUCK.HLP", "Hidden_Button"));
  platform::Rect viewerRect, dialogRect;
  ASSERT_TRUE(platform::GetWindowRect(platform::HandleOf(Viewer()), viewerRect));
  ASSERT_TRUE(platform::GetWindowRect(platform::HandleOf(&dialog), dialogRect));
  EXPECT_GE(viewerRect.left, dialogRect.right) << "right of the dialog";
  EXPECT_LE(viewerRect.right, 1024);
  EXPECT_GE(viewerRect.top, 0);
  EXPECT_LE(viewerRect.bottom, 768);

  // Moved over the dialog by the user, it comes back beside it on the next
  // request; left alone elsewhere, it stays where it is.
  platform::MoveWindow(platform::HandleOf(Viewer()), 300, 250, 400, 400, true);
  ASSERT_TRUE(platform::WinHelpJump("EDGETUCK.HLP", "Sound_Button"));
  ASSERT_TRUE(platform::GetWindowRect(platform::HandleOf(Viewer()), viewerRect));
  EXPECT_GE(viewerRect.left, dialogRect.right);
  platform::MoveWindow(platform::HandleOf(Viewer()), 0, 0, 300, 250, true);
  ASSERT_TRUE(platform::WinHelpJump("EDGETUCK.HLP", "Sound_Button"));
  ASSERT_TRUE(platform::GetWindowRect(platform::HandleOf(Viewer()), viewerRect));
  EXPECT_EQ(viewerRect, (platform::Rect{0, 0, 300, 250}));
  Viewer()->close();
}

TEST(PlaceHelpViewer, BesideTheAskerWhereTheScreenAllows) {
  using platform::Rect;
  const Rect screen{0, 0, 1024, 768};
  struct Row {
    const char* name;
    Rect asker;
    int w, h;
    Rect work;
    Rect expected;
  };
  const Row rows[] = {
      {"right, lined up with the top", {100, 100, 300, 300}, 500, 400, screen, {304, 100, 804, 500}},
      {"right, pushed up into the screen", {100, 500, 300, 700}, 500, 400, screen, {304, 368, 804, 768}},
      {"right exactly fits", {0, 0, 520, 100}, 500, 400, screen, {524, 0, 1024, 400}},
      {"left when the right is short", {600, 100, 900, 300}, 500, 400, screen, {96, 100, 596, 500}},
      {"below when neither side has room", {100, 10, 1000, 200}, 500, 400, screen, {100, 204, 600, 604}},
      {"above as the last side", {100, 400, 1000, 760}, 500, 300, screen, {100, 96, 600, 396}},
      {"shrunk to the widest side (centred dialog)", {388, 293, 636, 474}, 520, 560, screen,
       {640, 208, 1024, 768}},
      {"a work area that does not start at 0", {388, 293, 636, 474}, 300, 300, {0, 30, 1024, 768},
       {640, 293, 940, 593}},
      {"no room anywhere: the least covering corner", {100, 100, 1000, 700}, 500, 400, screen,
       {0, 0, 500, 400}},
      {"an asker off the screen, a viewer larger than it", {2000, 0, 2100, 100}, 3000, 3000, screen,
       {0, 0, 1024, 768}},
      {"an asker off the left edge", {-500, 100, -100, 300}, 500, 400, screen, {0, 100, 500, 500}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    const Rect r = platform::PlaceHelpViewer(row.asker, row.w, row.h, row.work);
    EXPECT_EQ(r.left, row.expected.left);
    EXPECT_EQ(r.top, row.expected.top);
    EXPECT_EQ(r.right, row.expected.right);
    EXPECT_EQ(r.bottom, row.expected.bottom);
  }
}

}  // namespace
