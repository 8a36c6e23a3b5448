#include "platform/Help.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QPointer>
#include <QScreen>
#include <QScrollBar>
#include <QStringDecoder>
#include <QTextBlock>
#include <QTextBrowser>
#include <QTextDocument>
#include <QThread>
#include <QUrl>
#include <QVBoxLayout>
#include <QWindow>
#include <algorithm>
#include <array>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <system_error>

#include "platform/Windows.h"

// The IDE's help viewer: a notice line over the document.  Its class name is
// what the host's scripts look for.
class THelpViewer : public QWidget {
  Q_OBJECT
public:
  // The size a reader wants; placement may give less where the screen is short.
  static constexpr int kWidth = 520;
  static constexpr int kHeight = 560;

  THelpViewer() {
    setObjectName(QStringLiteral("helpViewer"));
    resize(kWidth, kHeight);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    m_notice = new QLabel(this);
    m_notice->setObjectName(QStringLiteral("helpNotice"));
    m_notice->setWordWrap(true);
    m_notice->setTextFormat(Qt::PlainText);
    m_notice->setStyleSheet(QStringLiteral("QLabel { background: #ffffe1; border: 1px solid #808080; padding: 3px; }"));
    m_notice->hide();
    m_browser = new QTextBrowser(this);
    m_browser->setObjectName(QStringLiteral("helpBrowser"));
    m_browser->setOpenExternalLinks(false);
    m_browser->setOpenLinks(true);
    layout->addWidget(m_notice);
    layout->addWidget(m_browser, 1);
  }

  void ShowPage(const QString& title, const QString& html, const QUrl& base) {
    setWindowTitle(title);
    m_browser->document()->setBaseUrl(base);
    m_browser->setHtml(html);
  }
  void SetNotice(const QString& text) {
    m_notice->setText(text);
    m_notice->setVisible(!text.isEmpty());
  }
  // The anchor whose name matches the topic without regard to case (topic
  // names are case-blind), or an empty string.
  QString FindAnchor(const QString& topic) const {
    for (QTextBlock b = m_browser->document()->begin(); b.isValid(); b = b.next()) {
      for (auto it = b.begin(); !it.atEnd(); ++it) {
        for (const QString& name : it.fragment().charFormat().anchorNames()) {
          if (name.compare(topic, Qt::CaseInsensitive) == 0) return name;
        }
      }
    }
    return {};
  }
  // Puts the caret at the anchor, so the topic is also where keyboard reading
  // starts, and scrolls it to the top of the view.
  void JumpTo(const QString& anchor) {
    QTextCursor c(m_browser->document());
    if (!anchor.isEmpty()) {
      for (QTextBlock b = m_browser->document()->begin(); b.isValid(); b = b.next()) {
        bool found = false;
        for (auto it = b.begin(); !it.atEnd() && !found; ++it) {
          if (it.fragment().charFormat().anchorNames().contains(anchor)) {
            c.setPosition(it.fragment().position());
            found = true;
          }
        }
        if (found) break;
      }
    }
    m_browser->setTextCursor(c);
    if (anchor.isEmpty()) m_browser->verticalScrollBar()->setValue(0);
    else m_browser->scrollToAnchor(anchor);
  }

protected:
  void keyPressEvent(QKeyEvent* e) override {
    // A reader's quick way out, the same whether or not a dialog waits behind.
    if (e->key() == Qt::Key_Escape && e->modifiers() == Qt::NoModifier) {
      close();
      return;
    }
    QWidget::keyPressEvent(e);
  }

private:
  QLabel* m_notice = nullptr;
  QTextBrowser* m_browser = nullptr;
};

