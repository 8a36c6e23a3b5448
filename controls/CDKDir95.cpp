#include "controls/CDKDir95.h"

#include "toolkit/Resources.h"

TCDKWin95DirListBox::TCDKWin95DirListBox(QWidget* parent) : tk::TDirectoryListBox(parent) {
  // The base's constructor could only load the base's glyphs.
  TCDKWin95DirListBox::ReadBitmaps();
}

void TCDKWin95DirListBox::ReadBitmaps() {
  SetGlyphs(tk::LoadResourceBitmap(QStringLiteral("WIN95DIRLISTBOX_OPEN_FOLDER")),
            tk::LoadResourceBitmap(QStringLiteral("WIN95DIRLISTBOX_CLOSED_FOLDER")),
            tk::LoadResourceBitmap(QStringLiteral("WIN95DIRLISTBOX_CURRENT_FOLDER")));
}
