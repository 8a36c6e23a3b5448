// What painting the notebook costs, against QTabWidget as the peer.
//
// Full paint: one paint of the whole control, rendered into an image the
// size of the control (its page included), for the options dialog's
// notebook (four side tabs with pictures, 244 x 142) and for a notebook of
// thirty captioned side tabs in three rows (600 x 480).  The peer is a
// QTabWidget of the same size with its tabs on the West side and the same
// pages: the same pictures without text for the options notebook (whose tabs
// show no captions), the same captions for the thirty pages.
//
// Page switch: the paint that a switch between two tabs of one row asks for,
// recorded once from a shown notebook and then rendered, against a full
// paint of the same notebook: the region the notebook invalidates itself
// (pagearea:0), and that together with the page area which hiding one page
// and showing the next exposes beneath them (pagearea:1).
//
// Notebook paint alone: the same full paint and switch paint, but the
// notebook's own painting of the region only, on one painter opened before
// the loop.  QWidget::render costs a fixed amount per call whatever the
// region (a painter on the target, the paint event's own painter, the
// system clip), about a quarter of a switch's paint for the options
// notebook; these rows set what the notebook itself does against each other.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QImage>
#include <QPaintEvent>
#include <QPainter>
#include <QTabWidget>
#include <QWidget>
#include <memory>

#include "notebook/CSNoteBk.h"
#include "support/Summary.h"
#include "toolkit/Graphics.h"

namespace {

QPixmap Picture(QColor c) {
  QImage img(25, 25, QImage::Format_RGB32);
  img.fill(Qt::magenta);
  QPainter p(&img);
  p.fillRect(3, 3, 19, 19, c);
  p.end();
  return QPixmap::fromImage(img);
}

const QStringList kOptionsPages = {"&Hiding", "&Sound", "&Movement", "&General"};
const QColor kOptionsColours[] = {Qt::red, Qt::blue, Qt::darkGreen, Qt::darkYellow};

QStringList ManyPages(int n) {
  QStringList out;
  for (int i = 1; i <= n; ++i) out << QStringLiteral("Page %1").arg(i);
  return out;
}

QFont TabFont() { return tk::MakeFont(QStringLiteral("Arial"), 8); }

// A notebook that records the areas it is asked to repaint.
class RecordingNotebook : public TcsNotebook {
public:
  using TcsNotebook::TcsNotebook;
  using TcsNotebook::PaintRegion;
  QRegion painted;
  bool recording = false;

protected:
  void paintEvent(QPaintEvent* e) override {
    if (recording) painted += e->region();
    TcsNotebook::paintEvent(e);
  }
};

// A shown form holding one notebook, as the dialogs build them.
struct NotebookScene {
  QWidget form;
  RecordingNotebook* nb;

  explicit NotebookScene(int pages) {
    nb = new RecordingNotebook(&form);
    nb->SetTabOrientation(toLeft);
    nb->SetSidewaysText(true);
    nb->SetTabFont(TabFont());
    nb->SetParentTabFont(false);
    if (pages == 4) {
      form.resize(248, 148);
      nb->setGeometry(2, 3, 244, 142);
      nb->SetTabsPerRow(4);
      nb->SetTabHeight(35);
      nb->SetTextAlignment(taInvisible);
      nb->SetBitmapAlignment(baCentreMiddle);
      nb->SetCornerSize(3);
      nb->SetPages(kOptionsPages);
      for (int i = 0; i < 4; ++i) nb->Page(i)->SetBitmap(Picture(kOptionsColours[i]));
    } else {
      form.resize(604, 484);
      nb->setGeometry(2, 2, 600, 480);
      nb->SetTabsPerRow(pages / 3);
      nb->SetTabHeight(24);
      nb->SetTextAlignment(taCentreMiddle);
      nb->SetPages(ManyPages(pages));
    }
    nb->SetPageIndex(0);
    form.show();
    QApplication::processEvents();
  }
};

struct TabWidgetScene {
  QWidget form;
  QTabWidget* tw;

