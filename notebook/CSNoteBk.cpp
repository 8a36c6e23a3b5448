#include "notebook/CSNoteBk.h"

#include <QAbstractButton>
#include <QApplication>
#include <QPainter>
#include <QPolygon>
#include <QRegion>
#include <algorithm>

#include "platform/Windows.h"
#include "toolkit/Dialogs.h"
#include "toolkit/Form.h"

using platform::Rect;

namespace {

QString DuplicateCaptionText(const QString& caption) {
  return QStringLiteral("Tab with Caption '") + caption +
         QStringLiteral("' already exists. Tab Captions must be unique.");
}

const QString kDeleteLastText =
    QStringLiteral("Cannot delete last remaining Tab.  Notebooks must have at least one Tab.");
const QString kClearText =
    QStringLiteral("Cannot clear all Notebook pages.  Notebooks with no pages are not allowed.");

// A layout rectangle as a widget rectangle; a degenerate one (tiny notebook)
// becomes empty rather than negative.
QRect ToWidgetRect(const Rect& r) {
  return QRect(r.left, r.top, std::max(0, r.right - r.left), std::max(0, r.bottom - r.top));
}

bool IsVerticalSide(TTabOrientation o) { return o == toLeft || o == toRight; }

}  // namespace

// ---- TcsPage ----------------------------------------------------------------------

TcsPage::TcsPage(QWidget* parent) : QWidget(parent) {
  hide();
  setEnabled(false);
  // A page read from form data joins its notebook as soon as its reading starts.
  if (IsLoading())
    if (auto* nb = qobject_cast<TcsNotebook*>(parent)) nb->m_pageList.push_back(this);
}

TcsPage::~TcsPage() {
  if (TcsNotebook* nb = Notebook()) nb->PageDestroyed(this);
}

TcsNotebook* TcsPage::Notebook() const { return qobject_cast<TcsNotebook*>(parentWidget()); }

void TcsPage::SetCaption(const QString& caption) {
  if (caption == m_caption) return;
  m_caption = caption;
  if (TcsNotebook* nb = Notebook()) nb->PageCaptionChanged(this);
}

void TcsPage::SetBitmap(const QPixmap& bitmap) {
  m_bitmap = bitmap.copy();
  if (TcsNotebook* nb = Notebook(); nb && !IsLoading()) nb->PageGlyphsChanged(this);
}

void TcsPage::SetNumGlyphs(TTabNumGlyphs n) {
  n = std::clamp(n, 1, 3);
  if (n == m_numGlyphs) return;
  m_numGlyphs = n;
  if (TcsNotebook* nb = Notebook(); nb && !IsLoading()) nb->PageGlyphsChanged(this);
}

void TcsPage::SetPageEnabled(bool on) {
  if (on == m_pageEnabled) return;
  m_pageEnabled = on;
  CMPageEnabledChanged();
}

void TcsPage::SetPageVisible(bool on) {
  if (on == m_pageVisible) return;
  m_pageVisible = on;
  CMPageVisibleChanged();
}

void TcsPage::CMPageEnabledChanged() {
  if (TcsNotebook* nb = Notebook(); nb && !IsLoading()) nb->PageEnabledChanged(this);
}

void TcsPage::CMPageVisibleChanged() {
  if (TcsNotebook* nb = Notebook(); nb && !IsLoading()) nb->PageVisibleChanged(this);
}

void TcsPage::ReleaseWindow() {
  // Only a page that is out of sight: the active page keeps its windows.
  if (!isHidden() || !testAttribute(Qt::WA_WState_Created)) return;
  destroy(true, true);
}

bool TcsPage::event(QEvent* e) {
  if (e->type() == platform::MessageEvent::EventType()) {
    auto& m = static_cast<platform::MessageEvent*>(e)->message;
    if (m.msg == CM_PAGEENABLEDCHANGED) {
      CMPageEnabledChanged();
      return true;
    }
    if (m.msg == CM_PAGEVISIBLECHANGED) {
      CMPageVisibleChanged();
      return true;
    }
  }
  return QWidget::event(e);
}

