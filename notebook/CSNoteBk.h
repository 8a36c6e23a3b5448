// The tabbed notebook: pages, the page list, the active page and tab rows.
//
// TcsNotebook holds an ordered list of pages (TcsPage), shows exactly one of
// them (the active page) in its page area and has one tab per visible page, in
// rows along one of its four sides.  Its geometry lives in a TcsTabLayout value
// (notebook/CSNoteBkLayout.h), which the notebook keeps in step with its
// properties and size.
//
// Setters follow the toolkit's rules: an unchanged value does nothing; while
// the notebook is loading (being read from form data) a value is only stored,
// and what it would trigger waits for Loaded().  "Relayout" below means the
// rows are rebuilt, rotated to the active page and the pages realigned;
// "repaint" that the whole control is invalidated.
//
// Page messages.  CM_PAGEENABLEDCHANGED and CM_PAGEVISIBLECHANGED are handled
// by direct calls: a page that changes PageEnabled or PageVisible calls its own
// handler, which calls the notebook.  A page also accepts the two numbers as
// platform messages (platform::SendMessage to its handle) and runs the same
// handler, for code that prefers to send them.
//
// Page-list errors (duplicate caption, deleting the last page, clearing a
// built notebook) are shown in the toolkit's modal error box (tk::ShowErrorBox)
// and the operation then returns normally with nothing changed.
//
// Reading from form data: build the notebook inside a tk::LoadingScope.  A
// notebook constructed while loading starts without pages (its "Default" page
// is cleared away again); every TcsPage constructed with the notebook as its
// parent while loading is appended to the page list in construction order; a
// PageIndex set while loading is only stored.  When loading ends, Loaded()
// shows the stored page, builds the tab layout and, outside design mode, makes
// sure the active page is selectable (with an invalid stored index the first
// selectable page, else the first visible one, becomes active) and enables the
// notebook exactly when some page is selectable.
#pragma once

#include <QColor>
#include <QCursor>
#include <QImage>
#include <QFont>
#include <QPixmap>
#include <QPointer>
#include <QRegion>
#include <QStringList>
#include <QWidget>
#include <cstdint>
#include <functional>
#include <vector>

#include "notebook/CSNoteBkLayout.h"
#include "notebook/CSNoteBkPaint.h"
#include "toolkit/Component.h"

class QPainter;
class TcsNotebook;
class TcsPage;

enum TTextAlignment : int {
  taLeftTop = 0,
  taCentreTop = 1,
  taCenterTop = 2,
  taRightTop = 3,
  taLeftMiddle = 4,
  taCentreMiddle = 5,
  taCenterMiddle = 6,
  taRightMiddle = 7,
  taLeftBottom = 8,
  taCentreBottom = 9,
  taCenterBottom = 10,
  taRightBottom = 11,
  taInvisible = 12,
};

enum TBitmapAlignment : int {
  baLeftTop = 0,
  baCentreTop = 1,
  baCenterTop = 2,
  baRightTop = 3,
  baLeftMiddle = 4,
  baCentreMiddle = 5,
  baCenterMiddle = 6,
  baRightMiddle = 7,
  baLeftBottom = 8,
  baCentreBottom = 9,
  baCenterBottom = 10,
  baRightBottom = 11,
  baFit = 12,
  baInvisible = 13,
};

// Number of equal-width glyph cells in a page's bitmap, 1 to 3.
using TTabNumGlyphs = int;

// Asked before a page switch: sender, the page about to become active, and
// allowChange (arrives true; set false to refuse).
using TPageChangingEvent = std::function<void(TcsNotebook* sender, int newIndex, bool& allowChange)>;

// The notebook's own control messages.
constexpr std::uint32_t CM_TABFONTCHANGED = 0xB064;
constexpr std::uint32_t CM_PAGEENABLEDCHANGED = 0xB065;
constexpr std::uint32_t CM_PAGEVISIBLECHANGED = 0xB066;

// ---- TcsPage ----------------------------------------------------------------------

