#include <gtest/gtest.h>

#include <QFontMetrics>

#include "toolkit/Graphics.h"

namespace {

TEST(FitFontToWidth, NarrowsOnlyWhatDoesNotFitAndKeepsTheHeight) {
  const QFont base = tk::MakeFont(QStringLiteral("Arial"), 8);
  const QString text = QStringLiteral("Hiding Window Hangout");
  const int natural = QFontMetrics(base).horizontalAdvance(text);
  struct Row {
    const char* name;
    int width;
    bool fits;  // the result must fit (a width far too small cannot)
  };
  const Row rows[] = {
      {"roomy", natural + 20, true},
      {"exactly its width", natural, true},
      {"a few pixels short", natural - 4, true},
      {"a tenth short", natural * 9 / 10, true},
      {"far too narrow", natural / 3, false},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    const QFont f = tk::FitFontToWidth(base, text, r.width);
    EXPECT_EQ(f.pixelSize(), base.pixelSize());
    EXPECT_EQ(f.family(), base.family());
    if (r.width >= natural) {
      EXPECT_EQ(f, base) << "a text that fits keeps its font";
    }
    if (r.fits) {
      EXPECT_LE(QFontMetrics(f).horizontalAdvance(text), r.width);
    }
  }
}

}  // namespace
