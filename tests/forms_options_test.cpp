#include <QApplication>
#include <QStyleOptionButton>
#include <QTest>
#include <QTimer>
#include <functional>

#include "forms/options.h"
#include "settings/EasyINI.h"
#include "tests/support/PanelFixture.h"
#include "tests/support/TestSupport.h"
#include "toolkit/Application.h"

namespace {

using testing_support::PanelTest;
using testing_support::ReadFile;
using testing_support::WriteFile;

std::string IniPath() { return testing_support::WindowsDir() + "/Edgetuck.ini"; }

TfrmOptions* FindOptions() {
  for (QWidget* w : QApplication::topLevelWidgets())
    if (auto* d = qobject_cast<TfrmOptions*>(w)) return d;
  return nullptr;
}

// Where a user clicks a check box: the middle of its box.
QPoint IndicatorCentre(QCheckBox* cb) {
  QStyleOptionButton opt;
  opt.initFrom(cb);
  return cb->style()->subElementRect(QStyle::SE_CheckBoxIndicator, &opt, cb).center();
}

void ClickBox(QCheckBox* cb) { QTest::mouseClick(cb, Qt::LeftButton, {}, IndicatorCentre(cb)); }
void Click(QWidget* w) { QTest::mouseClick(w, Qt::LeftButton, {}, w->rect().center()); }

// Shown to the user: visible on its own and on every parent up to its page.
bool Showing(QWidget* w, QWidget* page) { return w->isVisibleTo(page); }

class Options : public PanelTest {
protected:
  void SetUp() override {
    std::remove(IniPath().c_str());
    PanelTest::SetUp();
  }
  void TearDown() override {
    PanelTest::TearDown();
    std::remove(IniPath().c_str());
  }

  // Clicks Options on the panel; `act` runs on the dialog once its modal run
  // has started and should end with Accept or a close.  Returns whether the
  // dialog was seen.
  bool RunOptions(const std::function<void(TfrmOptions&)>& act) {
    bool seen = false;
    std::function<void()> probe = [&] {
      TfrmOptions* d = FindOptions();
      if (!d || !d->IsModal()) {
        QTimer::singleShot(0, probe);
        return;
      }
      seen = true;
      act(*d);
      if (d->ModalResult() == tk::mrNone) d->Close();  // a failed check must not leave it open
    };
    QTimer::singleShot(0, probe);
    Click(frmMain->btnOptions);
    return seen;
  }

