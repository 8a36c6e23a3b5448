#include <gtest/gtest.h>

#include <QApplication>
#include <QFontDatabase>
#include <QFontMetrics>
#include <QImage>
#include <QPalette>
#include <QWidget>
#include <climits>
#include <cmath>
#include <functional>

#include "controls/CDKRotat.h"
#include "tests/support/TestSupport.h"
#include "toolkit/Component.h"

namespace {

struct KnownPalette {
  KnownPalette() : saved(QApplication::palette()) {
    QPalette pal = saved;
    for (auto g : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
      pal.setColor(g, QPalette::Button, face);
      pal.setColor(g, QPalette::Window, hostBack);
      pal.setColor(g, QPalette::Light, highlight);
      pal.setColor(g, QPalette::Dark, shadow);
    }
    QApplication::setPalette(pal);
  }
  ~KnownPalette() { QApplication::setPalette(saved); }
  QPalette saved;
  const QColor face{192, 192, 192};
  const QColor hostBack{20, 120, 60};
  const QColor highlight{255, 255, 255};
  const QColor shadow{128, 128, 128};
  const QColor text{0, 0, 0};
};

QFont CrispFont() {
  QFont f = tk::MakePixelFont(QStringLiteral("Liberation Sans"), 16, true);
  f.setStyleStrategy(QFont::NoAntialias);
  return f;
}

// A bitmap-only face, made on the spot: eight-pixel blocks for "A" to "C".
QString BitmapFamily() {
  static const QString family = [] {
    QByteArray bdf =
        "STARTFONT 2.1\n"
        "FONT -misc-blockface-medium-r-normal--8-80-75-75-c-80-iso8859-1\n"
        "SIZE 8 75 75\nFONTBOUNDINGBOX 8 8 0 -1\n"
        "STARTPROPERTIES 3\nFAMILY_NAME \"Blockface\"\nFONT_ASCENT 7\nFONT_DESCENT 1\nENDPROPERTIES\n"
        "CHARS 3\n";
    for (const char* ch : {"65", "66", "67"}) {
      bdf += QByteArray("STARTCHAR c") + ch + "\nENCODING " + ch +
             "\nSWIDTH 1000 0\nDWIDTH 8 0\nBBX 8 8 0 -1\nBITMAP\n";
      for (int i = 0; i < 8; ++i) bdf += "FF\n";
      bdf += "ENDCHAR\n";
    }
    bdf += "ENDFONT\n";
    const int id = QFontDatabase::addApplicationFontFromData(bdf);
    const QStringList families = QFontDatabase::applicationFontFamilies(id);
    return families.isEmpty() ? QString() : families.first();
  }();
  return family;
}

struct Host {
  Host() {
    widget.setAutoFillBackground(true);
    widget.resize(400, 300);
    label = new TCDKRotate3DLabel(&widget);
    label->move(10, 10);
    label->setFont(CrispFont());
    label->SetFontColor(tk::clBlack);
    label->SetCaption(QStringLiteral("Wave Aj"));
  }
  QImage Shot() { return widget.grab().toImage().copy(label->geometry()); }
  QWidget widget;
  TCDKRotate3DLabel* label;
};

// The caption's extent as the font measures it, independently of the label.
QSizeF TextExtent(const QFont& font, const QString& text) {
  const QFontMetrics fm(font);
  return QSizeF(fm.horizontalAdvance(text), fm.height());
}

QRect InkBox(const QImage& img, const QColor& ink) {
  QRect box;
  for (int y = 0; y < img.height(); ++y)
    for (int x = 0; x < img.width(); ++x)
      if (img.pixelColor(x, y) == ink) box |= QRect(x, y, 1, 1);
  return box;
}

TEST(Rotate3DLabel, StartsRaisedUnrotatedAndOpaque) {
  Host h;
  TCDKRotate3DLabel& l = *h.label;
  EXPECT_EQ(l.Rotation(), 0);
  EXPECT_EQ(l.ShadowStyle(), ssRaised);
  EXPECT_EQ(l.ShadowOffset(), 1);
  EXPECT_EQ(l.ShadowColor(), tk::clBtnShadow);
  EXPECT_EQ(l.HighlightColor(), tk::clBtnHighlight);
  EXPECT_FALSE(l.Transparent());
  EXPECT_FALSE(l.UnicodeCaption());
  EXPECT_TRUE(l.ParentColor());
  EXPECT_EQ(l.metaObject()->className(), QByteArray("TCDKRotate3DLabel"));
}

TEST(Rotate3DLabel, RotationFoldsIntoOneTurn) {
  struct Row {
    const char* name;
    int written, read;
  };
  const Row rows[] = {
      {"270", 270, -90},       {"-270", -270, 90},       {"360", 360, 0},          {"-360", -360, 0},
      {"540", 540, 180},       {"180 stays", 180, 180},  {"-180 stays", -180, -180}, {"725", 725, 5},
      {"-190", -190, 170},     {"181", 181, -179},       {"largest", INT_MAX, 127}, {"smallest", INT_MIN, -128},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    TCDKRotate3DLabel l;
    l.SetRotation(row.written);
    EXPECT_EQ(l.Rotation(), row.read);
  }
}

class PaintCounter : public TCDKRotate3DLabel {
public:
  using TCDKRotate3DLabel::TCDKRotate3DLabel;
  int paints = 0;

protected:
  void Paint(QPainter& p) override {
    ++paints;
    TCDKRotate3DLabel::Paint(p);
  }
};

TEST(Rotate3DLabel, OnlyRealChangesRepaint) {
  struct Row {
    const char* name;
    std::function<void(TCDKRotate3DLabel&)> same, differ;
  };
  const std::vector<Row> rows = {
      {"Rotation", [](auto& l) { l.SetRotation(360); }, [](auto& l) { l.SetRotation(30); }},
      {"ShadowStyle", [](auto& l) { l.SetShadowStyle(ssRaised); }, [](auto& l) { l.SetShadowStyle(ssLowered); }},
      {"ShadowColor", [](auto& l) { l.SetShadowColor(tk::clBtnShadow); },
       [](auto& l) { l.SetShadowColor(tk::clRed); }},
      {"HighlightColor", [](auto& l) { l.SetHighlightColor(tk::clBtnHighlight); },
       [](auto& l) { l.SetHighlightColor(tk::clRed); }},
      {"ShadowOffset", [](auto& l) { l.SetShadowOffset(1); }, [](auto& l) { l.SetShadowOffset(3); }},
      {"Caption", [](auto& l) { l.SetCaption(QStringLiteral("Wave Aj")); },
       [](auto& l) { l.SetCaption(QStringLiteral("Wave")); }},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    QWidget host;
    host.resize(300, 200);
    auto* l = new PaintCounter(&host);
    l->setFont(CrispFont());
    l->SetCaption(QStringLiteral("Wave Aj"));
    host.show();
    ASSERT_TRUE(testing_support::WaitFor([&] { return l->paints > 0; }));
    QCoreApplication::processEvents();
    l->paints = 0;
    row.same(*l);
    QCoreApplication::processEvents();
    EXPECT_EQ(l->paints, 0);
    row.differ(*l);
    EXPECT_TRUE(testing_support::WaitFor([&] { return l->paints > 0; }));
  }
}

// UnicodeCaption is only stored: no repaint, and its new measure reaches the
// size through the next paint.
TEST(Rotate3DLabel, UnicodeCaptionIsAPlainStoreThatTheNextPaintMeasures) {
  QWidget host;
  host.resize(300, 200);
  auto* l = new PaintCounter(&host);
  l->setFont(CrispFont());
  l->SetCaption(QStringLiteral("ABCD"));
  host.show();
  ASSERT_TRUE(testing_support::WaitFor([&] { return l->paints > 0; }));
  QCoreApplication::processEvents();
  const int plainWidth = l->width();
  l->paints = 0;
  l->SetUnicodeCaption(true);
  QCoreApplication::processEvents();
  EXPECT_EQ(l->paints, 0);
  EXPECT_EQ(l->width(), plainWidth);
  l->update();
  const QFontMetrics fm(CrispFont());
  const QString wide = QString(QChar(char16_t(0x4241))) + QChar(char16_t(0x4443));
  const int wideWidth = fm.horizontalAdvance(wide) + 1;
  EXPECT_TRUE(testing_support::WaitFor([&] { return l->width() == wideWidth; })) << l->width();
}

TEST(Rotate3DLabel, UnicodeMeasurePairsTheBytesAndStopsAtTheEnd) {
  struct Row {
    const char* name;
    QString caption;
    QString measuredAs;
  };
  const Row rows[] = {
      {"even length", QStringLiteral("ABCD"), QString(QChar(char16_t(0x4241))) + QChar(char16_t(0x4443))},
      {"odd length pairs with the terminator", QStringLiteral("ABC"),
       QString(QChar(char16_t(0x4241))) + QChar(char16_t(0x0043))},
      {"empty", QString(), QString()},
      {"high bytes", QString::fromLatin1("\xe9\xff"), QString(QChar(char16_t(0xffe9)))},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    Host h;
    h.label->SetCaption(row.caption);
    h.label->SetUnicodeCaption(true);
    EXPECT_EQ(h.label->ComputeLayout().textWidth, TextExtent(CrispFont(), row.measuredAs).width());
    h.label->SetUnicodeCaption(false);
    EXPECT_EQ(h.label->ComputeLayout().textWidth, TextExtent(CrispFont(), row.caption).width());
  }
}

// The box and the text origin for the angles where they are exact.
TEST(Rotate3DLabel, BoxAndOriginFollowTheAngle) {
  const QSizeF ext = TextExtent(CrispFont(), QStringLiteral("Wave Aj"));
  const int W = int(ext.width()), H = int(ext.height());
  const double r45 = std::sqrt(0.5);
  struct Row {
    const char* name;
    int rotation, offset;
    QSize box;
    QPoint origin;
  };
  const Row rows[] = {
      {"0", 0, 1, {W + 1, H + 1}, {0, 0}},
      {"90", 90, 1, {H + 1, W + 1}, {0, W}},
      {"-90", -90, 1, {H + 1, W + 1}, {H, 0}},
      {"180 lies the offset lower", 180, 1, {W + 1, H + 1}, {W, H + 1}},
      {"-180 as 180", -180, 1, {W + 1, H + 1}, {W, H + 1}},
      {"45", 45, 2, {int(std::rint((W + H) * r45)) + 2, int(std::rint((W + H) * r45)) + 2},
       {0, int(std::rint(W * r45))}},
      {"-135", -135, 2, {int(std::rint((W + H) * r45)) + 2, int(std::rint((W + H) * r45)) + 2},
       {int(std::rint((W + H) * r45)) + 2, int(std::rint(H * r45))}},
      {"135", 135, 0, {int(std::rint((W + H) * r45)), int(std::rint((W + H) * r45))},
       {int(std::rint(W * r45)), int(std::rint((W + H) * r45))}},
      {"negative offset shrinks the box", 0, -3, {W - 3, H - 3}, {0, 0}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    Host h;
    h.label->SetRotation(row.rotation);
    h.label->SetShadowOffset(row.offset);
    const auto lay = h.label->ComputeLayout();
    EXPECT_EQ(lay.textWidth, W);
    EXPECT_EQ(lay.textHeight, H);
    EXPECT_EQ(lay.box, row.box);
    EXPECT_EQ(lay.origin, row.origin);
    EXPECT_EQ(h.label->size(), row.box);
  }
}

// Where the ink of a rotated caption lands: the unrotated ink box, turned about
// the cell's corner and moved to the origin (one pixel of rasterising slack).
TEST(Rotate3DLabel, RotatedInkStaysInsideTheTurnedCell) {
  KnownPalette pal;
  Host flat;
  flat.label->SetShadowStyle(ssNoShadow);
  flat.widget.show();
  const QRect ink0 = InkBox(flat.Shot(), pal.text);
  ASSERT_FALSE(ink0.isEmpty());
  const int W = flat.label->ComputeLayout().textWidth;
  const int H = flat.label->ComputeLayout().textHeight;
  const int o = 1;

  struct Row {
    const char* name;
    int rotation;
    QRect expect;
  };
  // Cell point (cx, cy) goes to: 90 -> (cy, W - cx); -90 -> (H - cy, cx);
  // 180 -> (W - cx, H + o - cy).  The far edges of an ink box are inclusive.
  const Row rows[] = {
      {"90", 90, QRect(QPoint(ink0.top(), W - 1 - ink0.right()), QPoint(ink0.bottom(), W - 1 - ink0.left()))},
      {"-90", -90, QRect(QPoint(H - 1 - ink0.bottom(), ink0.left()), QPoint(H - 1 - ink0.top(), ink0.right()))},
      {"180", 180,
       QRect(QPoint(W - 1 - ink0.right(), H + o - 1 - ink0.bottom()), QPoint(W - 1 - ink0.left(), H + o - 1 - ink0.top()))},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    Host h;
    h.label->SetShadowStyle(ssNoShadow);
    h.label->SetRotation(row.rotation);
    h.widget.show();
    const QRect ink = InkBox(h.Shot(), pal.text);
    EXPECT_NEAR(ink.left(), row.expect.left(), 1);
    EXPECT_NEAR(ink.top(), row.expect.top(), 1);
    EXPECT_NEAR(ink.right(), row.expect.right(), 1);
    EXPECT_NEAR(ink.bottom(), row.expect.bottom(), 1);
    EXPECT_NEAR(ink.width() * ink.height(), ink0.width() * ink0.height(), ink0.width() + ink0.height() + 2);
  }
}

// Every pixel of a styled caption follows from where the plain text's ink is:
// the copies are laid down in order (highlight, shadow, text), each the plain
// ink moved by its offset; where none reaches, the background shows.
TEST(Rotate3DLabel, CopiesLayerAtTheirOffsetsInTheirColours) {
  KnownPalette pal;
  Host ref;
  ref.label->SetShadowStyle(ssNoShadow);
  ref.label->SetShadowOffset(6);  // room for every copy below
  ref.widget.show();
  const QImage plain = ref.Shot();
  auto ink = [&](int x, int y) {
    return x >= 0 && y >= 0 && x < plain.width() && y < plain.height() && plain.pixelColor(x, y) == pal.text;
  };
  const QColor H = pal.highlight, S = pal.shadow, T = pal.text;
  struct Layer {
    int dx, dy;
    QColor color;
  };
  struct Row {
    const char* name;
    TCDKShadowStyle style;
    int offset;
    bool enabled;
    std::vector<Layer> layers;
  };
  const std::vector<Row> rows = {
      {"raised", ssRaised, 1, true, {{-1, -1, H}, {1, 1, S}, {0, 0, T}}},
      {"raised wide", ssRaised, 2, true, {{-2, -2, H}, {2, 2, S}, {0, 0, T}}},
      {"raised disabled looks the same", ssRaised, 1, false, {{-1, -1, H}, {1, 1, S}, {0, 0, T}}},
      {"lowered", ssLowered, 1, true, {{1, 1, H}, {-1, -1, S}, {0, 0, T}}},
      {"negative offset swaps the sides", ssRaised, -1, true, {{1, 1, H}, {-1, -1, S}, {0, 0, T}}},
      {"drop shadow", ssHasShadow, 2, true, {{2, 2, S}, {0, 0, T}}},
      {"no shadow", ssNoShadow, 1, true, {{0, 0, T}}},
      {"disable-aware, enabled", ssNormalWithDisable, 1, true, {{0, 0, T}}},
      {"disable-aware, disabled", ssNormalWithDisable, 1, false, {{1, 1, H}, {0, 0, S}}},
      {"zero offset: the text wins", ssRaised, 0, true, {{0, 0, T}}},
  };
  const QSizeF ext = TextExtent(CrispFont(), ref.label->Caption());
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    Host h;
    h.label->SetShadowStyle(row.style);
    h.label->SetShadowOffset(row.offset);
    h.label->setEnabled(row.enabled);
    h.widget.show();
    const QImage img = h.Shot();
    ASSERT_EQ(img.size(), QSize(int(ext.width()) + row.offset, int(ext.height()) + row.offset));
    int wrong = 0;
    for (int y = 0; y < img.height(); ++y)
      for (int x = 0; x < img.width(); ++x) {
        QColor want = pal.hostBack;  // ParentColor: the host's background
        for (const Layer& l : row.layers)
          if (ink(x - l.dx, y - l.dy)) want = l.color;
        if (img.pixelColor(x, y) != want && ++wrong <= 3)
          ADD_FAILURE() << "pixel " << x << "," << y << " is " << img.pixelColor(x, y).name().toStdString()
                        << ", want " << want.name().toStdString();
      }
    EXPECT_EQ(wrong, 0);
  }
}

TEST(Rotate3DLabel, TransparentLeavesTheParentsDrawing) {
  KnownPalette pal;
  const QColor own{200, 30, 30};
  struct Row {
    const char* name;
    bool transparent;
    QColor back;
  };
  const Row rows[] = {{"opaque fills its colour", false, own}, {"transparent shows the parent", true, pal.hostBack}};
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    Host h;
    h.label->SetColor(tk::QColorToColor(own));
    h.label->SetTransparent(row.transparent);
    h.label->SetShadowStyle(ssNoShadow);
    h.widget.show();
    const QImage img = h.Shot();
    // The offset column on the right is never inked at rotation 0.
    EXPECT_EQ(img.pixelColor(img.width() - 1, 0), row.back);
    EXPECT_EQ(img.pixelColor(img.width() - 1, img.height() - 1), row.back);
  }
}

