#include <gtest/gtest.h>

#include <QApplication>
#include <QImage>
#include <QLineEdit>
#include <QPalette>
#include <QWidget>
#include <climits>

#include "controls/CDK_Comp.h"
#include "toolkit/Component.h"

namespace {

// Face, highlight and shadow told apart; the host's own background differs
// from all three so a see-through panel can be recognised.
struct PanelPalette {
  PanelPalette() : saved(QApplication::palette()) {
    QPalette pal = saved;
    for (auto g : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
      pal.setColor(g, QPalette::Button, face);
      pal.setColor(g, QPalette::Light, highlight);
      pal.setColor(g, QPalette::Dark, shadow);
      pal.setColor(g, QPalette::Window, hostBack);
    }
    QApplication::setPalette(pal);
  }
  ~PanelPalette() { QApplication::setPalette(saved); }
  QPalette saved;
  const QColor face{192, 192, 192};
  const QColor highlight{255, 255, 255};
  const QColor shadow{128, 128, 128};
  const QColor hostBack{20, 120, 60};
};

struct Host {
  explicit Host(int w = 300, int h = 200) {
    widget.setAutoFillBackground(true);
    widget.resize(w, h);
    panel = new TCompoundComponentPanel(&widget);
  }
  QColor At(int x, int y) { return widget.grab().toImage().pixelColor(panel->x() + x, panel->y() + y); }
  QWidget widget;
  TCompoundComponentPanel* panel;
};

TEST(CompoundPanel, StartsAsAnUncaptionedRaisedPanel) {
  Host h;
  TCompoundComponentPanel& p = *h.panel;
  EXPECT_EQ(p.size(), QSize(185, 41));
  EXPECT_EQ(p.BevelOuter(), bvRaised);
  EXPECT_EQ(p.BevelInner(), bvNone);
  EXPECT_EQ(p.BevelWidth(), 1);
  EXPECT_EQ(p.BorderWidth(), 0);
  EXPECT_EQ(p.Color(), tk::clBtnFace);
  EXPECT_TRUE(p.Caption().isEmpty());
  EXPECT_TRUE(p.windowTitle().isEmpty());
  EXPECT_TRUE(p.NeedsRefresh());
  EXPECT_FALSE(p.SeeThrough());
  EXPECT_FALSE(p.KeepWidth());
  EXPECT_FALSE(p.KeepHeight());
  EXPECT_EQ(p.HorzPlacement(), plNone);
  EXPECT_EQ(p.VertPlacement(), plNone);
  EXPECT_EQ(p.SavedWidth(), 0);
  EXPECT_EQ(p.SavedHeight(), 0);
  EXPECT_EQ(p.MarginLeft(), 16);
  EXPECT_EQ(p.MarginTop(), 16);
  EXPECT_EQ(p.MarginRight(), 16);
  EXPECT_EQ(p.MarginBottom(), 16);
  EXPECT_EQ(p.metaObject()->className(), QByteArray("TCompoundComponentPanel"));
}

// A caption assigned later is kept but never reaches the screen: inside the
// bevel every pixel stays the face colour.
TEST(CompoundPanel, AssignedCaptionIsNeverDrawn) {
  PanelPalette pal;
  Host h;
  h.panel->setFont(QFont(QStringLiteral("Liberation Sans"), 20, QFont::Bold));
  h.panel->SetCaption(QStringLiteral("WWWWWW"));
  EXPECT_EQ(h.panel->Caption(), QStringLiteral("WWWWWW"));
  EXPECT_TRUE(h.panel->windowTitle().isEmpty());
  h.widget.show();
  const QImage img = h.widget.grab().toImage().copy(h.panel->geometry());
  for (int y = 1; y < img.height() - 1; ++y)
    for (int x = 1; x < img.width() - 1; ++x) ASSERT_EQ(img.pixelColor(x, y), pal.face) << x << "," << y;
}

// Frames nest from the outside in: outer bevel, border in the panel colour,
// inner bevel, then the fill.  Each frame owns its top row and left column in
// the top colour except the top-right and bottom-left corners, which the bottom
// colour takes.
TEST(CompoundPanel, FramesPaintTheirPixelsFromOutsideIn) {
  PanelPalette pal;
  const QColor H = pal.highlight, S = pal.shadow, F = pal.face, C{200, 40, 40};
  struct Probe {
    int x, y;  // negative counts from the right or bottom edge (-1 is the last pixel)
    QColor color;
  };
  struct Row {
    const char* name;
    TPanelBevel outer, inner;
    int bevelWidth, borderWidth;
    bool colored;
    std::vector<Probe> probes;
  };
  const std::vector<Row> rows = {
      {"default raised", bvRaised, bvNone, 1, 0, false,
       {{0, 0, H}, {5, 0, H}, {0, 5, H}, {-1, 0, S}, {0, -1, S}, {-1, -1, S}, {-1, 5, S}, {5, -1, S}, {1, 1, F},
        {-2, -2, F}}},
      {"lowered", bvLowered, bvNone, 1, 0, false,
       {{0, 0, S}, {5, 0, S}, {0, 5, S}, {-1, 0, H}, {0, -1, H}, {-1, -1, H}, {1, 1, F}}},
      {"no bevel fills to the edge", bvNone, bvNone, 1, 0, false, {{0, 0, F}, {-1, -1, F}}},
      {"wide bevel", bvRaised, bvNone, 2, 0, false,
       {{1, 1, H}, {1, 5, H}, {-2, 1, S}, {-2, -2, S}, {2, 2, F}}},
      {"border in the panel colour then inner bevel", bvRaised, bvLowered, 1, 2, true,
       {{0, 0, H}, {1, 1, C}, {2, 2, C}, {3, 3, S}, {-4, 3, H}, {-4, -4, H}, {4, 4, C}, {-5, -5, C}}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    Host h;
    h.panel->SetBevelOuter(row.outer);
    h.panel->SetBevelInner(row.inner);
    h.panel->SetBevelWidth(row.bevelWidth);
    h.panel->SetBorderWidth(row.borderWidth);
    if (row.colored) h.panel->SetColor(tk::QColorToColor(C));
    h.widget.show();
    const QImage img = h.widget.grab().toImage().copy(h.panel->geometry());
    for (const Probe& pr : row.probes) {
      const int x = pr.x < 0 ? img.width() + pr.x : pr.x;
      const int y = pr.y < 0 ? img.height() + pr.y : pr.y;
      EXPECT_EQ(img.pixelColor(x, y), pr.color) << "at " << x << "," << y;
    }
  }
}

TEST(CompoundPanel, InnerRectIsWhatTheFramesLeave) {
  Host h;
  EXPECT_EQ(h.panel->InnerRect(), QRect(1, 1, 183, 39));
  h.panel->SetBorderWidth(3);
  h.panel->SetBevelInner(bvLowered);
  h.panel->SetBevelWidth(2);
  EXPECT_EQ(h.panel->InnerRect(), QRect(7, 7, 171, 27));
  h.panel->SetBevelWidth(-5);
  h.panel->SetBorderWidth(-1);
  EXPECT_EQ(h.panel->BevelWidth(), 1);
  EXPECT_EQ(h.panel->BorderWidth(), 0);
}

TEST(CompoundPanel, SizeKeepingSnapsBackOrAccepts) {
  struct Row {
    const char* name;
    bool keep;
    int saved;
    int resizeTo;
    int expectWidth, expectSaved;
  };
  const Row rows[] = {
      {"kept width snaps back", true, 120, 200, 120, 120},
      {"free width is accepted and saved", false, 120, 200, 200, 200},
      {"nothing saved yet accepts", true, 0, 200, 200, 200},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    for (bool shown : {false, true}) {
      SCOPED_TRACE(shown ? "shown" : "hidden");
      Host h;
      if (shown) h.widget.show();
      h.panel->SetKeepWidth(row.keep);
      h.panel->SetKeepHeight(row.keep);
      h.panel->SetSavedWidth(row.saved);
      h.panel->SetSavedHeight(row.saved / 2);
      h.panel->SetBounds(10, 10, row.resizeTo, row.resizeTo / 2);
      EXPECT_EQ(h.panel->width(), row.expectWidth);
      EXPECT_EQ(h.panel->SavedWidth(), row.expectSaved);
      EXPECT_EQ(h.panel->height(), row.expectWidth / 2);
      EXPECT_EQ(h.panel->SavedHeight(), row.expectSaved / 2);
    }
  }
}

TEST(CompoundPanel, PlacementInsideTheParent) {
  struct Row {
    const char* name;
    int parentW, parentH;
    TPlacement horz, vert;
    QRect start, expect;
  };
  const Row rows[] = {
      {"centre truncates the half pixel", 301, 100, plCenter, plNone, {3, 7, 100, 30}, {100, 7, 100, 30}},
      {"vertical centre", 200, 101, plNone, plCenter, {3, 7, 100, 30}, {3, 35, 100, 30}},
      {"near edges", 200, 100, plNearEdge, plNearEdge, {3, 7, 100, 30}, {16, 16, 100, 30}},
      {"far edges", 200, 100, plFarEdge, plFarEdge, {3, 7, 100, 30}, {84, 54, 100, 30}},
      {"stretch both", 200, 100, plStretch, plStretch, {3, 7, 50, 20}, {16, 16, 168, 68}},
      {"stretch in a parent narrower than the margins", 20, 20, plStretch, plStretch, {3, 7, 50, 20},
       {16, 16, 0, 0}},
      {"centre a panel wider than its parent", 50, 100, plCenter, plNone, {3, 7, 101, 30}, {-25, 7, 101, 30}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    Host h(row.parentW, row.parentH);
    h.panel->SetBounds(row.start.x(), row.start.y(), row.start.width(), row.start.height());
    h.panel->SetHorzPlacement(row.horz);
    h.panel->SetVertPlacement(row.vert);
    EXPECT_EQ(h.panel->geometry(), row.expect);
    // Moving it back to where it started puts it where its placement says.
    h.panel->SetBounds(row.start.x(), row.start.y(), row.start.width(), row.start.height());
    EXPECT_EQ(h.panel->geometry(), row.expect);
  }
}

// The parent growing does not reach the panel by itself; the panel's next move
// or size follows the new client area.
TEST(CompoundPanel, StretchFollowsTheParentOnTheNextResize) {
  Host h(200, 100);
  h.panel->SetHorzPlacement(plStretch);
  EXPECT_EQ(h.panel->width(), 168);
  h.widget.resize(300, 100);
  h.panel->SetHeight(30);
  EXPECT_EQ(h.panel->geometry(), QRect(16, h.panel->y(), 268, 30));
  EXPECT_EQ(h.panel->SavedWidth(), 268);
}

TEST(CompoundPanel, AbsurdMarginsAndBoundsStayWithinWidgetLimits) {
  Host h(200, 100);
  h.panel->SetMargins(INT_MIN, INT_MAX, INT_MIN, INT_MAX);
  h.panel->SetHorzPlacement(plStretch);
  h.panel->SetVertPlacement(plFarEdge);
  EXPECT_EQ(h.panel->geometry(), QRect(-QWIDGETSIZE_MAX, -QWIDGETSIZE_MAX, QWIDGETSIZE_MAX, 41));
  h.panel->SetHorzPlacement(plNone);
  h.panel->SetVertPlacement(plNone);
  h.panel->SetBounds(INT_MAX, INT_MIN, INT_MAX, INT_MIN);
  EXPECT_EQ(h.panel->geometry(), QRect(QWIDGETSIZE_MAX, -QWIDGETSIZE_MAX, QWIDGETSIZE_MAX, 0));
}

TEST(CompoundPanel, WithoutAParentPlacementDoesNothing) {
  TCompoundComponentPanel p;
  p.SetHorzPlacement(plFarEdge);
  p.SetVertPlacement(plStretch);
  p.SetBounds(5, 6, 70, 80);
  EXPECT_EQ(p.geometry(), QRect(5, 6, 70, 80));
}

// The path editor's case: nothing set, so moves and sizes only keep the books.
TEST(CompoundPanel, InitialSettingsOnlyKeepTheBooks) {
  PanelPalette pal;
  Host h;
  h.widget.show();
  h.widget.grab();
  h.panel->SetBounds(44, 126, 145, 23);
  EXPECT_EQ(h.panel->geometry(), QRect(44, 126, 145, 23));
  EXPECT_TRUE(h.panel->NeedsRefresh());
  EXPECT_EQ(h.panel->SavedWidth(), 145);
  EXPECT_EQ(h.panel->SavedHeight(), 23);
  h.panel->SetLeft(50);
  EXPECT_EQ(h.panel->geometry(), QRect(50, 126, 145, 23));
  // Not see-through: painting leaves NeedsRefresh alone.
  h.widget.grab();
  EXPECT_TRUE(h.panel->NeedsRefresh());
}

class LayoutPanel : public TCompoundComponentPanel {
public:
  explicit LayoutPanel(QWidget* parent) : TCompoundComponentPanel(parent), edit(new QLineEdit(this)) {}
  int layouts = 0;
  QLineEdit* edit;

protected:
  void Resize() override {
    ++layouts;
    edit->setGeometry(2, 1, width() - 29, height() - 2);
    TCompoundComponentPanel::Resize();
  }
};

TEST(CompoundPanel, ResizeNotificationLaysOutChildrenAtOnce) {
  QWidget host;
  host.resize(300, 200);
  auto* p = new LayoutPanel(&host);
  int notified = 0;
  QObject* sender = nullptr;
  p->SetOnResize([&](QObject* s) {
    ++notified;
    sender = s;
  });
  const int before = p->layouts;
  p->SetWidth(145);  // hidden: delivered at once all the same
  EXPECT_EQ(p->layouts, before + 1);
  EXPECT_EQ(notified, 1);
  EXPECT_EQ(sender, p);
  EXPECT_EQ(p->edit->geometry(), QRect(2, 1, 116, 39));
  p->SetLeft(9);  // a move is no resize
  EXPECT_EQ(p->layouts, before + 1);
  p->SetWidth(145);  // no change, no notification
  EXPECT_EQ(notified, 1);
  host.show();
  p->resize(100, 23);  // Qt's own call on a visible panel
  EXPECT_EQ(p->edit->geometry(), QRect(2, 1, 71, 21));
  EXPECT_EQ(p->SavedWidth(), 100);
}

TEST(CompoundPanel, LoadingDefersSnappingPlacementAndNotifications) {
  QWidget host;
  host.resize(200, 100);
  TCompoundComponentPanel* p = nullptr;
  int notified = 0;
  {
    tk::LoadingScope scope;
    p = new TCompoundComponentPanel(&host);
    p->SetOnResize([&](QObject*) { ++notified; });
    p->SetHorzPlacement(plStretch);
    p->SetKeepHeight(true);
    p->SetSavedHeight(10);
    p->SetBounds(3, 4, 50, 30);
    EXPECT_EQ(p->geometry(), QRect(3, 4, 50, 30));
    EXPECT_EQ(notified, 0);
    EXPECT_TRUE(p->IsLoading());
  }
  EXPECT_FALSE(p->IsLoading());
  EXPECT_EQ(p->SavedWidth(), 50);
  EXPECT_EQ(p->SavedHeight(), 30);
  EXPECT_EQ(p->geometry(), QRect(3, 4, 50, 30));
  // The first size after loading applies everything.
  p->SetHeight(44);
  EXPECT_EQ(p->geometry(), QRect(16, 4, 168, 30));
  EXPECT_GE(notified, 1);
}

class CountingPanel : public TCompoundComponentPanel {
public:
  using TCompoundComponentPanel::TCompoundComponentPanel;
  int refreshes = 0;
  void RefreshBackground() override {
    ++refreshes;
    TCompoundComponentPanel::RefreshBackground();
  }
};

TEST(CompoundPanel, SeeThroughShowsTheParentExceptInDesignMode) {
  PanelPalette pal;
  struct Row {
    const char* name;
    bool seeThrough, designing;
    bool expectParent;
  };
  const Row rows[] = {
      {"opaque", false, false, false},
      {"see-through", true, false, true},
      {"see-through while designing", true, true, false},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    Host h;
    h.panel->SetSeeThrough(row.seeThrough);
    tk::SetDesigning(h.panel, row.designing);
    h.widget.show();
    EXPECT_EQ(h.At(20, 20), row.expectParent ? pal.hostBack : pal.face);
    EXPECT_EQ(h.At(0, 0), pal.highlight);  // the bevel is drawn either way
  }
}

TEST(CompoundPanel, SeeThroughEraseRefreshesOncePerMoveOrSize) {
  QWidget host;
  host.resize(300, 200);
  auto* p = new CountingPanel(&host);
  p->SetSeeThrough(true);
  host.show();
  host.grab();
  EXPECT_FALSE(p->NeedsRefresh());
  const int first = p->refreshes;
  EXPECT_GE(first, 1);
  host.grab();
  EXPECT_EQ(p->refreshes, first);  // nothing moved: no further refresh
  p->SetBounds(30, 30, 100, 30);
  EXPECT_TRUE(p->NeedsRefresh());
  host.grab();
  EXPECT_FALSE(p->NeedsRefresh());

  // In design mode the erase keeps its flag and refreshing does nothing.
  tk::SetDesigning(p, true);
  p->SetLeft(40);
  host.grab();
  EXPECT_TRUE(p->NeedsRefresh());
}

}  // namespace