// One page: a container for the controls of the page.  Created hidden and
// disabled; the notebook enables it while it is the active page.
class TcsPage : public QWidget, public tk::TComponent {
  Q_OBJECT
public:
  // A page constructed with a notebook as parent while loading joins that
  // notebook's page list (see "Reading from form data" above); otherwise pages
  // are made through the notebook's Pages().
  explicit TcsPage(QWidget* parent = nullptr);
  ~TcsPage() override;

  // The tab's text, unique within its notebook without regard to case (the
  // page list enforces it; this setter does not).  One "&" marks the
  // accelerator character, "&&" is a literal "&".  A change renames the tab in
  // place.
  QString Caption() const { return m_caption; }
  void SetCaption(const QString& caption);

  // The tab's picture: NumGlyphs equal cells side by side.  Setting copies it.
  const QPixmap& Bitmap() const { return m_bitmap; }
  void SetBitmap(const QPixmap& bitmap);
  TTabNumGlyphs NumGlyphs() const { return m_numGlyphs; }
  // Values outside 1..3 are brought into that range.
  void SetNumGlyphs(TTabNumGlyphs n);

  // A page that is not PageEnabled cannot be selected by the user.
  bool PageEnabled() const { return m_pageEnabled; }
  void SetPageEnabled(bool on);
  // A page that is not PageVisible has no tab and cannot become active.
  bool PageVisible() const { return m_pageVisible; }
  void SetPageVisible(bool on);

  // The page's own enabled flag (not its parents'); managed by the notebook.
  bool Enabled() const { return !testAttribute(Qt::WA_ForceDisabled); }
  void SetEnabled(bool on) { setEnabled(on); }

  // True while the page holds a native window.
  bool HasWindow() const { return internalWinId() != 0; }
  // Destroys the page's native window and those of its children; the child
  // controls themselves stay, and showing the page creates the windows again.
  void ReleaseWindow();

  // Message handlers (see the header comment).
  void CMPageEnabledChanged();
  void CMPageVisibleChanged();

protected:
  bool event(QEvent* e) override;

private:
  friend class TcsPageAccess;
  friend class TcsNotebook;
  TcsNotebook* Notebook() const;

  // The picture cell as the notebook last painted it, its transparent pixels
  // in the tab's background, for the active tab (0) and the others (1).  It
  // stands while the picture (its cache key), the cell, the part copied and
  // the background are the same.
  struct GlyphCache {
    qint64 key = 0;
    int cell = -1;
    platform::Rect source;
    QRgb bg = 0;
    QImage image;
    // The cell already scaled to the size it is drawn at (null while the
    // cell has partly transparent pixels, which are blended when drawn).
    QSize drawnSize;
    QImage drawn;
  };
  GlyphCache m_glyphCache[2];
  // The caption as the notebook last measured and drew it, for the active
  // tab (0) and the others (1): its extent in the font it was drawn in, and
  // the picture of the drawn caption inside its tab (transparent around the
  // letters), which stands while the caption, font, colour, placement and
  // tab size are the same.  A caption whose letters are not drawn in whole
  // pixels keeps no picture and is drawn each time.
  struct CaptionCache {
    QString caption;
    QFont font, underlined;
    int width = 0, height = 0;
    bool drawnValid = false;
    QSize size;
    QPoint at;
    QRgb color = 0;
    int turned = -1;  // the tab side the letters turn with, -1 upright
    bool topReference = true;
    QImage drawn;
  };
  CaptionCache m_captionCache[2];

  QString m_caption;
  QPixmap m_bitmap;
  int m_numGlyphs = 1;
  bool m_pageEnabled = true;
  bool m_pageVisible = true;
};

// ---- TcsPageAccess -------------------------------------------------------------------

// The page list as a list of captions (the notebook's Pages property): item i
// is page i's caption, object i is page i.  Captions are looked up without
// regard to case and must stay unique.
class TcsPageAccess {
public:
  explicit TcsPageAccess(TcsNotebook& notebook) : m_notebook(notebook) {}
  TcsPageAccess(const TcsPageAccess&) = delete;
  TcsPageAccess& operator=(const TcsPageAccess&) = delete;