// ---- TcsPageAccess -----------------------------------------------------------------

int TcsPageAccess::Count() const { return m_notebook.PageCount(); }

QString TcsPageAccess::Get(int i) const {
  TcsPage* p = m_notebook.Page(i);
  return p ? p->Caption() : QString();
}

TcsPage* TcsPageAccess::Objects(int i) const { return m_notebook.Page(i); }

int TcsPageAccess::IndexOf(const QString& caption) const {
  const auto& list = m_notebook.m_pageList;
  for (size_t i = 0; i < list.size(); ++i)
    if (list[i]->Caption().compare(caption, Qt::CaseInsensitive) == 0) return static_cast<int>(i);
  return -1;
}

QStringList TcsPageAccess::Strings() const {
  QStringList out;
  for (TcsPage* p : m_notebook.m_pageList) out.append(p->Caption());
  return out;
}

void TcsPageAccess::Put(int i, const QString& caption) {
  TcsPage* page = m_notebook.Page(i);
  if (!page) return;
  const int found = IndexOf(caption);
  if (found != -1 && found != i) {
    tk::ShowErrorBox(DuplicateCaptionText(caption));
    return;
  }
  page->SetCaption(caption);
  NotifyDesigner();
}

int TcsPageAccess::Add(const QString& caption) { return InsertPage(Count(), caption); }

void TcsPageAccess::Insert(int i, const QString& caption) { InsertPage(i, caption); }

int TcsPageAccess::InsertPage(int i, const QString& caption) {
  TcsNotebook& nb = m_notebook;
  if (i < 0 || i > Count()) return -1;
  if (IndexOf(caption) >= 0) {
    tk::ShowErrorBox(DuplicateCaptionText(caption));
    return -1;
  }
  // Made without a parent first so that it does not join the page list as a
  // page read from form data would.
  auto* page = new TcsPage(nullptr);
  page->setParent(&nb);
  page->hide();
  page->m_caption = caption;
  page->setGeometry(ToWidgetRect(nb.m_layout.PageClientRect()));
  nb.m_pageList.insert(nb.m_pageList.begin() + i, page);
  if (!nb.Loading() && nb.m_pageIndex >= i) ++nb.m_pageIndex;
  NotifyDesigner();
  RefreshAfterEdit(i);
  // A notebook whose pages were all cleared away in code gets an active page
  // again with its first new page.
  if (!nb.Loading() && nb.Page(nb.m_pageIndex) == nullptr) nb.SetPageIndex(i);
  return i;
}

void TcsPageAccess::Delete(int i) {
  TcsNotebook& nb = m_notebook;
  if (Count() <= 1) {
    tk::ShowErrorBox(kDeleteLastText);
    return;
  }
  TcsPage* page = nb.Page(i);
  if (!page) return;
  TcsPage* active = nb.Page(nb.m_pageIndex);
  nb.m_pageList.erase(nb.m_pageList.begin() + i);
  // Keep the index on the page that is really shown, so that the switches
  // below hide and show the right pages.
  if (!nb.Loading()) nb.m_pageIndex = (active && active != page) ? nb.IndexOfPage(active) : -1;
  delete page;
  NotifyDesigner();
  if (nb.Loading()) {
    nb.SetPageIndex(0);
    return;
  }
  if (nb.m_pageIndex < 0) {
    nb.SetPageIndex(0);
    RefreshAfterEdit(0);
    // Page 0 may be hidden (or the switch refused): fall back to the next
    // page that can be shown.
    if (nb.m_pageIndex < 0) nb.EnsureValidActivePage();
  } else {
    RefreshAfterEdit(nb.m_pageIndex);
  }
}

