#include "platform/backend/x11/Placement.h"

#include <algorithm>
#include <optional>

namespace platform::x11 {

Rect ClientFromFrame(const Rect& f, const Extents& e) {
  return Rect{f.left + e.left, f.top + e.top, f.right - e.right, f.bottom - e.bottom};
}

Rect FrameFromClient(const Rect& c, const Extents& e) {
  return Rect{c.left - e.left, c.top - e.top, c.right + e.right, c.bottom + e.bottom};
}

Extents ExtentsBetween(const Rect& f, const Rect& c) {
  return Extents{std::max(0, c.left - f.left), std::max(0, f.right - c.right), std::max(0, c.top - f.top),
                 std::max(0, f.bottom - c.bottom)};
}

namespace {

// r less m, as up to four rectangles (above, below, left of and right of m).
void Subtract(const Rect& r, const Rect& m, std::vector<Rect>& out) {
  const Rect i{std::max(r.left, m.left), std::max(r.top, m.top), std::min(r.right, m.right),
               std::min(r.bottom, m.bottom)};
  if (i.left >= i.right || i.top >= i.bottom) {
    out.push_back(r);
    return;
  }
  if (r.top < i.top) out.push_back(Rect{r.left, r.top, r.right, i.top});
  if (i.bottom < r.bottom) out.push_back(Rect{r.left, i.bottom, r.right, r.bottom});
  if (r.left < i.left) out.push_back(Rect{r.left, i.top, i.left, i.bottom});
  if (i.right < r.right) out.push_back(Rect{i.right, i.top, r.right, i.bottom});
}

}  // namespace

bool WhollyOnMonitors(const Rect& r, const std::vector<Monitor>& monitors) {
  if (r.Width() <= 0 || r.Height() <= 0) {
    return std::any_of(monitors.begin(), monitors.end(),
                       [&](const Monitor& m) { return m.bounds.Contains(r.left, r.top); });
  }
  // What is left of r once every monitor is taken away must be nothing.
  std::vector<Rect> left{r};
  for (const Monitor& m : monitors) {
    std::vector<Rect> next;
    for (const Rect& piece : left) Subtract(piece, m.bounds, next);
    left.swap(next);
    if (left.empty()) return true;
  }
  return left.empty();
}

Point RequestPosition(const Rect& frame, const Extents& e, int gravity, int borderWidth) {
  const Rect client = ClientFromFrame(frame, e);
  // The client's outer size, border included, against the frame's.
  const int spareW = frame.Width() - (client.Width() + 2 * borderWidth);
  const int spareH = frame.Height() - (client.Height() + 2 * borderWidth);
  if (gravity == kStatic) return Point{client.left - borderWidth, client.top - borderWidth};
  Point p{frame.left, frame.top};
  switch (gravity) {
    case kNorth: case kCenter: case kSouth: p.x += spareW / 2; break;
    case kNorthEast: case kEast: case kSouthEast: p.x += spareW; break;
    default: break;
  }
  switch (gravity) {
    case kWest: case kCenter: case kEast: p.y += spareH / 2; break;
    case kSouthWest: case kSouth: case kSouthEast: p.y += spareH; break;
    default: break;
  }
  return p;
}

namespace {

// A monitor's work area; its bounds when none is known.
const Rect& WorkAreaOf(const Monitor& m) {
  return m.workArea.Width() > 0 && m.workArea.Height() > 0 ? m.workArea : m.bounds;
}

}  // namespace

bool LandedFreely(const Rect& got, const std::vector<Monitor>& monitors) {
  return std::any_of(monitors.begin(), monitors.end(), [&](const Monitor& m) {
    const Rect& a = WorkAreaOf(m);
    return got.left > a.left && got.top > a.top && got.right < a.right && got.bottom < a.bottom;
  });
}

bool WithinWorkArea(const Rect& r, const std::vector<Monitor>& monitors) {
  return std::any_of(monitors.begin(), monitors.end(), [&](const Monitor& m) {
    const Rect& a = WorkAreaOf(m);
    return r.left >= a.left && r.top >= a.top && r.right <= a.right && r.bottom <= a.bottom;
  });
}

Point PositionReading::Offset(Kind kind, const Extents& e, int gravity, int borderWidth) const {
  const std::optional<Learned>& l = learned_[kind == kMap ? 0 : 1];
  if (!l || l->e != e || l->gravity != gravity || l->border != borderWidth) return Point{0, 0};
  return l->offset;
}

Point PositionReading::Ask(Kind kind, const Rect& frame, const Extents& e, int gravity, int borderWidth) const {
  const Point p = RequestPosition(frame, e, gravity, borderWidth);
  const Point o = Offset(kind, e, gravity, borderWidth);
  return Point{p.x + o.x, p.y + o.y};
}

void PositionReading::Learn(Kind kind, Point asked, const Rect& frame, const Rect& got, const Extents& e,
                            int gravity, int borderWidth, const std::vector<Monitor>& monitors) {
  // At the asked frame it was not held back either (a window manager that
  // holds frames back keeps them off the asked one, or wherever asked).
  if (got != frame && (got.Width() != frame.Width() || got.Height() != frame.Height() || !LandedFreely(got, monitors)))
    return;
  // The gravity's reading would have put the frame at `got` for `named`; the
  // window manager put it there for `asked`.  The difference is what it adds.
  const Point named = RequestPosition(got, e, gravity, borderWidth);
  learned_[kind == kMap ? 0 : 1] = Learned{e, gravity, borderWidth, Point{asked.x - named.x, asked.y - named.y}};
}

namespace {

// Field indices of WM_SIZE_HINTS.
enum Field {
  kFlags, kX, kY, kW, kH, kMinW, kMinH, kMaxW, kMaxH, kIncW, kIncH,
  kMinAspX, kMinAspY, kMaxAspX, kMaxAspY, kBaseW, kBaseH, kGravity, kFields
};

// The field when the hints are long enough to hold it and `flag` is set.
std::optional<long long> Get(const SizeHints& h, Field f, std::uint32_t flag) {
  if (h.empty() || !(h[kFlags] & flag) || h.size() <= static_cast<std::size_t>(f)) return std::nullopt;
  return static_cast<long long>(static_cast<std::int32_t>(h[f]));
}

}  // namespace

SizeHints Normalized(const SizeHints& hints) {
  SizeHints h(kFields, 0);
  if (hints.empty()) return h;
  h[kFlags] = hints[kFlags];
  auto keep = [&](Field from, Field to, std::uint32_t flags) {
    if (!(hints[kFlags] & flags)) return;
    for (int f = from; f <= to && static_cast<std::size_t>(f) < hints.size(); ++f) h[f] = hints[f];
  };
  keep(kMinW, kMinH, hint::kPMinSize);
  keep(kMaxW, kMaxH, hint::kPMaxSize);
  keep(kIncW, kIncH, hint::kPResizeInc);
  keep(kMinAspX, kMaxAspY, hint::kPAspect);
  keep(kBaseW, kBaseH, hint::kPBaseSize);
  keep(kGravity, kGravity, hint::kPWinGravity);
  return h;
}

int WinGravity(const SizeHints& hints) {
  const auto g = Get(hints, kGravity, hint::kPWinGravity);
  return g && *g >= kNorthWest && *g <= kStatic ? static_cast<int>(*g) : kNorthWest;
}

bool SizeAllowed(const SizeHints& hints, int width, int height) {
  if (width <= 0 || height <= 0) return false;
  const auto minW = Get(hints, kMinW, hint::kPMinSize), minH = Get(hints, kMinH, hint::kPMinSize);
  const auto baseW = Get(hints, kBaseW, hint::kPBaseSize), baseH = Get(hints, kBaseH, hint::kPBaseSize);
  // Each stands in for the other where one is missing (ICCCM).
  const long long loW = minW ? *minW : baseW ? *baseW : 0, loH = minH ? *minH : baseH ? *baseH : 0;
  const long long fromW = baseW ? *baseW : loW, fromH = baseH ? *baseH : loH;
  if (width < loW || height < loH) return false;
  const auto maxW = Get(hints, kMaxW, hint::kPMaxSize), maxH = Get(hints, kMaxH, hint::kPMaxSize);
  if ((maxW && *maxW > 0 && width > *maxW) || (maxH && *maxH > 0 && height > *maxH)) return false;
  const auto incW = Get(hints, kIncW, hint::kPResizeInc), incH = Get(hints, kIncH, hint::kPResizeInc);
  if (incW && *incW > 1 && (width - fromW) % *incW != 0) return false;
  if (incH && *incH > 1 && (height - fromH) % *incH != 0) return false;
  const auto aMinX = Get(hints, kMinAspX, hint::kPAspect), aMinY = Get(hints, kMinAspY, hint::kPAspect);
  const auto aMaxX = Get(hints, kMaxAspX, hint::kPAspect), aMaxY = Get(hints, kMaxAspY, hint::kPAspect);
  if (aMinX && aMinY && aMaxX && aMaxY) {
    // min_x / min_y <= width / height <= max_x / max_y, without dividing.
    if (*aMinY > 0 && width * *aMinY < *aMinX * height) return false;
    if (*aMaxY > 0 && width * *aMaxY > *aMaxX * height) return false;
  }
  return true;
}

SizeHints HintsForPlacement(const SizeHints& own, const Rect& client, Point position) {
  const bool allowed = SizeAllowed(own, client.Width(), client.Height());
  SizeHints h = own;
  if (h.size() < kFields) {
    // Fields a short list lacks are absent: their flags go too.
    std::uint32_t keep = hint::kUSPosition | hint::kUSSize | 4u | 8u;
    if (h.size() > kMaxH) keep |= hint::kPMinSize | hint::kPMaxSize;
    if (h.size() > kIncH) keep |= hint::kPResizeInc;
    if (h.size() > kMaxAspY) keep |= hint::kPAspect;
    if (h.size() > kBaseH) keep |= hint::kPBaseSize;
    h.resize(kFields, 0);
    h[kFlags] &= keep;
  }
  const auto w = static_cast<std::uint32_t>(std::max(1, client.Width()));
  const auto ht = static_cast<std::uint32_t>(std::max(1, client.Height()));
  h[kFlags] |= hint::kUSPosition | hint::kUSSize;
  h[kX] = static_cast<std::uint32_t>(position.x);
  h[kY] = static_cast<std::uint32_t>(position.y);
  h[kW] = w;
  h[kH] = ht;
  if (allowed) return h;
  h[kFlags] &= ~(hint::kPResizeInc | hint::kPAspect);
  if (h[kFlags] & hint::kPMinSize) {
    h[kMinW] = std::min(h[kMinW], w);
    h[kMinH] = std::min(h[kMinH], ht);
  }
  if (h[kFlags] & hint::kPBaseSize) {
    // A base size stands in for a missing minimum: it must not forbid the size either.
    h[kBaseW] = std::min(h[kBaseW], w);
    h[kBaseH] = std::min(h[kBaseH], ht);
  }
  if (h[kFlags] & hint::kPMaxSize) {
    if (h[kMaxW] != 0) h[kMaxW] = std::max(h[kMaxW], w);
    if (h[kMaxH] != 0) h[kMaxH] = std::max(h[kMaxH], ht);
  }
  return h;
}

Rect UnmanagedRect(const Rect& frame, const SizeHints& own, const std::vector<Monitor>& monitors) {
  // The same bounds SizeAllowed reads: the base size stands in for a missing
  // minimum, and a maximum of 0 bounds nothing.
  const auto minW = Get(own, kMinW, hint::kPMinSize), minH = Get(own, kMinH, hint::kPMinSize);
  const auto baseW = Get(own, kBaseW, hint::kPBaseSize), baseH = Get(own, kBaseH, hint::kPBaseSize);
  const auto maxW = Get(own, kMaxW, hint::kPMaxSize), maxH = Get(own, kMaxH, hint::kPMaxSize);
  auto held = [](long long size, std::optional<long long> lo, std::optional<long long> hi) {
    // A maximum below the minimum is a client's mistake: the minimum wins,
    // as it does for window managers.
    if (hi && *hi > 0) size = std::min(size, *hi);
    if (lo) size = std::max(size, *lo);
    return static_cast<int>(std::clamp<long long>(size, 1, 32767));
  };
  return AnchoredRect(frame, held(frame.Width(), minW ? minW : baseW, maxW),
                      held(frame.Height(), minH ? minH : baseH, maxH), monitors);
}

Rect AnchoredRect(const Rect& frame, int w, int h, const std::vector<Monitor>& monitors) {
  if (w == frame.Width() && h == frame.Height()) return frame;
  // The monitor the frame lies on most decides which of its edges are off the screen.
  const Monitor* on = nullptr;
  long long most = 0;
  for (const Monitor& m : monitors) {
    const long long iw = std::min(frame.right, m.bounds.right) - std::max(frame.left, m.bounds.left);
    const long long ih = std::min(frame.bottom, m.bounds.bottom) - std::max(frame.top, m.bounds.top);
    if (iw > 0 && ih > 0 && iw * ih > most) {
      most = iw * ih;
      on = &m;
    }
  }
  // An edge is off the screen when it leaves that monitor where no other
  // monitor takes over (at the middle of the frame's part on it).
  auto onSome = [&](int x, int y) {
    return std::any_of(monitors.begin(), monitors.end(), [&](const Monitor& m) { return m.bounds.Contains(x, y); });
  };
  const int midX = on ? (std::max(frame.left, on->bounds.left) + std::min(frame.right, on->bounds.right)) / 2 : 0;
  const int midY = on ? (std::max(frame.top, on->bounds.top) + std::min(frame.bottom, on->bounds.bottom)) / 2 : 0;
  Rect r{frame.left, frame.top, frame.left + w, frame.top + h};
  if (on && frame.left < on->bounds.left && !onSome(frame.left, midY)) {
    r.right = frame.right;
    r.left = frame.right - w;
  }
  if (on && frame.top < on->bounds.top && !onSome(midX, frame.top)) {
    r.bottom = frame.bottom;
    r.top = frame.bottom - h;
  }
  return r;
}

Mode ModeFor(const Rect& frame, const std::vector<Monitor>& monitors, bool wmRunning, const Extents& e,
             const std::optional<Rect>& managedAt) {
  if (!wmRunning || monitors.empty() || managedAt == frame) return Mode::Managed;
  const int spareX = kOverhang + std::max(0, e.left) + std::max(0, e.right);
  const int spareY = kOverhang + std::max(0, e.top) + std::max(0, e.bottom);
  Rect core{frame.left + spareX, frame.top + spareY, frame.right - spareX, frame.bottom - spareY};
  if (core.Width() <= 0 || core.Height() <= 0) core = frame;  // too small to spare a border
  return WhollyOnMonitors(core, monitors) ? Mode::Managed : Mode::Unmanaged;
}

Corrections::Corrections(const Rect& frame, Point corner, bool reachable)
    : frame_(frame), reachable_(reachable), corner_(corner), asked_{corner} {}

std::optional<Point> Corrections::Next(const std::optional<Rect>& got) {
  if (!got || *got == frame_) return std::nullopt;
  // The last correction moved nothing: the window manager keeps the window as
  // it is, or holds it back past the work area on purpose.
  if (from_ && *got == *from_ && (!fromSameSize_ || !reachable_)) return std::nullopt;
  if (corrections_ >= kMaxCorrections) return std::nullopt;
  const bool sameSize = got->Width() == frame_.Width() && got->Height() == frame_.Height();
  if (sameSize) {
    // Off by a fixed amount, or held back: corrected by what it did, doubled
    // on an axis where the last correction left the frame where it stood.
    stride_.x = from_ && from_->left == got->left ? stride_.x * 2 : 1;
    stride_.y = from_ && from_->top == got->top ? stride_.y * 2 : 1;
    corner_.x += (frame_.left - got->left) * stride_.x;
    corner_.y += (frame_.top - got->top) * stride_.y;
    if (std::find(asked_.begin(), asked_.end(), corner_) != asked_.end()) return std::nullopt;
  }
  from_ = got;
  fromSameSize_ = sameSize;
  asked_.push_back(corner_);
  ++corrections_;
  return corner_;
}

MoveWay PlanMove(const MoveFacts& f, const Rect& frame, const std::vector<Monitor>& monitors) {
  const Mode mode = ModeFor(frame, monitors, f.wmRunning, f.borders, f.home);
  if (f.withdrawing) return mode == Mode::Unmanaged ? MoveWay::Retarget : MoveWay::FinishWithdrawal;
  // A window nobody shows is nobody's to frame: moving it must not show it.
  if (!f.shown && !f.unmanaged) return MoveWay::ConfigureHidden;
  if (mode == Mode::Unmanaged) {
    if (f.unmanaged) return MoveWay::PlaceUnmanaged;
    return f.placesWindows ? MoveWay::Withdraw : MoveWay::Stay;
  }
  if (f.unmanaged) return MoveWay::GiveBack;
  return f.wmRunning ? MoveWay::Managed : MoveWay::Configure;
}

}  // namespace platform::x11