  std::string Ini(const char* key) { return frmMain->ini->ReadStr("Edgetucker", key, "<none>"); }
};

// ---- form ---------------------------------------------------------------------

TEST(OptionsForm, ControlsStandOnTheirPagesWithTheirCaptions) {
  TfrmOptions dlg;
  EXPECT_STREQ(dlg.metaObject()->className(), "TfrmOptions");
  EXPECT_EQ(dlg.Caption(), QStringLiteral("Options"));
  EXPECT_EQ(dlg.size(), QSize(248, 181));
  EXPECT_TRUE(dlg.windowFlags() & Qt::WindowCloseButtonHint);
  EXPECT_FALSE(dlg.windowFlags() & Qt::WindowMinimizeButtonHint);
  EXPECT_FALSE(dlg.font().bold());

  TcsNotebook* nb = dlg.notebook;
  EXPECT_EQ(nb->geometry(), QRect(2, 3, 244, 142));
  EXPECT_EQ(nb->TabOrientation(), toLeft);
  EXPECT_EQ(nb->TabsPerRow(), 4);
  EXPECT_EQ(nb->TabHeight(), 35);
  EXPECT_TRUE(nb->SidewaysText());
  EXPECT_EQ(nb->TextAlignment(), taInvisible);
  EXPECT_EQ(nb->BitmapAlignment(), baCentreMiddle);
  EXPECT_EQ(nb->CornerSize(), 3);
  EXPECT_FALSE(nb->ParentTabFont());
  EXPECT_EQ(nb->TabFont().family(), QStringLiteral("Arial"));
  EXPECT_EQ(nb->PageIndex(), 0);
  ASSERT_EQ(nb->PageCount(), 4);
  const char* captions[] = {"Hiding", "Sound", "Movement", "General"};
  for (int i = 0; i < 4; ++i) {
    SCOPED_TRACE(captions[i]);
    EXPECT_EQ(nb->Page(i)->Caption(), QString::fromLatin1(captions[i]));
    EXPECT_EQ(nb->Page(i)->Bitmap().size(), QSize(25, 25));
  }

  struct Row {
    const char* name;
    QWidget* parent;
    QRect geometry;  // an empty size: only the position is fixed (the label sizes itself)
    QString caption;
  };
  QWidget* hiding = nb->Page(0);
  QWidget* sound = nb->Page(1);
  QWidget* movement = nb->Page(2);
  QWidget* general = nb->Page(3);
  const Row rows[] = {
      {"btnClose", &dlg, {44, 149, 75, 28}, "&Accept"},
      {"btnHelp", &dlg, {129, 149, 75, 28}, "&Help"},
      {"CDKRotate3DLabel1", hiding, {11, 10, 0, 0}, "Hiding Options"},
      {"Bevel1", hiding, {9, 30, 186, 97}, {}},
      {"cbHideDelphi", hiding, {21, 40, 129, 17}, "AutoHide Delphi?"},
      {"cbHideInspector", hiding, {21, 64, 161, 17}, "AutoHide Object Inspector?"},
      {"rgSide", hiding, {68, 86, 115, 32}, "Which Side?"},
      {"CDKRotate3DLabel2", sound, {11, 10, 0, 0}, "Sound Options"},
      {"Bevel2", sound, {9, 30, 186, 97}, {}},
      {"cbUseSounds", sound, {27, 43, 153, 17}, "Play sounds when moving?"},
      {"pnlFiles", sound, {14, 72, 177, 52}, {}},
      {"lblIn", dlg.pnlFiles, {9, 6, 0, 0}, "In"},
      {"lblOut", dlg.pnlFiles, {3, 31, 0, 0}, "Out"},
      {"editIn", dlg.pnlFiles, {25, 2, 145, 23}, {}},
      {"editOut", dlg.pnlFiles, {25, 27, 145, 23}, {}},
      {"CDKRotate3DLabel3", movement, {11, 10, 0, 0}, "Movement Options"},
      {"Bevel3", movement, {9, 30, 186, 97}, {}},
      {"cbAnimate", movement, {49, 55, 105, 17}, "Animate Moves?"},
      {"pnlAniOptions", movement, {15, 83, 173, 28}, {}},
      {"editAniCount", dlg.pnlAniOptions, {2, 2, 57, 22}, {}},
      {"Label1", dlg.pnlAniOptions, {64, 5, 113, 14}, "Animation Sequences"},
      {"CDKRotate3DLabel4", general, {11, 10, 0, 0}, "General Options"},
      {"Bevel4", general, {9, 30, 186, 97}, {}},
      {"Label2", general, {14, 37, 0, 0}, "Open Delay Time (MS)"},
      {"editDelay", general, {132, 34, 57, 22}, {}},
      {"cbAutoStart", general, {21, 60, 153, 17}, "Auto-start when loading?"},
      {"cbDisable", general, {21, 77, 161, 17}, "Disable when losing focus?"},
      {"Label3", general, {14, 102, 0, 0}, "Hiding Window Hangout"},
      {"editHang", general, {132, 99, 57, 22}, {}},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    auto* w = dlg.findChild<QWidget*>(QString::fromLatin1(r.name));
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(w->parentWidget(), r.parent);
    if (r.geometry.isEmpty())
      EXPECT_EQ(w->pos(), r.geometry.topLeft());
    else
      EXPECT_EQ(w->geometry(), r.geometry);
    QString caption;
    if (auto* b = qobject_cast<QAbstractButton*>(w)) caption = b->text();
    if (auto* l = qobject_cast<tk::TCustomLabel*>(w)) caption = l->Caption();
    if (auto* g = qobject_cast<tk::TRadioGroup*>(w)) caption = g->Caption();
    EXPECT_EQ(caption, r.caption);
  }
  struct PathRow {
    const char* name;
    TCDKPathEditor* e;
    const char* title;
  };
  const PathRow paths[] = {{"editIn", dlg.editIn, "Select file to play when moving window in"},
                           {"editOut", dlg.editOut, "Select file to play when moving window out"}};
  for (const PathRow& p : paths) {
    SCOPED_TRACE(p.name);
    EXPECT_EQ(p.e->Style(), _SelectFile);
    EXPECT_EQ(p.e->Title(), QString::fromLatin1(p.title));
    EXPECT_EQ(p.e->Filter(), QStringLiteral("Wave Files|*.wav"));
    EXPECT_EQ(p.e->FilterIndex(), 1);
    EXPECT_EQ(p.e->DefaultExt(), QStringLiteral("WAV"));
    EXPECT_EQ(p.e->FileName(), QStringLiteral("*.wav"));
    EXPECT_FALSE(p.e->SmartShowBrowseButton()) << "the browse button always shows";
    EXPECT_EQ(p.e->MaxLength(), 0);
  }
  EXPECT_EQ(dlg.rgSide->Items(), QStringList({"Left", "Right"}));
  EXPECT_EQ(dlg.rgSide->Columns(), 2);
  EXPECT_EQ(dlg.btnClose->NumGlyphs(), 2);
  dlg.show();
  QApplication::setActiveWindow(&dlg);
  EXPECT_EQ(dlg.focusWidget(), dlg.notebook) << "the notebook is the active control";
  EXPECT_FALSE(dlg.btnClose->Glyph().isNull());
  EXPECT_FALSE(dlg.btnHelp->Glyph().isNull());
}

TEST(OptionsForm, DesignStatesAgreeWithTheVisibilityRule) {
  TfrmOptions dlg;
  EXPECT_FALSE(dlg.cbHideInspector->Checked());
  EXPECT_TRUE(dlg.rgSide->isHidden());
  EXPECT_EQ(dlg.rgSide->ItemIndex(), 1);
  EXPECT_FALSE(dlg.cbUseSounds->Checked());
  EXPECT_TRUE(dlg.pnlFiles->isHidden());
  EXPECT_TRUE(dlg.cbAnimate->Checked());
  EXPECT_FALSE(dlg.pnlAniOptions->isHidden());
  EXPECT_FALSE(dlg.cbHideDelphi->Checked());
  EXPECT_FALSE(dlg.cbAutoStart->Checked());
  EXPECT_TRUE(dlg.cbDisable->Checked());
  struct Spin {
    const char* name;
    tk::TSpinEdit* e;
    int min, max, value;
  };
  const Spin spins[] = {{"editAniCount", dlg.editAniCount, 5, 30, 5},
                        {"editDelay", dlg.editDelay, 0, 1000, 200},
                        {"editHang", dlg.editHang, 2, 10, 5}};
  for (const Spin& s : spins) {
    SCOPED_TRACE(s.name);
    EXPECT_EQ(s.e->MinValue(), s.min);
    EXPECT_EQ(s.e->MaxValue(), s.max);
    EXPECT_EQ(s.e->Value(), s.value);
  }
}

TEST(OptionsForm, HeadingsAreRaisedBoldTextAndTabsShowTheirPicturesWithoutTheKeyColour) {
  TfrmOptions dlg;
  dlg.show();
  TCDKRotate3DLabel* headings[] = {dlg.CDKRotate3DLabel1, dlg.CDKRotate3DLabel2, dlg.CDKRotate3DLabel3,
                                   dlg.CDKRotate3DLabel4};
  // A colour only each tab's own picture has: the screen's teal, the
  // speaker's blue, the window's title blue, the stopwatch's red.
  const QRgb own[] = {qRgb(0, 128, 128), qRgb(64, 96, 192), qRgb(0, 0, 128), qRgb(192, 0, 0)};
  for (int i = 0; i < 4; ++i) {
    SCOPED_TRACE(i);
    TCDKRotate3DLabel* h = headings[i];
    EXPECT_EQ(h->Rotation(), 0);
    EXPECT_EQ(h->ShadowStyle(), ssRaised);
    EXPECT_TRUE(h->font().bold());
    dlg.notebook->SetPageIndex(i);
    const QImage text = h->grab().toImage();
    int black = 0, light = 0;
    const QRgb highlight = tk::ColorToQColor(tk::clBtnHighlight).rgb();
    for (int y = 0; y < text.height(); ++y)
      for (int x = 0; x < text.width(); ++x) {
        black += text.pixel(x, y) == qRgb(0, 0, 0);
        light += text.pixel(x, y) == highlight;
      }
    EXPECT_GT(black, 30) << "the caption in black";
    EXPECT_GT(light, 10) << "raised: a highlight copy up and left";

    const QImage nb = dlg.notebook->grab().toImage();
    const QRect tab = dlg.notebook->TabRectOf(i);
    int ownPixels = 0;
    for (int y = tab.top(); y <= tab.bottom(); ++y)
      for (int x = tab.left(); x <= tab.right(); ++x) {
        ownPixels += nb.pixel(x, y) == own[i];
        ASSERT_NE(nb.pixel(x, y), qRgb(255, 0, 255)) << "key colour at " << x << "," << y;
      }
    EXPECT_GT(ownPixels, 5);
  }
}

TEST(OptionsForm, HelpAsksForTheTopicOfTheCurrentPage) {
  platform::ClearHelpRequests();
  tk::Application().SetHelpFile("EDGETUCK.HLP");
  TfrmOptions dlg;
  dlg.show();
  const char* topics[] = {"Hidden_Button", "Sound_Button", "Movement_Button", "General_Button"};
  for (int i : {2, 0, 3, 1}) {
    SCOPED_TRACE(topics[i]);
    dlg.notebook->SetPageIndex(i);
    ASSERT_EQ(dlg.notebook->PageIndex(), i);
    Click(dlg.btnHelp);
    ASSERT_FALSE(platform::HelpRequests().empty());
    EXPECT_EQ(platform::HelpRequests().back().file, "EDGETUCK.HLP");
    EXPECT_EQ(platform::HelpRequests().back().topic, topics[i]);
  }
  for (int bad : {-1, 4, 100}) EXPECT_EQ(PageHelpTopic(bad), nullptr) << bad;
  for (QWidget* w : QApplication::topLevelWidgets())
    if (w->metaObject()->className() == QByteArray("THelpViewer")) w->close();
}

// ---- showing --------------------------------------------------------------------

TEST_F(Options, ShowingSetsTheControlsFromTheSettingsWithinTheirRanges) {
  struct Row {
    const char* name;
    std::function<void(TSettings&)> set;
    int delay;
    TOptionValues shown;
  };
  auto shown = [](auto change) {
    TOptionValues v;
    change(v);
    return v;
  };
  const Row rows[] = {
      {"start values", [](TSettings&) {}, 250,
       shown([](TOptionValues& v) { v.Side = 0; v.Animate = false; v.OpenDelay = 250; })},
      {"everything on",
       [](TSettings& s) {
         s = TSettings{true, 1, true, 1, 17, true, "in.wav", "out.wav", 9, true, false};
       },
       1000,
       {true, 1, true, true, true, false, "out.wav", "in.wav", 17, 1000, 9, true}},
      {"steps 3 shows 5, side 2 shows Right, strip 0 shows 2",
       [](TSettings& s) { s.AnimationSteps = 3; s.InspectorSide = 2; s.HangOutPixels = 0; }, 0,
       shown([](TOptionValues& v) { v.Side = 1; v.Animate = false; v.OpenDelay = 0; v.HangOutPixels = 2; })},
      {"strip 255 shows 10, steps 31 shows 30, negative delay shows 0",
       [](TSettings& s) { s.HangOutPixels = 255; s.AnimationSteps = 31; s.InspectorSide = 0; }, -40,
       shown([](TOptionValues& v) { v.Side = 0; v.Animate = false; v.AnimationSteps = 30; v.OpenDelay = 0; v.HangOutPixels = 10; })},
      {"animation flag other than 1 is off", [](TSettings& s) { s.AnimateMoves = 2; }, 200,
       shown([](TOptionValues& v) { v.Side = 0; v.Animate = false; })},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    Settings = TSettings{};
    r.set(Settings);
    frmMain->timerWait->SetInterval(r.delay);
    TfrmOptions dlg;
    dlg.show();
    EXPECT_TRUE(dlg.ControlValues() == r.shown);
    EXPECT_EQ(dlg.editAniCount->text(), QString::number(r.shown.AnimationSteps)) << "what the user sees";
  }
}

TEST_F(Options, DependentControlsShowExactlyWhileTheirBoxIsChecked) {
  struct Row {
    const char* name;
    int page;
    std::function<void(bool)> set;
    std::function<tk::TCheckBox*(TfrmOptions&)> box;
    std::function<QWidget*(TfrmOptions&)> dependent;
  };
  const Row rows[] = {
      {"side group", 0, [](bool on) { Settings.HideInspector = on; },
       [](TfrmOptions& d) { return d.cbHideInspector; }, [](TfrmOptions& d) -> QWidget* { return d.rgSide; }},
      {"sound files", 1, [](bool on) { Settings.PlaySounds = on; }, [](TfrmOptions& d) { return d.cbUseSounds; },
       [](TfrmOptions& d) -> QWidget* { return d.pnlFiles; }},
      {"animation steps", 2, [](bool on) { Settings.AnimateMoves = on ? 1 : 0; },
       [](TfrmOptions& d) { return d.cbAnimate; }, [](TfrmOptions& d) -> QWidget* { return d.pnlAniOptions; }},
  };
  for (const Row& r : rows) {
    for (bool initially : {false, true}) {
      SCOPED_TRACE(std::string(r.name) + (initially ? ", set" : ", clear"));
      r.set(initially);
      TfrmOptions dlg;
      dlg.show();
      dlg.notebook->SetPageIndex(r.page);
      tk::TCheckBox* box = r.box(dlg);
      QWidget* dependent = r.dependent(dlg);
      QWidget* page = dlg.notebook->Page(r.page);
      EXPECT_EQ(box->Checked(), initially);
      EXPECT_EQ(Showing(dependent, page), initially);
      ClickBox(box);
      EXPECT_EQ(box->Checked(), !initially);
      EXPECT_EQ(Showing(dependent, page), !initially);
      ClickBox(box);
      EXPECT_EQ(Showing(dependent, page), initially);
      // Code changes the box the same way a click does.
      box->SetChecked(!initially);
      EXPECT_EQ(Showing(dependent, page), !initially);
    }
  }
}

// ---- saving -------------------------------------------------------------------------

// Records the writes instead of making them.
class WriteRecorder : public TIniEditor {
public:
  std::vector<std::pair<std::string, std::string>> writes;
  void WriteStr(std::string_view section, std::string_view key, std::string_view value) override {
    EXPECT_EQ(section, "Edgetucker");
    writes.emplace_back(std::string(key), std::string(value));
  }
};

TEST(SaveSettings, TwelveWritesInTheirOrder) {
  struct Row {
    const char* name;
    TOptionValues values;
    std::vector<std::pair<std::string, std::string>> writes;
  };
  const Row rows[] = {
      {"all on",
       {true, 1, true, true, true, true, "C:\\out.wav", "C:\\in.wav", 30, 1000, 10, true},
       {{"mgHideInspector", "True"}, {"mgSide", "1"}, {"mgHideDelphi", "True"}, {"mgAnimate", "True"},
        {"mgWindowSounds", "True"}, {"mgDisableOnFocusLoss", "True"}, {"MoveOutSound", "C:\\out.wav"},
        {"MoveInSound", "C:\\in.wav"}, {"mgAnimateSpeed", "30"}, {"mgDelay", "1000"}, {"HangOutPixels", "10"},
        {"mgUseAutoHide", "True"}}},
      {"all off, empty paths",
       {false, 0, false, false, false, false, "", "", 5, 0, 2, false},
       {{"mgHideInspector", "False"}, {"mgSide", "0"}, {"mgHideDelphi", "False"}, {"mgAnimate", "False"},
        {"mgWindowSounds", "False"}, {"mgDisableOnFocusLoss", "False"}, {"MoveOutSound", ""},
        {"MoveInSound", ""}, {"mgAnimateSpeed", "5"}, {"mgDelay", "0"}, {"HangOutPixels", "2"},
        {"mgUseAutoHide", "False"}}},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    WriteRecorder rec;
    SaveSettingsFrom(r.values, rec);
    EXPECT_EQ(rec.writes, r.writes);
  }
}

TEST(SaveSettings, DialogValuesCountGreyAsUncheckedAndHoldTypedNumbersInRange) {
  TfrmOptions dlg;
  dlg.cbDisable->SetState(tk::TCheckBoxState::cbGrayed);
  struct Row {
    const char* name;
    tk::TSpinEdit* e;
    const char* typed;
    int saved;
  };
  const Row rows[] = {
      {"steps typed below", dlg.editAniCount, "3", 5},    {"steps not a number", dlg.editAniCount, "", 5},
      {"delay typed in range", dlg.editDelay, "750", 750}, {"strip typed below", dlg.editHang, "1", 2},
      {"strip not a number", dlg.editHang, "-", 2},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    r.e->SetText(QString::fromLatin1(r.typed));
    const TOptionValues v = dlg.ControlValues();
    const int saved = r.e == dlg.editAniCount ? v.AnimationSteps : r.e == dlg.editDelay ? v.OpenDelay : v.HangOutPixels;
    EXPECT_EQ(saved, r.saved);
    EXPECT_FALSE(v.DisableOnFocusLoss);
  }
}

// The Arial labels keep their designed places and widths; their text, in the
// face that stands in for Arial, fits that width and ends at least 3 pixels
// before the spin edit beside it, on screen as well as by measure.
TEST(OptionsForm, LabelTextFitsItsDesignedWidth) {
  TfrmOptions dlg;
  dlg.show();
  struct Row {
    const char* name;
    tk::TLabel* label;
    int page;
    QRect designed;
    int neighbour;  // the column of its parent where the next control (or the parent's edge) begins
    int gap;        // free columns the text leaves before it
  };
  const Row rows[] = {
      {"Label1 within its panel", dlg.Label1, 2, {64, 5, 113, 14}, 173, 0},
      {"Label2 before editDelay", dlg.Label2, 3, {14, 37, 114, 14}, 132, 3},
      {"Label3 before editHang", dlg.Label3, 3, {14, 102, 114, 14}, 132, 3},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    EXPECT_EQ(r.label->geometry(), r.designed);
    const int text = QFontMetrics(r.label->font()).horizontalAdvance(r.label->Caption());
    EXPECT_LE(text, r.designed.width());
    EXPECT_LE(r.designed.left() + text, r.neighbour - r.gap);
    // On screen: the label's ink ends before the limit, and reaches near it
    // (the text is all there, narrowed rather than cut).
    dlg.notebook->SetPageIndex(r.page);
    QWidget* parent = r.label->parentWidget();
    const QImage shot = parent->grab(QRect(0, r.designed.top(), parent->width(), r.designed.height())).toImage();
    int lastInk = -1;
    for (int x = r.designed.left(); x < r.neighbour; ++x)
      for (int y = 0; y < shot.height(); ++y)
        if (qGray(shot.pixel(x, y)) < 100) lastInk = x;
    EXPECT_LT(lastInk, r.neighbour - r.gap);
    EXPECT_GT(lastInk, r.designed.left() + r.designed.width() * 3 / 4);
  }
}

// Tab goes from the notebook through the shown page's controls in their
// order, then to Accept and Help, and round to the notebook again.
TEST(OptionsForm, TabRunsFromTheNotebookThroughThePageToTheButtons) {
  TfrmOptions dlg;
  dlg.show();
  dlg.activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&dlg));
  // Every dependent control showing (showing the dialog set them from Settings).
  dlg.cbHideInspector->SetChecked(true);
  dlg.cbUseSounds->SetChecked(true);
  dlg.cbAnimate->SetChecked(true);
  const QStringList named = {"notebook", "btnClose", "btnHelp", "cbHideDelphi", "cbHideInspector", "rgSide",
                             "cbUseSounds", "editIn", "editOut", "cbAnimate", "editAniCount", "editDelay",
                             "cbAutoStart", "cbDisable", "editHang"};
  // The named control a focused widget belongs to (a path editor's or a
  // radio group's inner widgets count as the control).
  auto owner = [&](QWidget* w) -> QString {
    for (; w; w = w->parentWidget())
      if (named.contains(w->objectName())) return w->objectName();
    return QStringLiteral("?");
  };
  struct Row {
    int page;
    QStringList order;
  };
  const Row rows[] = {
      {0, {"notebook", "cbHideDelphi", "cbHideInspector", "rgSide", "btnClose", "btnHelp"}},
      {1, {"notebook", "cbUseSounds", "editIn", "editOut", "btnClose", "btnHelp"}},
      {2, {"notebook", "cbAnimate", "editAniCount", "btnClose", "btnHelp"}},
      {3, {"notebook", "editDelay", "cbAutoStart", "cbDisable", "editHang", "btnClose", "btnHelp"}},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.page);
    dlg.notebook->SetPageIndex(r.page);
    dlg.notebook->setFocus();
    QStringList seen = {owner(QApplication::focusWidget())};
    for (int i = 0; i < 20; ++i) {
      QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
      const QString now = owner(QApplication::focusWidget());
      if (now == "notebook") break;
      if (now != seen.back()) seen << now;
    }
    EXPECT_EQ(seen.join(' ').toStdString(), r.order.join(' ').toStdString());
  }
}