void TcsPageAccess::Exchange(int i, int j) {
  TcsNotebook& nb = m_notebook;
  if (i == j || !nb.Page(i) || !nb.Page(j)) return;
  std::swap(nb.m_pageList[i], nb.m_pageList[j]);
  NotifyDesigner();
  const int p = nb.m_pageIndex;
  if (nb.Loading()) return;
  if (i == p || j == p) {
    // The active page now stands at the other index; the page that took its
    // place becomes active.
    const int other = i == p ? j : i;
    nb.m_pageIndex = other;
    RefreshAfterEdit(other);
    nb.SetPageIndex(p);
  } else {
    RefreshAfterEdit(-1);
  }
}

void TcsPageAccess::Move(int from, int to) {
  TcsNotebook& nb = m_notebook;
  if (from == to || !nb.Page(from) || !nb.Page(to)) return;
  TcsPage* active = nb.Page(nb.m_pageIndex);
  TcsPage* page = nb.m_pageList[from];
  nb.m_pageList.erase(nb.m_pageList.begin() + from);
  nb.m_pageList.insert(nb.m_pageList.begin() + to, page);
  if (!nb.Loading() && active) nb.m_pageIndex = nb.IndexOfPage(active);
  NotifyDesigner();
  RefreshAfterEdit(active ? nb.IndexOfPage(active) : -1);
}

void TcsPageAccess::Clear() {
  TcsNotebook& nb = m_notebook;
  if (nb.m_layoutBuilt) {
    tk::ShowErrorBox(kClearText);
    return;
  }
  std::vector<TcsPage*> pages;
  pages.swap(nb.m_pageList);
  for (TcsPage* p : pages) delete p;
  // While reading form data the stored index stays for the pages to come.
  if (!nb.Loading()) nb.m_pageIndex = -1;
}

void TcsPageAccess::Assign(const QStringList& captions) {
  Clear();
  AddStrings(captions);
}

void TcsPageAccess::AddStrings(const QStringList& captions) {
  for (const QString& c : captions) Add(c);
}

void TcsPageAccess::RefreshAfterEdit(int i) {
  TcsNotebook& nb = m_notebook;
  if (!nb.m_layoutBuilt) return;
  const int remembered = nb.m_pageIndex;
  nb.RebuildTabs();
  nb.SetPageIndex(i < 0 ? remembered : i);
}

void TcsPageAccess::NotifyDesigner() {
  TcsNotebook& nb = m_notebook;
  if (nb.IsDesigning() && nb.OnDesignerModified) nb.OnDesignerModified(nb.window());
}

// ---- TcsNotebook -------------------------------------------------------------------

TcsNotebook::TcsNotebook(QWidget* parent) : QWidget(parent) {
  resize(250, 150);
  m_layout.width = 250;
  m_layout.height = 150;
  const QPalette pal = QApplication::palette();
  m_selectedColor = pal.color(QPalette::ButtonText);
  m_unselectedColor = pal.color(QPalette::ButtonText);
  m_unselectedTabColor = pal.color(QPalette::Button);
  m_color = pal.color(QPalette::Button);
  m_tabFont = parent ? parent->font() : QFont();
  setFocusPolicy(Qt::StrongFocus);
  // Design mode shows the tab cursor over the tabs as the mouse moves.
  setMouseTracking(true);
  WatchForm();

  // Added as the page list always adds, then shown (only stored while loading).
  m_access.Add(QStringLiteral("Default"));
  SetPageIndex(0);
  Relayout();
  // Being read from form data: the stored pages replace the default one.
  if (IsLoading()) m_access.Clear();
}

TcsNotebook::~TcsNotebook() {
  m_destroying = true;
  std::vector<TcsPage*> pages;
  pages.swap(m_pageList);
  for (TcsPage* p : pages) delete p;
}

TcsPage* TcsNotebook::Page(int i) const {
  if (i < 0 || i >= PageCount()) return nullptr;
  return m_pageList[i];
}

int TcsNotebook::IndexOfPage(const TcsPage* page) const {
  auto it = std::find(m_pageList.begin(), m_pageList.end(), page);
  return it == m_pageList.end() ? -1 : static_cast<int>(it - m_pageList.begin());
}