TEST(Rotate3DLabel, NonScalableFacesFallBackOnlyWhenTurned) {
  ASSERT_FALSE(BitmapFamily().isEmpty());
  const QFont bitmap = tk::MakePixelFont(BitmapFamily(), 8);
  const QFont heading = tk::MakeFont(QStringLiteral("MS Sans Serif"), 10, true);
  ASSERT_FALSE(TCDKRotate3DLabel::IsScalableFont(bitmap));
  ASSERT_TRUE(TCDKRotate3DLabel::IsScalableFont(CrispFont()));
  struct Row {
    const char* name;
    QFont font;
    int rotation;
    bool loading;
    QString family;
  };
  const Row rows[] = {
      {"bitmap face turned", bitmap, 45, false, QStringLiteral("Arial")},
      {"bitmap face turned upside down", bitmap, -180, false, QStringLiteral("Arial")},
      {"bitmap face written 0", bitmap, 360, false, BitmapFamily()},
      {"bitmap face while loading", bitmap, 90, true, BitmapFamily()},
      {"outline face turned", CrispFont(), 90, false, QStringLiteral("Liberation Sans")},
      // Not installed, but drawn by an outline substitute, so it turns as it is.
      {"heading face turned", heading, 90, false, QStringLiteral("MS Sans Serif")},
      {"heading face unturned", heading, 0, false, QStringLiteral("MS Sans Serif")},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    QWidget host;
    TCDKRotate3DLabel* l = nullptr;
    {
      tk::LoadingScope scope;
      l = new TCDKRotate3DLabel(&host);
      if (!row.loading) scope.End();
      l->setFont(row.font);
      l->SetRotation(row.rotation);
    }
    EXPECT_EQ(l->font().family(), row.family);
    EXPECT_EQ(l->font().bold(), row.font.bold());
    EXPECT_EQ(l->font().pixelSize(), row.font.pixelSize());
  }
  // A label with no parent is tested all the same.
  TCDKRotate3DLabel orphan;
  orphan.setFont(bitmap);
  orphan.SetRotation(10);
  EXPECT_EQ(orphan.font().family(), QStringLiteral("Arial"));
}

