#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QFontMetrics>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <algorithm>
#include <functional>

#include "controls/CDKDir95.h"
#include "controls/CDKDirCr.h"
#include "controls/CDKDirSe.h"
#include "tests/support/TestSupport.h"
#include "toolkit/Dialogs.h"
#include "toolkit/FileCtrls.h"
#include "toolkit/FileDialogs.h"
#include "toolkit/Resources.h"

namespace {

using testing_support::FindTopLevel;
using testing_support::WhenShown;

void Click(QWidget* w) { QTest::mouseClick(w, Qt::LeftButton, {}, w->rect().center()); }

void DoubleClickEntry(tk::TDirectoryListBox* list, int index) {
  const QPoint at = list->ItemRect(index).center();
  QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, at);
  QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, at);
}

void SaveShot(QWidget* w, const char* name) {
  if (qEnvironmentVariableIsSet("EDGETUCKER_SHOTS")) w->grab().save(QStringLiteral("/tmp/%1.png").arg(name));
}

// Every test works in a temporary folder that is also the process's current
// directory; the directory the test started in comes back afterwards.
class DirTest : public ::testing::Test {
protected:
  void SetUp() override {
    m_saved = QDir::currentPath();
    ASSERT_TRUE(m_tmp.isValid());
    // Symbolic links resolved, so the folder compares with what the system reports.
    root = QDir(m_tmp.path()).canonicalPath();
    ASSERT_TRUE(tk::SetCurrentDirectory(root));
  }
  void TearDown() override { tk::SetCurrentDirectory(m_saved); }

  QString Path(const QString& rel) const { return root + QLatin1Char('/') + rel; }
  void Make(const QString& rel) const { ASSERT_TRUE(QDir().mkpath(Path(rel))); }

  QString root;

private:
  QString m_saved;
  QTemporaryDir m_tmp;
};

// ---- path helpers ----------------------------------------------------------------------

TEST(PathHelpers, TrailingSeparatorsGoButARootKeepsItsOwn) {
  struct Row {
    const char* name;
    QString in, stripped, withSeparator;
  };
  const Row rows[] = {
      {"folder", "/tmp/a", "/tmp/a", "/tmp/a/"},
      {"folder with one separator", "/tmp/a/", "/tmp/a", "/tmp/a/"},
      {"folder with several", "/tmp/a///", "/tmp/a", "/tmp/a///"},
      {"root", "/", "/", "/"},
      {"doubled root", "//", "/", "//"},
      {"bare name", "a", "a", "a/"},
      {"empty", "", "", ""},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    EXPECT_EQ(tk::StripTrailingSeparators(r.in), r.stripped);
    EXPECT_EQ(tk::WithTrailingSeparator(r.in), r.withSeparator);
  }
}

TEST(PathHelpers, TheRootOfAPathIsTheLongestRootAboveIt) {
  const QStringList roots = {"/", "/mnt/data", "/mnt/data/inner", "/media/x/"};
  struct Row {
    const char* name;
    QString path, root;
  };
  const Row rows[] = {
      {"plain folder", "/home/u", "/"},
      {"the mount point itself", "/mnt/data", "/mnt/data"},
      {"below a mount point", "/mnt/data/a/b", "/mnt/data"},
      {"nested mount wins", "/mnt/data/inner/z", "/mnt/data/inner"},
      {"name that only starts like a mount point", "/mnt/database", "/"},
      {"root given with a separator", "/media/x/y", "/media/x/"},
      {"root", "/", "/"},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    EXPECT_EQ(tk::RootOf(r.path, roots), r.root);
  }
  const QStringList mounted = tk::MountRoots();
  ASSERT_FALSE(mounted.isEmpty());
  EXPECT_EQ(mounted.first(), QStringLiteral("/"));
  EXPECT_EQ(mounted.count(QStringLiteral("/")), 1);
}

// ---- creating folders ----------------------------------------------------------------------