std::vector<TcsLayoutPage> TcsNotebook::LayoutPages() const {
  std::vector<TcsLayoutPage> out;
  out.reserve(m_pageList.size());
  for (TcsPage* p : m_pageList) out.push_back(TcsLayoutPage{p->Caption(), p->PageVisible()});
  return out;
}

void TcsNotebook::SyncSize() {
  m_layout.width = width();
  m_layout.height = height();
}

// ---- page switching ------------------------------------------------------------------

void TcsNotebook::SetPageIndex(int v) {
  if (Loading()) {
    m_pageIndex = v;
    return;
  }
  if (v == m_pageIndex || v < 0 || v >= PageCount()) return;
  TcsPage* page = m_pageList[v];
  TcsPage* current = Page(m_pageIndex);
  // A disabled page can become active only when the current one was hidden.
  if (!IsDesigning() && !page->PageEnabled() && current && current->PageVisible()) return;
  if (!page->PageVisible()) return;

  // The focus is inside the notebook (perhaps on a control of the page that is
  // about to be hidden): it moves to the notebook.  A form that is not the
  // active window takes the notebook as its active control for later.
  QWidget* form = window();
  if (form != this && !IsDesigning()) {
    QWidget* active = form->focusWidget();
    if (active && (active == this || isAncestorOf(active))) {
      if (auto* f = dynamic_cast<tk::TForm*>(form))
        f->SetActiveControl(this);
      else
        setFocus(Qt::OtherFocusReason);
      if (form->isActiveWindow() && !hasFocus()) return;
    }
  }

  bool allow = true;
  if (OnPageChanging) OnPageChanging(this, v, allow);
  if (!allow) return;
  // The handler may have edited the page list.
  if (Page(v) != page) return;

  if (m_layoutBuilt && !m_layout.anchoredTabs) {
    m_layout.RotateRows(page->Caption());
    // Hit tests see the new row order at once, not only after the repaint.
    SyncSize();
    m_layout.ComputeTabRects();
  }
  ShowPage(page);
  const int oldIndex = m_pageIndex;
  if (TcsPage* old = Page(oldIndex); old && old != page) {
    old->SetEnabled(false);
    old->hide();
    if (m_saveResources && !IsDesigning()) old->ReleaseWindow();
  }
  m_pageIndex = v;
  m_focusDrawn = false;
  InvalidatePageChange(oldIndex, v);
  if (OnPageChanged) OnPageChanged(this);
}

void TcsNotebook::ShowPage(TcsPage* page) {
  page->raise();
  page->SetEnabled(true);
  page->setGeometry(ToWidgetRect(m_layout.PageClientRect()));
  page->show();
}

QString TcsNotebook::ActivePage() const {
  TcsPage* p = Page(m_pageIndex);
  return p ? p->Caption() : QString();
}

void TcsNotebook::SetActivePage(const QString& caption) {
  const int i = m_access.IndexOf(caption);
  if (i >= 0) SetPageIndex(i);
}

QPixmap TcsNotebook::Bitmap() const {
  TcsPage* p = Page(m_pageIndex);
  return p ? p->Bitmap() : QPixmap();
}

void TcsNotebook::SetBitmap(const QPixmap& bitmap) {
  if (TcsPage* p = Page(m_pageIndex)) p->SetBitmap(bitmap);
}

TTabNumGlyphs TcsNotebook::NumGlyphs() const {
  TcsPage* p = Page(m_pageIndex);
  return p ? p->NumGlyphs() : 1;
}

void TcsNotebook::SetNumGlyphs(TTabNumGlyphs n) {
  if (TcsPage* p = Page(m_pageIndex)) p->SetNumGlyphs(n);
}

void TcsNotebook::ShowControl(QWidget* child) {
  if (auto* page = qobject_cast<TcsPage*>(child)) {
    const int i = IndexOfPage(page);
    if (i >= 0) {
      SetPageIndex(i);
      return;
    }
  }
  // Anything else: bring the notebook itself into view in an outer notebook.
  for (QWidget* w = parentWidget(); w; w = w->parentWidget()) {
    if (auto* outer = qobject_cast<TcsNotebook*>(w)) {
      QWidget* page = this;
      while (page->parentWidget() != outer) page = page->parentWidget();
      outer->ShowControl(page);
      return;
    }
  }
}