TEST(Rotate3DLabel, SizeFollowsCaptionFontAndAlignment) {
  using A = TCDKRotate3DLabel::TAlign;
  struct Row {
    const char* name;
    A align;
    bool takesWidth, takesHeight;
  };
  const Row rows[] = {
      {"none", A::alNone, true, true},     {"top", A::alTop, false, true},   {"bottom", A::alBottom, false, true},
      {"left", A::alLeft, true, false},    {"right", A::alRight, true, false}, {"client", A::alClient, false, false},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    Host h;
    h.label->SetAlign(row.align);
    h.label->resize(333, 222);
    h.label->SetRotation(90);
    h.label->SetCaption(QStringLiteral("A much longer caption"));
    QFont bigger = CrispFont();
    bigger.setPixelSize(20);
    h.label->setFont(bigger);
    const QSizeF ext = TextExtent(bigger, h.label->Caption());
    EXPECT_EQ(h.label->width(), row.takesWidth ? int(ext.height()) + 1 : 333);
    EXPECT_EQ(h.label->height(), row.takesHeight ? int(ext.width()) + 1 : 222);
  }
}

TEST(Rotate3DLabel, LoadingKeepsStoredValuesUntilLoaded) {
  QWidget host;
  TCDKRotate3DLabel* l = nullptr;
  {
    tk::LoadingScope scope;
    l = new TCDKRotate3DLabel(&host);
    l->setGeometry(8, 8, 50, 20);
    l->setFont(CrispFont());
    l->SetCaption(QStringLiteral("Hiding Options"));
    l->SetRotation(-90);
    l->SetShadowOffset(2);
    EXPECT_EQ(l->size(), QSize(50, 20));
  }
  const QSizeF ext = TextExtent(CrispFont(), l->Caption());
  EXPECT_EQ(l->size(), QSize(int(ext.height()) + 2, int(ext.width()) + 2));
}