namespace platform {
namespace {

namespace fs = std::filesystem;

// A help file is a document to read, not data to stream: anything larger is
// not one of ours.
constexpr std::uintmax_t kMaxHelpFileBytes = 16u << 20;

std::vector<HelpRequest>& requests() {
  static std::vector<HelpRequest> r;
  return r;
}
std::string& searchFolder() {
  static std::string f;
  return f;
}

// A modal dialog shuts out every window that is not its own; a transient
// window of it is its own, without being its child (the viewer must outlive
// the dialog).  Qt weighs the viewer's blocking afresh when its transient
// parent changes (so it is changed twice where it would stay), and when a
// modal window shows or hides, but then only for windows not blocked yet.
void AttachTo(THelpViewer* viewer, QWidget* modal) {
  HandleOf(viewer);  // the native window, so that it has a window handle
  QWindow* window = viewer->windowHandle();
  QWindow* owner = modal ? modal->windowHandle() : nullptr;
  if (!window || window == owner) return;
  if (owner && window->transientParent() == owner) window->setTransientParent(nullptr);
  window->setTransientParent(owner);
}

// Keeps the viewer with the newest modal window as dialogs open and close.
// It follows once the event loop turns (a dialog's own loop, before any click
// reaches the viewer): a dialog counts as modal only once its window is up,
// after its show event.
class ModalWatch : public QObject {
public:
  explicit ModalWatch(THelpViewer* viewer) : QObject(viewer), m_viewer(viewer) { qApp->installEventFilter(this); }

protected:
  bool eventFilter(QObject* o, QEvent* e) override {
    if ((e->type() != QEvent::Show && e->type() != QEvent::Hide) || !o->isWidgetType()) return false;
    auto* w = static_cast<QWidget*>(o);
    if (w->isWindow() && w->isModal() && w != m_viewer && !m_pending) {
      m_pending = true;
      QMetaObject::invokeMethod(
          this,
          [this] {
            m_pending = false;
            AttachTo(m_viewer, QApplication::activeModalWidget());
          },
          Qt::QueuedConnection);
    }
    return false;
  }

private:
  THelpViewer* m_viewer;
  bool m_pending = false;
};

QPointer<THelpViewer>& viewerSlot() {
  static QPointer<THelpViewer> v;
  return v;
}

THelpViewer* Viewer() {
  QPointer<THelpViewer>& v = viewerSlot();
  if (!v) {
    v = new THelpViewer;
    new ModalWatch(v);
    // Top-level widgets outlive nothing by themselves; the viewer goes with
    // the application.
    qAddPostRoutine([] { delete viewerSlot().data(); });
  }
  return v;
}

bool IsFile(const fs::path& p) {
  std::error_code ec;
  return fs::is_regular_file(p, ec);
}

// The file in dir named name, exactly or else without regard to case (the
// add-in asks for upper-case names that may be stored in any case).  Among
// several case variants the first in name order wins, so the choice is stable.
std::string FindInFolder(const fs::path& dir, const std::string& name) {
  if (name.empty()) return {};
  if (IsFile(dir / name)) return (dir / name).string();
  const QString wanted = QString::fromStdString(name);
  std::vector<fs::path> matches;
  std::error_code ec;
  for (fs::directory_iterator it(dir.empty() ? fs::path(".") : dir, ec), end; !ec && it != end; it.increment(ec)) {
    if (QString::fromStdString(it->path().filename().string()).compare(wanted, Qt::CaseInsensitive) == 0 &&
        IsFile(it->path())) {
      matches.push_back(dir / it->path().filename());
    }
  }
  if (matches.empty()) return {};
  return std::ranges::min(matches).string();
}

std::vector<std::string> Locations(const std::string& file) {
  const fs::path p(file);
  if (p.has_parent_path()) return {p.parent_path().string()};
  std::vector<std::string> dirs;
  if (!searchFolder().empty()) dirs.push_back(searchFolder());
  const std::string windir = GetWindowsDirectory();
  if (!windir.empty() && std::find(dirs.begin(), dirs.end(), windir) == dirs.end()) dirs.push_back(windir);
  return dirs;
}

std::string Locate(const std::string& file, const std::vector<std::string>& dirs) {
  const std::string name = fs::path(file).filename().string();
  for (const std::string& dir : dirs) {
    if (std::string found = FindInFolder(dir, name); !found.empty()) return found;
  }
  return {};
}

enum class Load { Ok, Unreadable, TooLarge, NotHtml };

// Reads the file as HTML.  Text is taken as UTF-8 when it is valid UTF-8 and as
// 8-bit ANSI (Latin-1) otherwise.  A file that does not begin like a markup
// document (a binary help file of an older format, say) is refused.
Load ReadHelpFile(const std::string& path, QString* html) {
  std::error_code ec;
  const std::uintmax_t size = fs::file_size(path, ec);
  if (ec) return Load::Unreadable;
  if (size > kMaxHelpFileBytes) return Load::TooLarge;
  std::ifstream in(path, std::ios::binary);
  if (!in) return Load::Unreadable;
  const std::string bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  if (in.bad()) return Load::Unreadable;
  if (bytes.find('\0') != std::string::npos) return Load::NotHtml;
  QStringDecoder utf8(QStringDecoder::Utf8);
  QString text = utf8.decode(QByteArrayView(bytes));
  if (utf8.hasError()) text = QString::fromLatin1(bytes.data(), static_cast<qsizetype>(bytes.size()));
  if (!text.trimmed().startsWith(QLatin1Char('<'))) return Load::NotHtml;
  *html = text;
  return Load::Ok;
}

bool Overlaps(const Rect& a, const Rect& b) {
  return a.left < b.right && b.left < a.right && a.top < b.bottom && b.top < a.bottom;
}

long long OverlapArea(const Rect& a, const Rect& b) {
  if (!Overlaps(a, b)) return 0;
  const long long w = std::min(a.right, b.right) - std::max(a.left, b.left);
  const long long h = std::min(a.bottom, b.bottom) - std::max(a.top, b.top);
  return w * h;
}

// The window that asked for help: the open modal dialog, else the active
// window (never the viewer itself).
QWidget* Asker(const QWidget* viewer) {
  if (QWidget* modal = QApplication::activeModalWidget()) return modal;
  QWidget* active = QApplication::activeWindow();
  return active == viewer ? nullptr : active;
}

Rect WorkAreaAround(const QWidget* asker) {
  QScreen* screen = asker ? asker->screen() : QGuiApplication::primaryScreen();
  if (!screen) screen = QGuiApplication::primaryScreen();
  return screen ? Rect::FromQRect(screen->availableGeometry()) : Rect{0, 0, THelpViewer::kWidth, THelpViewer::kHeight};
}

// Moves the viewer beside the asker when it is new or would cover it.
void PlaceBeside(THelpViewer* viewer, QWidget* asker, bool fresh) {
  if (!asker) return;
  Rect askerRect, viewerRect;
  if (!GetWindowRect(HandleOf(asker), askerRect) || !GetWindowRect(HandleOf(viewer), viewerRect)) return;
  if (!fresh && !Overlaps(askerRect, viewerRect)) return;
  // The frame's share of the viewer's outer size stays what it is.
  const int frameW = viewerRect.Width() - viewer->width();
  const int frameH = viewerRect.Height() - viewer->height();
  const Rect r = PlaceHelpViewer(askerRect, THelpViewer::kWidth + frameW, THelpViewer::kHeight + frameH,
                                 WorkAreaAround(asker));
  MoveWindow(HandleOf(viewer), r.left, r.top, r.Width(), r.Height(), true);
}

QString MessagePage(const QString& heading, const QString& body) {
  return QStringLiteral("<h2>%1</h2><p>%2</p>").arg(heading.toHtmlEscaped(), body);
}

}  // namespace

bool WinHelpJump(const std::string& helpFile, const std::string& topic) {
  requests().push_back(HelpRequest{helpFile, topic, {}, false});
  HelpRequest& record = requests().back();

  // The viewer is a widget: it needs a widget application and its thread.
  auto* app = qobject_cast<QApplication*>(QCoreApplication::instance());
  if (!app || QThread::currentThread() != app->thread()) return false;

  THelpViewer* viewer = Viewer();
  const bool fresh = !viewer->isVisible();
  QWidget* asker = Asker(viewer);
  AttachTo(viewer, QApplication::activeModalWidget());
  // Placed before it shows, so it never flashes over the asker, and once more
  // after, when a window manager has given it a frame that may reach further.
  PlaceBeside(viewer, asker, fresh);
  const QString shownName = QString::fromStdString(fs::path(helpFile).filename().string());
  const QString title = (shownName.isEmpty() ? QStringLiteral("Help") : shownName + QStringLiteral(" - Help"));
  const QString qtopic = QString::fromStdString(topic);

  const std::vector<std::string> dirs = Locations(helpFile);
  const std::string path = Locate(helpFile, dirs);
  QString html;
  const Load load = path.empty() ? Load::Unreadable : ReadHelpFile(path, &html);

  if (path.empty() || load != Load::Ok) {
    QString body;
    if (helpFile.empty()) {
      body = QStringLiteral("No help file was named.");
    } else if (path.empty()) {
      QStringList where;
      for (const std::string& d : dirs) where << QString::fromStdString(d).toHtmlEscaped();
      body = QStringLiteral("The help file \"%1\" could not be found.").arg(shownName.toHtmlEscaped());
      if (!where.isEmpty()) body += QStringLiteral("<br>Looked in:<br>") + where.join(QStringLiteral("<br>"));
    } else {
      const QString what = load == Load::TooLarge ? QStringLiteral("is too large to be a help file")
                           : load == Load::NotHtml ? QStringLiteral("is not a help document this viewer can show")
                                                   : QStringLiteral("could not be read");
      body = QStringLiteral("The help file \"%1\" %2.").arg(QString::fromStdString(path).toHtmlEscaped(), what);
    }
    viewer->ShowPage(title, MessagePage(QStringLiteral("Help is not available"), body), QUrl());
    viewer->SetNotice({});
    viewer->show();
    viewer->JumpTo({});
  } else {
    record.resolved = path;
    // First the file's contents, then the jump to the topic.
    viewer->ShowPage(title, html, QUrl::fromLocalFile(QString::fromStdString(path)));
    const QString anchor = qtopic.isEmpty() ? QString() : viewer->FindAnchor(qtopic);
    record.topicFound = !anchor.isEmpty();
    viewer->SetNotice(qtopic.isEmpty() || record.topicFound
                          ? QString()
                          : QStringLiteral("The topic \"%1\" is not in this help file. Showing its contents instead.")
                                .arg(qtopic));
    // Shown before the jump: scrolling to an anchor needs the laid-out view.
    viewer->show();
    viewer->JumpTo(anchor);
  }
  PlaceBeside(viewer, asker, false);
  BringWindowToTop(HandleOf(viewer));
  viewer->activateWindow();
  return true;
}

Rect PlaceHelpViewer(const Rect& asker, int wantedWidth, int wantedHeight, const Rect& work) {
  const int w = std::clamp(wantedWidth, 1, std::max(1, work.Width()));
  const int h = std::clamp(wantedHeight, 1, std::max(1, work.Height()));
  const int gap = HelpViewerGap;
  enum Side { Right, Left, Below, Above };
  // The free band on each side of the asker, cut to the work area (an asker
  // partly or wholly off the work area leaves a band no wider than the area):
  // beside it the whole work area's height, above and below it the whole width.
  const int rightStart = std::max(asker.right + gap, work.left);
  const int leftEnd = std::min(asker.left - gap, work.right);
  const int belowStart = std::max(asker.bottom + gap, work.top);
  const int aboveEnd = std::min(asker.top - gap, work.bottom);
  const std::array<std::pair<int, int>, 4> room = {{
      {work.right - rightStart, work.Height()},
      {leftEnd - work.left, work.Height()},
      {work.Width(), work.bottom - belowStart},
      {work.Width(), aboveEnd - work.top},
  }};
  auto on = [&](int side, int vw, int vh) {
    // Lined up with the asker's top (or left) edge, pushed back into the work
    // area where it would stick out.
    const int alongY = std::clamp(asker.top, work.top, std::max(work.top, work.bottom - vh));
    const int alongX = std::clamp(asker.left, work.left, std::max(work.left, work.right - vw));
    int x = 0, y = 0;
    switch (side) {
      case Right: x = rightStart, y = alongY; break;
      case Left: x = leftEnd - vw, y = alongY; break;
      case Below: x = alongX, y = belowStart; break;
      default: x = alongX, y = aboveEnd - vh; break;
    }
    return Rect{x, y, x + vw, y + vh};
  };
  for (int side = Right; side <= Above; ++side) {
    if (room[side].first >= w && room[side].second >= h) return on(side, w, h);
  }
  int best = -1;
  long long bestArea = 0;
  for (int side = Right; side <= Above; ++side) {
    const int vw = std::min(w, room[side].first), vh = std::min(h, room[side].second);
    if (vw < HelpViewerMinWidth || vh < HelpViewerMinHeight) continue;
    if (const long long area = 1LL * vw * vh; area > bestArea) best = side, bestArea = area;
  }
  if (best >= 0) return on(best, std::min(w, room[best].first), std::min(h, room[best].second));
  // No side has room: the corner that hides the least of the asker.
  const std::array<Rect, 4> corners = {{
      {work.left, work.top, work.left + w, work.top + h},
      {work.right - w, work.top, work.right, work.top + h},
      {work.left, work.bottom - h, work.left + w, work.bottom},
      {work.right - w, work.bottom - h, work.right, work.bottom},
  }};
  return *std::ranges::min_element(corners, {}, [&](const Rect& r) { return OverlapArea(r, asker); });
}

void SetHelpSearchFolder(const std::string& folder) { searchFolder() = folder; }
const std::vector<HelpRequest>& HelpRequests() { return requests(); }
void ClearHelpRequests() { requests().clear(); }

}  // namespace platform

#include "Help.moc"