// ---- the dialog from the panel ---------------------------------------------------------------

TEST_F(Options, AcceptWritesTheFileAndThePanelReloadsIt) {
  struct Row {
    const char* name;
    const char* file;
    std::function<void(TfrmOptions&)> act;  // before Accept
    std::vector<std::pair<const char*, const char*>> expect;
    std::function<void()> check;  // on Settings after the reload
  };
  const Row rows[] = {
      {"stored steps 3 show as 5 and are saved as 5", "[Edgetucker]\nmgAnimate=True\nmgAnimateSpeed=3\n",
       [](TfrmOptions& d) {
         EXPECT_EQ(Settings.AnimationSteps, 3) << "the engine itself runs with 3";
         EXPECT_EQ(d.editAniCount->Value(), 5);
       },
       {{"mgAnimateSpeed", "5"}, {"mgAnimate", "True"}}, [] { EXPECT_EQ(Settings.AnimationSteps, 5); }},
      {"an emptied sound path removes its key; the hidden other one is kept",
       "[Edgetucker]\nmgWindowSounds=False\nMoveInSound=C:\\in.wav\nMoveOutSound=C:\\out.wav\n",
       [](TfrmOptions& d) {
         EXPECT_TRUE(d.pnlFiles->isHidden());
         d.editIn->SetText({});
       },
       {{"MoveInSound", "<none>"}, {"MoveOutSound", "C:\\out.wav"}, {"mgWindowSounds", "False"}},
       [] {
         EXPECT_EQ(Settings.MoveInSound, "");
         EXPECT_EQ(Settings.MoveOutSound, "C:\\out.wav");
       }},
      {"the side is saved while its group is hidden", "[Edgetucker]\nmgHideInspector=False\nmgSide=0\n",
       [](TfrmOptions& d) {
         ClickBox(d.cbHideInspector);
         EXPECT_EQ(d.rgSide->ItemIndex(), 0) << "the stored side shows";
         EXPECT_TRUE(d.rgSide->isVisible());
         ClickBox(d.cbHideInspector);
         EXPECT_FALSE(d.rgSide->isVisible());
       },
       {{"mgHideInspector", "False"}, {"mgSide", "0"}}, [] { EXPECT_EQ(Settings.InspectorSide, 0); }},
      {"side 2 and strip 300 come back as Right and 10", "[Edgetucker]\nmgSide=2\nHangOutPixels=300\n",
       [](TfrmOptions&) { EXPECT_EQ(Settings.HangOutPixels, 44); },
       {{"mgSide", "1"}, {"HangOutPixels", "10"}},
       [] {
         EXPECT_EQ(Settings.InspectorSide, 1);
         EXPECT_EQ(Settings.HangOutPixels, 10);
       }},
      {"changes made on the pages", "",
       [](TfrmOptions& d) {
         EXPECT_TRUE(d.pnlAniOptions->isHidden()) << "no animation: the step count is hidden, yet saved";
         ClickBox(d.cbHideDelphi);
         d.notebook->SetPageIndex(3);
         ClickBox(d.cbAutoStart);
         d.editDelay->SetValue(640);
         d.editHang->stepUp();
         d.notebook->SetPageIndex(1);
         ClickBox(d.cbUseSounds);
         d.editOut->SetText(QStringLiteral("/sounds/out.wav"));
       },
       {{"mgHideDelphi", "True"}, {"mgUseAutoHide", "True"}, {"mgDelay", "640"}, {"HangOutPixels", "6"},
        {"mgWindowSounds", "True"}, {"MoveOutSound", "/sounds/out.wav"}, {"MoveInSound", "<none>"},
        {"mgDisableOnFocusLoss", "True"}, {"mgAnimate", "False"}, {"mgAnimateSpeed", "5"}},
       [] {
         EXPECT_TRUE(Settings.HideMainWindow);
         EXPECT_TRUE(Settings.AutoStart);
         EXPECT_EQ(frmMain->timerWait->Interval(), 640);
         EXPECT_EQ(Settings.HangOutPixels, 6);
         EXPECT_EQ(Settings.MoveOutSound, "/sounds/out.wav");
       }},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    WriteFile(IniPath(), r.file);
    LoadSettings();
    const bool seen = RunOptions([&](TfrmOptions& d) {
      r.act(d);
      Click(d.btnClose);
    });
    ASSERT_TRUE(seen);
    for (const auto& [key, value] : r.expect) EXPECT_EQ(Ini(key), value) << key;
    r.check();
    EXPECT_EQ(FindOptions(), nullptr) << "destroyed after use";
  }
}

