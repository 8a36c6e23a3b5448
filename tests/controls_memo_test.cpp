#include <gtest/gtest.h>

#include <QApplication>
#include <QPushButton>
#include <QScrollBar>
#include <QStyleOptionSlider>
#include <QTest>
#include <QTextBlock>
#include <QTextCursor>
#include <QTimer>
#include <QWidget>
#include <climits>

#include "controls/CDKROMem.h"

namespace {

QStringList Numbered(int n) {
  QStringList lines;
  for (int i = 0; i < n; ++i) lines << QStringLiteral("line %1").arg(i);
  return lines;
}

struct MemoHost {
  MemoHost() {
    host.resize(300, 200);
    button = new QPushButton(QStringLiteral("Other"), &host);
    button->setGeometry(200, 10, 80, 25);
    memo = new TCDKMemo(&host);
    memo->setGeometry(10, 10, 150, 90);
    memo->SetWordWrap(false);
    memo->SetLines(Numbered(40));
    memo->SetOnMouseDown([this](QObject*, Qt::MouseButton, Qt::KeyboardModifiers, int, int) { ++mouseEvents; });
    memo->SetOnMouseUp([this](QObject*, Qt::MouseButton, Qt::KeyboardModifiers, int, int) { ++mouseEvents; });
    memo->SetOnClick([this](QObject*) { ++mouseEvents; });
    memo->SetOnDblClick([this](QObject*) { ++mouseEvents; });
  }
  void Show() {
    host.show();
    host.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&host));
    button->setFocus();
  }
  QWidget host;
  QPushButton* button;
  TCDKMemo* memo;
  int mouseEvents = 0;
};

int VisibleLines(TCDKMemo* memo) {
  return memo->viewport()->height() / memo->fontMetrics().lineSpacing();
}

TEST(CDKMemo, TopLineScrollsByTheDifferenceAsFarAsTheTextGoes) {
  for (bool shown : {true, false}) {
    SCOPED_TRACE(shown ? "shown" : "never shown");
    MemoHost h;
    if (shown) h.Show();
    EXPECT_EQ(h.memo->TopLine(), 0);
    struct Step {
      const char* name;
      int write;
      int read;  // -1: the last place the text allows
    };
    const Step steps[] = {
        {"down", 10, 10},       {"up", 4, 4},           {"unchanged", 4, 4},
        {"beyond the end", 1000, -1}, {"one up from the end", -2, -2}, {"before the start", -5, 0},
    };
    int last = -1;
    for (const Step& s : steps) {
      SCOPED_TRACE(s.name);
      int write = s.write;
      if (write == -2) write = last - 1;
      h.memo->SetTopLine(write);
      if (s.read == -1) {
        last = h.memo->TopLine();
        // The last page stays full: the last line is on screen, no further.
        EXPECT_GE(last, 40 - VisibleLines(h.memo) - 1);
        EXPECT_LT(last, 40);
        EXPECT_GT(last, 10);
      } else {
        EXPECT_EQ(h.memo->TopLine(), s.read == -2 ? last - 1 : s.read);
      }
    }
  }
}

TEST(CDKMemo, ExtremeTopLinesDoNotOverflow) {
  MemoHost h;
  h.memo->SetTopLine(INT_MAX);
  const int bottom = h.memo->TopLine();
  EXPECT_GT(bottom, 0);
  h.memo->SetTopLine(INT_MIN);
  EXPECT_EQ(h.memo->TopLine(), 0);
}

enum class Gesture { Click, DoubleClick };

void Do(QWidget* w, Gesture g, Qt::MouseButton b, QPoint at) {
  if (g == Gesture::Click)
    QTest::mouseClick(w, b, {}, at);
  else
    QTest::mouseDClick(w, b, {}, at);
}

