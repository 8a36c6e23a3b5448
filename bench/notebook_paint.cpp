// Cost of one full paint of the notebook: background regions, outlines, 3-D
// lines, frames, pictures and captions, rendered into an image.  Goal: under
// 1 ms for the options dialog's notebook (four side tabs with pictures), and
// for a top notebook of seven captioned tabs in three rows.
#include <benchmark/benchmark.h>

#include <QImage>
#include <QPainter>
#include <QWidget>

#include "notebook/CSNoteBk.h"
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

void Paint(benchmark::State& state, TcsNotebook* nb) {
  QImage target(nb->size(), QImage::Format_ARGB32_Premultiplied);
  for (auto _ : state) {
    nb->render(&target);
    benchmark::ClobberMemory();
  }
}

void BM_PaintOptionsNotebook(benchmark::State& state) {
  QWidget form;
  auto* nb = new TcsNotebook(&form);
  nb->setGeometry(2, 3, 244, 142);
  nb->SetTabOrientation(toLeft);
  nb->SetTabsPerRow(4);
  nb->SetTabHeight(35);
  nb->SetSidewaysText(true);
  nb->SetTextAlignment(taInvisible);
  nb->SetBitmapAlignment(baCentreMiddle);
  nb->SetCornerSize(3);
  nb->SetTabFont(tk::MakeFont(QStringLiteral("Arial"), 8));
  nb->SetParentTabFont(false);
  nb->SetPages({"&Hiding", "&Sound", "&Movement", "&General"});
  const QColor colours[] = {Qt::red, Qt::blue, Qt::darkGreen, Qt::darkYellow};
  for (int i = 0; i < 4; ++i) nb->Page(i)->SetBitmap(Picture(colours[i]));
  Paint(state, nb);
}

void BM_PaintCaptionedRows(benchmark::State& state) {
  QWidget form;
  auto* nb = new TcsNotebook(&form);
  nb->setGeometry(0, 0, 300, 200);
  nb->SetPages({"&One", "&Two", "Th&ree", "&Four", "F&ive", "Si&x", "&Seven"});
  nb->Page(4)->SetPageEnabled(false);
  nb->SetUseUnselectedTabColor(true);
  nb->SetUnselectedTabColor(QColor(200, 200, 160));
  nb->SetPageIndex(3);
  Paint(state, nb);
}

}  // namespace

BENCHMARK(BM_PaintOptionsNotebook)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_PaintCaptionedRows)->Unit(benchmark::kMicrosecond);
