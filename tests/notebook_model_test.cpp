// The notebook's model: properties and their limits, the page list and its
// errors, page switching, hidden and disabled pages, reading form data.
#include <gtest/gtest.h>

#include <QApplication>
#include <QLineEdit>
#include <functional>
#include <memory>

#include "notebook/CSNoteBk.h"
#include "toolkit/Component.h"
#include "toolkit/Dialogs.h"

namespace {

const QString kDuplicateHiding =
    QStringLiteral("Tab with Caption 'hiding' already exists. Tab Captions must be unique.");
const QString kDeleteLast =
    QStringLiteral("Cannot delete last remaining Tab.  Notebooks must have at least one Tab.");
const QString kClearAll =
    QStringLiteral("Cannot clear all Notebook pages.  Notebooks with no pages are not allowed.");

// A form holding a notebook with the given pages, its layout built unless
// asked otherwise (as after its first paint).
struct Fixture {
  explicit Fixture(const QStringList& captions, bool build = true) {
    form = std::make_unique<QWidget>();
    nb = new TcsNotebook(form.get());
    nb->SetPages(captions);
    if (build) nb->PrepareTabs();
  }
  TcsPage* page(const char* caption) const { return nb->Page(nb->Pages().IndexOf(caption)); }
  // The captions of the pages that are shown; exactly the active one expected.
  QStringList shown() const {
    QStringList out;
    for (TcsPage* p : nb->PageList())
      if (p->isVisibleTo(nb)) out << p->Caption();
    return out;
  }
  std::unique_ptr<QWidget> form;
  TcsNotebook* nb;
};

void ExpectOnlyActiveShownAndEnabled(const Fixture& f) {
  EXPECT_EQ(f.shown(), QStringList({f.nb->ActivePage()}));
  for (int i = 0; i < f.nb->PageCount(); ++i)
    EXPECT_EQ(f.nb->Page(i)->Enabled(), i == f.nb->PageIndex()) << f.nb->Page(i)->Caption().toStdString();
}

TEST(NotebookModel, NewNotebook) {
  QWidget form;
  TcsNotebook nb(&form);
  EXPECT_EQ(nb.Pages().Strings(), QStringList({"Default"}));
  EXPECT_EQ(nb.PageIndex(), 0);
  EXPECT_EQ(nb.ActivePage(), "Default");
  EXPECT_EQ(nb.RowExtent(), 1);
  EXPECT_EQ(nb.size(), QSize(250, 150));
  EXPECT_EQ(nb.focusPolicy(), Qt::StrongFocus);
  EXPECT_TRUE(nb.Page(0)->isVisibleTo(&nb));
  EXPECT_TRUE(nb.Page(0)->Enabled());
  EXPECT_FALSE(nb.LayoutBuilt());
  EXPECT_EQ(nb.TabHeight(), 25);
  EXPECT_EQ(nb.CornerSize(), 5);
  EXPECT_EQ(nb.TabsPerRow(), 3);
  EXPECT_EQ(nb.RowIndent(), 5);
  EXPECT_EQ(nb.BitmapAlignment(), baRightMiddle);
  EXPECT_EQ(nb.TextAlignment(), taLeftMiddle);
}

// ---- property limits ----------------------------------------------------------------

struct ClampCase {
  const char* name;
  std::function<void(TcsNotebook&)> apply;
  int tabsPerRow, rowIndent, maxTabWidth, cornerSize;
};

TEST(NotebookModel, PropertyLimits) {
  const ClampCase cases[] = {
      {"TabsPerRow 0 becomes 3", [](TcsNotebook& n) { n.SetTabsPerRow(0); }, 3, 5, 0, 5},
      {"TabsPerRow -2 becomes 3", [](TcsNotebook& n) { n.SetTabsPerRow(-2); }, 3, 5, 0, 5},
      {"TabsPerRow 5 kept", [](TcsNotebook& n) { n.SetTabsPerRow(5); }, 5, 5, 0, 5},
      {"RowIndent -1 ignored", [](TcsNotebook& n) { n.SetRowIndent(-1); }, 3, 5, 0, 5},
      {"RowIndent 0 kept", [](TcsNotebook& n) { n.SetRowIndent(0); }, 3, 0, 0, 5},
      {"MaxTabWidth 10 becomes 15 and lowers CornerSize to 1", [](TcsNotebook& n) { n.SetMaxTabWidth(10); },
       3, 5, 15, 1},
      {"MaxTabWidth 40 limits CornerSize to 14",
       [](TcsNotebook& n) {
         n.SetCornerSize(20);
         n.SetMaxTabWidth(40);
       },
       3, 5, 40, 14},
      {"MaxTabWidth -4 stored, CornerSize kept", [](TcsNotebook& n) { n.SetMaxTabWidth(-4); }, 3, 5, -4, 5},
      {"CornerSize 0 becomes 1", [](TcsNotebook& n) { n.SetCornerSize(0); }, 3, 5, 0, 1},
      {"CornerSize 40 under TabHeight 25 becomes 24", [](TcsNotebook& n) { n.SetCornerSize(40); }, 3, 5, 0, 24},
      {"CornerSize raises MaxTabWidth",
       [](TcsNotebook& n) {
         n.SetMaxTabWidth(20);  // lowers CornerSize to 4
         n.SetCornerSize(10);
       },
       3, 5, 26, 10},
      {"lower TabHeight re-applies the CornerSize limit", [](TcsNotebook& n) { n.SetTabHeight(4); }, 3, 5, 0, 3},
  };
  for (const ClampCase& c : cases) {
    SCOPED_TRACE(c.name);
    TcsNotebook nb;
    c.apply(nb);
    EXPECT_EQ(nb.TabsPerRow(), c.tabsPerRow);
    EXPECT_EQ(nb.RowIndent(), c.rowIndent);
    EXPECT_EQ(nb.MaxTabWidth(), c.maxTabWidth);
    EXPECT_EQ(nb.CornerSize(), c.cornerSize);
  }
}

TEST(NotebookModel, SidewaysTextFollowsTheAxis) {
  TcsNotebook nb;
  nb.SetSidewaysText(true);
  EXPECT_FALSE(nb.SidewaysText()) << "ignored on top";
  nb.SetTabOrientation(toLeft);
  EXPECT_TRUE(nb.SidewaysText()) << "turned on by the change of axis";
  nb.SetSidewaysText(false);
  nb.SetTabOrientation(toRight);
  EXPECT_FALSE(nb.SidewaysText()) << "same axis: unchanged";
  nb.SetSidewaysText(true);
  nb.SetTabOrientation(toBottom);
  EXPECT_FALSE(nb.SidewaysText()) << "turned off by the change of axis";
  nb.SetTabOrientation(static_cast<TTabOrientation>(9));
  EXPECT_EQ(nb.TabOrientation(), toBottom) << "an undefined side is ignored";
}

TEST(NotebookModel, RowExtentCountsVisiblePagesAndFollowsTabsPerRow) {
  Fixture f({"A", "B", "C", "D", "E", "F", "G"});
  EXPECT_EQ(f.nb->RowExtent(), 3);
  EXPECT_EQ(f.nb->RowCount(), 3);
  f.page("G")->SetPageVisible(false);
  EXPECT_EQ(f.nb->RowExtent(), 2);
  EXPECT_EQ(f.nb->RowCount(), 2);
  // Fewer rows: a deeper page area, and the pages follow it.
  const int topBefore = f.nb->PageClientRect().top();
  f.nb->SetTabsPerRow(6);
  EXPECT_EQ(f.nb->RowCount(), 1);
  EXPECT_EQ(f.nb->Layout().rows.front().size(), 6);
  EXPECT_EQ(f.nb->PageClientRect().top(), topBefore - 25);
  for (TcsPage* p : f.nb->PageList()) EXPECT_EQ(p->geometry(), f.nb->PageClientRect());
}

// ---- the page list ---------------------------------------------------------------------

TEST(NotebookModel, CaptionsAreUniqueWithoutRegardToCase) {
  Fixture f({"Hiding", "Sound"});
  tk::BoxRecorder boxes;
  EXPECT_EQ(f.nb->Pages().Add("hiding"), -1);
  f.nb->Pages().Insert(0, "hiding");
  f.nb->Pages().Put(1, "hiding");
  EXPECT_EQ(f.nb->Pages().Strings(), QStringList({"Hiding", "Sound"}));
  ASSERT_EQ(boxes.boxes.size(), 3u);
  for (const auto& b : boxes.boxes) {
    EXPECT_EQ(b.kind, tk::BoxKind::Error);
    EXPECT_EQ(b.text, kDuplicateHiding);
  }
  // Its own caption in other letter case is no clash.
  f.nb->Pages().Put(0, "HIDING");
  EXPECT_EQ(f.nb->Pages()[0], "HIDING");
  EXPECT_EQ(boxes.boxes.size(), 3u);
  EXPECT_EQ(f.nb->Pages().IndexOf("sound"), 1);
  EXPECT_EQ(f.nb->Pages().IndexOf("Movement"), -1);
}

TEST(NotebookModel, LastPageAndClearingAreRefused) {
  tk::BoxRecorder boxes;
  {
    Fixture f({"Only"});
    f.nb->Pages().Delete(0);
    EXPECT_EQ(f.nb->PageCount(), 1);
    f.nb->Pages().Clear();
    EXPECT_EQ(f.nb->PageCount(), 1);
    // Assigning a list after the layout is built: the clear is refused, present
    // captions give the duplicate message and new ones are added.
    f.nb->SetPages({"only", "Second"});
    EXPECT_EQ(f.nb->Pages().Strings(), QStringList({"Only", "Second"}));
  }
  ASSERT_EQ(boxes.boxes.size(), 4u);
  EXPECT_EQ(boxes.boxes[0].text, kDeleteLast);
  EXPECT_EQ(boxes.boxes[1].text, kClearAll);
  EXPECT_EQ(boxes.boxes[2].text, kClearAll);
  EXPECT_EQ(boxes.boxes[3].text, QStringLiteral("Tab with Caption 'only' already exists. Tab Captions must be unique."));
  // Before the layout is built clearing is allowed, and the first page added
  // afterwards becomes active.
  Fixture g({"A", "B"}, false);
  g.nb->Pages().Clear();
  EXPECT_EQ(g.nb->PageCount(), 0);
  EXPECT_EQ(g.nb->PageIndex(), -1);
  EXPECT_EQ(g.nb->ActivePage(), "");
  g.nb->Pages().Add("C");
  EXPECT_EQ(g.nb->ActivePage(), "C");
  ExpectOnlyActiveShownAndEnabled(g);
  EXPECT_EQ(boxes.boxes.size(), 4u);
}

struct EditCase {
  const char* name;
  const char* active;
  std::function<void(TcsPageAccess&)> edit;
  QStringList order;
  const char* activeAfter;
};

TEST(NotebookModel, EditsKeepTheRightActivePage) {
  const EditCase cases[] = {
      {"delete before the active page", "C", [](TcsPageAccess& p) { p.Delete(0); }, {"B", "C", "D"}, "C"},
      {"delete after the active page", "B", [](TcsPageAccess& p) { p.Delete(3); }, {"A", "B", "C"}, "B"},
      {"delete the active page", "C", [](TcsPageAccess& p) { p.Delete(2); }, {"A", "B", "D"}, "A"},
      {"delete the active page 0", "A", [](TcsPageAccess& p) { p.Delete(0); }, {"B", "C", "D"}, "B"},
      {"delete out of range", "B", [](TcsPageAccess& p) { p.Delete(7); }, {"A", "B", "C", "D"}, "B"},
      {"exchange the active page: its index stays active", "A", [](TcsPageAccess& p) { p.Exchange(0, 2); },
       {"C", "B", "A", "D"}, "C"},
      {"exchange two other pages", "B", [](TcsPageAccess& p) { p.Exchange(0, 3); }, {"D", "B", "C", "A"}, "B"},
      {"move the active page", "A", [](TcsPageAccess& p) { p.Move(0, 3); }, {"B", "C", "D", "A"}, "A"},
      {"move another page across it", "C", [](TcsPageAccess& p) { p.Move(0, 3); }, {"B", "C", "D", "A"}, "C"},
      {"move out of range", "C", [](TcsPageAccess& p) { p.Move(0, 4); }, {"A", "B", "C", "D"}, "C"},
      {"insert before the active page selects the new one", "C", [](TcsPageAccess& p) { p.Insert(1, "N"); },
       {"A", "N", "B", "C", "D"}, "N"},
  };
  for (bool built : {true, false}) {
    for (const EditCase& c : cases) {
      SCOPED_TRACE(std::string(c.name) + (built ? "" : ", before the layout is built"));
      Fixture f({"A", "B", "C", "D"}, built);
      f.nb->SetActivePage(c.active);
      ASSERT_EQ(f.nb->ActivePage(), c.active);
      c.edit(f.nb->Pages());
      EXPECT_EQ(f.nb->Pages().Strings(), c.order);
      // Before the layout is built an insert does not switch pages.
      const QString expected = !built && QString(c.name).startsWith("insert") ? c.active : c.activeAfter;
      EXPECT_EQ(f.nb->ActivePage(), expected);
      EXPECT_EQ(f.nb->PageIndex(), c.order.indexOf(expected));
      ExpectOnlyActiveShownAndEnabled(f);
    }
  }
}

TEST(NotebookModel, DesignerIsToldOfEditsOnlyInDesignMode) {
  Fixture f({"A", "B"});
  int told = 0;
  f.nb->OnDesignerModified = [&](QWidget* form) {
    EXPECT_EQ(form, f.form.get());
    ++told;
  };
  f.nb->Pages().Add("C");
  EXPECT_EQ(told, 0);
  tk::SetDesigning(f.form.get(), true);
  f.nb->Pages().Add("D");
  f.nb->Pages().Put(3, "E");
  f.nb->Pages().Move(0, 1);
  f.nb->Pages().Exchange(0, 1);
  f.nb->Pages().Delete(3);
  EXPECT_EQ(told, 5);
}

// ---- switching pages ------------------------------------------------------------------------

TEST(NotebookModel, PageChangingCanVetoAndLeavesEverythingUntouched) {
  Fixture f({"A", "B", "C", "D", "E"});
  f.nb->SetActivePage("B");
  const auto rowsBefore = f.nb->Layout().rows;
  const QRect tabBefore = f.nb->TabRectOf(3);
  int asked = 0, changed = 0;
  f.nb->OnPageChanging = [&](TcsNotebook* sender, int newIndex, bool& allow) {
    EXPECT_EQ(sender, f.nb);
    EXPECT_EQ(newIndex, 3);
    EXPECT_TRUE(allow);
    ++asked;
    allow = false;
  };
  f.nb->OnPageChanged = [&](QObject*) { ++changed; };
  f.nb->SetPageIndex(3);  // D stands in the back row
  EXPECT_EQ(asked, 1);
  EXPECT_EQ(changed, 0);
  EXPECT_EQ(f.nb->ActivePage(), "B");
  EXPECT_EQ(f.nb->Layout().rows, rowsBefore);
  EXPECT_EQ(f.nb->TabRectOf(3), tabBefore);
  ExpectOnlyActiveShownAndEnabled(f);

  f.nb->OnPageChanging = nullptr;
  f.nb->SetPageIndex(3);
  EXPECT_EQ(changed, 1);
  EXPECT_EQ(f.nb->ActivePage(), "D");
  EXPECT_EQ(f.nb->Layout().rows.front(), QStringList({"D", "E"}));
  ExpectOnlyActiveShownAndEnabled(f);
}

TEST(NotebookModel, RefusedSwitches) {
  Fixture f({"A", "B", "C"});
  int changed = 0;
  f.nb->OnPageChanged = [&](QObject*) { ++changed; };
  f.page("B")->SetPageEnabled(false);
  f.page("C")->SetPageVisible(false);
  for (int v : {-1, 3, 0, 1, 2}) {
    SCOPED_TRACE(v);
    f.nb->SetPageIndex(v);
    EXPECT_EQ(f.nb->PageIndex(), 0);
  }
  f.nb->SetActivePage("Nowhere");
  EXPECT_EQ(f.nb->ActivePage(), "A");
  EXPECT_EQ(changed, 0);
  // In design mode a disabled page can be chosen.
  tk::SetDesigning(f.form.get(), true);
  f.nb->SetActivePage("b");
  EXPECT_EQ(f.nb->ActivePage(), "B");
  EXPECT_TRUE(f.nb->AnyPageSelectable());
}

TEST(NotebookModel, HidingTheActivePage) {
  struct Case {
    const char* name;
    const char* active;
    const char* disabled;
    const char* activeAfter;
    bool notebookEnabled;
  };
  const Case cases[] = {
      {"the next selectable page takes over", "B", "C", "D", true},
      {"wrapping to the start", "D", "", "A", true},
      {"the next visible page when none is selectable", "A", "BCD", "B", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Fixture f({"A", "B", "C", "D"});
    f.nb->SetActivePage(c.active);
    for (QChar d : QString(c.disabled)) f.page(QString(d).toLatin1())->SetPageEnabled(false);
    f.page(c.active)->SetPageVisible(false);
    EXPECT_EQ(f.nb->ActivePage(), c.activeAfter);
    EXPECT_EQ(f.nb->Enabled(), c.notebookEnabled);
    EXPECT_EQ(f.shown(), QStringList({c.activeAfter}));
    EXPECT_EQ(f.nb->Layout().FindTab(c.active), nullptr);
  }
}

TEST(NotebookModel, DisablingPages) {
  Fixture f({"A", "B"});
  f.page("A")->SetPageEnabled(false);
  EXPECT_EQ(f.nb->ActivePage(), "B") << "the active page gave way";
  EXPECT_TRUE(f.nb->Enabled());
  f.page("B")->SetPageEnabled(false);
  EXPECT_FALSE(f.nb->Enabled()) << "nothing left to select";
  EXPECT_FALSE(f.page("B")->Enabled());
  f.page("A")->SetPageEnabled(true);
  EXPECT_TRUE(f.nb->Enabled());
  EXPECT_EQ(f.nb->ActivePage(), "A");
  ExpectOnlyActiveShownAndEnabled(f);
}

TEST(NotebookModel, RenamingKeepsTheTabInPlace) {
  Fixture f({"A", "B", "C", "D"});
  const QRect before = f.nb->TabRectOf(1);
  f.nb->Pages().Put(1, "Bee");
  EXPECT_EQ(f.nb->TabRectOf(1), before);
  EXPECT_EQ(f.nb->Layout().rows[f.nb->Layout().RowOf("Bee")].contains("Bee"), true);
  EXPECT_EQ(f.nb->Layout().FindTab("B"), nullptr);
  EXPECT_EQ(f.nb->Layout().tabs.size(), 4u);
}

TEST(NotebookModel, FocusInsideTheNotebookMovesToItOnASwitch) {
  QWidget form;
  auto* nb = new TcsNotebook(&form);
  nb->SetPages({"A", "B"});
  auto* edit = new QLineEdit(nb->Page(0));
  form.show();
  QApplication::setActiveWindow(&form);
  edit->setFocus();
  ASSERT_TRUE(edit->hasFocus());
  nb->SetPageIndex(1);
  EXPECT_EQ(nb->PageIndex(), 1);
  EXPECT_TRUE(nb->hasFocus());
}

TEST(NotebookModel, SaveResourcesReleasesInactivePages) {
  QWidget form;
  auto* nb = new TcsNotebook(&form);
  nb->SetPages({"A", "B"});
  auto* editA = new QLineEdit(nb->Page(0));
  auto* editB = new QLineEdit(nb->Page(1));
  editA->setText("kept A");
  editB->setText("kept B");
  form.show();
  for (TcsPage* p : nb->PageList()) p->winId();  // give both pages native windows
  ASSERT_TRUE(nb->Page(1)->HasWindow());

  nb->SetSaveResources(true);
  EXPECT_TRUE(nb->Page(0)->HasWindow());
  EXPECT_FALSE(nb->Page(1)->HasWindow());

  nb->SetPageIndex(1);
  EXPECT_FALSE(nb->Page(0)->HasWindow());
  EXPECT_TRUE(nb->Page(1)->HasWindow());
  EXPECT_TRUE(editB->isVisible());
  EXPECT_EQ(editB->text(), "kept B");

  nb->SetPageIndex(0);
  EXPECT_TRUE(nb->Page(0)->HasWindow());
  EXPECT_TRUE(editA->isVisible());
  EXPECT_EQ(editA->text(), "kept A");
  EXPECT_EQ(editA->parentWidget(), nb->Page(0));
}

TEST(NotebookModel, DesignModeKeepsWindowsAndEnabledState) {
  QWidget form;
  auto* nb = new TcsNotebook(&form);
  nb->SetPages({"A", "B"});
  form.show();
  for (TcsPage* p : nb->PageList()) p->winId();
  tk::SetDesigning(&form, true);
  nb->SetSaveResources(true);
  EXPECT_TRUE(nb->Page(1)->HasWindow());
  nb->SetPageIndex(1);
  EXPECT_TRUE(nb->Page(0)->HasWindow());
  nb->Page(0)->SetPageEnabled(false);
  nb->Page(1)->SetPageEnabled(false);
  EXPECT_TRUE(nb->Enabled());
  EXPECT_EQ(nb->PageIndex(), 1);
  // Back at run time the first change of a page settles the notebook.
  tk::SetDesigning(&form, false);
  nb->Page(1)->SetPageVisible(false);
  EXPECT_EQ(nb->PageIndex(), 0);
  EXPECT_FALSE(nb->Enabled());
}

TEST(NotebookModel, APageDestroyedDirectlyLeavesTheList) {
  Fixture f({"A", "B", "C"});
  f.nb->SetActivePage("B");
  delete f.page("B");
  EXPECT_EQ(f.nb->Pages().Strings(), QStringList({"A", "C"}));
  EXPECT_EQ(f.nb->ActivePage(), "C");
  ExpectOnlyActiveShownAndEnabled(f);
}

TEST(NotebookModel, BitmapAndGlyphsAreTheActivePages) {
  Fixture f({"A", "B"});
  QPixmap pic(50, 25);
  pic.fill(Qt::red);
  f.nb->SetBitmap(pic);
  f.nb->SetNumGlyphs(2);
  EXPECT_EQ(f.page("A")->Bitmap().size(), QSize(50, 25));
  EXPECT_EQ(f.page("A")->NumGlyphs(), 2);
  EXPECT_TRUE(f.page("B")->Bitmap().isNull());
  f.nb->SetActivePage("B");
  EXPECT_TRUE(f.nb->Bitmap().isNull());
  EXPECT_EQ(f.nb->NumGlyphs(), 1);
  f.nb->SetNumGlyphs(7);
  EXPECT_EQ(f.nb->NumGlyphs(), 3);
  f.nb->SetNumGlyphs(0);
  EXPECT_EQ(f.nb->NumGlyphs(), 1);
}

// ---- reading form data ------------------------------------------------------------------------

struct Stored {
  int pageIndex;
  QString disabled;
};

TcsNotebook* ReadNotebook(QWidget* form, const Stored& s, bool sideways = true,
                          TTabOrientation side = toLeft) {
  tk::LoadingScope scope;
  auto* nb = new TcsNotebook(form);
  nb->setGeometry(2, 3, 244, 142);
  nb->SetTabOrientation(side);
  nb->SetTabsPerRow(4);
  nb->SetTabHeight(35);
  nb->SetSidewaysText(sideways);
  nb->SetPageIndex(s.pageIndex);
  for (const char* c : {"Hiding", "Sound", "Movement", "General"}) {
    auto* p = new TcsPage(nb);
    p->SetCaption(c);
    p->SetPageEnabled(!s.disabled.contains(QChar(c[0])));
    new QLineEdit(p);
  }
  return nb;
}

TEST(NotebookModel, ReadingFromFormData) {
  struct Case {
    const char* name;
    Stored stored;
    const char* active;
  };
  const Case cases[] = {
      {"stored index", {2, ""}, "Movement"},
      {"stored index of a disabled page", {1, "S"}, "Movement"},
      {"invalid stored index: the first selectable page", {9, "H"}, "Sound"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    QWidget form;
    TcsNotebook* nb = ReadNotebook(&form, c.stored);
    EXPECT_FALSE(nb->IsLoading());
    EXPECT_EQ(nb->Pages().Strings(), QStringList({"Hiding", "Sound", "Movement", "General"}));
    EXPECT_TRUE(nb->LayoutBuilt());
    EXPECT_TRUE(nb->SidewaysText());
    EXPECT_EQ(nb->ActivePage(), c.active);
    EXPECT_TRUE(nb->Enabled());
    for (int i = 0; i < nb->PageCount(); ++i) {
      EXPECT_EQ(nb->Page(i)->isVisibleTo(nb), i == nb->PageIndex());
      EXPECT_EQ(nb->Page(i)->Enabled(), i == nb->PageIndex());
    }
    EXPECT_EQ(nb->Page(nb->PageIndex())->geometry(), QRect(38, 3, 203, 136));
    EXPECT_EQ(nb->TabRectOf(0), QRect(0, 106, 35, 35));
    // Built: the page list now refuses to be cleared.
    tk::BoxRecorder boxes;
    nb->Pages().Clear();
    EXPECT_EQ(boxes.boxes.size(), 1u);
  }
}

TEST(NotebookModel, ReadingCorrectsSidewaysTextAndDisablesWhenNothingIsSelectable) {
  QWidget form;
  TcsNotebook* nb = ReadNotebook(&form, {0, "HSMG"}, true, toTop);
  EXPECT_FALSE(nb->SidewaysText());
  EXPECT_FALSE(nb->Enabled());
  EXPECT_EQ(nb->PageIndex(), 0);
  EXPECT_EQ(nb->TabRectOf(3).top(), 0);
}

}  // namespace
