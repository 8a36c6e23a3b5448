// Help requests by file name and topic name.
//
// WinHelpJump opens the help file at the named topic in the IDE's help viewer,
// a window of this process (class THelpViewer, titled "<file name> - Help")
// that is created on first use and reused afterwards.  The viewer shows the
// document in a text browser (object name "helpBrowser") under a notice line
// (object name "helpNotice", hidden when there is nothing to say).
//
// The help file is an HTML document with one anchor per topic name
// (<a name="Topic">); topic names match without regard to case.  The file is
// read afresh for every request.  A bare file name is looked for in the folder
// given by SetHelpSearchFolder (the add-in sets it to its own library's folder
// when it starts), then in the Windows directory; a name with a folder part is
// looked for in that folder only.  In each folder the exact name wins, else a
// name that differs only in case.
//
// The viewer works beside the add-in's modal dialogs: it is kept a transient
// window of the newest open modal dialog (when it is asked for, and as dialogs
// open and close while it is on screen), so no dialog shuts it out from the
// mouse and keyboard: it can be scrolled, clicked and closed, also with
// Escape, while the dialog waits.  It opens beside the window
// that asked for it (the open modal dialog, else the active window) and is
// moved there again whenever it would cover that window; see PlaceHelpViewer.
//
// Failures are shown, never thrown: a missing, unreadable, oversized (over
// 16 MB) or non-HTML file shows a page saying so (with the folders searched);
// a missing topic shows the file from its start with a notice naming the topic.
#pragma once

#include <string>
#include <vector>

#include "platform/Windows.h"

namespace platform {

struct HelpRequest {
  std::string file;      // as asked for
  std::string topic;     // as asked for
  std::string resolved;  // the file that was opened, empty when none was found
  bool topicFound = false;
};

// Opens the viewer at the topic.  Returns false only when the request could not
// be carried out at all (no application); a missing file or topic still shows
// the viewer with its message and returns true.
bool WinHelpJump(const std::string& helpFile, const std::string& topic);

// Where the viewer's frame goes so that it leaves asker (a frame rectangle)
// uncovered, within the work area.  The sides are tried in the order right,
// left, below, above, each with a gap of HelpViewerGap pixels; the first where
// the wanted size fits whole wins, lined up with the asker's top (or left
// edge) as far as the work area lets it.  Where no side takes the wanted size,
// the viewer shrinks to the side with the most room, as long as that leaves it
// at least HelpViewerMinWidth x HelpViewerMinHeight.  Where not even that fits,
// it keeps the wanted size (cut to the work area) in the corner of the work
// area where it covers the least of the asker.
inline constexpr int HelpViewerGap = 4;
inline constexpr int HelpViewerMinWidth = 280;
inline constexpr int HelpViewerMinHeight = 240;
Rect PlaceHelpViewer(const Rect& asker, int wantedWidth, int wantedHeight, const Rect& workArea);

// The folder searched first for a bare help file name (the add-in's own folder).
void SetHelpSearchFolder(const std::string& folder);

// Every request so far, oldest first; for tests and the host's script checks.
const std::vector<HelpRequest>& HelpRequests();
void ClearHelpRequests();

}  // namespace platform