TEST_F(Options, ReturnAcceptsAndEscapeDoesNotClose) {
  LoadSettings();  // no file: the defaults
  bool stillOpenAfterEscape = false;
  ASSERT_TRUE(RunOptions([&](TfrmOptions& d) {
    QTest::keyClick(&d, Qt::Key_Escape);
    stillOpenAfterEscape = d.ModalResult() == tk::mrNone && d.isVisible();
    d.notebook->SetPageIndex(0);
    ClickBox(d.cbHideDelphi);
    d.editHang->SetValue(9);
    d.notebook->SetPageIndex(3);
    d.editHang->setFocus();
    QTest::keyClick(d.editHang, Qt::Key_Return);
  }));
  EXPECT_TRUE(stillOpenAfterEscape);
  EXPECT_EQ(Ini("mgHideDelphi"), "True");
  EXPECT_EQ(Ini("HangOutPixels"), "9");
}

// A user selects a spin edit's text, types a number past its range and
// accepts at once, by a click on Accept or with Return: the typed number is
// saved held to the range, and the field shows what was saved.
TEST_F(Options, ATypedNumberPastTheRangeIsSavedHeldToIt) {
  struct Row {
    const char* name;
    int page;
    tk::TSpinEdit* TfrmOptions::*edit;
    const char* typed;
    const char* key;
    const char* saved;
    // Pressed: Accept pressed as its accelerator does, without leaving the field.
    enum { Clicked, Return, Pressed } how;
  };
  const Row rows[] = {
      {"strip 1 (minimum 2), Accept clicked", 3, &TfrmOptions::editHang, "1", "HangOutPixels", "2", Row::Clicked},
      {"strip 1, Return", 3, &TfrmOptions::editHang, "1", "HangOutPixels", "2", Row::Return},
      {"strip 1, Accept pressed in place", 3, &TfrmOptions::editHang, "1", "HangOutPixels", "2", Row::Pressed},
      {"strip 11 (maximum 10), Accept clicked", 3, &TfrmOptions::editHang, "11", "HangOutPixels", "10", Row::Clicked},
      {"strip 0, Return", 3, &TfrmOptions::editHang, "0", "HangOutPixels", "2", Row::Return},
      {"steps 4 (minimum 5), Accept clicked", 2, &TfrmOptions::editAniCount, "4", "mgAnimateSpeed", "5", Row::Clicked},
      {"steps 99, Return", 2, &TfrmOptions::editAniCount, "99", "mgAnimateSpeed", "30", Row::Return},
      {"steps 99, Accept pressed in place", 2, &TfrmOptions::editAniCount, "99", "mgAnimateSpeed", "30", Row::Pressed},
      {"delay 5000 (maximum 1000), Return", 3, &TfrmOptions::editDelay, "5000", "mgDelay", "1000", Row::Return},
      {"delay typed in range, Accept clicked", 3, &TfrmOptions::editDelay, "750", "mgDelay", "750", Row::Clicked},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    WriteFile(IniPath(), "[Edgetucker]\nmgAnimate=True\nHangOutPixels=7\nmgAnimateSpeed=12\nmgDelay=300\n");
    LoadSettings();
    QString shown;
    ASSERT_TRUE(RunOptions([&](TfrmOptions& d) {
      d.notebook->SetPageIndex(r.page);
      tk::TSpinEdit* e = d.*r.edit;
      e->setFocus();
      QTest::keyClick(e, Qt::Key_A, Qt::ControlModifier);
      QTest::keyClicks(e, QString::fromLatin1(r.typed));
      ASSERT_EQ(e->text(), QString::fromLatin1(r.typed)) << "the field takes what was typed";
      switch (r.how) {
        case Row::Clicked: Click(d.btnClose); break;
        case Row::Return: QTest::keyClick(e, Qt::Key_Return); break;
        case Row::Pressed: d.btnClose->click(); break;
      }
      shown = e->text();  // the modal run ends later: the field is still there
    }));
    EXPECT_EQ(Ini(r.key), r.saved);
    EXPECT_EQ(shown.toStdString(), r.saved) << "the field shows what was saved";
  }
}

