#include <gtest/gtest.h>

#include <QApplication>
#include <QImage>
#include <QPalette>
#include <QWidget>
#include <memory>
#include <vector>

#include "controls/Animate.h"

namespace {

// A strip whose frame f is filled with the colour (f * 20, 0, 100): each frame
// can be told from the others by its red channel.
QImage NumberedStrip(int frameWidth, int height, int frames) {
  QImage strip(frameWidth * frames, height, QImage::Format_RGB32);
  for (int f = 0; f < frames; ++f)
    for (int y = 0; y < height; ++y)
      for (int x = 0; x < frameWidth; ++x) strip.setPixel(f * frameWidth + x, y, qRgb(f * 20, 0, 100));
  return strip;
}

struct Fixture {
  Fixture() {
    host.resize(200, 200);
    QPalette pal = host.palette();
    pal.setColor(QPalette::Window, QColor(192, 192, 192));
    host.setPalette(pal);
    ani = new TAnimated(&host);
    ani->SetOnChangeFrame([this](QObject* sender) {
      EXPECT_EQ(sender, ani);
      frames.push_back(ani->Frame());
    });
  }
  QWidget host;
  TAnimated* ani;
  std::vector<int> frames;
};

TEST(Animated, StartsWithItsDocumentedState) {
  Fixture fx;
  EXPECT_EQ(fx.ani->size(), QSize(30, 30));
  EXPECT_EQ(fx.ani->FrameCount(), 1);
  EXPECT_EQ(fx.ani->Frame(), 0);
  EXPECT_EQ(fx.ani->Interval(), 0);
  EXPECT_TRUE(fx.ani->Loop());
  EXPECT_FALSE(fx.ani->Reverse());
  EXPECT_FALSE(fx.ani->Play());
  EXPECT_EQ(fx.ani->TransparentColor(), -1);
  EXPECT_EQ(fx.ani->Timer(), nullptr);
  EXPECT_TRUE(fx.ani->Opaque());
}

TEST(Animated, FrameIsNormalisedIntoTheStrip) {
  struct Row {
    const char* name;
    int write;
    int shown;
  };
  const Row rows[] = {
      {"minus one is the last frame", -1, 9}, {"any negative is the last frame", -57, 9},
      {"the count wraps to 0", 10, 0},         {"count plus two is frame 2", 12, 2},
      {"inside stays", 4, 4},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    Fixture fx;
    fx.ani->SetFrameCount(10);
    fx.ani->SetFrame(5);
    fx.ani->SetFrame(r.write);
    EXPECT_EQ(fx.ani->Frame(), r.shown);
  }
}

TEST(Animated, OnChangeFrameOnlyForANewFrame) {
  Fixture fx;
  fx.ani->SetFrameCount(10);
  fx.ani->SetFrame(0);
  fx.ani->SetFrame(10);  // normalises to the frame already shown
  EXPECT_TRUE(fx.frames.empty());
  fx.ani->SetFrame(3);
  fx.ani->SetFrame(3);
  EXPECT_EQ(fx.frames, std::vector<int>{3});
}

TEST(Animated, FrameCountBelowOneIsRefused) {
  Fixture fx;
  fx.ani->SetFrameCount(4);
  for (int bad : {0, -3}) {
    SCOPED_TRACE(bad);
    fx.ani->SetFrameCount(bad);
    EXPECT_EQ(fx.ani->FrameCount(), 4);
    fx.ani->SetFrame(-1);
    EXPECT_EQ(fx.ani->Frame(), 3);
    fx.ani->SetFrame(0);
  }
}

TEST(Animated, NonLoopingRunsOnceAndStopsAtItsEnd) {
  struct Row {
    const char* name;
    bool reverse;
    int from;
    std::vector<int> expected;
  };
  const Row rows[] = {
      {"forward", false, 0, {1, 2, 3, 4, 5, 6, 7, 8, 9}},
      {"reverse", true, 9, {8, 7, 6, 5, 4, 3, 2, 1, 0}},
      // A stopped run started again without turning wraps round first.
      {"forward again from the end", false, 9, {0, 1, 2, 3, 4, 5, 6, 7, 8, 9}},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    Fixture fx;
    fx.ani->SetFrameCount(10);
    fx.ani->SetFrame(r.from);
    fx.frames.clear();
    fx.ani->SetLoop(false);
    fx.ani->SetReverse(r.reverse);
    fx.ani->SetInterval(50);
    fx.ani->SetPlay(true);
    ASSERT_NE(fx.ani->Timer(), nullptr);
    EXPECT_EQ(fx.ani->Timer()->Interval(), 50);
    EXPECT_TRUE(fx.ani->Timer()->Running());
    for (int i = 0; i < 30 && fx.ani->Timer(); ++i) fx.ani->Timer()->Tick();
    EXPECT_EQ(fx.frames, r.expected);
    EXPECT_FALSE(fx.ani->Play());
    EXPECT_EQ(fx.ani->Timer(), nullptr);
  }
}

TEST(Animated, LoopingWrapsBothWaysAndNeverStops) {
  struct Row {
    const char* name;
    bool reverse;
    int from;
    std::vector<int> expected;
  };
  const Row rows[] = {
      {"forward", false, 7, {8, 9, 0, 1, 2}},
      {"reverse", true, 2, {1, 0, 9, 8, 7}},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    Fixture fx;
    fx.ani->SetFrameCount(10);
    fx.ani->SetFrame(r.from);
    fx.frames.clear();
    fx.ani->SetReverse(r.reverse);
    fx.ani->SetInterval(50);
    fx.ani->SetPlay(true);
    for (int i = 0; i < 5; ++i) fx.ani->Timer()->Tick();
    EXPECT_EQ(fx.frames, r.expected);
    EXPECT_TRUE(fx.ani->Play());
    ASSERT_NE(fx.ani->Timer(), nullptr);
    fx.ani->SetPlay(false);
    EXPECT_EQ(fx.ani->Timer(), nullptr);
  }
}

TEST(Animated, PlayWithoutAnIntervalWaitsForOne) {
  Fixture fx;
  fx.ani->SetFrameCount(10);
  fx.ani->SetPlay(true);
  EXPECT_TRUE(fx.ani->Play());
  EXPECT_EQ(fx.ani->Timer(), nullptr);
  fx.ani->SetInterval(50);
  ASSERT_NE(fx.ani->Timer(), nullptr);
  fx.ani->Timer()->Tick();
  EXPECT_EQ(fx.ani->Frame(), 1);
  // Back to no interval: Play stays on, nothing runs; a new interval resumes.
  fx.ani->SetInterval(0);
  EXPECT_TRUE(fx.ani->Play());
  EXPECT_EQ(fx.ani->Timer(), nullptr);
  fx.ani->SetInterval(20);
  ASSERT_NE(fx.ani->Timer(), nullptr);
  EXPECT_EQ(fx.ani->Timer()->Interval(), 20);
}

TEST(Animated, AnIntervalChangeWhileRunningRestartsTheTimer) {
  Fixture fx;
  fx.ani->SetFrameCount(10);
  fx.ani->SetInterval(50);
  fx.ani->SetPlay(true);
  const tk::TTimer* before = fx.ani->Timer();
  fx.ani->SetInterval(50);  // unchanged: the same timer goes on
  EXPECT_EQ(fx.ani->Timer(), before);
  fx.ani->SetInterval(80);
  ASSERT_NE(fx.ani->Timer(), nullptr);
  EXPECT_EQ(fx.ani->Timer()->Interval(), 80);
  EXPECT_TRUE(fx.ani->Timer()->Running());
  // Stopped, an interval change starts nothing.
  fx.ani->SetPlay(false);
  fx.ani->SetInterval(30);
  EXPECT_EQ(fx.ani->Timer(), nullptr);
}

TEST(Animated, DirectionAndLoopTakeEffectAtTheNextStep) {
  Fixture fx;
  fx.ani->SetFrameCount(5);
  fx.ani->SetInterval(50);
  fx.ani->SetPlay(true);
  fx.ani->Timer()->Tick();
  fx.ani->Timer()->Tick();
  fx.ani->SetReverse(true);
  fx.ani->SetLoop(false);
  while (fx.ani->Timer()) fx.ani->Timer()->Tick();
  EXPECT_EQ(fx.frames, (std::vector<int>{1, 2, 1, 0}));
}

TEST(Animated, BitMapSetsTheHeightAndKeepsACopy) {
  Fixture fx;
  fx.ani->resize(40, 30);
  QImage strip = NumberedStrip(40, 25, 3);
  fx.ani->SetBitMap(strip);
  EXPECT_EQ(fx.ani->size(), QSize(40, 25));
  strip.fill(Qt::black);
  EXPECT_EQ(fx.ani->BitMap().pixel(45, 3), qRgb(20, 0, 100));
  fx.ani->SetBitMap(QImage());
  EXPECT_EQ(fx.ani->size(), QSize(40, 30));
}

TEST(Animated, PaintsTheCurrentFrameWithItsTransparentColourInTheBackground) {
  const QColor grey(192, 192, 192);
  Fixture fx;
  fx.ani->resize(10, 8);
  // Frame 1 has pure green in its left half and its own colour in the right.
  QImage strip = NumberedStrip(10, 8, 3);
  for (int y = 0; y < 8; ++y)
    for (int x = 10; x < 15; ++x) strip.setPixel(x, y, qRgb(0, 255, 0));
  fx.ani->SetBitMap(strip);
  fx.ani->SetFrameCount(3);
  fx.ani->SetFrame(1);

  struct Row {
    const char* name;
    tk::TColor transparent;
    QPoint at;
    QColor expected;
  };
  const Row rows[] = {
      {"green shows the background", tk::clLime, {2, 3}, grey},
      {"other pixels stay", tk::clLime, {7, 3}, QColor(20, 0, 100)},
      {"without a transparent colour green stays", -1, {2, 3}, QColor(0, 255, 0)},
      {"another transparent colour leaves green", tk::clRed, {2, 3}, QColor(0, 255, 0)},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    fx.ani->SetTransparentColor(r.transparent);
    const QImage shot = fx.host.grab().toImage();
    EXPECT_EQ(QColor(shot.pixel(fx.ani->pos() + r.at)), r.expected);
  }
}

TEST(Animated, AnEmptyStripPaintsWhiteAndAStripTooShortShowsTheBackground) {
  Fixture fx;
  fx.ani->move(20, 30);
  const QImage empty = fx.host.grab().toImage();
  for (QPoint p : {QPoint(0, 0), QPoint(29, 29), QPoint(15, 7)})
    EXPECT_EQ(QColor(empty.pixel(fx.ani->pos() + p)), QColor(Qt::white));

  // Frame 2 of a strip that holds only two frames has no pixels.
  fx.ani->SetBitMap(NumberedStrip(30, 20, 2));
  fx.ani->SetFrameCount(3);
  fx.ani->SetFrame(2);
  const QImage past = fx.host.grab().toImage();
  EXPECT_EQ(QColor(past.pixel(fx.ani->pos() + QPoint(5, 5))), QColor(192, 192, 192));
}

}  // namespace
