#include <gtest/gtest.h>

#include "tests/support/TestSupport.h"

#include <QApplication>
#include <QGuiApplication>
#include <QScreen>
#include <QTest>
#include <QTextBlock>
#include <QTimer>
#include <functional>
#include <vector>

#include "forms/about.h"
#include "forms/oops.h"
#include "toolkit/Resources.h"

namespace {

using testing_support::FindTopLevel;
using testing_support::WhenShown;

void SaveShot(QWidget* w, const char* name) {
  if (qEnvironmentVariableIsSet("EDGETUCKER_SHOTS")) w->grab().save(QStringLiteral("/tmp/%1.png").arg(name));
}

// ---- message dialog ---------------------------------------------------------------

TEST(OopsDialog, FormAndControlsStandWhereTheScriptsFindThem) {
  TfrmOops dlg;
  EXPECT_STREQ(dlg.metaObject()->className(), "TfrmOops");
  EXPECT_EQ(dlg.Caption(), QStringLiteral("Oops!"));
  EXPECT_EQ(dlg.size(), QSize(324, 136));
  EXPECT_TRUE(dlg.windowFlags() & Qt::WindowStaysOnTopHint);
  EXPECT_FALSE(dlg.windowFlags() & Qt::WindowCloseButtonHint);
  EXPECT_FALSE(dlg.windowFlags() & Qt::WindowSystemMenuHint);
  struct Row {
    const char* name;
    QRect geometry;
  };
  const Row rows[] = {
      {"Image1", {8, 8, 75, 119}}, {"memo", {96, 8, 223, 87}}, {"btnOk", {169, 101, 79, 30}}};
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    auto* w = dlg.findChild<QWidget*>(QString::fromLatin1(r.name));
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(w->geometry(), r.geometry);
  }
  EXPECT_EQ(dlg.btnOk->Caption(), QStringLiteral("OK"));
  EXPECT_FALSE(dlg.btnOk->Glyph().isNull());
  EXPECT_EQ(dlg.Image1->Picture().size(), QSize(75, 119));
  EXPECT_FALSE(dlg.memo->TabStop());
  EXPECT_FALSE(dlg.memo->AllowCaret());
  EXPECT_TRUE(dlg.memo->Ctl3D());
  EXPECT_EQ(dlg.memo->BorderStyle(), tk::TFormBorderStyle::bsNone);
  EXPECT_EQ(dlg.memo->font().pixelSize(), 13);
}

TEST(OopsDialog, ShowsOneCentredLinePerTextLineAndClosesWithOk) {
  struct Row {
    const char* name;
    QString text;
    QStringList lines;
  };
  QStringList many;
  for (int i = 0; i < 20; ++i) many << QStringLiteral("Line %1").arg(i);
  const Row rows[] = {
      {"three lines", QStringLiteral("No windows.\r\nUse the options\nbutton."),
       {"No windows.", "Use the options", "button."}},
      {"more lines than the memo shows", many.join(QStringLiteral("\r\n")), many},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    QWidget owner;
    bool checked = false;
    WhenShown<TfrmOops>([&](TfrmOops* dlg) {
      EXPECT_EQ(dlg->parentWidget(), &owner);
      EXPECT_TRUE(dlg->isVisible());
      EXPECT_EQ(dlg->geometry().center(), QGuiApplication::primaryScreen()->geometry().center());
      EXPECT_EQ(dlg->memo->Lines(), r.lines);
      EXPECT_EQ(dlg->memo->TopLine(), 0);
      // Each line's text is centred in the memo's text area.
      const int middle = dlg->memo->viewport()->width() / 2;
      for (QTextBlock b = dlg->memo->document()->begin(); b.isValid() && b.blockNumber() < 3; b = b.next()) {
        QTextCursor start(b), end(b);
        end.movePosition(QTextCursor::EndOfBlock);
        const int centre = (dlg->memo->cursorRect(start).left() + dlg->memo->cursorRect(end).left()) / 2;
        EXPECT_NEAR(centre, middle, 3) << qPrintable(b.text());
      }
      if (r.lines.size() == 3) SaveShot(dlg, "dialogs_oops");
      checked = true;
      QTest::mouseClick(dlg->btnOk, Qt::LeftButton, {}, dlg->btnOk->rect().center());
    });
    EXPECT_EQ(ShowOopsDialog(&owner, r.text), tk::mrOk);
    EXPECT_TRUE(checked);
    EXPECT_EQ(FindTopLevel<TfrmOops>(false), nullptr);
  }
}