// A sound path stored by hand longer than a read brings back (255
// characters) shows cut; accepted untouched it stays whole in the file.
TEST_F(Options, AcceptKeepsAStoredPathTheUserDidNotChange) {
  const std::string longIn = "/sounds/" + std::string(285, 'i') + "/in.wav";  // 300 characters
  const std::string longOut = "/sounds/" + std::string(285, 'o') + "/ou.wav";
  ASSERT_EQ(longIn.size(), 300u);
  const std::string file = "[Edgetucker]\nmgWindowSounds=True\nMoveInSound=" + longIn + "\nMoveOutSound=" + longOut + "\n";
  struct Row {
    const char* name;
    std::function<void(TfrmOptions&)> act;  // before Accept
    std::string in, out;                    // the lines the file then holds
  };
  const Row rows[] = {
      {"both untouched, another option changed", [](TfrmOptions& d) { ClickBox(d.cbHideDelphi); }, longIn, longOut},
      {"sounds switched off: the hidden paths stay whole",
       [](TfrmOptions& d) {
         d.notebook->SetPageIndex(1);
         ClickBox(d.cbUseSounds);
       },
       longIn, longOut},
      {"one replaced, the other untouched",
       [](TfrmOptions& d) { d.editOut->SetText(QStringLiteral("/sounds/new.wav")); }, longIn, "/sounds/new.wav"},
      {"one emptied", [](TfrmOptions& d) { d.editIn->SetText({}); }, "", longOut},
      {"changed and typed back as shown",
       [](TfrmOptions& d) {
         const QString shown = d.editIn->Text();
         d.editIn->SetText(QStringLiteral("x"));
         d.editIn->SetText(shown);
       },
       longIn, longOut},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    WriteFile(IniPath(), file);
    LoadSettings();
    ASSERT_EQ(Settings.MoveInSound.size(), 255u) << "read cut, as reads are";
    ASSERT_TRUE(RunOptions([&](TfrmOptions& d) {
      EXPECT_EQ(d.editIn->Text().size(), 255);
      r.act(d);
      Click(d.btnClose);
    }));
    const std::string text = ReadFile(IniPath());
    auto line = [&](const std::string& key, const std::string& value) {
      return value.empty() ? text.find(key + "=") == std::string::npos
                           : text.find(key + "=" + value + "\n") != std::string::npos;
    };
    EXPECT_TRUE(line("MoveInSound", r.in)) << text;
    EXPECT_TRUE(line("MoveOutSound", r.out)) << text;
    EXPECT_NE(text.find("mgHideDelphi="), std::string::npos) << "the other values were saved";
  }
}

