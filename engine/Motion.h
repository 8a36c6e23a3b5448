// Moving the IDE windows: in one placement or in animated steps, with a sound.
//
// Every move first lets the GUI thread process all pending messages, so other
// handlers (mouse-watch reports among them) may run before the move starts;
// the slide itself then runs without yielding until its final placement.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "platform/Windows.h"

using platform::Rect;

// Asked after the message pass that precedes a slide: false abandons the slide
// (the handlers that ran may have stopped what the slide belonged to).
using MoveProceed = std::function<bool()>;

// Moves the Object Inspector to `target`.  A lost inspector handle is first
// replaced by a fresh search (class and title), even when that finds nothing.
// animate 0: one placement; 1: Settings.AnimationSteps steps (low 8 bits) and a
// final placement; any other value: no move at all.  The sound starts as the
// move begins (when sounds are on and the name is not empty).  Returns false
// when `proceed` (if given) abandoned the slide after the message pass, true
// otherwise.
bool MoveInspector(Rect target, std::uint8_t animate, const std::string& sound, bool bringToTop,
                   const MoveProceed& proceed = {});

// The same for the main window, whose handle is used as it is.
// (Targets are taken by value: the messages processed before the move may
// recompute the geometry they came from.)
bool MoveMainWindow(Rect target, std::uint8_t animate, const std::string& sound, bool bringToTop,
                    const MoveProceed& proceed = {});

// Slides a window to `target` in `steps` equal steps (when animation is on and
// steps > 0) followed by an exact final placement; without animation, the
// final placement alone.  The whole sound name is handed to the sound layer:
// no length limit applies.
void SlideWindow(platform::HWND window, const Rect& target, std::uint8_t steps, const std::string& sound);

// The per-step increment from a to b in n steps, truncated toward zero, so
// that n steps stop short of b by less than n pixels.  n = 0 gives 0 (there is
// no step to take).
std::int32_t StepDelta(std::int32_t a, std::int32_t b, std::uint8_t n);

// One placement of the window's frame at r.
void PlaceWindow(platform::HWND window, const Rect& r);

// Observes every placement (window, rectangle) as it is made; tests count
// animation steps with it.  An empty function removes the observer.
void SetPlacementObserver(std::function<void(platform::HWND, const Rect&)> observer);

// The sound flags of every slide: asynchronous, no default sound, and no
// interrupting a sound that still plays.
inline constexpr unsigned SlideSoundFlags = 0x13;