TEST_F(DirTest, CreatingAPathMakesEveryMissingLevelAndNothingElse) {
  Make("Work");
  struct Row {
    const char* name;
    QString path;  // "%1" is the test's folder
    QStringList made;
  };
  const Row rows[] = {
      {"two missing levels", "%1/Work/A/B", {"Work/A", "Work/A/B"}},
      {"trailing separator", "%1/Work/C/", {"Work/C"}},
      {"existing folder", "%1/Work", {}},
      {"bare name, in the current directory", "bare", {"bare"}},
      {"relative path", "rel/deeper", {"rel", "rel/deeper"}},
      {"root", "/", {}},
      {"empty", "", {}},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    const QStringList before = QDir(root).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    CreateDirectoryPath(r.path.contains(QStringLiteral("%1")) ? r.path.arg(root) : r.path);
    for (const QString& m : r.made) EXPECT_TRUE(tk::DirectoryExists(Path(m))) << qPrintable(m);
    if (r.made.isEmpty()) {
      EXPECT_EQ(QDir(root).entryList(QDir::Dirs | QDir::NoDotAndDotDot), before);
    }
  }
  // A level that cannot be made (a file stands in its way) stops nothing and
  // reports nothing; the path simply does not appear.
  testing_support::WriteFile(Path("file").toStdString(), "x");
  CreateDirectoryPath(Path("file/sub"));
  EXPECT_FALSE(tk::DirectoryExists(Path("file/sub")));
}

// ---- directory list ----------------------------------------------------------------------

TEST_F(DirTest, ListShowsThePathDownAndTheSubfoldersWithTheirGlyphs) {
  Make("top/cur/beta");
  Make("top/cur/Alpha");
  Make("top/cur/gamma");
  Make("top/cur/.hidden");
  testing_support::WriteFile(Path("top/cur/file.txt").toStdString(), "x");
  ASSERT_TRUE(tk::SetCurrentDirectory(Path("top/cur")));
  TCDKWin95DirListBox list;
  list.resize(191, 400);
  EXPECT_EQ(list.Directory(), Path("top/cur"));

  const QStringList chain = Path("top/cur").split(QLatin1Char('/'), Qt::SkipEmptyParts);
  using K = tk::TDirectoryListBox::TGlyphKind;
  ASSERT_EQ(list.count(), chain.size() + 1 + 3);
  EXPECT_EQ(list.CurrentIndex(), chain.size());
  EXPECT_EQ(list.currentRow(), chain.size());
  for (int i = 0; i < list.count(); ++i) {
    SCOPED_TRACE(i);
    const K want = i < chain.size() ? K::Open : i == chain.size() ? K::Current : K::Closed;
    EXPECT_EQ(list.ItemKind(i), want);
    EXPECT_EQ(list.ItemLevel(i), std::min(i, int(chain.size()) + 1));
    EXPECT_EQ(list.ItemRect(i).height(), 16);
  }
  EXPECT_EQ(list.item(0)->text(), QStringLiteral("/"));
  EXPECT_EQ(list.ItemPath(0), QStringLiteral("/"));
  EXPECT_EQ(list.ItemPath(chain.size()), Path("top/cur"));
  // Subfolders sorted without regard to case, hidden ones and files left out.
  const int first = chain.size() + 1;
  EXPECT_EQ(list.item(first)->text(), QStringLiteral("Alpha"));
  EXPECT_EQ(list.item(first + 1)->text(), QStringLiteral("beta"));
  EXPECT_EQ(list.ItemPath(first + 2), Path("top/cur/gamma"));

  // The add-in's own glyphs, from its resources.
  EXPECT_EQ(list.OpenedBitmap().size(), QSize(16, 15));
  EXPECT_EQ(list.ClosedBitmap().size(), QSize(16, 15));
  EXPECT_EQ(list.CurrentBitmap().size(), QSize(16, 15));
  EXPECT_EQ(list.CurrentBitmap().toImage(),
            tk::LoadResourceBitmap(QStringLiteral("WIN95DIRLISTBOX_CURRENT_FOLDER")).toImage());
  EXPECT_EQ(list.ClosedBitmap().toImage(),
            tk::LoadResourceBitmap(QStringLiteral("WIN95DIRLISTBOX_CLOSED_FOLDER")).toImage());

  // Each entry's glyph stands at its depth: pixels of the grab match the glyph.
  list.show();
  const QImage shot = list.viewport()->grab().toImage();
  for (int i : {0, int(chain.size()), first}) {
    SCOPED_TRACE(i);
    const QRect r = list.ItemRect(i);
    const QPixmap& g = i == 0 ? list.OpenedBitmap() : i == first ? list.ClosedBitmap() : list.CurrentBitmap();
    const QImage gi = g.toImage();
    const QPoint at(r.left() + 2 + tk::TDirectoryListBox::kLevelIndent * list.ItemLevel(i),
                    r.top() + (r.height() - g.height()) / 2);
    // A solid pixel of the folder's outline (row 12 is the folder's bottom edge).
    for (int x = 2; x < 12; ++x) {
      if (qAlpha(gi.pixel(x, 12)) != 255) continue;
      EXPECT_EQ(shot.pixel(at + QPoint(x, 12)), gi.pixel(x, 12)) << x;
    }
  }
}

