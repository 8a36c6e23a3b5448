#include <gtest/gtest.h>

#include <QApplication>
#include <QStyleOptionButton>
#include <QTest>

#include "toolkit/StdCtrls.h"

namespace {

using tk::TCheckBoxState;

// Where a user clicks a check box: the middle of its box.
QPoint IndicatorCentre(QCheckBox* cb) {
  QStyleOptionButton opt;
  opt.initFrom(cb);
  return cb->style()->subElementRect(QStyle::SE_CheckBoxIndicator, &opt, cb).center();
}

// ---- check box ----------------------------------------------------------------

TEST(CheckBox, ClickHandlerRunsForEveryChangeOfStateByCodeOrUser) {
  QWidget form;
  auto* cb = new tk::TCheckBox(&form);
  cb->setGeometry(0, 0, 100, 17);
  cb->SetCaption(QStringLiteral("Box"));
  form.show();
  std::vector<bool> seen;
  cb->SetOnClick([&](QObject* sender) {
    EXPECT_EQ(sender, cb);
    seen.push_back(cb->Checked());
  });
  struct Step {
    const char* name;
    std::function<void()> act;
    std::vector<bool> after;
  };
  const Step steps[] = {
      {"check by code", [&] { cb->SetChecked(true); }, {true}},
      {"same value again", [&] { cb->SetChecked(true); }, {true}},
      {"user click", [&] { QTest::mouseClick(cb, Qt::LeftButton, {}, IndicatorCentre(cb)); }, {true, false}},
      {"greyed by code", [&] { cb->SetState(TCheckBoxState::cbGrayed); }, {true, false, false}},
      {"user click leaves grey for checked", [&] { QTest::mouseClick(cb, Qt::LeftButton, {}, IndicatorCentre(cb)); },
       {true, false, false, true}},
  };
  for (const Step& s : steps) {
    SCOPED_TRACE(s.name);
    s.act();
    EXPECT_EQ(seen, s.after);
  }
}

TEST(CheckBox, GreyedCountsAsUncheckedAndUserClicksNeverGreyUnlessAllowed) {
  tk::TCheckBox cb;
  cb.SetState(TCheckBoxState::cbGrayed);
  EXPECT_EQ(cb.State(), TCheckBoxState::cbGrayed);
  EXPECT_FALSE(cb.Checked());
  cb.SetChecked(true);
  cb.click();
  EXPECT_EQ(cb.State(), TCheckBoxState::cbUnchecked);
  cb.click();
  EXPECT_EQ(cb.State(), TCheckBoxState::cbChecked);
  cb.SetAllowGrayed(true);
  cb.click();
  cb.click();
  EXPECT_EQ(cb.State(), TCheckBoxState::cbGrayed) << "with greying allowed the cycle passes through grey";
}

TEST(CheckBox, StatesGivenWhileLoadingFireNothing) {
  int clicks = 0;
  tk::TCheckBox* cb = nullptr;
  {
    tk::LoadingScope loading;
    cb = new tk::TCheckBox;
    cb->SetOnClick([&](QObject*) { ++clicks; });
    cb->SetChecked(true);
  }
  EXPECT_EQ(clicks, 0);
  EXPECT_TRUE(cb->Checked());
  cb->SetChecked(false);
  EXPECT_EQ(clicks, 1);
  delete cb;
}

// ---- radio group ----------------------------------------------------------------

TEST(RadioGroup, ItemIndexIsClampedToTheItems) {
  tk::TRadioGroup rg;
  rg.SetItems({"Left", "Right"});
  struct Row {
    const char* name;
    int set, expected;
  };
  const Row rows[] = {{"first", 0, 0}, {"last", 1, 1},    {"past the end", 2, 1},
                      {"far past", 255, 1}, {"none", -1, -1}, {"below none", -7, -1}};
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    rg.SetItemIndex(r.set);
    EXPECT_EQ(rg.ItemIndex(), r.expected);
    for (int i = 0; i < 2; ++i) EXPECT_EQ(rg.Button(i)->isChecked(), i == r.expected) << i;
  }
}