TEST(OopsDialog, AnOwnerThatGoesAwayTakesTheDialogWithIt) {
  auto* owner = new QWidget;
  WhenShown<TfrmOops>([owner](TfrmOops*) { delete owner; });
  EXPECT_EQ(ShowOopsDialog(owner, QStringLiteral("gone")), tk::mrCancel);
  EXPECT_EQ(FindTopLevel<TfrmOops>(false), nullptr);
}

// ---- About box ------------------------------------------------------------------

struct FrameLog {
  explicit FrameLog(TAnimated* a) : ani(a) {
    ani->SetOnChangeFrame([this](QObject*) { frames.push_back(ani->Frame()); });
  }
  // Ticks the animation's own timer until it stops (or `most` ticks).
  void Run(int most = 50) {
    for (int i = 0; i < most && ani->Timer(); ++i) ani->Timer()->Tick();
  }
  TAnimated* ani;
  std::vector<int> frames;
};

TEST(AboutBox, FormAndControlsStandWhereTheScriptsFindThem) {
  TfrmAbout box;
  EXPECT_STREQ(box.metaObject()->className(), "TfrmAbout");
  EXPECT_EQ(box.Caption(), QStringLiteral("About..."));
  EXPECT_EQ(box.size(), QSize(379, 192));
  EXPECT_TRUE(box.windowFlags() & Qt::WindowCloseButtonHint);
  struct Row {
    const char* name;
    QRect geometry;
  };
  const Row rows[] = {{"aniTop", {0, 0, 299, 52}}, {"aniSide", {298, 0, 82, 192}}, {"btnOk", {2, 161, 75, 29}}};
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    auto* w = box.findChild<QWidget*>(QString::fromLatin1(r.name));
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(w->geometry(), r.geometry);
  }
  for (const char* name : {"RzLabel1", "RzLabel3", "Timer1", "Timer2"})
    EXPECT_NE(box.findChild<QObject*>(QString::fromLatin1(name)), nullptr) << name;
  EXPECT_EQ(box.aniTop->BitMap().size(), QSize(2392, 52));
  EXPECT_EQ(box.aniSide->BitMap().size(), QSize(82 * 11, 192));
  EXPECT_EQ(box.RzLabel1->TextStyle(), tsRaised);
  EXPECT_EQ(box.RzLabel3->TextStyle(), tsRecessed);
  EXPECT_EQ(box.RzLabel1->font().pixelSize(), 29);
  EXPECT_TRUE(box.Timer1->Running());
  EXPECT_TRUE(box.Timer2->Running());
  EXPECT_EQ(box.Timer1->Interval(), 2000);
  EXPECT_EQ(box.Timer2->Interval(), 1700);
}

TEST(AboutBox, TheAnimationsSwingOnTheirTimers) {
  TfrmAbout box;
  FrameLog side(box.aniSide), top(box.aniTop);
  EXPECT_FALSE(box.aniSide->Play());
  box.show();
  // On show the side strip runs forward once and stops on its last frame.
  EXPECT_TRUE(box.aniSide->Play());
  side.Run();
  EXPECT_EQ(side.frames, (std::vector<int>{1, 2, 3, 4, 5, 6, 7, 8, 9}));
  EXPECT_FALSE(box.aniSide->Play());

  // Timer2 turns the top strip from reverse to forward.
  box.Timer2->Tick();
  EXPECT_FALSE(box.aniTop->Reverse());
  top.Run();
  EXPECT_EQ(top.frames, (std::vector<int>{1, 2, 3, 4, 5, 6, 7}));
  EXPECT_FALSE(box.aniTop->Play());

  // Timer1 sends the side strip back.
  side.frames.clear();
  box.Timer1->Tick();
  EXPECT_TRUE(box.aniSide->Reverse());
  side.Run();
  EXPECT_EQ(side.frames, (std::vector<int>{8, 7, 6, 5, 4, 3, 2, 1, 0}));

  // And the top strip back too.
  top.frames.clear();
  box.Timer2->Tick();
  top.Run();
  EXPECT_EQ(top.frames, (std::vector<int>{6, 5, 4, 3, 2, 1, 0}));
}