TEST_F(DirTest, DoubleClickEntersAFolderAndMakesItCurrent) {
  Make("a/b/c");
  ASSERT_TRUE(tk::SetCurrentDirectory(Path("a/b")));
  TDirectorySelectForm dlg;
  dlg.show();
  tk::TDirectoryListBox* list = dlg.DirectoryListBox;
  std::vector<QString> changes;
  QObject::connect(list, &tk::TDirectoryListBox::DirectoryChanged, [&](const QString& d) { changes.push_back(d); });

  struct Row {
    const char* name;
    std::function<int()> entry;
    QString expect;
  };
  const Row rows[] = {
      {"into a subfolder", [&] { return list->count() - 1; }, Path("a/b/c")},
      {"up to a folder above", [&] { return list->CurrentIndex() - 2; }, Path("a")},
      {"the root", [] { return 0; }, QStringLiteral("/")},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    DoubleClickEntry(list, r.entry());
    EXPECT_EQ(list->Directory(), r.expect);
    EXPECT_EQ(tk::CurrentDirectory(), r.expect);
    EXPECT_EQ(dlg.DirectoryShadowLabel->Caption(), r.expect);
    ASSERT_FALSE(changes.empty());
    EXPECT_EQ(changes.back(), r.expect);
  }
}

TEST_F(DirTest, AFolderThatVanishedCannotBeEnteredAndTheListStays) {
  Make("here/gone");
  ASSERT_TRUE(tk::SetCurrentDirectory(Path("here")));
  TCDKWin95DirListBox list;
  list.resize(191, 192);
  list.show();
  ASSERT_TRUE(QDir(Path("here/gone")).removeRecursively());
  tk::BoxRecorder boxes;
  DoubleClickEntry(&list, list.count() - 1);
  ASSERT_EQ(boxes.boxes.size(), 1u);
  EXPECT_EQ(boxes.boxes[0].kind, tk::BoxKind::Error);
  EXPECT_EQ(boxes.boxes[0].text, QStringLiteral("I/O error %1").arg(ENOENT));
  EXPECT_EQ(list.Directory(), Path("here"));
  EXPECT_EQ(tk::CurrentDirectory(), Path("here"));
  EXPECT_THROW(list.SetDirectory(Path("nowhere")), tk::EInOutError);
}

TEST_F(DirTest, RootBoxFollowsTheListAndChoosingARootGoesToItsCurrentFolder) {
  Make("r1/deep/er");
  Make("r2/sub");
  TDirectorySelectForm dlg;
  tk::TDriveComboBox* box = dlg.DriveComboBox;
  tk::TDirectoryListBox* list = dlg.DirectoryListBox;
  box->SetRoots({"/", Path("r1"), Path("r2")});
  EXPECT_EQ(box->Drive(), QStringLiteral("/"));  // the test folder lies under no listed root but "/"

  struct Row {
    const char* name;
    std::function<void()> act;
    QString dir, drive;
  };
  const Row rows[] = {
      {"a root not entered before is entered at its top", [&] { box->ChooseDrive(Path("r2")); }, Path("r2"),
       Path("r2")},
      {"the list going deeper keeps the root", [&] { list->SetDirectory(Path("r2/sub")); }, Path("r2/sub"),
       Path("r2")},
      {"the list crossing into another root moves the box", [&] { list->SetDirectory(Path("r1/deep/er")); },
       Path("r1/deep/er"), Path("r1")},
      {"back to the first root: its current folder", [&] { box->ChooseDrive(Path("r2")); }, Path("r2/sub"),
       Path("r2")},
      {"and the other one's", [&] { box->ChooseDrive(Path("r1")); }, Path("r1/deep/er"), Path("r1")},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    r.act();
    EXPECT_EQ(list->Directory(), r.dir);
    EXPECT_EQ(box->Drive(), r.drive);
  }
}

