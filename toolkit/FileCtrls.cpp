#include "toolkit/FileCtrls.h"

#include <QDir>
#include <QFileInfo>
#include <QKeyEvent>
#include <QPainter>
#include <QStorageInfo>
#include <QStyledItemDelegate>
#include <algorithm>
#include <cerrno>
#include <deque>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

#include "toolkit/Dialogs.h"

namespace tk {

// ---- path helpers -------------------------------------------------------------------

QString CurrentDirectory() {
  std::error_code ec;
  const std::filesystem::path p = std::filesystem::current_path(ec);
  if (ec) return QStringLiteral("/");
  return QString::fromStdString(p.string());
}

bool SetCurrentDirectory(const QString& path) {
  if (path.isEmpty()) {
    errno = ENOENT;
    return false;
  }
  return ::chdir(path.toLocal8Bit().constData()) == 0;
}

bool DirectoryExists(const QString& path) {
  if (path.isEmpty()) return false;
  struct stat st {};
  return ::stat(path.toLocal8Bit().constData(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool CreateDir(const QString& path) {
  if (path.isEmpty()) return false;
  return ::mkdir(path.toLocal8Bit().constData(), 0777) == 0;
}

QString StripTrailingSeparators(const QString& path) {
  QString s = path;
  while (s.size() > 1 && s.endsWith(QLatin1Char('/'))) s.chop(1);
  return s;
}

QString WithTrailingSeparator(const QString& path) {
  if (path.isEmpty() || path.endsWith(QLatin1Char('/'))) return path;
  return path + QLatin1Char('/');
}

QString ShortenPath(const QString& path, const QFontMetrics& fm, int width) {
  auto fits = [&](const QString& s) { return fm.horizontalAdvance(s) <= width; };
  if (fits(path)) return path;
  const QString dots = QStringLiteral("...");
  // The last folder with the separator before it ("/Work" of "/a/b/Work"); a
  // separator at the very end belongs to the folder before it.
  const int cut = path.lastIndexOf(QLatin1Char('/'), path.endsWith(QLatin1Char('/')) ? -2 : -1);
  const QString tail = cut > 0 ? path.mid(cut) : path;
  const QString head = cut > 0 ? path.left(cut) : QString();
  for (qsizetype keep = head.size() - 1; keep >= 0; --keep) {
    const QString s = head.left(keep) + dots + tail;
    if (fits(s)) return s;
  }
  for (qsizetype keep = tail.size() - 1; keep > 0; --keep) {
    const QString s = dots + tail.right(keep);
    if (fits(s)) return s;
  }
  return dots;
}

QStringList MountRoots() {
  QStringList roots;
  for (const QStorageInfo& v : QStorageInfo::mountedVolumes()) {
    if (!v.isValid() || !v.isReady()) continue;
    const QString root = v.rootPath();
    if (root != QStringLiteral("/") && DirectoryExists(root)) roots << root;
  }
  roots.removeDuplicates();
  roots.sort();
  roots.prepend(QStringLiteral("/"));
  return roots;
}

QString RootOf(const QString& path, const QStringList& roots) {
  QString best = QStringLiteral("/");
  for (const QString& r : roots) {
    const QString stem = StripTrailingSeparators(r);
    const bool holds = path == stem || path.startsWith(WithTrailingSeparator(stem));
    if (holds && stem.size() > best.size()) best = r;
  }
  return best;
}

namespace {
// The folders the lists entered, newest last, each once.
std::deque<QString>& Visited() {
  static std::deque<QString> visited;
  return visited;
}

void NoteVisited(const QString& dir) {
  auto& v = Visited();
  v.erase(std::remove(v.begin(), v.end(), dir), v.end());
  v.push_back(dir);
  if (v.size() > 64) v.pop_front();
}
}  // namespace

QString RootCurrentDirectory(const QString& root, const QStringList& roots) {
  const auto& v = Visited();
  for (auto it = v.rbegin(); it != v.rend(); ++it)
    if (RootOf(*it, roots) == root && DirectoryExists(*it)) return *it;
  // Before any list went anywhere, the process's own current directory
  // counts for its root.
  const QString cwd = CurrentDirectory();
  if (RootOf(cwd, roots) == root) return cwd;
  return root;
}

EInOutError::EInOutError(int code) : std::runtime_error("I/O error " + std::to_string(code)), m_code(code) {}

// ---- directory list ---------------------------------------------------------------------

namespace {
enum Role { PathRole = Qt::UserRole + 1, LevelRole, KindRole };

// Draws an entry: glyph and name at the entry's depth; the name, not the whole
// row, is highlighted when selected.
class DirItemDelegate : public QStyledItemDelegate {
public:
  explicit DirItemDelegate(TDirectoryListBox* list) : QStyledItemDelegate(list), m_list(list) {}

  void paint(QPainter* p, const QStyleOptionViewItem& option, const QModelIndex& index) const override {
    const QRect r = option.rect;
    p->fillRect(r, ColorToQColor(clWindow));
    const int level = index.data(LevelRole).toInt();
    const auto kind = TDirectoryListBox::TGlyphKind(index.data(KindRole).toInt());
    const QPixmap& glyph = kind == TDirectoryListBox::TGlyphKind::Open     ? m_list->OpenedBitmap()
                           : kind == TDirectoryListBox::TGlyphKind::Closed ? m_list->ClosedBitmap()
                                                                           : m_list->CurrentBitmap();
    const int x = r.left() + 2 + TDirectoryListBox::kLevelIndent * level;
    p->drawPixmap(x, r.top() + (r.height() - glyph.height()) / 2, glyph);
    const QString text = index.data(Qt::DisplayRole).toString();
    const QFontMetrics fm(option.font);
    QRect textRect(x + glyph.width() + 4, r.top(), fm.horizontalAdvance(text) + 4, r.height());
    const bool selected = option.state & QStyle::State_Selected;
    if (selected) p->fillRect(textRect, ColorToQColor(clHighlight));
    p->setFont(option.font);
    p->setPen(ColorToQColor(selected ? clHighlightText : clWindowText));
    p->drawText(textRect.adjusted(2, 0, 0, 0), Qt::AlignVCenter | Qt::AlignLeft, text);
    if (option.state & QStyle::State_HasFocus) {
      p->setPen(QPen(ColorToQColor(clWindowText), 1, Qt::DotLine));
      p->drawRect(textRect.adjusted(0, 0, -1, -1));
    }
  }

  QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
    return QSize(QStyledItemDelegate::sizeHint(option, index).width(), m_list->ItemHeight());
  }

private:
  TDirectoryListBox* m_list;
};

QPixmap DrawnFolder(bool open, bool current) {
  QPixmap pm(16, 15);
  pm.fill(Qt::transparent);
  QPainter p(&pm);
  p.setPen(Qt::black);
  p.setBrush(QColor(255, 255, 0));
  p.drawRect(1, 4, 13, 8);
  p.drawRect(1, 2, 5, 2);
  if (open) {
    p.setBrush(QColor(128, 128, 0));
    p.drawPolygon(QPolygon({QPoint(1, 12), QPoint(4, 7), QPoint(15, 7), QPoint(12, 12)}));
  }
  if (current) p.fillRect(6, 1, 5, 5, Qt::white);
  return pm;
}
}  // namespace

TDirectoryListBox::TDirectoryListBox(QWidget* parent) : QListWidget(parent) {
  setItemDelegate(new DirItemDelegate(this));
  setUniformItemSizes(true);
  setSelectionMode(QAbstractItemView::SingleSelection);
  setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  setFrameShape(QFrame::StyledPanel);
  setFrameShadow(QFrame::Sunken);
  QPalette pal = palette();
  pal.setColor(QPalette::Base, ColorToQColor(clWindow));
  setPalette(pal);
  TDirectoryListBox::ReadBitmaps();
  m_directory = CurrentDirectory();
  BuildItems();
  connect(this, &QListWidget::itemDoubleClicked, this, [this](QListWidgetItem*) { OpenSelected(); });
}

void TDirectoryListBox::ReadBitmaps() {
  SetGlyphs(DrawnFolder(true, false), DrawnFolder(false, false), DrawnFolder(true, true));
}

void TDirectoryListBox::SetGlyphs(const QPixmap& opened, const QPixmap& closed, const QPixmap& current) {
  m_opened = opened;
  m_closed = closed;
  m_current = current;
  viewport()->update();
}

void TDirectoryListBox::SetItemHeight(int h) {
  if (h == m_itemHeight || h <= 0) return;
  m_itemHeight = h;
  BuildItems();
}

void TDirectoryListBox::SetDirectory(const QString& path) {
  if (!SetCurrentDirectory(path)) throw EInOutError(errno ? errno : ENOENT);
  const QString now = CurrentDirectory();
  NoteVisited(now);
  if (now == m_directory) return;
  m_directory = now;
  BuildItems();
  emit DirectoryChanged(m_directory);
}

void TDirectoryListBox::SetDirLabel(TCustomLabel* label) {
  m_dirLabel = label;
  ShowInDirLabel();
}

void TDirectoryListBox::ShowInDirLabel() {
  if (!m_dirLabel) return;
  if (m_dirLabel->AutoSize()) {
    m_dirLabel->SetCaption(m_directory);
    return;
  }
  int width = m_dirLabel->width();
  if (const QWidget* parent = m_dirLabel->parentWidget())
    width = std::min(width, parent->width() - m_dirLabel->x());
  m_dirLabel->SetCaption(ShortenPath(m_directory, QFontMetrics(m_dirLabel->font()), width));
}

void TDirectoryListBox::BuildItems() {
  clear();
  auto add = [this](const QString& name, const QString& path, int level, TGlyphKind kind) {
    auto* item = new QListWidgetItem(name, this);
    item->setData(PathRole, path);
    item->setData(LevelRole, level);
    item->setData(KindRole, int(kind));
    item->setSizeHint(QSize(0, m_itemHeight));
  };
  // The chain from the root down: "/", "/a", "/a/b".
  const QStringList parts = m_directory.split(QLatin1Char('/'), Qt::SkipEmptyParts);
  add(QStringLiteral("/"), QStringLiteral("/"), 0, parts.isEmpty() ? TGlyphKind::Current : TGlyphKind::Open);
  QString path;
  for (int i = 0; i < parts.size(); ++i) {
    path += QLatin1Char('/') + parts[i];
    add(parts[i], path, i + 1, i + 1 == parts.size() ? TGlyphKind::Current : TGlyphKind::Open);
  }
  m_currentIndex = int(parts.size());
  const QStringList subs =
      QDir(m_directory).entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name | QDir::IgnoreCase);
  for (const QString& s : subs) add(s, WithTrailingSeparator(m_directory) + s, m_currentIndex + 1, TGlyphKind::Closed);
  setCurrentRow(m_currentIndex);
  ShowInDirLabel();
}

QString TDirectoryListBox::ItemPath(int index) const {
  const QListWidgetItem* it = item(index);
  return it ? it->data(PathRole).toString() : QString();
}

int TDirectoryListBox::ItemLevel(int index) const {
  const QListWidgetItem* it = item(index);
  return it ? it->data(LevelRole).toInt() : -1;
}

TDirectoryListBox::TGlyphKind TDirectoryListBox::ItemKind(int index) const {
  const QListWidgetItem* it = item(index);
  return it ? TGlyphKind(it->data(KindRole).toInt()) : TGlyphKind::Closed;
}

QRect TDirectoryListBox::ItemRect(int index) const {
  const QListWidgetItem* it = item(index);
  return it ? visualItemRect(it) : QRect();
}

void TDirectoryListBox::OpenSelected() {
  const int row = currentRow();
  if (row < 0) return;
  const QString path = ItemPath(row);
  try {
    SetDirectory(path);
  } catch (const EInOutError& e) {
    ShowErrorBox(QString::fromLocal8Bit(e.what()));
  }
}

void TDirectoryListBox::keyPressEvent(QKeyEvent* e) {
  if ((e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter) && e->modifiers() == Qt::NoModifier) {
    const QString before = m_directory;
    OpenSelected();
    // Return on the folder already shown goes on to the form (its default button).
    if (before != m_directory) return;
    e->ignore();
    return;
  }
  QListWidget::keyPressEvent(e);
}

// ---- root box ----------------------------------------------------------------------------

TDriveComboBox::TDriveComboBox(QWidget* parent) : QComboBox(parent) {
  SetRoots(MountRoots());
  connect(this, qOverload<int>(&QComboBox::activated), this, [this](int i) { Chosen(i); });
}

QStringList TDriveComboBox::Roots() const {
  QStringList out;
  for (int i = 0; i < count(); ++i) out << itemText(i);
  return out;
}

void TDriveComboBox::SetRoots(const QStringList& roots) {
  const QSignalBlocker block(this);
  clear();
  addItems(roots);
  ShowRootOf(m_dirList ? m_dirList->Directory() : CurrentDirectory());
}

void TDriveComboBox::ChooseDrive(const QString& root) {
  const int i = findText(root);
  if (i < 0) return;
  setCurrentIndex(i);
  Chosen(i);
}

void TDriveComboBox::SetDirList(TDirectoryListBox* list) {
  disconnect(m_link);
  m_dirList = list;
  if (!list) return;
  m_link = connect(list, &TDirectoryListBox::DirectoryChanged, this, [this](const QString& d) { ShowRootOf(d); });
  ShowRootOf(list->Directory());
}

void TDriveComboBox::ShowRootOf(const QString& directory) {
  const QSignalBlocker block(this);
  const int i = findText(RootOf(directory, Roots()));
  if (i >= 0) setCurrentIndex(i);
}

void TDriveComboBox::Chosen(int index) {
  if (!m_dirList || index < 0) return;
  const QString root = itemText(index);
  try {
    m_dirList->SetDirectory(RootCurrentDirectory(root, Roots()));
  } catch (const EInOutError& e) {
    ShowErrorBox(QString::fromLocal8Bit(e.what()));
  }
  ShowRootOf(m_dirList->Directory());
}

}  // namespace tk
