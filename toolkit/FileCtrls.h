// Folder choosing controls: the directory list and the "drive" box, with the
// path helpers they share.
//
// Paths are the file system's own: "/" separates folders and "/" alone is the
// root of the one folder tree.  Where a drive-letter system speaks of drives,
// this toolkit speaks of roots: "/" and the mount points of the mounted file
// systems (a "drive root" such as C:\ corresponds to a root such as "/" or
// "/mnt/data").  The process keeps one current directory per root, as a
// drive-letter system keeps one per drive: the folder a directory list last
// entered under that root (the root itself until then).
//
// The process's current directory is the directory lists' shared state: a list
// that enters a folder makes it the current directory, as the toolkit's lists
// always have, so that file operations with relative names work where the user
// has gone.
#pragma once

#include <QComboBox>
#include <QFontMetrics>
#include <QListWidget>
#include <QPixmap>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <stdexcept>
#include <string>

#include "toolkit/Component.h"
#include "toolkit/Graphics.h"

namespace tk {

// ---- path helpers -------------------------------------------------------------------

// The process's current directory as a full path (the root "/" when the
// current directory cannot be read, for instance because it was deleted).
QString CurrentDirectory();
// Changes the process's current directory; false (and errno as the file
// system left it) when that is not possible.  An empty path fails.
bool SetCurrentDirectory(const QString& path);
bool DirectoryExists(const QString& path);
// Creates one folder (its parent must exist); false when it could not be made
// or exists already.
bool CreateDir(const QString& path);
// The path without trailing separators, except that a root keeps its own
// ("/tmp///" is "/tmp", "/" stays "/").  The drive-letter form of this rule
// keeps "C:" of "C:\"; here no shorter form of a root exists.
QString StripTrailingSeparators(const QString& path);
// The path with a trailing separator added when it has none ("" stays "").
QString WithTrailingSeparator(const QString& path);

// The path as it fits into width pixels of text in the font of fm: whole
// when it fits, else shortened in the middle with "..." so that its last
// folder stays whole ("/home/someone/pro.../Work"): as much of its start as
// fits is kept before the dots.  A last folder that does not fit even after
// "..." alone keeps its end ("...ork").  Never wider than width, except that
// "..." itself is returned when not even that fits.
QString ShortenPath(const QString& path, const QFontMetrics& fm, int width);

// The roots of the folder tree: "/" first, then the mount points of the mounted
// file systems that are ready and are folders, sorted.
QStringList MountRoots();
// The root among `roots` that holds `path`: the longest root that is the path
// itself or a folder above it; "/" when none is.
QString RootOf(const QString& path, const QStringList& roots);
// The current directory of a root (see above).
QString RootCurrentDirectory(const QString& root, const QStringList& roots);

// A folder that could not be entered.  what() is the runtime's text for the
// error: "I/O error " and the system's error number.
class EInOutError : public std::runtime_error {
public:
  explicit EInOutError(int code);
  int ErrorCode() const { return m_code; }

private:
  int m_code;
};

// ---- directory list ---------------------------------------------------------------------

// The path from the root down to the current folder, one entry per folder, and
// below it the current folder's subfolders (hidden ones, whose names begin with
// a dot, are left out), sorted by name without regard to case.  Each entry
// shows a folder glyph and the folder's name ("/" for the root), indented by
// its depth:
//   entry x = 2 + 8 * depth, glyph there (centred in the item's height), name
//   4 pixels right of the glyph.
// The root and every folder above the current one show the open glyph, the
// current folder the current glyph, its subfolders the closed glyph.
// Double-click (or Return) on an entry enters it; entering makes it the
// process's current directory.  A folder that cannot be entered raises
// EInOutError from SetDirectory; from the user's double-click the error is
// shown in the toolkit's error box and the list stays where it was.
class TDirectoryListBox : public QListWidget, public TComponent {
  Q_OBJECT
public:
  enum class TGlyphKind { Open, Closed, Current };
  static constexpr int kLevelIndent = 8;

  // Starts at the process's current directory.
  explicit TDirectoryListBox(QWidget* parent = nullptr);

  const QString& Directory() const { return m_directory; }
  // Enters `path` (relative names start at the current directory).  Throws
  // EInOutError when it cannot be entered; then nothing changes.
  void SetDirectory(const QString& path);

  int ItemHeight() const { return m_itemHeight; }
  void SetItemHeight(int h);

  // A label that always shows the current directory.  A label of fixed size
  // shows it shortened (ShortenPath) to the part of the label its parent
  // shows, so that the current folder's name is always in view; a label that
  // sizes itself shows the whole path.
  void SetDirLabel(TCustomLabel* label);
  TCustomLabel* DirLabel() const { return m_dirLabel; }

  // Entries: their full path, depth and glyph; where the entry is drawn.
  QString ItemPath(int index) const;
  int ItemLevel(int index) const;
  TGlyphKind ItemKind(int index) const;
  QRect ItemRect(int index) const;
  // The index of the current folder's entry.
  int CurrentIndex() const { return m_currentIndex; }

  const QPixmap& OpenedBitmap() const { return m_opened; }
  const QPixmap& ClosedBitmap() const { return m_closed; }
  const QPixmap& CurrentBitmap() const { return m_current; }

  // Enters the selected entry (what double-click and Return do), showing an
  // error box when it cannot be entered.
  void OpenSelected();

signals:
  void DirectoryChanged(const QString& directory);

protected:
  // Loads the three folder glyphs.  The toolkit's own are drawn; a subclass
  // loads others and calls SetGlyphs (a subclass calls its own version from
  // its constructor, as the base's constructor runs the base's).
  virtual void ReadBitmaps();
  void SetGlyphs(const QPixmap& opened, const QPixmap& closed, const QPixmap& current);

  void keyPressEvent(QKeyEvent* e) override;

private:
  void BuildItems();
  void ShowInDirLabel();

  QString m_directory;
  int m_itemHeight = 16;
  int m_currentIndex = 0;
  QPointer<TCustomLabel> m_dirLabel;
  QPixmap m_opened, m_closed, m_current;
};

// ---- root ("drive") box ------------------------------------------------------------------

// A drop-down list of the roots.  Linked to a directory list, it shows the root
// of the list's folder, and choosing a root moves the list to that root's
// current directory (an error box when it cannot be entered; the box then
// shows the list's root again).
class TDriveComboBox : public QComboBox, public TComponent {
  Q_OBJECT
public:
  // Lists MountRoots().
  explicit TDriveComboBox(QWidget* parent = nullptr);

  QStringList Roots() const;
  void SetRoots(const QStringList& roots);
  QString Drive() const { return currentText(); }
  // Chooses a root as the user would (no effect for a root not listed).
  void ChooseDrive(const QString& root);

  void SetDirList(TDirectoryListBox* list);
  TDirectoryListBox* DirList() const { return m_dirList; }

private:
  void ShowRootOf(const QString& directory);
  void Chosen(int index);

  QPointer<TDirectoryListBox> m_dirList;
  QMetaObject::Connection m_link;
};

}  // namespace tk