// ---- the selection dialog ----------------------------------------------------------------

TEST_F(DirTest, SelectionDialogLayout) {
  TDirectorySelectForm dlg;
  EXPECT_STREQ(dlg.metaObject()->className(), "TDirectorySelectForm");
  EXPECT_EQ(dlg.Caption(), QStringLiteral("Select a Directory"));
  EXPECT_EQ(dlg.size(), QSize(285, 254));
  EXPECT_EQ(dlg.pos(), QPoint(326, 97));
  EXPECT_EQ(dlg.font().pixelSize(), 11);
  struct Row {
    const char* name;
    QRect geometry;
    QString caption;
  };
  const Row rows[] = {
      {"DriveComboBox", {8, 227, 191, 19}, {}},
      {"DirectoryShadowLabel", {7, 9, 302, 16}, {}},
      {"OKButton", {208, 26, 70, 25}, "OK"},
      {"CancelButton", {209, 57, 70, 25}, "Cancel"},
      {"CreateDirectoryButton", {208, 194, 70, 25}, "&New..."},
      {"DirectoryListBox", {8, 27, 191, 192}, {}},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    auto* w = dlg.findChild<QWidget*>(QString::fromLatin1(r.name));
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(w->geometry(), r.geometry);
    if (auto* b = qobject_cast<QPushButton*>(w)) {
      EXPECT_EQ(b->text(), r.caption);
    }
  }
  EXPECT_EQ(dlg.DirectoryListBox->Directory(), root);
  EXPECT_EQ(dlg.DirectoryShadowLabel->Caption(), root);
  EXPECT_STREQ(dlg.DirectoryListBox->metaObject()->className(), "TCDKWin95DirListBox");
  // Tab order: list, New, root box, OK, Cancel.
  QWidget* w = dlg.DirectoryListBox;
  for (QWidget* next : std::initializer_list<QWidget*>{dlg.CreateDirectoryButton, dlg.DriveComboBox,
                                                        dlg.OKButton, dlg.CancelButton}) {
    w = w->nextInFocusChain();
    while (w && !(w->focusPolicy() & Qt::TabFocus)) w = w->nextInFocusChain();
    EXPECT_EQ(w, next);
  }
}

TEST_F(DirTest, SelectionDialogClosesWithTheChosenFolder) {
  Make("pick/one");
  struct Row {
    const char* name;
    std::function<void(TDirectorySelectForm*)> close;
    int result;
  };
  const Row rows[] = {
      {"OK button", [](TDirectorySelectForm* d) { Click(d->OKButton); }, tk::mrOk},
      {"Return", [](TDirectorySelectForm* d) { QTest::keyClick(d, Qt::Key_Return); }, tk::mrOk},
      {"Cancel button", [](TDirectorySelectForm* d) { Click(d->CancelButton); }, tk::mrCancel},
      {"Escape", [](TDirectorySelectForm* d) { QTest::keyClick(d, Qt::Key_Escape); }, tk::mrCancel},
      {"close box", [](TDirectorySelectForm* d) { d->close(); }, tk::mrCancel},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    ASSERT_TRUE(tk::SetCurrentDirectory(Path("pick")));
    TDirectorySelectForm dlg;
    bool ran = false;
    WhenShown<TDirectorySelectForm>([&](TDirectorySelectForm* d) {
      DoubleClickEntry(d->DirectoryListBox, d->DirectoryListBox->count() - 1);
      SaveShot(d, "pathedit_dirselect");
      ran = true;
      r.close(d);
    });
    EXPECT_EQ(dlg.ShowModal(), r.result);
    EXPECT_TRUE(ran);
    EXPECT_EQ(dlg.DirectoryListBox->Directory(), Path("pick/one"));
  }
}