// Absurd offsets and empty captions give defined sizes and paint without fault.
TEST(Rotate3DLabel, ExtremeValuesStayDefined) {
  KnownPalette pal;
  struct Row {
    const char* name;
    int offset, rotation;
    QString caption;
    QSize box;  // -1: not checked
  };
  const int H = int(TextExtent(CrispFont(), QString()).height());
  const Row rows[] = {
      {"huge offset", INT_MAX, 30, QStringLiteral("x"), {QWIDGETSIZE_MAX, QWIDGETSIZE_MAX}},
      {"huge negative offset", INT_MIN, -120, QStringLiteral("x"), {0, 0}},
      {"empty caption keeps a line's height", 1, 0, QString(), {1, H + 1}},
      {"ampersands and breaks are plain characters", 1, 0, QStringLiteral("a&b\nc"), {-1, H + 1}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    Host h;
    h.label->SetCaption(row.caption);
    h.label->SetRotation(row.rotation);
    h.label->SetShadowOffset(row.offset);
    if (row.box.width() >= 0) {
      EXPECT_EQ(h.label->ComputeLayout().box.width(), row.box.width());
    }
    EXPECT_EQ(h.label->ComputeLayout().box.height(), row.box.height());
    h.widget.show();
    const QImage img = h.widget.grab().toImage();
    EXPECT_FALSE(img.isNull());
  }
}

}  // namespace