TEST_F(Options, ClosingWithoutAcceptLeavesTheFileAndRestoresTheSettings) {
  const std::string file =
      "[Edgetucker]\nmgHideInspector=True\nmgSide=0\nmgAnimate=True\nmgAnimateSpeed=12\nmgDelay=300\n"
      "HangOutPixels=4\nMoveInSound=in.wav\n";
  struct Row {
    const char* name;
    std::function<void(TfrmOptions&)> close;
  };
  const Row rows[] = {
      {"close box", [](TfrmOptions& d) { d.close(); }},
      {"Alt+F4", [](TfrmOptions& d) { QTest::keyClick(&d, Qt::Key_F4, Qt::AltModifier); }},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    WriteFile(IniPath(), file);
    LoadSettings();
    const TSettings before = Settings;
    ASSERT_TRUE(RunOptions([&](TfrmOptions& d) {
      ClickBox(d.cbHideInspector);
      d.rgSide->SetItemIndex(1);
      d.editAniCount->SetValue(20);
      d.editIn->SetText(QStringLiteral("other.wav"));
      d.cbDisable->SetChecked(false);
      r.close(d);
      EXPECT_NE(d.ModalResult(), tk::mrNone) << "the keystroke closes";
    }));
    EXPECT_EQ(ReadFile(IniPath()), file);
    EXPECT_EQ(Settings.HideInspector, before.HideInspector);
    EXPECT_EQ(Settings.InspectorSide, before.InspectorSide);
    EXPECT_EQ(Settings.AnimationSteps, 12);
    EXPECT_EQ(Settings.MoveInSound, "in.wav");
    EXPECT_EQ(frmMain->timerWait->Interval(), 300);
    EXPECT_EQ(FindOptions(), nullptr);
  }
}