  int Count() const;
  // Page i's caption; empty for an index out of range.
  QString Get(int i) const;
  QString operator[](int i) const { return Get(i); }
  // Page i; nullptr for an index out of range.
  TcsPage* Objects(int i) const;
  // Index of the caption, compared without case; -1 when no page has it.
  int IndexOf(const QString& caption) const;
  QStringList Strings() const;

  // Renames page i.  Another page with that caption (in any case) shows
  // "Tab with Caption '<S>' already exists. Tab Captions must be unique."
  // An index out of range does nothing.
  void Put(int i, const QString& caption);
  // Appends a new page; returns its index, or -1 after the duplicate message.
  // Once the layout is built the new page becomes active.
  int Add(const QString& caption);
  // As Add, at index i (0..Count); an index out of range does nothing.
  void Insert(int i, const QString& caption);
  // Destroys page i.  The last remaining page shows "Cannot delete last
  // remaining Tab.  Notebooks must have at least one Tab."  The active page
  // stays active; when it is the one deleted, page 0 (or the next selectable
  // page) takes over.
  void Delete(int i);
  // Swaps two pages.  When one of them is the active page, the page that now
  // stands at the active index becomes active.
  void Exchange(int i, int j);
  // Moves page `from` to index `to`; the active page stays active.  Nothing
  // unless from != to and both are valid indices.
  void Move(int from, int to);
  // Before the layout is built (while reading form data): destroys every
  // page.  Afterwards shows "Cannot clear all Notebook pages.  Notebooks with
  // no pages are not allowed." and removes nothing.
  void Clear();
  // Clear, then Add for each caption in order.
  void Assign(const QStringList& captions);
  // Add for each caption in order.
  void AddStrings(const QStringList& captions);
  void BeginUpdate() {}
  void EndUpdate() {}

private:
  int InsertPage(int i, const QString& caption);
  // After an edit, once the layout is built: rebuilds the tabs and makes page
  // i active (the current index when i < 0).
  void RefreshAfterEdit(int i);
  void NotifyDesigner();

  TcsNotebook& m_notebook;
};

// ---- TcsNotebook ------------------------------------------------------------------

class TcsNotebook : public QWidget, public tk::TComponent {
  Q_OBJECT
public:
  // A new notebook is 250 x 150 with one page "Default", active, and takes the
  // keyboard focus by tabbing.
  explicit TcsNotebook(QWidget* parent = nullptr);
  ~TcsNotebook() override;

  // ---- pages ----------------------------------------------------------------
  TcsPageAccess& Pages() { return m_access; }
  const TcsPageAccess& Pages() const { return m_access; }
  // Clear, then Add for each caption (see TcsPageAccess::Assign).
  void SetPages(const QStringList& captions) { m_access.Assign(captions); }
  // The pages in page order (also the order in which they are written out).
  const std::vector<TcsPage*>& PageList() const { return m_pageList; }
  int PageCount() const { return static_cast<int>(m_pageList.size()); }
  TcsPage* Page(int i) const;

  // Index of the active page, -1 when none.  Setting it switches pages:
  // ignored when out of range, equal to the current index, or naming a hidden
  // page, or (outside design mode) a disabled page while the current one is
  // visible; OnPageChanging may refuse; then the new page is raised, enabled,
  // shown and fills PageClientRect, the old one is disabled and hidden (its
  // window released with SaveResources), and OnPageChanged is told.
  int PageIndex() const { return m_pageIndex; }
  void SetPageIndex(int index);
  // Caption of the active page (empty when none).  Setting looks the caption up
  // without case and sets PageIndex; an unknown caption changes nothing.
  QString ActivePage() const;
  void SetActivePage(const QString& caption);
  // The active page's picture and cell count (empty and 1 without an active
  // page; setting then does nothing).
  QPixmap Bitmap() const;
  void SetBitmap(const QPixmap& bitmap);
  TTabNumGlyphs NumGlyphs() const;
  void SetNumGlyphs(TTabNumGlyphs n);

  // Brings a child into view: for one of the pages, makes it active.
  void ShowControl(QWidget* child);