TEST(RadioGroup, IndexGivenBeforeItemsWhileLoadingIsAppliedAfterwards) {
  tk::TRadioGroup* rg = nullptr;
  {
    tk::LoadingScope loading;
    rg = new tk::TRadioGroup;
    rg->SetItemIndex(5);
    rg->SetItems({"A", "B", "C"});
  }
  EXPECT_EQ(rg->ItemIndex(), 2);
  EXPECT_TRUE(rg->Button(2)->isChecked());
  delete rg;
}

TEST(RadioGroup, TwoColumnsShareTheWidthAndAClickOnARowSelectsIt) {
  QWidget form;
  auto* rg = new tk::TRadioGroup(&form);
  rg->setGeometry(10, 10, 115, 32);
  rg->SetCaption(QStringLiteral("Which Side?"));
  rg->SetColumns(2);
  rg->SetItems({"Left", "Right"});
  rg->SetItemIndex(1);
  form.show();
  const int fh = rg->fontMetrics().height();
  // (115 - 10) / 2 = 52 per column; rows fill what the caption line leaves.
  EXPECT_EQ(rg->ItemRect(0), QRect(8, fh + 1, 52, 32 - fh - 5));
  EXPECT_EQ(rg->ItemRect(1), QRect(60, fh + 1, 52, 32 - fh - 5));
  EXPECT_EQ(rg->Button(1)->geometry(), rg->ItemRect(1));
  int clicks = 0;
  rg->SetOnClick([&](QObject*) { ++clicks; });
  struct Row {
    const char* name;
    QPoint at;
    int expected, clicks;
  };
  const Row rows[] = {
      {"on the group, left row", rg->ItemRect(0).center(), 0, 1},
      {"the selected row again", rg->ItemRect(0).center(), 0, 1},
      {"on the group's caption line", QPoint(60, 2), 0, 1},
      {"on the group, right row", rg->ItemRect(1).center(), 1, 2},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    QTest::mouseClick(rg, Qt::LeftButton, {}, r.at);
    EXPECT_EQ(rg->ItemIndex(), r.expected);
    EXPECT_TRUE(rg->Button(r.expected)->isChecked());
    EXPECT_EQ(clicks, r.clicks);
  }
  // A click straight on the radio button itself selects as well.
  QTest::mouseClick(rg->Button(0), Qt::LeftButton, {}, rg->Button(0)->rect().center());
  EXPECT_EQ(rg->ItemIndex(), 0);
  EXPECT_FALSE(rg->Button(1)->isChecked());
}

// ---- spin edit ----------------------------------------------------------------

TEST(SpinEdit, SetValueHoldsTheRangeAndValueReadsTheText) {
  tk::TSpinEdit e;
  e.SetMinValue(2);
  e.SetMaxValue(10);
  struct SetRow {
    const char* name;
    int set, expected;
  };
  const SetRow sets[] = {{"inside", 7, 7}, {"low end", 2, 2}, {"below", 0, 2},
                         {"high end", 10, 10}, {"above", 255, 10}, {"far below", INT_MIN, 2}};
  for (const SetRow& r : sets) {
    SCOPED_TRACE(r.name);
    e.SetValue(r.set);
    EXPECT_EQ(e.Value(), r.expected);
    EXPECT_EQ(e.text(), QString::number(r.expected));
  }
  struct TextRow {
    const char* name;
    const char* text;
    int expected;
  };
  const TextRow texts[] = {
      {"typed in range", "8", 8},   {"typed below the range", "1", 1},
      {"empty", "", 2},             {"not a number", "abc", 2},
      {"number then junk", "7x", 2}, {"blanks around", " 6 ", 6},
      {"plus sign", "+9", 9},       {"too big for an int", "99999999999", 2},
  };
  for (const TextRow& r : texts) {
    SCOPED_TRACE(r.name);
    e.SetText(QString::fromLatin1(r.text));
    EXPECT_EQ(e.Value(), r.expected);
  }
}

