#include "platform/backend/x11/CompositorFocus.h"

namespace platform::x11 {

CompositorDecision OnCompositorActivation(CompositorFocus state, CompositorActivated what, bool fromOurs) {
  switch (what) {
    case CompositorActivated::Native:
      if (fromOurs) return {CompositorStep::HandBack, {true, false}};
      return {CompositorStep::Loss, {}};
    case CompositorActivated::Nothing:
      // Ours when asked for, and for as long as KWin keeps activating nothing.
      if (state.handBackAsked || state.nothingActive) return {CompositorStep::Keep, {false, true}};
      return {CompositorStep::Evaluate, {}};
    case CompositorActivated::XWindow:
      return {CompositorStep::Evaluate, {}};
    case CompositorActivated::Unwatched:
      return {CompositorStep::Forget, {}};
  }
  return {CompositorStep::Evaluate, {}};
}

CompositorFocus AfterXWindowActive(CompositorFocus) { return {}; }

NoneActiveStep OnNoXWindowActive(const CompositorFocus& state) {
  return state.nothingActive ? NoneActiveStep::Ignore : NoneActiveStep::Watch;
}

}  // namespace platform::x11