TEST_F(DirTest, NewStepPrefillsTheCurrentFolderAndMovesIntoWhatItMade) {
  Make("Work/existing");
  testing_support::WriteFile(Path("Work/blocker").toStdString(), "x");
  struct Row {
    const char* name;
    QString typed;  // appended to the pre-filled text; nullptr-like "=" keeps it as it is
    bool ok;        // OK (else Cancel)
    QString listAfter;
    QStringList made;
    QString error;
  };
  const Row rows[] = {
      {"nested new folder", "A/B", true, "Work/A/B", {"Work/A", "Work/A/B"}, {}},
      {"text left as it was", "", true, "Work", {}, {}},
      {"existing folder", "existing", true, "Work/existing", {}, {}},
      {"cancelled", "C", false, "Work", {}, {}},
      {"a file in the way", "blocker/D", true, "Work", {}, QStringLiteral("I/O error %1").arg(ENOTDIR)},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    ASSERT_TRUE(tk::SetCurrentDirectory(Path("Work")));
    tk::BoxRecorder boxes;
    TDirectorySelectForm dlg;
    QString prefilled, shown;
    WhenShown<TDirectorySelectForm>([&](TDirectorySelectForm* d) {
      WhenShown<TCreateDirectoryForm>([&](TCreateDirectoryForm* c) {
        EXPECT_EQ(c->Caption(), QStringLiteral("Create Directory"));
        EXPECT_TRUE(c->DirectoryToCreateEdit->hasFocus());
        prefilled = c->DirectoryToCreateEdit->text();
        shown = c->CurrentDirectoryLabel->Caption();
        if (r.typed == "A/B") SaveShot(c, "pathedit_dircreate");
        QTest::keyClicks(c->DirectoryToCreateEdit, r.typed);
        if (r.ok)
          QTest::keyClick(c->DirectoryToCreateEdit, Qt::Key_Return);
        else
          Click(c->CancelButton);
      });
      Click(d->CreateDirectoryButton);
      EXPECT_EQ(FindTopLevel<TCreateDirectoryForm>(), nullptr);
      Click(d->OKButton);
    });
    EXPECT_EQ(dlg.ShowModal(), tk::mrOk);
    EXPECT_EQ(prefilled, Path("Work/"));
    EXPECT_EQ(shown, Path("Work"));
    EXPECT_EQ(dlg.DirectoryListBox->Directory(), Path(r.listAfter));
    for (const QString& m : r.made) EXPECT_TRUE(tk::DirectoryExists(Path(m))) << qPrintable(m);
    if (!r.ok) {
      EXPECT_FALSE(tk::DirectoryExists(Path("Work/C")));
    }
    if (r.error.isEmpty()) {
      EXPECT_TRUE(boxes.boxes.empty());
    } else {
      ASSERT_EQ(boxes.boxes.size(), 1u);
      EXPECT_EQ(boxes.boxes[0].text, r.error);
    }
    // The create dialog lives for one use only.
    EXPECT_TRUE(dlg.findChildren<TCreateDirectoryForm*>().isEmpty());
  }
}

TEST_F(DirTest, NewStepAtTheRootKeepsItsSeparator) {
  ASSERT_TRUE(tk::SetCurrentDirectory(QStringLiteral("/")));
  TDirectorySelectForm dlg;
  QString prefilled, shown;
  WhenShown<TCreateDirectoryForm>([&](TCreateDirectoryForm* c) {
    prefilled = c->DirectoryToCreateEdit->text();
    shown = c->CurrentDirectoryLabel->Caption();
    Click(c->CancelButton);
  });
  dlg.CreateDirectoryButtonClick();
  EXPECT_EQ(prefilled, QStringLiteral("/"));
  EXPECT_EQ(shown, QStringLiteral("/"));
}

