// TCDKWin95DirListBox: the toolkit's directory list with the add-in's own
// folder glyphs (16 x 15 each): an open folder for the root and the folders
// above the current one, a closed folder for the subfolders, and an open
// folder with a page in it for the current folder.
#pragma once

#include "toolkit/FileCtrls.h"

class TCDKWin95DirListBox : public tk::TDirectoryListBox {
  Q_OBJECT
public:
  explicit TCDKWin95DirListBox(QWidget* parent = nullptr);

protected:
  void ReadBitmaps() override;
};