bool TcsNotebook::AnyPageSelectable() const {
  if (IsDesigning()) return true;
  return std::any_of(m_pageList.begin(), m_pageList.end(),
                     [](TcsPage* p) { return p->PageEnabled() && p->PageVisible(); });
}

bool TcsNotebook::AnyPageVisible() const {
  return std::any_of(m_pageList.begin(), m_pageList.end(), [](TcsPage* p) { return p->PageVisible(); });
}

void TcsNotebook::EnsureValidActivePage() {
  const int count = PageCount();
  if (count == 0) return;
  TcsPage* current = Page(m_pageIndex);
  if (current && current->PageEnabled() && current->PageVisible()) return;

  // Walks forward from the active page, wrapping, without coming back to it;
  // with no active page the walk covers every page from page 0.
  const int start = current ? m_pageIndex : -1;
  auto walk = [&](auto accept) {
    for (int step = 1; step <= count; ++step) {
      const int i = ((start + step) % count + count) % count;
      if (i == start) break;
      if (accept(m_pageList[i])) return i;
    }
    return -1;
  };
  const int selectable = walk([](TcsPage* p) { return p->PageEnabled() && p->PageVisible(); });
  if (selectable >= 0) {
    SetPageIndex(selectable);
    return;
  }
  if (current && current->Enabled() && !current->PageEnabled()) current->SetEnabled(false);
  if (AnyPageVisible() && !AnyPageSelectable()) {
    const int visible = walk([](TcsPage* p) { return p->PageVisible(); });
    if (visible >= 0) SetPageIndex(visible);
  }
}

// ---- page notifications -----------------------------------------------------------------

void TcsNotebook::PageCaptionChanged(TcsPage* page) { RenameTab(page); }

void TcsNotebook::RenameTab(TcsPage* page) {
  const int index = IndexOfPage(page);
  for (TcsTab& tab : m_layout.tabs) {
    if (m_access.IndexOf(tab.caption) >= 0) continue;
    // The first tab whose caption no page has any more is the renamed one.
    if (index < 0) return;
    const QString old = tab.caption;
    const int row = m_layout.RowOf(old);
    const int pos = m_layout.PositionOf(old);
    if (m_layout.HasPosition(row, pos)) m_layout.rows[row][pos] = page->Caption();
    tab.caption = page->Caption();
    InvalidateTab(index);
    return;
  }
}

void TcsNotebook::PageGlyphsChanged(TcsPage* page) { InvalidateTab(m_access.IndexOf(page->Caption())); }

void TcsNotebook::PageEnabledChanged(TcsPage* page) {
  const int index = IndexOfPage(page);
  InvalidateTab(index);
  if (page->IsDesigning()) return;
  const bool wasEnabled = Enabled();
  SetEnabled(AnyPageSelectable());
  if (index == m_pageIndex || (!wasEnabled && Enabled())) {
    page->SetEnabled(page->PageEnabled());
    EnsureValidActivePage();
  }
}

void TcsNotebook::PageVisibleChanged(TcsPage* page) {
  RebuildTabs();
  EnsureValidActivePage();
  if (!page->IsDesigning()) SetEnabled(AnyPageSelectable());
}

void TcsNotebook::PageDestroyed(TcsPage* page) {
  if (m_destroying) return;
  const int index = IndexOfPage(page);
  if (index < 0) return;
  // A page destroyed behind the page list's back: forget it and keep the
  // active index on the page that is shown.
  m_pageList.erase(m_pageList.begin() + index);
  if (Loading()) return;
  const bool wasActive = index == m_pageIndex;
  if (index < m_pageIndex)
    --m_pageIndex;
  else if (wasActive)
    m_pageIndex = -1;
  RebuildTabs();
  if (wasActive) {
    // The page that took its place, else the next one that can be shown.
    SetPageIndex(std::min(index, PageCount() - 1));
    if (m_pageIndex < 0) EnsureValidActivePage();
  }
}