TEST(CDKMemo, WithoutCaretMouseButtonsAreDroppedEntirely) {
  struct Row {
    const char* name;
    Gesture gesture;
    Qt::MouseButton button;
  };
  const Row rows[] = {
      {"left click", Gesture::Click, Qt::LeftButton},
      {"left double-click", Gesture::DoubleClick, Qt::LeftButton},
      {"right click", Gesture::Click, Qt::RightButton},
      {"right double-click", Gesture::DoubleClick, Qt::RightButton},
      {"middle click", Gesture::Click, Qt::MiddleButton},
      {"middle double-click", Gesture::DoubleClick, Qt::MiddleButton},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    MemoHost h;
    h.memo->SetAllowCaret(false);
    h.Show();
    // Any context menu that opens is noted and shut, so a fault cannot hang here.
    bool menu = false;
    QTimer closer;
    QObject::connect(&closer, &QTimer::timeout, [&] {
      if (QWidget* p = QApplication::activePopupWidget()) {
        menu = true;
        p->close();
      }
    });
    closer.start(20);
    // On a word of the third line.
    const QRect line = h.memo->cursorRect(QTextCursor(h.memo->document()->findBlockByNumber(2)));
    const QPoint at(line.left() + 12, line.center().y());
    Do(h.memo->viewport(), r.gesture, r.button, at);
    QApplication::processEvents();
    EXPECT_EQ(h.host.focusWidget(), h.button);
    EXPECT_FALSE(h.memo->textCursor().hasSelection());
    EXPECT_EQ(h.memo->textCursor().position(), 0);
    EXPECT_EQ(h.mouseEvents, 0);
    EXPECT_FALSE(menu);
    // The test driver still counts a right or middle button of a double-click
    // as held; let it go away from the memo so later presses are single.
    if (r.gesture == Gesture::DoubleClick && r.button != Qt::LeftButton)
      QTest::mouseRelease(&h.host, r.button, {}, QPoint(250, 150));
  }
}

TEST(CDKMemo, WithCaretAClickFocusesPlacesTheCaretAndReports) {
  MemoHost h;
  h.Show();
  const QRect line = h.memo->cursorRect(QTextCursor(h.memo->document()->findBlockByNumber(2)));
  QTest::mouseClick(h.memo->viewport(), Qt::LeftButton, {}, QPoint(line.left() + 12, line.center().y()));
  EXPECT_EQ(h.host.focusWidget(), h.memo);
  EXPECT_EQ(h.memo->textCursor().blockNumber(), 2);
  EXPECT_EQ(h.mouseEvents, 3);  // down, up, click
}

TEST(CDKMemo, WithoutCaretTheKeyboardStillFocusesATabStop) {
  for (bool tabStop : {true, false}) {
    SCOPED_TRACE(tabStop ? "tab stop" : "no tab stop");
    MemoHost h;
    h.memo->SetAllowCaret(false);
    h.memo->SetTabStop(tabStop);
    h.Show();
    QTest::keyClick(h.button, Qt::Key_Tab);
    EXPECT_EQ(h.host.focusWidget() == h.memo, tabStop);
  }
}

TEST(CDKMemo, WithoutCaretTheScrollBarStillScrolls) {
  MemoHost h;
  h.memo->SetAllowCaret(false);
  h.memo->SetScrollBars(tk::TScrollStyle::ssVertical);
  h.Show();
  QScrollBar* bar = h.memo->verticalScrollBar();
  QStyleOptionSlider opt;
  opt.initFrom(bar);
  opt.orientation = bar->orientation();
  opt.minimum = bar->minimum();
  opt.maximum = bar->maximum();
  opt.sliderPosition = bar->sliderPosition();
  opt.sliderValue = bar->value();
  opt.singleStep = bar->singleStep();
  opt.pageStep = bar->pageStep();
  opt.subControls = QStyle::SC_All;
  const QRect page = bar->style()->subControlRect(QStyle::CC_ScrollBar, &opt, QStyle::SC_ScrollBarAddPage, bar);
  ASSERT_FALSE(page.isEmpty());
  QTest::mouseClick(bar, Qt::LeftButton, {}, page.center());
  EXPECT_GT(h.memo->TopLine(), 0);
  EXPECT_EQ(h.host.focusWidget(), h.button);
}

TEST(CDKReadOnlyMemo, LooksLikePartOfTheDialogFace) {
  TCDKReadOnlyMemo memo;
  EXPECT_FALSE(memo.AllowCaret());
  EXPECT_EQ(memo.BorderStyle(), tk::TFormBorderStyle::bsNone);
  EXPECT_EQ(memo.frameShape(), QFrame::NoFrame);
  EXPECT_EQ(memo.Color(), tk::clBtnFace);
  EXPECT_EQ(memo.palette().color(QPalette::Base), tk::ColorToQColor(tk::clBtnFace));
  EXPECT_FALSE(memo.Ctl3D());
  EXPECT_EQ(memo.Cursor(), tk::crArrow);
  EXPECT_EQ(memo.viewport()->cursor().shape(), Qt::ArrowCursor);
  EXPECT_FALSE(memo.ParentCtl3D());
  EXPECT_TRUE(memo.ReadOnly());
  EXPECT_TRUE(memo.TabStop());
  EXPECT_FALSE(memo.focusPolicy() & Qt::ClickFocus);
}

TEST(CDKMemo, LinesBreakAtEveryKindOfLineEnd) {
  TCDKMemo memo;
  memo.SetText(QStringLiteral("one\r\ntwo\nthree\rfour"));
  EXPECT_EQ(memo.Lines(), (QStringList{"one", "two", "three", "four"}));
}

}  // namespace
