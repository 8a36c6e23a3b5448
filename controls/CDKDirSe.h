// TDirectorySelectForm: the modal dialog in which the user picks a folder, and
// may create one first.
//
// Caption "Select a Directory" (callers may replace it), client area 285 x 254
// at screen position (326, 97).  The folder list starts at the process's
// current directory; the label above it always shows the list's folder, the
// root box below it the root that holds it.  OK and Return close with mrOk,
// Cancel, Escape and the close box with mrCancel; the chosen folder is then
// DirectoryListBox->Directory(), a full path.
//
// "&New..." (CreateDirectoryButton, which callers may hide) asks for a folder
// to create in the create-directory dialog, pre-filled with the current folder
// and a separator, creates every missing level of the typed path and moves the
// list into it.  A folder that could not be made cannot be entered either: the
// toolkit's error box then reports "I/O error" with the system's error number
// and the list stays where it was.
#pragma once

#include <QPushButton>

#include "controls/CDKDir95.h"
#include "toolkit/Buttons.h"
#include "toolkit/FileCtrls.h"
#include "toolkit/Form.h"
#include "toolkit/Graphics.h"

class TDirectorySelectForm : public tk::TForm {
  Q_OBJECT
public:
  explicit TDirectorySelectForm(QWidget* owner = nullptr);

  tk::TDriveComboBox* DriveComboBox = nullptr;
  tk::TCustomLabel* DirectoryShadowLabel = nullptr;
  tk::TBitBtn* OKButton = nullptr;
  tk::TBitBtn* CancelButton = nullptr;
  tk::TBitBtn* CreateDirectoryButton = nullptr;
  TCDKWin95DirListBox* DirectoryListBox = nullptr;

  // The New step; raises tk::EInOutError when the new folder cannot be entered
  // (the button's click reports it in the error box).
  void CreateDirectoryButtonClick();
};