// ---- loading -----------------------------------------------------------------------------

void TcsNotebook::Loaded() {
  TComponent::Loaded();
  if (TcsPage* page = Page(m_pageIndex))
    ShowPage(page);
  else
    m_pageIndex = -1;
  if (m_sidewaysText && !IsVerticalSide(m_layout.orientation)) m_sidewaysText = false;
  if (!m_layoutBuilt) {
    Relayout();
    m_layoutBuilt = true;
  }
  SyncSize();
  m_layout.ComputeTabRects();
  if (!IsDesigning()) {
    EnsureValidActivePage();
    SetEnabled(AnyPageSelectable());
  }
}

// ---- layout ---------------------------------------------------------------------------

int TcsNotebook::RowExtent() const {
  return TcsTabLayout::RowExtent(LayoutPages(), m_layout.tabsPerRow);
}

void TcsNotebook::Relayout() {
  SyncSize();
  const std::vector<TcsLayoutPage> pages = LayoutPages();
  m_layout.BuildRows(pages);
  if (!m_layout.anchoredTabs) m_layout.RotateRows(ActivePage());
  if (m_layoutBuilt) m_layout.ComputeTabRects();
  AlignPages();
}

void TcsNotebook::RebuildTabs() {
  if (!m_layoutBuilt) return;
  m_layout.tabs.clear();
  Relayout();
  update();
}

void TcsNotebook::PrepareTabs() {
  if (!m_layoutBuilt) {
    Relayout();
    m_layoutBuilt = true;
  }
  SyncSize();
  m_layout.ComputeTabRects();
}

void TcsNotebook::AlignPages() {
  const QRect r = ToWidgetRect(m_layout.PageClientRect());
  for (TcsPage* p : m_pageList) p->setGeometry(r);
}

int TcsNotebook::TabAtPoint(const QPoint& p) const {
  return m_layout.TabAtPoint(LayoutPages(), platform::Point{p.x(), p.y()});
}

QRect TcsNotebook::TabRectOf(int pageIndex) const {
  TcsPage* p = Page(pageIndex);
  Rect r;
  if (!p || !p->PageVisible() || !m_layout.TabRect(p->Caption(), r)) return QRect();
  return ToWidgetRect(r);
}

void TcsNotebook::InvalidateTab(int i) {
  TcsPage* p = Page(i);
  if (!p || !p->PageVisible()) return;
  Rect r;
  if (m_layout.TabInnerRect(p->Caption(), r)) update(ToWidgetRect(r));
}

void TcsNotebook::InvalidateTabs(int mode) {
  if (!m_layoutBuilt) return;
  for (int i = 0; i < PageCount(); ++i) {
    const bool active = i == m_pageIndex;
    if ((mode == 1 && !active) || (mode == 2 && active)) continue;
    InvalidateTab(i);
  }
}

