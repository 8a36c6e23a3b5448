// Help requests by file name and topic name.
//
// WinHelpJump opens the help file at the named topic in the IDE's help viewer,
// a window of this process (class THelpViewer, titled after the file) that is
// created on first use and reused afterwards.  The help file is an HTML
// document with one anchor per topic name.  A bare file name is looked for
// beside the add-in library first (the folder of the shared object that holds
// this call's caller, see SetHelpSearchFolder), then in the Windows directory.
// A missing file or topic shows a clear message in the viewer; nothing throws.
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