TEST(AboutBox, ATurnDuringARunReversesItWhereItStands) {
  TfrmAbout box;
  FrameLog side(box.aniSide);
  box.show();
  for (int i = 0; i < 4; ++i) box.aniSide->Timer()->Tick();
  const tk::TTimer* running = box.aniSide->Timer();
  box.Timer1->Tick();
  // Still the one run, now going the other way.
  EXPECT_EQ(box.aniSide->Timer(), running);
  side.Run();
  EXPECT_EQ(side.frames, (std::vector<int>{1, 2, 3, 4, 3, 2, 1, 0}));
}

TEST(AboutBox, ClosingStopsEveryTimer) {
  struct Row {
    const char* name;
    std::function<void(TfrmAbout*)> close;
  };
  const Row rows[] = {
      {"OK button", [](TfrmAbout* b) { QTest::mouseClick(b->btnOk, Qt::LeftButton, {}, b->btnOk->rect().center()); }},
      {"close box", [](TfrmAbout* b) { b->close(); }},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    TfrmAbout box;
    WhenShown<TfrmAbout>([&](TfrmAbout* b) {
      EXPECT_EQ(b, &box);
      // Both strips moving when the box goes.
      b->Timer2->Tick();
      ASSERT_NE(b->aniSide->Timer(), nullptr);
      ASSERT_NE(b->aniTop->Timer(), nullptr);
      r.close(b);
    });
    box.ShowModal();
    EXPECT_FALSE(box.isVisible());
    EXPECT_FALSE(box.Timer1->Running());
    EXPECT_FALSE(box.Timer2->Running());
    EXPECT_EQ(box.aniSide->Timer(), nullptr);
    EXPECT_EQ(box.aniTop->Timer(), nullptr);
  }
}

TEST(AboutBox, ShowAboutBoxShowsItModallyAndDestroysIt) {
  bool shown = false;
  WhenShown<TfrmAbout>([&](TfrmAbout* b) {
    shown = b->isVisible() && b->IsModal();
    EXPECT_EQ(b->geometry().center(), QGuiApplication::primaryScreen()->geometry().center());
    b->btnOk->click();
  });
  ShowAboutBox();
  EXPECT_TRUE(shown);
  EXPECT_EQ(FindTopLevel<TfrmAbout>(false), nullptr);
}

TEST(AboutBox, StripsShowTheBoxBackgroundThroughTheirKeyColour) {
  TfrmAbout box;
  box.show();
  const QColor back = box.palette().color(QPalette::Window);
  const QImage shot = box.grab().toImage();
  SaveShot(&box, "dialogs_about");
  struct Row {
    const char* name;
    TAnimated* ani;
    QRgb key;
    int usableWidth;  // columns not covered by a later control
  };
  const Row rows[] = {
      {"top strip, red", box.aniTop, qRgb(255, 0, 0), 298},
      {"side strip, green", box.aniSide, qRgb(0, 255, 0), 82 - 1},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    const QImage strip = r.ani->BitMap();
    const int x0 = r.ani->width() * r.ani->Frame();
    int keyed = 0, kept = 0;
    for (int y = 0; y < r.ani->height(); y += 3) {
      for (int x = 0; x < r.usableWidth; x += 3) {
        const QRgb s = strip.pixel(x0 + x, y) | 0xff000000u;
        const QColor seen(shot.pixel(r.ani->pos() + QPoint(x, y)));
        if (s == r.key) {
          ++keyed;
          EXPECT_EQ(seen, back) << x << "," << y;
        } else {
          ++kept;
          EXPECT_EQ(seen, QColor(s)) << x << "," << y;
        }
      }
    }
    EXPECT_GT(keyed, 10);
    EXPECT_GT(kept, 10);
  }
}

}  // namespace