void TcsNotebook::InvalidatePageChange(int oldIndex, int newIndex) {
  if (oldIndex >= PageCount()) return;
  TcsPage* oldPage = Page(oldIndex);
  TcsPage* newPage = Page(newIndex);
  const bool anchored = m_layout.anchoredTabs;
  if (oldPage && newPage && oldPage->PageVisible() && newPage->PageVisible() &&
      (m_layout.rowCount == 1 || anchored ||
       m_layout.RowOf(oldPage->Caption()) == m_layout.RowOf(newPage->Caption()))) {
    // Same row: only the two tabs change, each with its base run down into
    // the page frame where the opening moves.  Each is invalidated as the
    // rectangle around that outline: a plain rectangle is cheaper to paint
    // through than the outline's many-piece region.
    for (TcsPage* page : {newPage, oldPage}) {
      const QString c = page->Caption();
      auto pts = m_layout.TabOutline(m_layout.RowOf(c), m_layout.PositionOf(c), 0);
      if (!anchored) {
        switch (m_layout.orientation) {
          case toTop: pts[0].y += 4; pts[5].y = pts[0].y; break;
          case toLeft: pts[0].x += 4; pts[5].x = pts[0].x; break;
          case toBottom: pts[0].y -= 3; pts[5].y = pts[0].y; break;
          case toRight: pts[0].x -= 3; pts[5].x = pts[0].x; break;
        }
      }
      QPolygon poly;
      for (const auto& p : pts) poly << QPoint(p.x, p.y);
      update(QRegion(poly, Qt::OddEvenFill).boundingRect());
    }
    return;
  }
  // The rows come in a new order: the whole band, with the frame lines next
  // to it.
  Rect a = m_layout.TabAreaRect();
  if (!anchored) {
    switch (m_layout.orientation) {
      case toTop: a.right += 1; a.bottom += 3; break;
      case toLeft: a.right += 3; a.bottom += 1; break;
      case toBottom: a.top -= 2; a.right += 1; a.bottom += 1; break;
      case toRight: a.left -= 2; a.right += 1; a.bottom += 1; break;
    }
  }
  update(ToWidgetRect(a));
}

// ---- properties ---------------------------------------------------------------------------

void TcsNotebook::SetAnchoredTabs(bool on) {
  if (on == m_layout.anchoredTabs) return;
  m_layout.anchoredTabs = on;
  if (Loading()) return;
  Relayout();
  update();
}

void TcsNotebook::SetBitmapAlignment(TBitmapAlignment a) {
  if (a < baLeftTop || a > baInvisible || a == m_bitmapAlignment) return;
  m_bitmapAlignment = a;
  if (!Loading()) InvalidateTabs(0);
}

void TcsNotebook::SetTextAlignment(TTextAlignment a) {
  if (a < taLeftTop || a > taInvisible || a == m_textAlignment) return;
  m_textAlignment = a;
  if (!Loading()) InvalidateTabs(0);
}

void TcsNotebook::SetCornerSize(int size) {
  if (m_layout.tabHeight > 0) size = std::min(size, m_layout.tabHeight - 1);
  size = std::max(size, 1);
  const int oldMax = m_layout.maxTabWidth;
  if (m_layout.maxTabWidth > 0) m_layout.maxTabWidth = std::max(m_layout.maxTabWidth, 2 * size + 6);
  const bool changed = size != m_layout.cornerSize || oldMax != m_layout.maxTabWidth;
  m_layout.cornerSize = size;
  if (changed && !Loading()) {
    // A raised width limit moves the tabs.
    if (m_layoutBuilt) {
      SyncSize();
      m_layout.ComputeTabRects();
    }
    update();
  }
}

void TcsNotebook::SetMaxTabWidth(int width) {
  const int oldMax = m_layout.maxTabWidth, oldCorner = m_layout.cornerSize;
  if (width > 0) {
    width = std::max(width, 15);
    m_layout.cornerSize = std::min(m_layout.cornerSize, std::max(1, width / 2 - 6));
  }
  m_layout.maxTabWidth = width;
  if ((oldMax != width || oldCorner != m_layout.cornerSize) && !Loading()) {
    if (m_layoutBuilt) {
      SyncSize();
      m_layout.ComputeTabRects();
    }
    update();
  }
}

void TcsNotebook::SetTabHeight(int height) {
  if (height == m_layout.tabHeight) return;
  m_layout.tabHeight = height;
  SetCornerSize(m_layout.cornerSize);
  if (Loading()) return;
  Relayout();
  update();
}

void TcsNotebook::SetTabsPerRow(int n) {
  m_layout.tabsPerRow = n <= 0 ? 3 : n;
  if (Loading()) return;
  Relayout();
  update();
}

void TcsNotebook::SetRowIndent(int indent) {
  if (indent < 0 || indent == m_layout.rowIndent) return;
  m_layout.rowIndent = indent;
  if (Loading()) return;
  Relayout();
  update();
}

