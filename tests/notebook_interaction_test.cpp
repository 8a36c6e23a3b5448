// Working the notebook: clicks on tabs at computed points, arrow keys,
// accelerator characters, the focus rectangle, OnTabClick and the veto of
// OnPageChanging, and the design-mode clicks and tab cursor.
#include <gtest/gtest.h>

#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include "notebook/CSNoteBk.h"
#include "toolkit/Component.h"

namespace {

struct Book {
  QWidget form;
  TcsNotebook* nb;
  QPushButton* button;  // a control of the form outside the notebook
  int tabClicks = 0;
  int changed = 0;
  bool veto = false;
  std::vector<int> asked;

  explicit Book(const QStringList& pages, TTabOrientation side = toTop, int perRow = 3) {
    form.resize(400, 300);
    nb = new TcsNotebook(&form);
    nb->setGeometry(10, 10, 300, 200);
    nb->SetTabOrientation(side);
    nb->SetTabsPerRow(perRow);
    nb->SetPages(pages);
    button = new QPushButton("OK", &form);
    button->setGeometry(320, 10, 60, 25);
    nb->OnTabClick = [this](QObject*) { ++tabClicks; };
    nb->OnPageChanged = [this](QObject*) { ++changed; };
    nb->OnPageChanging = [this](TcsNotebook*, int i, bool& allow) {
      asked.push_back(i);
      if (veto) allow = false;
    };
    form.show();
    QApplication::setActiveWindow(&form);
    EXPECT_TRUE(QTest::qWaitForWindowActive(&form));
    nb->PrepareTabs();
  }
  // Clicks the middle of page i's tab (as it stands now).
  void ClickTab(int i, Qt::MouseButton button = Qt::LeftButton) {
    const QRect r = nb->TabRectOf(i);
    ASSERT_FALSE(r.isEmpty()) << "page " << i << " has no tab";
    QTest::mouseClick(nb, button, {}, r.center());
  }
};

// ---- clicks -------------------------------------------------------------------------

TEST(NotebookInteraction, ClickingTabs) {
  struct Case {
    const char* name;
    int click;
    Qt::MouseButton button;
    bool disabled;  // page 1 disabled
    bool veto;
    int index, clicks, changed;
  };
  const std::vector<Case> cases = {
      {"another tab", 2, Qt::LeftButton, false, false, 2, 1, 1},
      {"the active tab still tells", 0, Qt::LeftButton, false, false, 0, 1, 0},
      {"a disabled page's tab", 1, Qt::LeftButton, true, false, 0, 0, 0},
      {"refused by OnPageChanging", 2, Qt::LeftButton, false, true, 0, 0, 0},
      {"refusing does not stop the active tab's click", 0, Qt::LeftButton, false, true, 0, 1, 0},
      {"right button", 2, Qt::RightButton, false, false, 0, 0, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Book b({"A", "B", "C"});
    b.nb->Page(1)->SetPageEnabled(!c.disabled);
    b.veto = c.veto;
    b.ClickTab(c.click, c.button);
    EXPECT_EQ(b.nb->PageIndex(), c.index);
    EXPECT_EQ(b.tabClicks, c.clicks);
    EXPECT_EQ(b.changed, c.changed);
    EXPECT_TRUE(b.nb->Page(b.nb->PageIndex())->isVisible());
    if (c.clicks) {
      EXPECT_TRUE(b.nb->hasFocus()) << "a click takes the focus";
      EXPECT_TRUE(b.nb->FocusDrawn());
    }
  }
}

TEST(NotebookInteraction, ClickOutsideEveryTabAndOnMouseDown) {
  Book b({"A", "B", "C"});
  std::vector<Qt::MouseButton> downs;
  b.nb->OnMouseDown = [&](QObject*, Qt::MouseButton button, Qt::KeyboardModifiers, int, int) {
    downs.push_back(button);
  };
  QTest::mouseClick(b.nb, Qt::LeftButton, {}, b.nb->PageClientRect().center());
  b.ClickTab(1, Qt::RightButton);
  EXPECT_EQ(b.nb->PageIndex(), 0);
  EXPECT_EQ(b.tabClicks, 0);
  EXPECT_EQ(downs, (std::vector<Qt::MouseButton>{Qt::LeftButton, Qt::RightButton}));
}

TEST(NotebookInteraction, ClickInABackRowBringsItToThePage) {
  Book b({"A", "B", "C", "D", "E", "F", "G"}, toLeft);
  // G stands alone in row 2, furthest out.
  ASSERT_EQ(b.nb->Layout().RowOf("G"), 2);
  b.ClickTab(6);
  EXPECT_EQ(b.nb->ActivePage(), "G");
  EXPECT_EQ(b.nb->Layout().RowOf("G"), 0);
  EXPECT_EQ(b.nb->Layout().rows[1], QStringList({"A", "B", "C"}));
  // The hit test sees the new order at once: G's tab is now next to the page.
  EXPECT_EQ(b.nb->TabAtPoint(b.nb->TabRectOf(6).center()), 6);
  EXPECT_EQ(b.tabClicks, 1);
}

// ---- keys -----------------------------------------------------------------------------

TEST(NotebookInteraction, ArrowKeys) {
  struct Case {
    const char* name;
    int start;
    Qt::Key key;
    std::vector<int> disabled, hidden;
    int index;
  };
  const std::vector<Case> cases = {
      {"right steps forward", 1, Qt::Key_Right, {}, {}, 2},
      {"down too", 1, Qt::Key_Down, {}, {}, 2},
      {"left steps back", 1, Qt::Key_Left, {}, {}, 0},
      {"right after the last page comes page 0", 3, Qt::Key_Right, {}, {}, 0},
      {"left before page 0 comes the last page", 0, Qt::Key_Up, {}, {}, 3},
      {"disabled and hidden pages are skipped", 0, Qt::Key_Right, {1}, {2}, 3},
      {"one selectable page: nothing", 0, Qt::Key_Right, {1, 3}, {2}, 0},
      {"other keys do nothing", 0, Qt::Key_PageDown, {}, {}, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Book b({"A", "B", "C", "D"}, toTop, 4);
    b.nb->SetPageIndex(c.start);
    for (int i : c.disabled) b.nb->Page(i)->SetPageEnabled(false);
    for (int i : c.hidden) b.nb->Page(i)->SetPageVisible(false);
    b.nb->setFocus();
    ASSERT_TRUE(b.nb->hasFocus());
    QTest::keyClick(b.nb, c.key);
    EXPECT_EQ(b.nb->PageIndex(), c.index);
    EXPECT_EQ(b.tabClicks, c.index != c.start ? 1 : 0);
  }
}

TEST(NotebookInteraction, ArrowKeyRefusedByOnPageChanging) {
  Book b({"A", "B", "C"});
  b.nb->setFocus();
  b.veto = true;
  QTest::keyClick(b.nb, Qt::Key_Right);
  EXPECT_EQ(b.nb->PageIndex(), 0);
  EXPECT_EQ(b.asked, (std::vector<int>{1}));
  EXPECT_EQ(b.tabClicks, 0);
}

// ---- accelerators -------------------------------------------------------------------------

TEST(NotebookInteraction, AcceleratorCharacters) {
  struct Case {
    const char* name;
    QWidget* (*focus)(Book&);
    Qt::Key key;
    Qt::KeyboardModifiers mods;
    bool soundDisabled;
    QString active;
    bool notebookFocused;
  };
  auto onButton = [](Book& b) -> QWidget* { return b.button; };
  auto onNotebook = [](Book& b) -> QWidget* { return b.nb; };
  auto onEdit = [](Book& b) -> QWidget* { return b.form.findChild<QLineEdit*>("edit"); };
  const std::vector<Case> cases = {
      {"Alt+S from a button", onButton, Qt::Key_S, Qt::AltModifier, false, "&Sound", true},
      {"plain s on the notebook", onNotebook, Qt::Key_S, Qt::NoModifier, false, "&Sound", true},
      {"the second letter of a caption", onButton, Qt::Key_V, Qt::AltModifier, false, "Mo&vement", true},
      {"Alt+S from an edit on a page", onEdit, Qt::Key_S, Qt::AltModifier, false, "&Sound", true},
      {"a plain s the edit takes", onEdit, Qt::Key_S, Qt::NoModifier, false, "&Hiding", false},
      {"a disabled page's accelerator is left alone", onButton, Qt::Key_S, Qt::AltModifier, true, "&Hiding", false},
      {"no page has it", onButton, Qt::Key_Q, Qt::AltModifier, false, "&Hiding", false},
      {"a literal ampersand is no accelerator", onButton, Qt::Key_N, Qt::AltModifier, false, "&Hiding", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Book b({"&Hiding", "&Sound", "Mo&vement", "Ge&&neral"}, toLeft, 4);
    auto* edit = new QLineEdit(b.nb->Page(0));
    edit->setObjectName("edit");
    edit->show();
    b.nb->Page(1)->SetPageEnabled(!c.soundDisabled);
    QWidget* target = c.focus(b);
    target->setFocus();
    ASSERT_TRUE(target->hasFocus());
    QTest::keyClick(target, c.key, c.mods);
    EXPECT_EQ(b.nb->ActivePage(), c.active);
    EXPECT_EQ(b.nb->hasFocus(), c.notebookFocused || target == b.nb);
    EXPECT_EQ(b.tabClicks, c.active != "&Hiding" ? 1 : 0);
    EXPECT_EQ(edit->text(), target == edit && c.mods == Qt::NoModifier ? "s" : "");
  }
}

TEST(NotebookInteraction, DisabledOrHiddenNotebookLeavesCharactersAlone) {
  Book b({"&Hiding", "&Sound"});
  b.nb->setEnabled(false);
  EXPECT_FALSE(b.nb->DialogChar(QChar('s')));
  EXPECT_EQ(b.nb->PageIndex(), 0);
  b.nb->setEnabled(true);
  b.nb->hide();
  EXPECT_FALSE(b.nb->DialogChar(QChar('s')));
  EXPECT_EQ(b.nb->PageIndex(), 0);
  b.nb->show();
  EXPECT_TRUE(b.nb->DialogChar(QChar('S')));
  EXPECT_EQ(b.nb->PageIndex(), 1);
}

// ---- focus -----------------------------------------------------------------------------

TEST(NotebookInteraction, TabbingInShowsTheFocusRectangleTabbingOutRemovesIt) {
  Book b({"A", "B"});
  b.button->setFocus();
  int enters = 0, exits = 0;
  b.nb->OnEnter = [&](QObject*) { ++enters; };
  b.nb->OnExit = [&](QObject*) {
    ++exits;
    EXPECT_TRUE(b.nb->FocusDrawn()) << "OnExit comes before the rectangle goes";
  };
  const QImage before = b.nb->grab().toImage();
  b.nb->setFocus(Qt::TabFocusReason);
  EXPECT_TRUE(b.nb->FocusDrawn());
  EXPECT_NE(b.nb->grab().toImage(), before);
  b.button->setFocus(Qt::TabFocusReason);
  EXPECT_FALSE(b.nb->FocusDrawn());
  EXPECT_EQ(b.nb->grab().toImage(), before);
  EXPECT_EQ(enters, 1);
  EXPECT_EQ(exits, 1);
}

TEST(NotebookInteraction, PageSwitchByCodeDropsTheRectangleAClickRedrawsIt) {
  Book b({"A", "B", "C"});
  b.nb->setFocus();
  ASSERT_TRUE(b.nb->FocusDrawn()) << "also when the focus came before the first paint";
  b.nb->SetPageIndex(1);
  EXPECT_FALSE(b.nb->FocusDrawn()) << "the switch repaints the tabs";
  b.ClickTab(2);
  EXPECT_TRUE(b.nb->FocusDrawn());
}

// ---- design mode -----------------------------------------------------------------------

TEST(NotebookInteraction, DesignModeClickSelectsOnePagePerPress) {
  Book b({"A", "B", "C"});
  tk::SetDesigning(b.nb, true);
  int modified = 0;
  b.nb->OnDesignerModified = [&](QWidget*) { ++modified; };
  const QPoint onB = b.nb->TabRectOf(1).center();
  const QPoint onC = b.nb->TabRectOf(2).center();
  EXPECT_FALSE(b.nb->DesignHitTest(b.nb->PageClientRect().center(), Qt::LeftButton)) << "not on a tab";
  EXPECT_TRUE(b.nb->DesignHitTest(onB, Qt::LeftButton));
  EXPECT_EQ(b.nb->PageIndex(), 1);
  EXPECT_TRUE(b.nb->DesignHitTest(onC, Qt::LeftButton)) << "the button is still down";
  EXPECT_EQ(b.nb->PageIndex(), 1);
  EXPECT_TRUE(b.nb->DesignHitTest(onC, Qt::NoButton)) << "the release";
  EXPECT_FALSE(b.nb->DesignHitTest(onC, Qt::NoButton));
  EXPECT_EQ(modified, 1);
  EXPECT_EQ(b.tabClicks, 0);
  tk::SetDesigning(b.nb, false);
  EXPECT_FALSE(b.nb->DesignHitTest(onC, Qt::LeftButton)) << "only while designing";
}

TEST(NotebookInteraction, TabCursorOverTabsInDesignMode) {
  Book b({"A", "B"});
  const QCursor hand = TcsNotebook::TabCursor();
  ASSERT_EQ(hand.shape(), Qt::BitmapCursor) << "the CSTABCURSOR picture is among the resources";
  EXPECT_EQ(hand.pixmap().size(), QSize(32, 32));
  tk::SetDesigning(b.nb, true);
  EXPECT_TRUE(b.nb->DesignSetCursor(b.nb->mapToGlobal(b.nb->TabRectOf(1).center())));
  EXPECT_EQ(b.nb->cursor().shape(), Qt::BitmapCursor);
  EXPECT_FALSE(b.nb->DesignSetCursor(b.nb->mapToGlobal(b.nb->PageClientRect().center())));
  EXPECT_EQ(b.nb->cursor().shape(), Qt::ArrowCursor);
}

}  // namespace