  // ---- tab properties ----------------------------------------------------------
  bool AnchoredTabs() const { return m_layout.anchoredTabs; }
  void SetAnchoredTabs(bool on);
  TBitmapAlignment BitmapAlignment() const { return m_bitmapAlignment; }
  void SetBitmapAlignment(TBitmapAlignment a);
  TTextAlignment TextAlignment() const { return m_textAlignment; }
  void SetTextAlignment(TTextAlignment a);
  // At most TabHeight - 1 (when TabHeight > 0), at least 1; raises a positive
  // MaxTabWidth to at least 2 * CornerSize + 6.
  int CornerSize() const { return m_layout.cornerSize; }
  void SetCornerSize(int size);
  // 0 or less: tabs share the row length.  Positive values are at least 15 and
  // lower CornerSize to at most max(1, MaxTabWidth div 2 - 6).
  int MaxTabWidth() const { return m_layout.maxTabWidth; }
  void SetMaxTabWidth(int width);
  // Depth of one tab row; re-applies the CornerSize limit.
  int TabHeight() const { return m_layout.tabHeight; }
  void SetTabHeight(int height);
  // 0 or less becomes 3.
  int TabsPerRow() const { return m_layout.tabsPerRow; }
  void SetTabsPerRow(int n);
  // Negative values are ignored.
  int RowIndent() const { return m_layout.rowIndent; }
  void SetRowIndent(int indent);
  // Changing to the other axis turns SidewaysText on for the left and right
  // sides and off for top and bottom.
  TTabOrientation TabOrientation() const { return m_layout.orientation; }
  void SetTabOrientation(TTabOrientation o);
  // Tab text along vertical tabs; true is ignored on the top and bottom sides.
  bool SidewaysText() const { return m_sidewaysText; }
  void SetSidewaysText(bool on);
  // Number of tab rows for the visible pages.
  int RowExtent() const;

  // While true, pages that are not active hold no native window.
  bool SaveResources() const { return m_saveResources; }
  void SetSaveResources(bool on);

  QColor SelectedColor() const { return m_selectedColor; }
  void SetSelectedColor(const QColor& c);
  QColor UnselectedColor() const { return m_unselectedColor; }
  void SetUnselectedColor(const QColor& c);
  QColor UnselectedTabColor() const { return m_unselectedTabColor; }
  void SetUnselectedTabColor(const QColor& c);
  bool UseUnselectedTabColor() const { return m_useUnselectedTabColor; }
  void SetUseUnselectedTabColor(bool on);
  // The background of the page and of the active tab.  While ParentColor is
  // true (the default) it is the parent's background colour; setting a colour
  // turns ParentColor off.
  QColor Color() const;
  void SetColor(const QColor& c);
  bool ParentColor() const { return m_parentColor; }
  void SetParentColor(bool on);
  // The background of a tab: Color, or UnselectedTabColor for an inactive tab
  // while UseUnselectedTabColor is on.
  QColor TabColor(bool active) const;

  // The caption font.  Setting it (any change) stops it following the parent's
  // font.  While ParentTabFont is true it follows the parent's font.
  const QFont& TabFont() const { return m_tabFont; }
  void SetTabFont(const QFont& font);
  bool ParentTabFont() const { return m_parentTabFont; }
  void SetParentTabFont(bool on);

  // The notebook's own enabled flag (not its parents').
  bool Enabled() const { return !testAttribute(Qt::WA_ForceDisabled); }
  void SetEnabled(bool on) { setEnabled(on); }

  // ---- events ----------------------------------------------------------------
  TPageChangingEvent OnPageChanging;
  std::function<void(QObject* sender)> OnPageChanged;
  std::function<void(QObject* sender)> OnTabClick;
  // Any mouse button pressed on the notebook, before it acts on the press.
  std::function<void(QObject* sender, Qt::MouseButton button, Qt::KeyboardModifiers shift, int x, int y)>
      OnMouseDown;
  // The keyboard focus arrives at / leaves the notebook.
  std::function<void(QObject* sender)> OnEnter;
  std::function<void(QObject* sender)> OnExit;
  // Told (in design mode only) that the form was modified through the page
  // list: stands for the form designer attached to the parent form.
  std::function<void(QWidget* form)> OnDesignerModified;