void TcsNotebook::SetTabOrientation(TTabOrientation o) {
  if (o < toTop || o > toRight || o == m_layout.orientation) return;
  const TTabOrientation old = m_layout.orientation;
  m_layout.orientation = o;
  if (Loading()) return;
  if (IsVerticalSide(old) != IsVerticalSide(o)) m_sidewaysText = IsVerticalSide(o);
  Relayout();
  update();
}

void TcsNotebook::SetSidewaysText(bool on) {
  if (on == m_sidewaysText) return;
  if (Loading()) {
    m_sidewaysText = on;
    return;
  }
  if (on && !IsVerticalSide(m_layout.orientation)) return;
  m_sidewaysText = on;
  InvalidateTabs(0);
}

void TcsNotebook::SetSaveResources(bool on) {
  if (on == m_saveResources) return;
  m_saveResources = on;
  if (on && !IsDesigning()) ReleaseInactivePages();
}

void TcsNotebook::ReleaseInactivePages() {
  for (int i = 0; i < PageCount(); ++i)
    if (i != m_pageIndex) m_pageList[i]->ReleaseWindow();
}

void TcsNotebook::SetSelectedColor(const QColor& c) {
  if (c == m_selectedColor) return;
  m_selectedColor = c;
  InvalidateTabs(1);
}

void TcsNotebook::SetUnselectedColor(const QColor& c) {
  if (c == m_unselectedColor) return;
  m_unselectedColor = c;
  InvalidateTabs(2);
}

void TcsNotebook::SetUnselectedTabColor(const QColor& c) {
  if (c == m_unselectedTabColor) return;
  m_unselectedTabColor = c;
  if (m_useUnselectedTabColor) update();
}

void TcsNotebook::SetUseUnselectedTabColor(bool on) {
  if (on == m_useUnselectedTabColor) return;
  m_useUnselectedTabColor = on;
  if (m_unselectedTabColor != Color()) update();
}

QColor TcsNotebook::Color() const {
  if (!m_parentColor) return m_color;
  const QWidget* parent = parentWidget();
  return parent ? parent->palette().color(parent->backgroundRole()) : palette().color(QPalette::Window);
}

void TcsNotebook::SetColor(const QColor& c) {
  if (!m_parentColor && c == m_color) return;
  m_color = c;
  m_parentColor = false;
  update();
}

void TcsNotebook::SetParentColor(bool on) {
  if (on == m_parentColor) return;
  m_parentColor = on;
  update();
}

QColor TcsNotebook::TabColor(bool active) const {
  return m_useUnselectedTabColor && !active ? m_unselectedTabColor : Color();
}

void TcsNotebook::SetTabFont(const QFont& font) {
  m_tabFont = font;
  TabFontChanged();
}

void TcsNotebook::TabFontChanged() {
  InvalidateTabs(0);
  m_parentTabFont = false;
  CMTabFontChanged();
}

void TcsNotebook::SetParentTabFont(bool on) {
  if (on == m_parentTabFont) return;
  m_parentTabFont = on;
  if (parentWidget()) ParentFontChanged();
}

void TcsNotebook::ParentFontChanged() {
  if (!m_parentTabFont || !parentWidget()) return;
  SetTabFont(parentWidget()->font());
  m_parentTabFont = true;
}

// ---- events ------------------------------------------------------------------------------

void TcsNotebook::resizeEvent(QResizeEvent* e) {
  QWidget::resizeEvent(e);
  SyncSize();
  if (m_layoutBuilt) m_layout.ComputeTabRects();
  AlignPages();
}

void TcsNotebook::changeEvent(QEvent* e) {
  QWidget::changeEvent(e);
  if (e->type() == QEvent::FontChange || e->type() == QEvent::ParentChange) ParentFontChanged();
  // The area around the cards shows the parent's colour.
  if (e->type() == QEvent::PaletteChange || e->type() == QEvent::ParentChange) update();
  if (e->type() == QEvent::ParentChange) WatchForm();
}
