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
// Failures are shown, never thrown: a missing, unreadable, oversized (over
// 16 MB) or non-HTML file shows a page saying so (with the folders searched);
// a missing topic shows the file from its start with a notice naming the topic.
#pragma once

#include <string>
#include <vector>

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

// The folder searched first for a bare help file name (the add-in's own folder).
void SetHelpSearchFolder(const std::string& folder);

// Every request so far, oldest first; for tests and the host's script checks.
const std::vector<HelpRequest>& HelpRequests();
void ClearHelpRequests();

}  // namespace platform