TEST(CreateDirectoryDialog, Layout) {
  TCreateDirectoryForm dlg;
  EXPECT_STREQ(dlg.metaObject()->className(), "TCreateDirectoryForm");
  EXPECT_EQ(dlg.size(), QSize(471, 105));
  EXPECT_EQ(dlg.pos(), QPoint(208, 220));
  struct Row {
    const char* name;
    QRect geometry;
    QString caption;
  };
  const Row rows[] = {
      {"OKButton", {394, 6, 70, 25}, "OK"},
      {"CancelButton", {394, 37, 70, 25}, "Cancel"},
      {"DirectoryToCreateEdit", {15, 77, 450, 21}, {}},
      {"Label1", {7, 7, 348, 16}, "Current Directory:"},
      {"Label2", {6, 58, 369, 17}, "Directory to &Create:"},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    auto* w = dlg.findChild<QWidget*>(QString::fromLatin1(r.name));
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(w->geometry(), r.geometry);
    if (auto* b = qobject_cast<QPushButton*>(w)) {
      EXPECT_EQ(b->text(), r.caption);
    }
    if (auto* l = qobject_cast<tk::TCustomLabel*>(w); l && !r.caption.isEmpty()) {
      EXPECT_EQ(l->Caption(), r.caption);
    }
  }
  EXPECT_EQ(dlg.Label2->FocusControl(), dlg.DirectoryToCreateEdit);
  // The current folder's label sizes itself once loading ends: with no
  // caption yet, to the copy's one pixel across and one line high.
  const QFontMetrics fm(dlg.CurrentDirectoryLabel->font());
  EXPECT_EQ(dlg.CurrentDirectoryLabel->geometry(), QRect(15, 25, 1, fm.height() + 1));
}

// The current folder's label sizes itself to the whole path, so a long path is
// not cut off and "&" in a folder name is measured and drawn as itself; the
// text is shadow grey with its highlight copy one pixel below and right.
TEST(CreateDirectoryDialog, CurrentFolderIsShownWholeAndEngraved) {
  struct Row {
    const char* name;
    QString caption;
    QString inkPast;  // the drawn text reaches past this text's advance
  };
  const QString longPath = QStringLiteral("/home/someone/projects/a folder with a long name/deeper/Work");
  const Row rows[] = {
      // Taken as an accelerator, "&W" would draw an underlined W and end
      // where "/WW" ends.
      {"ampersand", QStringLiteral("/W&W"), QStringLiteral("/WW")},
      {"path wider than the designed 103 pixels", longPath, longPath.chopped(1)},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    TCreateDirectoryForm dlg;
    TCDKRotate3DLabel* label = dlg.CurrentDirectoryLabel;
    EXPECT_EQ(label->Rotation(), 0);
    EXPECT_EQ(label->ShadowStyle(), ssHasShadow);
    EXPECT_EQ(label->FontColor(), tk::clBtnShadow);
    EXPECT_EQ(label->ShadowColor(), tk::clBtnHighlight);

    label->SetCaption(r.caption);
    EXPECT_EQ(label->Caption(), r.caption);
    const QFontMetrics fm(label->font());
    EXPECT_EQ(label->pos(), QPoint(15, 25));
    // The copy's one-pixel offset is part of the size.
    EXPECT_EQ(label->size(), QSize(fm.horizontalAdvance(r.caption) + 1, fm.height() + 1));

    // Pure colours tell the text and its copy apart under antialiasing.
    label->SetShadowColor(tk::clRed);
    label->SetFontColor(tk::clBlue);
    const QImage img = label->grab().toImage();
    double rx = 0, ry = 0, bx = 0, by = 0;
    int reds = 0, blues = 0, rightmostBlue = -1;
    for (int y = 0; y < img.height(); ++y)
      for (int x = 0; x < img.width(); ++x) {
        const QRgb c = img.pixel(x, y);
        if (qRed(c) > 150 && qBlue(c) < 100) rx += x, ry += y, ++reds;
        if (qBlue(c) > 150 && qRed(c) < 100) {
          bx += x, by += y, ++blues;
          rightmostBlue = std::max(rightmostBlue, x);
        }
      }
    ASSERT_GT(reds, 3);
    ASSERT_GT(blues, 10);
    EXPECT_GT(rx / reds, bx / blues);
    EXPECT_GT(ry / reds, by / blues);
    EXPECT_GT(rightmostBlue, fm.horizontalAdvance(r.inkPast) + 1);
  }
}

// ---- long paths ------------------------------------------------------------------------------

