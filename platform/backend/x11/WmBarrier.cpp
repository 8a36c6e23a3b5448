#include "platform/backend/x11/WmBarrier.h"

#include <algorithm>

#include "platform/backend/x11/Xcb.h"

namespace platform::x11 {

using Clock = std::chrono::steady_clock;

WmBarrier::WmBarrier(xcb_connection_t* c, xcb_window_t root) : c_(c), root_(root) {
  if (!c_) return;
  frameExtents_ = Intern(c_, "_NET_FRAME_EXTENTS");
  request_ = Intern(c_, "_NET_REQUEST_FRAME_EXTENTS");
  // Never mapped: nobody frames it, and the window manager only works out
  // the extents it would give it.
  probe_ = xcb_generate_id(c_);
  xcb_create_window(c_, XCB_COPY_FROM_PARENT, probe_, root_, -1, -1, 1, 1, 0, XCB_WINDOW_CLASS_INPUT_OUTPUT,
                    XCB_COPY_FROM_PARENT, 0, nullptr);
  xcb_flush(c_);
}

WmBarrier::~WmBarrier() {
  if (c_ && probe_ && !xcb_connection_has_error(c_)) {
    xcb_destroy_window(c_, probe_);
    xcb_flush(c_);
  }
}

void WmBarrier::Ask() {
  xcb_delete_property(c_, probe_, frameExtents_);
  xcb_client_message_event_t ev{};
  ev.response_type = XCB_CLIENT_MESSAGE;
  ev.format = 32;
  ev.window = probe_;
  ev.type = request_;
  xcb_send_event(c_, 0, root_, XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                 reinterpret_cast<const char*>(&ev));
  xcb_flush(c_);
  askedAt_ = Clock::now();
}

bool WmBarrier::Answered() const { return !Cardinals(c_, probe_, frameExtents_, XCB_ATOM_CARDINAL).empty(); }

bool WmBarrier::Pass(xcb_window_t wm, int timeoutMs) {
  if (!c_ || !probe_ || wm == 0) return false;
  const Clock::time_point end = Clock::now() + std::chrono::milliseconds(timeoutMs);
  if (wm != wm_) {
    wm_ = wm;
    state_ = State::Unknown;
    Ask();
  }
  if (state_ == State::Unknown) {
    // Its first answer shows it answers; it tells nothing of what was sent
    // since, which the question asked below covers.
    const Clock::time_point first = askedAt_ + std::chrono::milliseconds(kFirstAnswerMs);
    if (PollUntil([this] { return Answered(); }, std::min(end, first)))
      state_ = State::Answers;
    else if (Clock::now() >= first)
      state_ = State::Silent;
    else
      return false;
  }
  if (state_ == State::Silent) {
    if (!Answered()) return false;
    state_ = State::Answers;
  }
  Ask();
  if (PollUntil([this] { return Answered(); }, end)) return true;
  state_ = State::Silent;
  return false;
}

}  // namespace platform::x11