  // ---- layout -----------------------------------------------------------------
  // The geometry: rows, tab rectangles and the named rectangles.
  const TcsTabLayout& Layout() const { return m_layout; }
  bool LayoutBuilt() const { return m_layoutBuilt; }
  int RowCount() const { return m_layout.rowCount; }
  // Builds the layout the first time (Relayout) and recomputes the tab
  // rectangles: what the background erase does before it paints.
  void PrepareTabs();
  // Rebuilds the rows from the visible pages, rotates them to the active page
  // (unless AnchoredTabs) and realigns the pages in PageClientRect.
  void Relayout();
  // Once the layout is built: discards the tab list, Relayout, recomputes the
  // tab rectangles and repaints.
  void RebuildTabs();
  // Invalidates the inner rectangle of page i's tab (nothing for an invalid
  // index, a hidden page or a page without tab).
  void InvalidateTab(int i);
  // Mode 0: every visible tab, 1: the active tab, 2: every inactive visible tab.
  void InvalidateTabs(int mode);
  // Invalidates what a page switch from `oldIndex` to `newIndex` changes.
  void InvalidatePageChange(int oldIndex, int newIndex);
  // The page whose tab holds the client point, or -1.
  int TabAtPoint(const QPoint& p) const;
  // Client rectangle of a page's tab; an empty QRect for a page without tab.
  QRect TabRectOf(int pageIndex) const;
  QRect PageClientRect() const { return m_layout.PageClientRect().ToQRect(); }

  // Keeps the active page selectable: when it is disabled or hidden, the next
  // selectable page (wrapping) becomes active, or, when no page is selectable,
  // the next visible page.  With no active page the walk starts before page 0.
  void EnsureValidActivePage();
  // True in design mode, else when some page is PageEnabled and PageVisible.
  bool AnyPageSelectable() const;
  bool AnyPageVisible() const;

  // Whether the focus rectangle (a dotted, inverting rectangle one pixel
  // outside the active tab's inner rectangle) is on screen.
  bool FocusDrawn() const { return m_focusDrawn; }
  void SetFocusDrawn(bool on) { m_focusDrawn = on; }
  // Draws the focus rectangle again: shows it when it is off, removes it when
  // it is on.
  void ToggleFocusRect();

  // ---- interaction ---------------------------------------------------------------
  // The accelerator character c typed in the notebook's form (one the focused
  // control did not take, or typed with Alt): selects the first enabled,
  // visible page whose caption has c as its accelerator (without case), moves
  // the focus to the notebook and raises OnTabClick.  Returns whether the
  // character was taken; a disabled or hidden notebook, or no such page,
  // leaves it to the rest of the form.  The notebook watches its form's keys
  // for this itself.
  bool DialogChar(QChar c);
  // After a user's successful selection: shows the focus rectangle when the
  // notebook has the focus, then raises OnTabClick.
  void TabClick();

  // Design mode.  The designer asks whether the notebook handles the mouse at
  // client point p: a left press on a tab selects that page and answers true,
  // as does every query while that button stays down, and its release.
  bool DesignHitTest(const QPoint& p, Qt::MouseButtons buttons);
  // The cursor over the client point `screenPos` (global coordinates): the
  // tab cursor over a tab (answers true), else the usual cursor (false).
  bool DesignSetCursor(const QPoint& screenPos);
  // Cursor number of the tab cursor, and the cursor itself: the hand picture
  // "CSTABCURSOR" of the add-in's resources, or the arrow when it is missing.
  static constexpr int crTabCursor = 31000;
  static QCursor TabCursor();

  void Loaded() override;

