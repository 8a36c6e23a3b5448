// TCreateDirectoryForm: the modal dialog that asks for a folder to create.
//
// Caption "Create Directory", client area 471 x 105 at screen position
// (208, 220).  It shows the current folder in CurrentDirectoryLabel, engraved
// grey (the text in clBtnShadow over a clBtnHighlight copy one pixel down and
// to the right; the label sizes itself to its text, "&" included), and an
// edit for the folder to create.  OK sets the OK result first and then
// creates the typed path with every missing level above it (see
// CreateDirectoryPath); Cancel, Escape and the close box change nothing.
// Whoever shows the dialog fills the edit and the label first.
#pragma once

#include <QLineEdit>

#include "controls/CDKRotat.h"
#include "toolkit/Buttons.h"
#include "toolkit/Form.h"
#include "toolkit/Graphics.h"

class TCreateDirectoryForm : public tk::TForm {
  Q_OBJECT
public:
  explicit TCreateDirectoryForm(QWidget* owner = nullptr);

  tk::TBitBtn* OKButton = nullptr;
  tk::TBitBtn* CancelButton = nullptr;
  QLineEdit* DirectoryToCreateEdit = nullptr;
  tk::TCustomLabel* Label1 = nullptr;
  TCDKRotate3DLabel* CurrentDirectoryLabel = nullptr;
  tk::TCustomLabel* Label2 = nullptr;

  // The create step, run by OK on the edit's text.
  void OKButtonClick();

  // Shows a folder in CurrentDirectoryLabel: the whole path where it fits
  // before the buttons (with ButtonGap pixels to spare), else shortened in
  // the middle (tk::ShortenPath), so that the label never reaches a button
  // and the folder's own name is always in view.
  void ShowCurrentDirectory(const QString& path);
  static constexpr int ButtonGap = 8;
};

// Creates `path` and every missing folder above it, outermost first:
//   * one trailing separator is dropped ("/a/b/" is "/a/b");
//   * a path that is then empty (the root "/" included, and the empty parent of
//     a bare name) or an existing folder needs nothing;
//   * otherwise its parent (the path up to and including its last separator)
//     is made first, then the path itself.
// A bare name ("new") is thus made in the current directory.  Failures are not
// reported: whoever needs the folder finds out on entering it.
void CreateDirectoryPath(const QString& path);