TEST(PathHelpers, ALongPathIsShortenedInTheMiddleKeepingItsLastFolder) {
  const QFontMetrics fm(tk::MakePixelFont(QStringLiteral("MS Sans Serif"), 11));
  const QString deep = QStringLiteral("/home/someone/projects/a folder with a long name/deeper/Current Work");
  struct Row {
    const char* name;
    QString path;
    int width;
    QString starts, ends;  // what the result begins and ends with
    bool whole;            // the path comes back as it is
  };
  const Row rows[] = {
      {"fits", "/home/someone", 300, "/home/someone", "/home/someone", true},
      {"shortened: start and last folder kept", deep, fm.horizontalAdvance("/home/someone/.../Current Work"),
       "/home/someone/", ".../Current Work", false},
      {"only the last folder after the dots", deep, fm.horizontalAdvance(".../Current Work") + 1, "...",
       ".../Current Work", false},
      {"the last folder itself too wide: its end stays", deep, fm.horizontalAdvance("...t Work"), "...", "Work",
       false},
      {"a trailing separator stays with the last folder", deep + "/", fm.horizontalAdvance("/home/.../Current Work/"),
       "/home", ".../Current Work/", false},
      {"no separator at all", QStringLiteral("a-single-very-long-folder-name"), fm.horizontalAdvance("...-name"),
       "...", "-name", false},
      {"no room at all", deep, 2, "...", "...", false},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    const QString s = tk::ShortenPath(r.path, fm, r.width);
    EXPECT_TRUE(s.startsWith(r.starts)) << qPrintable(s);
    EXPECT_TRUE(s.endsWith(r.ends)) << qPrintable(s);
    EXPECT_EQ(s == r.path, r.whole) << qPrintable(s);
    if (r.width > fm.horizontalAdvance(QStringLiteral("..."))) {
      EXPECT_LE(fm.horizontalAdvance(s), r.width);
    }
  }
}

// A deep folder in both dialogs: the create dialog's label stops short of its
// buttons, the select dialog's label shows the current folder's name within
// the dialog; both keep the start of the path and show "..." between.
TEST_F(DirTest, DeepFoldersAreShownShortenedWithTheirOwnNameInView) {
  const QString longName = QStringLiteral("a folder whose name alone runs on for a while");
  const QString rel = longName + "/" + longName + "/" + longName + "/The Current One";
  Make(rel);
  ASSERT_TRUE(tk::SetCurrentDirectory(Path(rel)));
  TDirectorySelectForm dlg;
  dlg.show();

  // The select dialog: the label's visible part is the dialog's width past it.
  tk::TCustomLabel* shadow = dlg.DirectoryShadowLabel;
  const QString shownSelect = shadow->Caption();
  EXPECT_TRUE(shownSelect.endsWith(QStringLiteral(".../The Current One"))) << qPrintable(shownSelect);
  EXPECT_TRUE(shownSelect.startsWith(root.left(4))) << qPrintable(shownSelect);
  EXPECT_LE(shadow->x() + QFontMetrics(shadow->font()).horizontalAdvance(shownSelect), dlg.width());
  SaveShot(&dlg, "dirselect_deep");

  QString shownCreate;
  QRect label, ok, cancel;
  WhenShown<TCreateDirectoryForm>([&](TCreateDirectoryForm* c) {
    shownCreate = c->CurrentDirectoryLabel->Caption();
    label = c->CurrentDirectoryLabel->geometry();
    ok = c->OKButton->geometry();
    cancel = c->CancelButton->geometry();
    EXPECT_EQ(c->DirectoryToCreateEdit->text(), Path(rel) + "/") << "the edit holds the whole path";
    SaveShot(c, "dircreate_deep");
    Click(c->CancelButton);
  });
  dlg.CreateDirectoryButtonClick();
  EXPECT_TRUE(shownCreate.endsWith(QStringLiteral(".../The Current One"))) << qPrintable(shownCreate);
  EXPECT_TRUE(shownCreate.startsWith(root.left(4))) << qPrintable(shownCreate);
  EXPECT_LE(label.right() + TCreateDirectoryForm::ButtonGap, ok.left() - 1);
  EXPECT_FALSE(label.intersects(ok));
  EXPECT_FALSE(label.intersects(cancel));
}

// ---- the file dialog layer ------------------------------------------------------------------

