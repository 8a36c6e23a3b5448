#include <gtest/gtest.h>

#include <QApplication>
#include <QImage>
#include <QPalette>
#include <QWidget>

#include "controls/Rzlabel.h"

namespace {

// A palette whose system colours are all told apart; restored afterwards.
struct KnownPalette {
  KnownPalette() : saved(QApplication::palette()) {
    QPalette pal = saved;
    for (auto g : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
      pal.setColor(g, QPalette::Window, face);
      pal.setColor(g, QPalette::Button, face);
      pal.setColor(g, QPalette::Light, highlight);
      pal.setColor(g, QPalette::Dark, shadow);
    }
    pal.setColor(QPalette::Disabled, QPalette::Text, grayText);
    QApplication::setPalette(pal);
  }
  ~KnownPalette() { QApplication::setPalette(saved); }
  QPalette saved;
  const QColor face{192, 192, 192};
  const QColor highlight{255, 255, 255};
  const QColor shadow{128, 128, 128};
  const QColor grayText{40, 90, 160};
};

QFont CrispFont() {
  QFont f = tk::MakePixelFont(QStringLiteral("Liberation Sans"), 16, true);
  f.setStyleStrategy(QFont::NoAntialias);
  return f;
}

struct LabelHost {
  LabelHost() {
    host.resize(200, 80);
    label = new TRzLabel(&host);
    label->SetAutoSize(false);
    label->setGeometry(10, 10, 150, 50);
    label->setFont(CrispFont());
    label->SetFontColor(tk::clBlack);
    label->SetCaption(QStringLiteral("Hi Wq\tx"));
  }
  // The label's rectangle as painted on its parent.
  QImage Shot() { return host.grab().toImage().copy(label->geometry()); }
  QWidget host;
  TRzLabel* label;
};

TEST(RzLabel, StartsRecessedAndDrawsLikeAPlainWordBreakingLabelWithoutAStyle) {
  KnownPalette pal;
  LabelHost a;
  EXPECT_EQ(a.label->TextStyle(), tsRecessed);

  a.label->SetTextStyle(tsNone);
  a.label->SetCaption(QStringLiteral("Several words broken over lines"));
  tk::TCustomLabel plain(&a.host);
  plain.SetAutoSize(false);
  plain.setGeometry(a.label->geometry());
  plain.setFont(a.label->font());
  plain.SetFontColor(tk::clBlack);
  plain.SetWordWrap(true);
  plain.SetCaption(a.label->Caption());
  const QImage styled = a.Shot();
  a.label->hide();
  const QImage reference = a.host.grab().toImage().copy(plain.geometry());
  EXPECT_EQ(styled, reference);
}

// Every pixel of a styled caption follows from where the plain text is: the text
// itself wins, then the copy drawn one pixel up-left, then the one down-right.
TEST(RzLabel, CopiesSitOnePixelAwayInTheirColours) {
  KnownPalette pal;
  struct Row {
    const char* name;
    TTextStyle style;
    bool enabled;
    QColor downRight, upLeft, text;
  };
  const Row rows[] = {
      {"raised", tsRaised, true, pal.shadow, pal.highlight, Qt::black},
      {"recessed", tsRecessed, true, pal.highlight, pal.shadow, Qt::black},
      {"raised and disabled", tsRaised, false, pal.shadow, pal.highlight, pal.grayText},
      {"recessed and disabled", tsRecessed, false, pal.highlight, pal.shadow, pal.grayText},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    LabelHost h;
    h.label->SetTextStyle(tsNone);
    const QImage plain = h.Shot();
    auto inText = [&](int x, int y) {
      return plain.rect().contains(x, y) && QColor(plain.pixel(x, y)) == QColor(Qt::black);
    };
    h.label->SetTextStyle(r.style);
    h.label->setEnabled(r.enabled);
    const QImage styled = h.Shot();
    int textPixels = 0, mismatches = 0;
    for (int y = 0; y < plain.height(); ++y) {
      for (int x = 0; x < plain.width(); ++x) {
        QColor want = pal.face;
        if (inText(x, y)) {
          want = r.text;
          ++textPixels;
        } else if (inText(x + 1, y + 1)) {
          want = r.upLeft;
        } else if (inText(x - 1, y - 1)) {
          want = r.downRight;
        }
        if (QColor(styled.pixel(x, y)) != want && ++mismatches <= 3)
          ADD_FAILURE() << "pixel " << x << "," << y << " is " << qPrintable(QColor(styled.pixel(x, y)).name())
                        << ", expected " << qPrintable(want.name());
      }
    }
    EXPECT_GT(textPixels, 20);
    EXPECT_EQ(mismatches, 0);
  }
}

TEST(RzLabel, AnAmpersandIsDrawnAsItIsWithoutAccelerators) {
  KnownPalette pal;
  LabelHost off, literal, accel;
  off.label->SetShowAccelChar(false);
  off.label->SetCaption(QStringLiteral("A&B"));
  // With accelerators on, "&&" is the way to draw one ampersand.
  literal.label->SetCaption(QStringLiteral("A&&B"));
  accel.label->SetCaption(QStringLiteral("A&B"));
  for (TTextStyle s : {tsNone, tsRaised}) {
    SCOPED_TRACE(int(s));
    off.label->SetTextStyle(s);
    literal.label->SetTextStyle(s);
    accel.label->SetTextStyle(s);
    EXPECT_EQ(off.Shot(), literal.Shot());
    EXPECT_NE(off.Shot(), accel.Shot());
  }
}

TEST(RzLabel, OnlyANewStyleRepaints) {
  KnownPalette pal;
  LabelHost h;
  h.host.show();
  QApplication::processEvents();
  struct PaintCounter : QObject {
    int paints = 0;
    bool eventFilter(QObject*, QEvent* e) override {
      if (e->type() == QEvent::Paint) ++paints;
      return false;
    }
  } counter;
  h.label->installEventFilter(&counter);
  h.label->SetTextStyle(tsRecessed);
  QApplication::processEvents();
  EXPECT_EQ(counter.paints, 0);
  h.label->SetTextStyle(tsRaised);
  QApplication::processEvents();
  EXPECT_GE(counter.paints, 1);
}

TEST(RzLabel, TransparentLetsTheParentShowAndOpaqueFillsWithItsColour) {
  KnownPalette pal;
  LabelHost h;
  QPalette hp = h.host.palette();
  hp.setColor(QPalette::Window, QColor(10, 120, 10));
  h.host.setPalette(hp);
  h.host.setAutoFillBackground(true);
  h.label->SetCaption(QString());
  h.label->SetColor(tk::clBtnFace);
  EXPECT_EQ(QColor(h.Shot().pixel(5, 5)), pal.face);
  h.label->SetTransparent(true);
  EXPECT_EQ(QColor(h.Shot().pixel(5, 5)), QColor(10, 120, 10));
  h.label->SetTransparent(false);
  h.label->SetParentColor(true);
  EXPECT_EQ(QColor(h.Shot().pixel(5, 5)), QColor(10, 120, 10));
}

TEST(Label, AutoSizeFitsTheCaptionOnceLoadingEnds) {
  QWidget host;
  TRzLabel* label;
  {
    tk::LoadingScope scope;
    label = new TRzLabel(&host);
    label->setGeometry(40, 5, 300, 100);
    label->setFont(CrispFont());
    label->SetCaption(QStringLiteral("Edgetucker"));
    EXPECT_EQ(label->size(), QSize(300, 100));
  }
  // The text's advance and line height, each rounded up to whole pixels.
  const QFontMetrics fm(label->font());
  EXPECT_GE(label->width(), fm.horizontalAdvance(QStringLiteral("Edgetucker")));
  EXPECT_LE(label->width(), fm.horizontalAdvance(QStringLiteral("Edgetucker")) + 1);
  EXPECT_GE(label->height(), fm.height());
  EXPECT_LE(label->height(), fm.height() + 1);
  EXPECT_EQ(label->pos(), QPoint(40, 5));
  // A right-aligned label keeps its right edge.
  const int right = label->geometry().right();
  label->SetAlignment(tk::TAlignment::taRightJustify);
  label->SetCaption(QStringLiteral("Edge"));
  EXPECT_EQ(label->geometry().right(), right);
}

}  // namespace