TEST_F(Options, TheDialogBelongsToTheApplicationsOwnerWindow) {
  QWidget owner;
  owner.show();
  tk::Application().SetHandle(platform::HandleOf(&owner));
  QWidget* parent = reinterpret_cast<QWidget*>(1);
  RunOptions([&](TfrmOptions& d) {
    parent = d.parentWidget();
    d.Close();
  });
  tk::Application().SetHandle(0);
  EXPECT_EQ(parent, &owner);
}

// Pictures of every page for a look by eye: EDGETUCKER_SHOTS=1.
TEST_F(Options, Pictures) {
  if (!qEnvironmentVariableIsSet("EDGETUCKER_SHOTS")) GTEST_SKIP();
  Settings.HideInspector = Settings.PlaySounds = true;
  Settings.AnimateMoves = 1;
  Settings.MoveInSound = "C:\\WINDOWS\\MEDIA\\in.wav";
  TfrmOptions dlg;
  dlg.show();
  for (int i = 0; i < 4; ++i) {
    dlg.notebook->SetPageIndex(i);
    const QImage shot = dlg.grab().toImage();
    shot.save(QStringLiteral("/tmp/options-page-%1.png").arg(i));
    // Three times as large, pixel for pixel, for looking at the details.
    shot.scaled(shot.size() * 3).save(QStringLiteral("/tmp/options-page-%1-x3.png").arg(i));
  }
}

}  // namespace