TEST(FileDialogs, FilterPairsBecomeTheChoosersFilters) {
  struct Row {
    const char* name;
    QString filter;
    QStringList filters;
  };
  const Row rows[] = {
      {"one pair", "Wave Files|*.wav", {"Wave Files (*.wav)"}},
      {"two pairs, several patterns", "Sounds|*.wav;*.mid|All|*.*", {"Sounds (*.wav *.mid)", "All (*.*)"}},
      {"description without pattern", "Wave Files", {}},
      {"empty pattern dropped", "None||All|*", {"All (*)"}},
      {"empty", "", {}},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    EXPECT_EQ(tk::TOpenDialog::NameFilters(r.filter), r.filters);
  }
}

TEST(FileDialogs, HookPlaysTheUserAndConfirmedRunsReportTheExtension) {
  tk::FileDialogRecorder rec;
  tk::TSaveDialog dlg;
  dlg.SetDefaultExt(QStringLiteral("WAV"));
  dlg.SetTitle(QStringLiteral("t"));
  dlg.SetOptions(tk::OpenOptions({tk::ofOverwritePrompt}));
  struct Row {
    const char* name;
    bool confirm;
    QString chosen;
    QString fileName;
    bool different;
  };
  const Row rows[] = {
      {"cancelled", false, "/x/a.mid", "", false},
      {"same extension in another case", true, "/x/a.wav", "/x/a.wav", false},
      {"other extension", true, "/x/b.mid", "/x/b.mid", true},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    rec.answer = [&](tk::TOpenDialog& d) {
      d.SetFileName(r.chosen);
      return r.confirm;
    };
    const QString before = dlg.FileName();
    EXPECT_EQ(dlg.Execute(), r.confirm);
    if (r.confirm) {
      EXPECT_EQ(dlg.FileName(), r.fileName);
      EXPECT_EQ(dlg.Files(), QStringList{r.fileName});
      EXPECT_EQ(dlg.HasOption(tk::ofExtensionDifferent), r.different);
    }
    EXPECT_TRUE(dlg.HasOption(tk::ofOverwritePrompt));
  }
  ASSERT_EQ(rec.calls.size(), 3u);
  EXPECT_EQ(rec.calls[0].kind, tk::TFileDialogKind::Save);
  EXPECT_EQ(rec.calls[0].title, QStringLiteral("t"));
}

TEST_F(DirTest, TheChooserItselfRunsWithoutAHook) {
  testing_support::WriteFile(Path("one.wav").toStdString(), "RIFF");
  testing_support::WriteFile(Path("two.txt").toStdString(), "x");
  tk::TOpenDialog dlg;
  dlg.SetTitle(QStringLiteral("Pick a sound"));
  dlg.SetInitialDir(root);
  dlg.SetFilter(QStringLiteral("Text|*.txt|Wave Files|*.wav"));
  dlg.SetFilterIndex(2);
  dlg.SetFileName(QStringLiteral("*.wav"));
  struct Seen {
    QString title, dir, filter;
  } seen;
  bool answered = false;
  std::function<void()> answer = [&] {
    auto* fd = FindTopLevel<QFileDialog>();
    if (!fd) {
      QTimer::singleShot(10, answer);
      return;
    }
    seen = {fd->windowTitle(), QDir(fd->directory()).canonicalPath(), fd->selectedNameFilter()};
    // The user types the name into the chooser's name field.
    auto* name = fd->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
    if (!name) {
      ADD_FAILURE() << "the chooser has no name field";
      static_cast<QDialog*>(fd)->reject();
      return;
    }
    name->setText(QStringLiteral("one.wav"));
    answered = true;
    static_cast<QDialog*>(fd)->accept();
  };
  QTimer::singleShot(0, answer);
  ASSERT_TRUE(dlg.Execute());
  EXPECT_TRUE(answered);
  EXPECT_EQ(seen.title, QStringLiteral("Pick a sound"));
  EXPECT_EQ(seen.dir, root);
  EXPECT_EQ(seen.filter, QStringLiteral("Wave Files (*.wav)"));
  EXPECT_EQ(QFileInfo(dlg.FileName()).canonicalFilePath(), Path("one.wav"));
  EXPECT_EQ(dlg.FilterIndex(), 2);
}

}  // namespace