  // Called by pages (see the header comment).
  void PageCaptionChanged(TcsPage* page);
  void PageGlyphsChanged(TcsPage* page);
  void PageEnabledChanged(TcsPage* page);
  void PageVisibleChanged(TcsPage* page);

protected:
  void paintEvent(QPaintEvent* e) override;
  void resizeEvent(QResizeEvent* e) override;
  void changeEvent(QEvent* e) override;
  void mousePressEvent(QMouseEvent* e) override;
  void mouseMoveEvent(QMouseEvent* e) override;
  void mouseReleaseEvent(QMouseEvent* e) override;
  void keyPressEvent(QKeyEvent* e) override;
  void focusInEvent(QFocusEvent* e) override;
  void focusOutEvent(QFocusEvent* e) override;
  bool eventFilter(QObject* watched, QEvent* e) override;
  // Renders the whole control into `canvas` (the widget's size): background,
  // tabs, frames, captions, pictures and the focus rectangle.
  void PaintTabs(QImage& canvas);
  // Paints the part `region` (client coordinates) of the control with
  // `painter`, which paints on the control's client area: exactly the pixels
  // PaintTabs gives there, at a cost that follows what the region covers.
  // The page's plain interior is filled directly; the rest is rendered into
  // a canvas per band around it, holding only what the region touches (one
  // canvas for all bands when their parts lie close together off the
  // interior, as for a switch between neighbouring side tabs).
  void PaintRegion(QPainter& painter, const QRegion& region);
  // Parent-font handling: the tab font follows the parent's while
  // ParentTabFont is true.
  virtual void ParentFontChanged();
  // After a change of TabFont.  Qt hands a widget's font down to its children,
  // so the notebook's own Font (and with it its pages') is not touched: the
  // tab font is read from TabFont at every paint.
  virtual void CMTabFontChanged() {}

private:
  friend class TcsPageAccess;
  friend class TcsPage;

  std::vector<TcsLayoutPage> LayoutPages() const;
  void SyncSize();
  void AlignPages();
  void ShowPage(TcsPage* page);
  void ReleaseInactivePages();
  void TabFontChanged();
  void RenameTab(TcsPage* page);
  void PageDestroyed(TcsPage* page);
  int IndexOfPage(const TcsPage* page) const;
  bool Loading() const { return IsLoading(); }
  // What one paint draws, worked out once for all the canvases of a paint
  // (defined with the painting code).
  struct PaintScene;
  PaintScene BuildScene();
  // Renders the client rectangle `area` into `canvas` (area's size, pixel
  // (0, 0) being area's top-left corner).
  void PaintArea(QImage& canvas, const QRect& area, const PaintScene& scene);
  void EraseBackground(QImage& canvas, const QRect& area, const PaintScene& scene);
  // Draw with `painter` on a canvas whose (0, 0) is the client point `origin`.
  class TabPainter;
  void DrawGlyph(TabPainter& painter, const QPoint& origin, TcsPage* page, bool active, const platform::Rect& inner,
                 const QColor& bg);
  void DrawCaption(TabPainter& painter, const QPoint& origin, TcsPage* page, bool active, const platform::Rect& inner,
                   const QColor& bg, const QFont& plain, const QFont& underlined);
  QRect FocusRect() const;
  void WatchForm();

  std::vector<TcsPage*> m_pageList;
  TcsPageAccess m_access{*this};
  TcsTabLayout m_layout;
  int m_pageIndex = -1;
  bool m_layoutBuilt = false;
  bool m_focusDrawn = false;
  bool m_destroying = false;
  QPoint m_lastHitPoint;
  QPointer<QWidget> m_watchedForm;
  // The lines of the last paint (outlines, 3-D lines, frames) with the
  // rectangles that hold their pixels: they follow from the layout and the
  // active page alone, so they stand while both are as they were.
  struct LineCache {
    bool valid = false;
    TcsTabLayout layout;
    QString active;
    std::vector<TcsLine> lines;
    std::vector<QRect> boxes;
    // Whether some line reaches into the page's client rectangle.
    bool intoPage = false;
  };
  LineCache m_lineCache;
  // Canvas memory kept from paint to paint.
  QImage m_canvas;

  TBitmapAlignment m_bitmapAlignment = baRightMiddle;
  TTextAlignment m_textAlignment = taLeftMiddle;
  bool m_sidewaysText = false;
  bool m_saveResources = false;
  QColor m_selectedColor;
  QColor m_unselectedColor;
  QColor m_unselectedTabColor;
  bool m_useUnselectedTabColor = false;
  QColor m_color;
  bool m_parentColor = true;
  QFont m_tabFont;
  bool m_parentTabFont = true;
};