  explicit TabWidgetScene(int pages) {
    tw = new QTabWidget(&form);
    tw->setTabPosition(QTabWidget::West);
    tw->setFont(TabFont());
    if (pages == 4) {
      form.resize(248, 148);
      tw->setGeometry(2, 3, 244, 142);
      tw->setIconSize(QSize(25, 25));
      for (int i = 0; i < 4; ++i) tw->addTab(new QWidget, QIcon(Picture(kOptionsColours[i])), QString());
    } else {
      form.resize(604, 484);
      tw->setGeometry(2, 2, 600, 480);
      for (const QString& c : ManyPages(pages)) tw->addTab(new QWidget, c);
    }
    form.show();
    QApplication::processEvents();
  }
};

// The measured call on its own, so that an instruction count (valgrind
// --toggle-collect=*TimedRender*) leaves out the warm-up.
[[gnu::noinline]] void TimedRender(QWidget* w, QImage& target, const QRegion& region, QWidget::RenderFlags flags) {
  w->render(&target, region.boundingRect().topLeft(), region, flags);
}

// Renders only what the widgets paint themselves (no window background), as
// on screen.
void Render(benchmark::State& state, QWidget* w, const QRegion& region = QRegion()) {
  QImage target(w->size(), QImage::Format_ARGB32_Premultiplied);
  const auto flags = QWidget::RenderFlags(QWidget::DrawChildren);
  TimedRender(w, target, region, flags);  // warm caches once, outside the timing
  for (auto _ : state) {
    TimedRender(w, target, region, flags);
    benchmark::ClobberMemory();
  }
}

[[gnu::noinline]] void TimedNotebookPaint(RecordingNotebook* nb, QPainter& painter, const QRegion& region) {
  nb->PaintRegion(painter, region);
}

// The notebook's painting of `region` alone, clipped to it as a paint event
// would be.
void PaintOnly(benchmark::State& state, RecordingNotebook* nb, const QRegion& region) {
  QImage target(nb->size(), QImage::Format_ARGB32_Premultiplied);
  target.fill(Qt::transparent);
  QPainter painter(&target);
  painter.setClipRegion(region);
  TimedNotebookPaint(nb, painter, region);  // warm caches once, outside the timing
  for (auto _ : state) {
    TimedNotebookPaint(nb, painter, region);
    benchmark::ClobberMemory();
  }
}

// The region a switch to the next tab of the same row asks the notebook to
// paint, without the page area (see above); empty when it asks for none.
QRegion SwitchRegion(NotebookScene& scene, bool withPageArea) {
  // Paints still pending from showing the form would be recorded with the
  // switch's: have them done first.
  QApplication::processEvents();
  scene.nb->repaint();
  scene.nb->painted = QRegion();
  scene.nb->recording = true;
  scene.nb->SetPageIndex(1);  // the next tab in the same row
  QApplication::processEvents();
  scene.nb->recording = false;
  // Without the page area: that is the pages' showing and hiding.
  return withPageArea ? scene.nb->painted : scene.nb->painted - scene.nb->PageClientRect();
}

void BM_NotebookFullPaintOnly(benchmark::State& state) {
  NotebookScene scene(static_cast<int>(state.range(0)));
  PaintOnly(state, scene.nb, QRegion(scene.nb->rect()));
}

void BM_NotebookPageSwitchPaintOnly(benchmark::State& state) {
  NotebookScene scene(static_cast<int>(state.range(0)));
  const QRegion region = SwitchRegion(scene, false);
  if (region.isEmpty()) {
    state.SkipWithError("the switch asked for no paint");
    return;
  }
  PaintOnly(state, scene.nb, region);
}

void BM_NotebookFullPaint(benchmark::State& state) {
  NotebookScene scene(static_cast<int>(state.range(0)));
  Render(state, scene.nb);
}

void BM_QTabWidgetFullPaint(benchmark::State& state) {
  TabWidgetScene scene(static_cast<int>(state.range(0)));
  Render(state, scene.tw);
}

void BM_NotebookPageSwitchPaint(benchmark::State& state) {
  NotebookScene scene(static_cast<int>(state.range(0)));
  const QRegion region = SwitchRegion(scene, state.range(1) != 0);
  if (region.isEmpty()) {
    state.SkipWithError("the switch asked for no paint");
    return;
  }
  state.counters["area_pct"] = 100.0 * [&] {
    long a = 0;
    for (const QRect& r : region) a += long(r.width()) * r.height();
    return double(a);
  }() / (scene.nb->width() * scene.nb->height());
  Render(state, scene.nb, region);
}

}  // namespace

BENCHMARK(BM_NotebookFullPaint)->ArgName("pages")->Arg(4)->Arg(30)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_QTabWidgetFullPaint)->ArgName("pages")->Arg(4)->Arg(30)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_NotebookPageSwitchPaint)->ArgNames({"pages", "pagearea"})->ArgsProduct({{4, 30}, {0, 1}})->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_NotebookFullPaintOnly)->ArgName("pages")->Arg(4)->Arg(30)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_NotebookPageSwitchPaintOnly)->ArgName("pages")->Arg(4)->Arg(30)->Unit(benchmark::kMicrosecond);

namespace {
const bool kRows =
    (bench::AddRow("notebook full paint, options notebook (4 pages)", "BM_NotebookFullPaint/pages:4",
                   "BM_QTabWidgetFullPaint/pages:4", 0.3),
     bench::AddRow("notebook full paint, 30 pages", "BM_NotebookFullPaint/pages:30",
                   "BM_QTabWidgetFullPaint/pages:30", 0.3),
     bench::AddRow("page switch in one row, 4 pages: its paint / full paint",
                   "BM_NotebookPageSwitchPaint/pages:4/pagearea:0", "BM_NotebookFullPaint/pages:4", 0.3),
     bench::AddRow("page switch in one row, 30 pages: its paint / full paint",
                   "BM_NotebookPageSwitchPaint/pages:30/pagearea:0", "BM_NotebookFullPaint/pages:30", 0.3),
     bench::AddRow("  the same with the page area the pages expose, 4 pages",
                   "BM_NotebookPageSwitchPaint/pages:4/pagearea:1", "BM_NotebookFullPaint/pages:4", 0.3),
     bench::AddRow("  the same with the page area the pages expose, 30 pages",
                   "BM_NotebookPageSwitchPaint/pages:30/pagearea:1", "BM_NotebookFullPaint/pages:30", 0.3),
     bench::AddRow("  the notebook's paint alone (no render setup), 4 pages", "BM_NotebookPageSwitchPaintOnly/pages:4",
                   "BM_NotebookFullPaintOnly/pages:4", 0.3),
     bench::AddRow("  the notebook's paint alone (no render setup), 30 pages", "BM_NotebookPageSwitchPaintOnly/pages:30",
                   "BM_NotebookFullPaintOnly/pages:30", 0.3),
     true);
}  // namespace
