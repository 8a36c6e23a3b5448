#include <gtest/gtest.h>

#include "tests/support/TestSupport.h"

#include <QApplication>
#include <QDir>
#include <QDragEnterEvent>
#include <QMimeData>
#include <QPainter>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <functional>
#include <stdexcept>

#include "controls/CDKDirSe.h"
#include "controls/CDKPathE.h"
#include "toolkit/Component.h"
#include "toolkit/FileCtrls.h"
#include "toolkit/FileDialogs.h"
#include "toolkit/Graphics.h"
#include "toolkit/Resources.h"

namespace {

using testing_support::FindTopLevel;
using testing_support::WhenShown;

// The browse button's rectangle as the layout puts it: 23 wide at the right
// edge, over the full height.
QRect ButtonRect(const TCDKPathEditor& e) { return QRect(e.width() - 23, 0, 23, e.height()); }

// Clicks the editor where its layout puts the browse button.
void ClickBrowse(TCDKPathEditor& e) {
  const QPoint at = ButtonRect(e).center();
  QWidget* hit = e.childAt(at);
  ASSERT_EQ(hit, e.BrowseButton);
  QTest::mouseClick(hit, Qt::LeftButton, {}, hit->mapFrom(&e, at));
}

bool SameImage(const QPixmap& a, const QPixmap& b) { return a.toImage() == b.toImage(); }

// A path editor set up as the options dialog sets up its sound fields.
void AsSoundField(TCDKPathEditor& e, const QString& title) {
  e.SetTitle(title);
  e.SetFilter(QStringLiteral("Wave Files|*.wav"));
  e.SetFilterIndex(1);
  e.SetDefaultExt(QStringLiteral("WAV"));
  e.SetFileName(QStringLiteral("*.wav"));
  e.SetOptions(0);
  e.SetSmartShowBrowseButton(false);
  e.SetMaxLength(0);
}

// ---- layout ------------------------------------------------------------------------------

TEST(PathEditor, NewControlLaysOutEditAndButton) {
  QWidget form;
  form.setFont(tk::MakeFont(QStringLiteral("MS Sans Serif"), 8));
  auto* e = new TCDKPathEditor(&form);
  EXPECT_STREQ(e->metaObject()->className(), "TCDKPathEditor");
  EXPECT_EQ(e->pos(), QPoint(44, 126));
  EXPECT_EQ(e->width(), 185);
  EXPECT_EQ(e->height(), e->MainPathEdit->height() + 2);
  EXPECT_EQ(e->MainPathEdit->geometry(), QRect(2, 1, 185 - 23 - 6, e->MainPathEdit->FittedHeight()));
  EXPECT_EQ(e->BrowseButton->geometry(), ButtonRect(*e));
  EXPECT_EQ(e->BrowseButton->Align(), TAlign::alRight);
  EXPECT_EQ(e->BevelOuter(), bvNone);
  EXPECT_EQ(e->focusPolicy(), Qt::NoFocus);
  EXPECT_EQ(e->BrowseButton->focusPolicy(), Qt::NoFocus);
  EXPECT_TRUE(e->Caption().isEmpty());
  EXPECT_EQ(e->ControlStyle() & (csAcceptsControls | csSetCaption), 0u);
  EXPECT_EQ(e->Style(), _SelectFile);
  EXPECT_EQ(e->ButtonOffset(), 6);
  EXPECT_TRUE(e->UseDefaultGlyphs());
  EXPECT_FALSE(e->SmartShowBrowseButton());
  EXPECT_EQ(e->MaxLength(), 0);
  EXPECT_TRUE(e->BrowseButton->isVisibleTo(e));
  EXPECT_EQ(e->BrowseButton->NumGlyphs(), 2);

  // Resizing keeps the rules: edit width follows, height stays the edit's + 2.
  e->SetBounds(10, 20, 300, 60);
  EXPECT_EQ(e->geometry(), QRect(10, 20, 300, e->MainPathEdit->height() + 2));
  EXPECT_EQ(e->MainPathEdit->width(), 300 - 23 - 6);
  EXPECT_EQ(e->BrowseButton->geometry(), ButtonRect(*e));

  // A larger font makes a taller edit and with it a taller control.
  const int before = e->height();
  e->SetFont(tk::MakePixelFont(QStringLiteral("MS Sans Serif"), 20));
  EXPECT_GT(e->height(), before);
  EXPECT_EQ(e->height(), e->MainPathEdit->height() + 2);
  EXPECT_EQ(e->BrowseButton->height(), e->height());

  // The focus goes to the edit, never to the panel.
  form.show();
  QApplication::setActiveWindow(&form);
  e->setFocus();
  EXPECT_TRUE(e->MainPathEdit->hasFocus());
}

TEST(PathEditor, FormsEightPointFontGivesTheDesignedHeight) {
  // The options dialog's fields are 23 high: a 21-pixel edit plus 2.
  QWidget form;
  form.setFont(tk::MakeFont(QStringLiteral("MS Sans Serif"), 8));
  auto* e = new TCDKPathEditor(&form);
  e->SetBounds(25, 2, 145, 23);
  EXPECT_EQ(e->MainPathEdit->height(), 21);
  EXPECT_EQ(e->height(), 23);
  EXPECT_EQ(e->width(), 145);
  EXPECT_EQ(e->MainPathEdit->width(), 145 - 23 - 6);
}

TEST(PathEditor, ButtonOffsetMovesTheButtonNotTheEdit) {
  struct Row {
    const char* name;
    int from, to;
    int widthChange;
    int offsetAfter;
  };
  const Row rows[] = {
      {"wider gap", 6, 10, 4, 10},
      {"negative ignored", 6, -1, 0, 6},
      {"same value", 6, 6, 0, 6},
      {"no gap", 6, 0, -6, 0},
      {"back from a wide gap", 20, 6, -14, 6},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    TCDKPathEditor e;
    e.SetButtonOffset(r.from);
    const int width = e.width(), edit = e.MainPathEdit->width();
    e.SetButtonOffset(r.to);
    EXPECT_EQ(e.ButtonOffset(), r.offsetAfter);
    EXPECT_EQ(e.width(), width + r.widthChange);
    EXPECT_EQ(e.MainPathEdit->width(), edit);
    EXPECT_EQ(e.BrowseButton->geometry(), ButtonRect(e));
    EXPECT_EQ(e.BrowseButton->x() - e.MainPathEdit->geometry().right() - 1, r.offsetAfter - 2);
  }
}

// ---- the button's visibility and glyphs ---------------------------------------------------------

TEST(PathEditor, SmartShowShowsTheButtonOnlyWhileTheEditHasTheFocus) {
  QWidget form;
  auto* e = new TCDKPathEditor(&form);
  auto* other = new QLineEdit(&form);
  other->move(0, 0);
  form.show();
  QApplication::setActiveWindow(&form);
  other->setFocus();
  std::vector<std::pair<std::string, bool>> seen;
  e->SetOnEnter([&](QObject* s) {
    EXPECT_EQ(s, e);
    seen.emplace_back("enter", e->BrowseButton->isVisible());
  });
  e->SetOnExit([&](QObject* s) {
    EXPECT_EQ(s, e);
    seen.emplace_back("exit", e->BrowseButton->isVisible());
  });
  e->SetSmartShowBrowseButton(true);
  EXPECT_FALSE(e->BrowseButton->isVisible());
  e->MainPathEdit->setFocus();
  EXPECT_TRUE(e->BrowseButton->isVisible());
  other->setFocus();
  EXPECT_FALSE(e->BrowseButton->isVisible());
  const std::vector<std::pair<std::string, bool>> want = {{"enter", true}, {"exit", false}};
  EXPECT_EQ(seen, want);
  e->SetSmartShowBrowseButton(false);
  EXPECT_TRUE(e->BrowseButton->isVisible());
}

TEST(PathEditor, GlyphFollowsStyleWhileDefaultGlyphsAreOn) {
  const QPixmap open = TCDKPathEditor::DefaultGlyph(_SelectFile);
  const QPixmap folders = TCDKPathEditor::DefaultGlyph(_SelectDirectory);
  const QPixmap save = TCDKPathEditor::DefaultGlyph(_SaveFile);
  const QPixmap browse = TCDKPathEditor::DefaultGlyph(7);
  for (const QPixmap* p : {&open, &folders, &save, &browse}) EXPECT_EQ(p->size(), QSize(28, 14));
  EXPECT_TRUE(SameImage(browse, tk::LoadResourceBitmap(QStringLiteral("BMP_BROWSE"))));
  QPixmap custom(28, 14);
  custom.fill(Qt::red);

  struct Row {
    const char* name;
    std::function<void(TCDKPathEditor&)> act;
    const QPixmap* glyph;
    bool useDefault;
  };
  const Row rows[] = {
      {"new control", [](TCDKPathEditor&) {}, &open, true},
      {"save style", [](TCDKPathEditor& e) { e.SetStyle(_SaveFile); }, &save, true},
      {"directory style", [](TCDKPathEditor& e) { e.SetStyle(_SelectDirectory); }, &folders, true},
      {"a style beyond the three", [](TCDKPathEditor& e) { e.SetStyle(TCDKPathEdStyle(5)); }, &browse, true},
      {"defaults off keep the glyph",
       [](TCDKPathEditor& e) {
         e.SetUseDefaultGlyphs(false);
         e.SetStyle(_SaveFile);
       },
       &open, false},
      {"defaults back on load the style's", [](TCDKPathEditor& e) {
         e.SetUseDefaultGlyphs(false);
         e.SetStyle(_SaveFile);
         e.SetUseDefaultGlyphs(true);
       },
       &save, true},
      {"own picture", [&](TCDKPathEditor& e) { e.SetBrowseButtonGlyph(custom); }, &custom, false},
      {"own picture survives a style change",
       [&](TCDKPathEditor& e) {
         e.SetBrowseButtonGlyph(custom);
         e.SetStyle(_SelectDirectory);
       },
       &custom, false},
      {"empty picture brings back the built-in one",
       [&](TCDKPathEditor& e) {
         e.SetBrowseButtonGlyph(custom);
         e.SetStyle(_SaveFile);
         e.SetBrowseButtonGlyph(QPixmap());
       },
       &save, true},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    TCDKPathEditor e;
    r.act(e);
    EXPECT_TRUE(SameImage(e.BrowseButtonGlyph(), *r.glyph));
    EXPECT_EQ(e.UseDefaultGlyphs(), r.useDefault);
  }
}

TEST(PathEditor, LoadingReplacesAStoredGlyphUnlessDefaultsAreOff) {
  QPixmap stored(28, 14);
  stored.fill(Qt::blue);
  for (bool useDefault : {true, false}) {
    SCOPED_TRACE(useDefault);
    QWidget form;
    TCDKPathEditor* e;
    {
      tk::LoadingScope scope;
      e = new TCDKPathEditor(&form);
      // The stored properties, in their published order: the glyph before the switch.
      e->BrowseButton->SetGlyph(stored);
      if (!useDefault) e->SetUseDefaultGlyphs(false);
      e->SetStyle(_SaveFile);
      e->SetBounds(25, 27, 145, 23);
    }
    EXPECT_TRUE(SameImage(e->BrowseButtonGlyph(), useDefault ? TCDKPathEditor::DefaultGlyph(_SaveFile) : stored));
    EXPECT_EQ(e->MainPathEdit->width(), 145 - 23 - 6);
    EXPECT_EQ(e->height(), e->MainPathEdit->height() + 2);
  }
}

TEST(PathEditor, ButtonShowsTheDisabledHalfOfTheStripWhenDisabled) {
  TCDKPathEditor e;
  const QPixmap strip = TCDKPathEditor::DefaultGlyph(_SelectFile);
  e.show();
  const QRect g = e.BrowseButton->GlyphRect();
  EXPECT_EQ(g.size(), QSize(14, 14));
  // Centred: (23 - 14) / 2 = 4 across, likewise down the button's height.
  EXPECT_EQ(g.topLeft(), QPoint(4, (e.BrowseButton->height() - 14) / 2));
  auto painted = [&] { return e.BrowseButton->grab().toImage().copy(g); };
  auto half = [&](int i) {
    QImage out(14, 14, QImage::Format_ARGB32);
    out.fill(tk::ColorToQColor(tk::clBtnFace));
    QPainter p(&out);
    p.drawPixmap(0, 0, strip.copy(i * 14, 0, 14, 14));
    p.end();
    return out.convertToFormat(painted().format());
  };
  EXPECT_EQ(painted(), half(0));
  e.setEnabled(false);
  EXPECT_EQ(painted(), half(1));
}

// ---- text, file name and the edit's events ------------------------------------------------------

TEST(PathEditor, TextChangesMoveFileNameAndFireOnChangeOnce) {
  QWidget form;
  auto* e = new TCDKPathEditor(&form);
  AsSoundField(*e, QStringLiteral("t"));
  form.show();
  QApplication::setActiveWindow(&form);
  std::vector<QString> changes;
  e->SetOnChange([&](QObject* s) {
    EXPECT_EQ(s, e);
    EXPECT_EQ(e->FileName(), e->Text());  // FileName moves first
    changes.push_back(e->Text());
  });
  struct Row {
    const char* name;
    std::function<void()> act;
    QString text;
    size_t changes;
  };
  const Row rows[] = {
      {"stored pattern stays until the text changes", [] {}, "", 0},
      {"loaded sound path written by code", [&] { e->SetText(QStringLiteral("/snd/in.wav")); }, "/snd/in.wav", 1},
      {"same text again", [&] { e->SetText(QStringLiteral("/snd/in.wav")); }, "/snd/in.wav", 0},
      {"typed", [&] {
         e->MainPathEdit->setFocus();
         e->MainPathEdit->selectAll();
         QTest::keyClicks(e->MainPathEdit, QStringLiteral("/a"));
       },
       "/a", 2},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    changes.clear();
    r.act();
    EXPECT_EQ(e->Text(), r.text);
    EXPECT_EQ(changes.size(), r.changes);
    EXPECT_EQ(e->FileName(), r.changes || !r.text.isEmpty() ? r.text : QStringLiteral("*.wav"));
  }
}

TEST(PathEditor, EditEventsReachTheHandlersWithTheEditorAsSender) {
  QWidget form;
  auto* e = new TCDKPathEditor(&form);
  form.show();
  QApplication::setActiveWindow(&form);
  std::vector<std::string> log;
  auto note = [&](const char* what) {
    return [&, what](QObject* s) {
      EXPECT_EQ(s, e) << what;
      log.emplace_back(what);
    };
  };
  e->SetOnClick(note("click"));
  e->SetOnDblClick(note("dblclick"));
  e->SetOnMouseDown([&](QObject* s, Qt::MouseButton b, Qt::KeyboardModifiers, int x, int y) {
    EXPECT_EQ(s, e);
    EXPECT_EQ(b, Qt::LeftButton);
    log.push_back("down " + std::to_string(x) + "," + std::to_string(y));
  });
  e->SetOnMouseUp([&](QObject* s, Qt::MouseButton, Qt::KeyboardModifiers, int, int) {
    EXPECT_EQ(s, e);
    log.emplace_back("up");
  });
  // Key handlers may change keys for the edit or swallow them.
  e->SetOnKeyDown([&](QObject* s, int& key, Qt::KeyboardModifiers) {
    EXPECT_EQ(s, e);
    if (key == Qt::Key_Q) key = 0;
  });
  e->SetOnKeyPress([&](QObject* s, QChar& c) {
    EXPECT_EQ(s, e);
    if (c == QLatin1Char('a')) c = QLatin1Char('b');
    if (c == QLatin1Char('x')) c = QChar();
  });
  int ups = 0;
  e->SetOnKeyUp([&](QObject*, int&, Qt::KeyboardModifiers) { ++ups; });

  QTest::mouseClick(e->MainPathEdit, Qt::LeftButton, {}, QPoint(5, 6));
  const std::vector<std::string> clickLog = {"down 5,6", "click", "up"};
  EXPECT_EQ(log, clickLog);
  log.clear();
  QTest::mouseDClick(e->MainPathEdit, Qt::LeftButton, {}, QPoint(5, 6));
  EXPECT_NE(std::find(log.begin(), log.end(), "dblclick"), log.end());

  e->MainPathEdit->setFocus();
  QTest::keyClicks(e->MainPathEdit, QStringLiteral("axqc"));
  EXPECT_EQ(e->Text(), QStringLiteral("bc"));
  EXPECT_EQ(ups, 4);

  // Upper case is applied to typed and written text alike.
  e->SetCharCase(TEditCharCase::ecUpperCase);
  EXPECT_EQ(e->Text(), QStringLiteral("BC"));
  QTest::keyClicks(e->MainPathEdit, QStringLiteral("d"));
  EXPECT_EQ(e->Text(), QStringLiteral("BCD"));
  e->SetText(QStringLiteral("/tmp/x"));
  EXPECT_EQ(e->Text(), QStringLiteral("/TMP/X"));
}

TEST(PathEditor, DragsOverTheEditGoToTheHandlersWhenThereAreAny) {
  QWidget form;
  auto* e = new TCDKPathEditor(&form);
  form.show();
  QMimeData mime;
  mime.setText(QStringLiteral("/dropped.wav"));
  const QPointF at(10, 8);
  struct Row {
    const char* name;
    bool handlers;
    bool acceptOver;
    bool accepted;
    QString text;
    std::vector<std::string> log;
  };
  const Row rows[] = {
      {"handler refuses", true, false, false, "", {"over 10,8"}},
      {"handler accepts and takes the drop", true, true, true, "", {"over 10,8", "drop 10,8"}},
      {"no handlers: the edit takes the text", false, false, true, "/dropped.wav", {}},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    e->SetText(QString());
    std::vector<std::string> log;
    if (r.handlers) {
      e->SetOnDragOver([&](QObject* s, QObject*, int x, int y, bool& accept) {
        EXPECT_EQ(s, e);
        log.push_back("over " + std::to_string(x) + "," + std::to_string(y));
        accept = r.acceptOver;
      });
      e->SetOnDragDrop([&](QObject* s, QObject*, int x, int y) {
        EXPECT_EQ(s, e);
        log.push_back("drop " + std::to_string(x) + "," + std::to_string(y));
      });
    } else {
      e->SetOnDragOver(nullptr);
      e->SetOnDragDrop(nullptr);
    }
    QDragEnterEvent enter(at.toPoint(), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(e->MainPathEdit, &enter);
    EXPECT_EQ(enter.isAccepted(), r.accepted);
    if (enter.isAccepted()) {
      QDropEvent drop(at, Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
      QApplication::sendEvent(e->MainPathEdit, &drop);
    }
    EXPECT_EQ(log, r.log);
    EXPECT_EQ(e->Text(), r.text);
  }
}

// ---- browsing ---------------------------------------------------------------------------

TEST(PathEditor, SoundFieldBrowsesForAWaveFile) {
  QWidget form;
  auto* e = new TCDKPathEditor(&form);
  e->SetBounds(25, 2, 145, 23);
  AsSoundField(*e, QStringLiteral("Select file to play when moving window in"));
  form.show();
  tk::FileDialogRecorder rec;
  std::vector<std::string> log;
  e->SetOnBrowseButtonClick([&](QObject* s) {
    EXPECT_EQ(s, e);
    log.emplace_back("button");
  });
  e->SetOnDialogDrop([&](QObject* s) {
    EXPECT_EQ(s, e);
    log.emplace_back("drop " + e->Text().toStdString());
  });
  e->SetOnChange([&](QObject*) { log.emplace_back("change"); });

  struct Row {
    const char* name;
    bool confirm;
    QString chosen;
    QString text;
    std::vector<std::string> log;
  };
  const Row rows[] = {
      {"cancelled", false, "/snd/ignored.wav", "", {"button", "dialog"}},
      {"chosen", true, "/snd/in.wav", "/snd/in.wav", {"button", "dialog", "change", "drop /snd/in.wav"}},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    log.clear();
    rec.answer = [&](tk::TOpenDialog& d) {
      log.emplace_back("dialog");
      d.SetFileName(r.chosen);
      return r.confirm;
    };
    ClickBrowse(*e);
    EXPECT_EQ(log, r.log);
    EXPECT_EQ(e->Text(), r.text);
  }
  ASSERT_EQ(rec.calls.size(), 2u);
  const auto& c = rec.calls[0];
  EXPECT_EQ(c.kind, tk::TFileDialogKind::Open);
  EXPECT_EQ(c.title, QStringLiteral("Select file to play when moving window in"));
  EXPECT_EQ(c.filter, QStringLiteral("Wave Files|*.wav"));
  EXPECT_EQ(c.filterIndex, 1);
  EXPECT_EQ(c.defaultExt, QStringLiteral("WAV"));
  EXPECT_EQ(c.fileName, QStringLiteral("*.wav"));
  EXPECT_EQ(c.options, 0u);
  // The next browse opens on the chosen file.
  rec.answer = nullptr;
  ClickBrowse(*e);
  EXPECT_EQ(rec.calls.back().fileName, QStringLiteral("/snd/in.wav"));
}

TEST(PathEditor, SaveBrowseRunsOnACopyAndCopiesTheSettingsBack) {
  TCDKPathEditor e;
  e.SetStyle(_SaveFile);
  e.SetTitle(QStringLiteral("Save as"));
  e.SetInitialDir(QStringLiteral("/start"));
  e.SetDefaultExt(QStringLiteral("WAV"));
  e.SetFileEditStyle(tk::TFileEditStyle::fsComboBox);
  e.SetText(QStringLiteral("/old.wav"));
  e.SetFilter(QStringLiteral("Wave Files|*.wav|All|*.*"));
  e.SetHistoryList({"/h1"});
  e.SetFilterIndex(1);
  e.SetOptions(tk::OpenOptions({tk::ofOverwritePrompt}));
  tk::FileDialogRecorder rec;
  struct Row {
    const char* name;
    bool confirm;
    QString text;
    int drops;
  };
  const Row rows[] = {
      {"cancelled: text stays, settings still come back", false, "/old.wav", 0},
      {"confirmed", true, "/new/one.wav", 1},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    int drops = 0;
    e.SetOnDialogDrop([&](QObject*) { ++drops; });
    rec.answer = [&](tk::TOpenDialog& d) {
      EXPECT_EQ(e.SaveDialog, &d);
      // The user wanders: another folder, filter and name.
      d.SetInitialDir(QStringLiteral("/elsewhere"));
      d.SetFilterIndex(2);
      d.SetFileName(QStringLiteral("/new/one.wav"));
      return r.confirm;
    };
    ClickBrowse(e);
    EXPECT_EQ(e.SaveDialog, nullptr);
    EXPECT_EQ(e.Text(), r.text);
    EXPECT_EQ(drops, r.drops);
    EXPECT_EQ(e.InitialDir(), QStringLiteral("/elsewhere"));
    EXPECT_EQ(e.FilterIndex(), 2);
    EXPECT_EQ(e.FileName(), QStringLiteral("/new/one.wav"));
    EXPECT_EQ(e.Title(), QStringLiteral("Save as"));
    EXPECT_EQ(e.FileEditStyle(), tk::TFileEditStyle::fsComboBox);
    EXPECT_TRUE(tk::OpenOptions({tk::ofOverwritePrompt}) & e.Options());
    e.SetFilterIndex(1);
    e.SetInitialDir(QStringLiteral("/start"));
  }
  const auto& c = rec.calls.front();
  EXPECT_EQ(c.kind, tk::TFileDialogKind::Save);
  EXPECT_EQ(c.title, QStringLiteral("Save as"));
  EXPECT_EQ(c.initialDir, QStringLiteral("/start"));
  EXPECT_EQ(c.fileName, QStringLiteral("/old.wav"));
  EXPECT_EQ(c.historyList, QStringList{"/h1"});
  EXPECT_EQ(c.fileEditStyle, tk::TFileEditStyle::fsComboBox);

  // A dialog that fails midway is still destroyed, and the settings come back.
  rec.answer = [](tk::TOpenDialog& d) -> bool {
    d.SetFilterIndex(2);
    throw std::runtime_error("dialog failed");
  };
  EXPECT_THROW(e.Browse(), std::runtime_error);
  EXPECT_EQ(e.SaveDialog, nullptr);
  EXPECT_EQ(e.FilterIndex(), 2);
  EXPECT_TRUE(e.findChildren<tk::TSaveDialog*>().isEmpty());
}

TEST(PathEditor, InDesignModeTheButtonDoesNothing) {
  TCDKPathEditor e;
  tk::SetDesigning(&e, true);
  tk::FileDialogRecorder rec;
  bool clicked = false;
  e.SetOnBrowseButtonClick([&](QObject*) { clicked = true; });
  ClickBrowse(e);
  EXPECT_FALSE(clicked);
  EXPECT_TRUE(rec.calls.empty());
}

// ---- browsing for a folder -----------------------------------------------------------------

class PathEditorDir : public ::testing::Test {
protected:
  void SetUp() override {
    m_saved = QDir::currentPath();
    ASSERT_TRUE(m_tmp.isValid());
    root = QDir(m_tmp.path()).canonicalPath();
    ASSERT_TRUE(QDir().mkpath(root + "/start/inner"));
    ASSERT_TRUE(QDir().mkpath(root + "/initial/deeper"));
    ASSERT_TRUE(QDir().mkpath(root + "/cwd"));
    ASSERT_TRUE(tk::SetCurrentDirectory(root + "/cwd"));
  }
  void TearDown() override { tk::SetCurrentDirectory(m_saved); }
  QString Path(const char* rel) const { return root + QLatin1Char('/') + QLatin1String(rel); }

  QString root;

private:
  QString m_saved;
  QTemporaryDir m_tmp;
};

TEST_F(PathEditorDir, DialogStartsWhereTheSettingsPointAndOkTakesTheFolder) {
  struct Row {
    const char* name;
    QString initialDir, text;
    tk::TOpenOptions options;
    QString title;
    bool enterSub;  // the user opens the first subfolder before OK
    QString startsIn, result, cwdAfter, caption;
    bool newButton;
  };
  const tk::TOpenOptions noChange = tk::OpenOptions({tk::ofNoChangeDir});
  const tk::TOpenOptions mustExist = tk::OpenOptions({tk::ofPathMustExist});
  const Row rows[] = {
      {"text naming a folder, trailing separator", "", Path("start") + "/", 0, "", false, Path("start"),
       Path("start"), Path("start"), "Select a Directory", true},
      {"initial folder wins over text", Path("initial") + "//", Path("start"), 0, "Pick", false, Path("initial"),
       Path("initial"), Path("initial"), "Pick", true},
      {"text that is no folder: current directory", "", Path("start/none"), mustExist, "", false, Path("cwd"),
       Path("cwd"), Path("cwd"), "Select a Directory", false},
      {"initial folder that is missing: current directory", Path("gone"), "", 0, "", false, Path("cwd"),
       Path("cwd"), Path("cwd"), "Select a Directory", true},
      {"user goes deeper", "", Path("initial"), 0, "", true, Path("initial"), Path("initial/deeper"),
       Path("initial/deeper"), "Select a Directory", true},
      {"no change: back where the dialog started", "", Path("initial"), noChange, "", true, Path("initial"),
       Path("initial/deeper"), Path("initial"), "Select a Directory", true},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    ASSERT_TRUE(tk::SetCurrentDirectory(Path("cwd")));
    QWidget form;
    auto* e = new TCDKPathEditor(&form);
    e->SetStyle(_SelectDirectory);
    e->SetInitialDir(r.initialDir);
    e->SetText(r.text);
    e->SetOptions(r.options);
    e->SetTitle(r.title);
    form.show();
    int drops = 0;
    e->SetOnDialogDrop([&](QObject*) { ++drops; });
    QString startedIn, caption;
    bool newShown = false;
    WhenShown<TDirectorySelectForm>([&](TDirectorySelectForm* d) {
      EXPECT_EQ(d->parentWidget(), &form);
      startedIn = d->DirectoryListBox->Directory();
      caption = d->Caption();
      newShown = d->CreateDirectoryButton->isVisible();
      if (r.enterSub) {
        auto* list = d->DirectoryListBox;
        const QPoint at = list->ItemRect(list->count() - 1).center();
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, at);
        QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, at);
      }
      QTest::mouseClick(d->OKButton, Qt::LeftButton, {}, d->OKButton->rect().center());
    });
    ClickBrowse(*e);
    EXPECT_EQ(startedIn, r.startsIn);
    EXPECT_EQ(caption, r.caption);
    EXPECT_EQ(newShown, r.newButton);
    EXPECT_EQ(e->Text(), r.result);
    EXPECT_EQ(drops, 1);
    EXPECT_EQ(tk::CurrentDirectory(), r.cwdAfter);
    EXPECT_EQ(FindTopLevel<TDirectorySelectForm>(), nullptr);
    EXPECT_TRUE(form.findChildren<TDirectorySelectForm*>().isEmpty());
  }
}

TEST_F(PathEditorDir, CancelledFolderBrowseLeavesTheText) {
  QWidget form;
  auto* e = new TCDKPathEditor(&form);
  e->SetStyle(_SelectDirectory);
  e->SetText(Path("start"));
  form.show();
  bool dropped = false;
  e->SetOnDialogDrop([&](QObject*) { dropped = true; });
  WhenShown<TDirectorySelectForm>([](TDirectorySelectForm* d) {
    QTest::keyClick(d, Qt::Key_Escape);
  });
  ClickBrowse(*e);
  EXPECT_EQ(e->Text(), Path("start"));
  EXPECT_FALSE(dropped);
  EXPECT_TRUE(form.findChildren<TDirectorySelectForm*>().isEmpty());
}

TEST(PathEditor, EachStyleShowsItsGlyphOnTheButton) {
  QWidget form;
  form.setFont(tk::MakeFont(QStringLiteral("MS Sans Serif"), 8));
  const char* names[] = {"file", "folder", "save"};
  std::vector<TCDKPathEditor*> editors;
  for (int i = 0; i < 3; ++i) {
    auto* e = new TCDKPathEditor(&form);
    e->SetBounds(4, 4 + i * 26, 190, 23);
    e->SetStyle(TCDKPathEdStyle(i));
    e->SetText(QStringLiteral("/home/user/%1.wav").arg(QLatin1String(names[i])));
    editors.push_back(e);
  }
  form.resize(200, 84);
  form.show();
  const QImage shot = form.grab().toImage();
  if (qEnvironmentVariableIsSet("EDGETUCKER_SHOTS")) shot.save(QStringLiteral("/tmp/pathedit_editor.png"));
  for (int i = 0; i < 3; ++i) {
    SCOPED_TRACE(names[i]);
    const TCDKPathEditor* e = editors[size_t(i)];
    const QImage glyph = TCDKPathEditor::DefaultGlyph(i).toImage().copy(0, 0, 14, 14);
    // Where the layout puts the glyph: centred in the button at the right edge.
    const QPoint origin = e->pos() + ButtonRect(*e).topLeft() + QPoint(4, (e->height() - 14) / 2);
    int compared = 0;
    for (int y = 0; y < 14; ++y)
      for (int x = 0; x < 14; ++x) {
        if (qAlpha(glyph.pixel(x, y)) != 255) continue;
        EXPECT_EQ(shot.pixel(origin + QPoint(x, y)), glyph.pixel(x, y)) << x << "," << y;
        ++compared;
      }
    EXPECT_GT(compared, 10);
  }
}

}  // namespace