TEST(SpinEdit, ReturnHoldsATypedNumberToTheRange) {
  tk::TSpinEdit e;
  e.SetMinValue(2);
  e.SetMaxValue(10);
  struct Row {
    const char* name;
    const char* typed;
    const char* field;  // the text as typed, before Return
    int after;
  };
  const Row rows[] = {
      {"below", "1", "1", 2},          {"zero", "0", "0", 2},     {"above", "11", "11", 10},
      {"far above", "123456789", "123456789", 10}, {"ten digits refused", "1234567890", "123456789", 10},
      {"negative", "-5", "-5", 2},     {"inside", "7", "7", 7},   {"letters refused", "x", "", 2},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    e.SetValue(5);
    e.selectAll();
    QTest::keyClick(&e, Qt::Key_Delete);
    QTest::keyClicks(&e, QString::fromLatin1(r.typed));
    EXPECT_EQ(e.text().toStdString(), r.field);
    QTest::keyClick(&e, Qt::Key_Return);
    EXPECT_EQ(e.Value(), r.after);
    EXPECT_EQ(e.text(), QString::number(r.after));
  }
}

TEST(SpinEdit, ArrowsStopAtTheEndsOfTheRange) {
  tk::TSpinEdit e;
  e.SetMinValue(5);
  e.SetMaxValue(30);
  e.SetValue(29);
  e.stepUp();
  e.stepUp();
  EXPECT_EQ(e.Value(), 30);
  e.SetValue(6);
  e.stepDown();
  e.stepDown();
  EXPECT_EQ(e.Value(), 5);
}

TEST(SpinEdit, ValueGivenBeforeTheRangeWhileLoadingSurvives) {
  tk::TSpinEdit* e = nullptr;
  {
    tk::LoadingScope loading;
    e = new tk::TSpinEdit;
    e->SetValue(200);  // beyond the range a new spin edit starts with
    e->SetMinValue(0);
    e->SetMaxValue(1000);
  }
  EXPECT_EQ(e->Value(), 200);
  EXPECT_EQ(e->maximum(), 1000);
  delete e;
}

// ---- panel ----------------------------------------------------------------------

TEST(Panel, BevelPaintsOnlyTheOutlineAndNoneLeavesTheParentShowing) {
  QWidget form;
  form.setAutoFillBackground(true);
  QPalette pal = form.palette();
  pal.setColor(QPalette::Window, QColor(10, 20, 30));
  form.setPalette(pal);
  form.resize(40, 40);
  auto* panel = new tk::TPanel(&form);
  panel->setGeometry(5, 5, 20, 20);
  struct Row {
    const char* name;
    tk::TPanelBevel bevel;
    QColor topLeft, bottomRight;
  };
  form.grab();  // the style's palette is in place once the form has been polished
  const QColor light = tk::ColorToQColor(tk::clBtnHighlight), dark = tk::ColorToQColor(tk::clBtnShadow),
               parent(10, 20, 30);
  const Row rows[] = {{"raised", tk::TPanelBevel::bvRaised, light, dark},
                      {"lowered", tk::TPanelBevel::bvLowered, dark, light},
                      {"none", tk::TPanelBevel::bvNone, parent, parent}};
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    panel->SetBevelOuter(r.bevel);
    const QImage img = form.grab().toImage();
    EXPECT_EQ(img.pixel(5, 15), r.topLeft.rgb());
    EXPECT_EQ(img.pixel(24, 15), r.bottomRight.rgb());
    EXPECT_EQ(img.pixel(15, 15), parent.rgb()) << "the inside is the parent's";
  }
}

}  // namespace
