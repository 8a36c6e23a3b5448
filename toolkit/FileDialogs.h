// The file dialogs: open-file and save-file, as components that hold their
// settings between runs.
//
//  * Settings: Title, InitialDir, FileName, DefaultExt (without the dot),
//    Filter, FilterIndex, Options, HistoryList and FileEditStyle.  Filter is a
//    list of description and pattern pairs separated by vertical bars, patterns
//    within a pair by semicolons: "Wave Files|*.wav|All Files|*.*".
//    FilterIndex counts the pairs from 1.
//  * Execute shows the dialog modally and returns true when the user confirms a
//    file; FileName (and Files, with ofAllowMultiSelect) then hold the choice,
//    FilterIndex the filter in use, and ofExtensionDifferent in Options tells
//    whether the chosen name's extension differs from DefaultExt.  Cancelled,
//    the settings stay as they were.
//  * The dialog is the toolkit's own file chooser (never the desktop's, so it
//    also runs where no desktop exists).  Options are kept and passed on as
//    they are; those the chooser can act on: ofAllowMultiSelect (several
//    files), ofFileMustExist (open: only existing files), ofOverwritePrompt
//    (save: ask before replacing a file).  The process's current directory is
//    never changed by a dialog.
//  * A file name holding wildcards ("*.wav") is not preselected; with no Filter
//    it becomes the dialog's only filter.
//  * Tests, and anything else that must not wait for a person, install a file
//    dialog hook: while one is installed, Execute hands it the dialog instead of
//    showing anything; the hook may change the settings (the user's choice) and
//    returns whether the user confirmed.
#pragma once

#include <QObject>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <functional>
#include <initializer_list>
#include <vector>

#include "toolkit/Component.h"

namespace tk {

// Open options, by bit number.
enum TOpenOption : int {
  ofReadOnly = 0,
  ofOverwritePrompt = 1,
  ofHideReadOnly = 2,
  ofNoChangeDir = 3,
  ofShowHelp = 4,
  ofNoValidate = 5,
  ofAllowMultiSelect = 6,
  ofExtensionDifferent = 7,
  ofPathMustExist = 8,
  ofFileMustExist = 9,
  ofCreatePrompt = 10,
  ofShareAware = 11,
  ofNoReadOnlyReturn = 12,
  ofNoTestFileCreate = 13,
  ofNoNetworkButton = 14,
  ofNoLongNames = 15,
  ofOldStyleDialog = 16,
  ofNoDereferenceLinks = 17,
};
// A set of open options, one bit per option.
using TOpenOptions = std::uint32_t;
constexpr TOpenOptions OpenOptions(std::initializer_list<TOpenOption> list) {
  TOpenOptions s = 0;
  for (TOpenOption o : list) s |= TOpenOptions(1) << o;
  return s;
}

enum class TFileEditStyle { fsEdit, fsComboBox };
enum class TFileDialogKind { Open, Save };

class TOpenDialog : public QObject, public TComponent {
  Q_OBJECT
public:
  explicit TOpenDialog(QObject* owner = nullptr);

  virtual TFileDialogKind Kind() const { return TFileDialogKind::Open; }

  const QString& Title() const { return m_title; }
  void SetTitle(const QString& s) { m_title = s; }
  const QString& InitialDir() const { return m_initialDir; }
  void SetInitialDir(const QString& s) { m_initialDir = s; }
  const QString& FileName() const { return m_fileName; }
  void SetFileName(const QString& s) { m_fileName = s; }
  const QString& DefaultExt() const { return m_defaultExt; }
  void SetDefaultExt(const QString& s) { m_defaultExt = s; }
  const QString& Filter() const { return m_filter; }
  void SetFilter(const QString& s) { m_filter = s; }
  int FilterIndex() const { return m_filterIndex; }
  void SetFilterIndex(int i) { m_filterIndex = i; }
  TOpenOptions Options() const { return m_options; }
  void SetOptions(TOpenOptions o) { m_options = o; }
  bool HasOption(TOpenOption o) const { return (m_options >> o) & 1u; }
  const QStringList& HistoryList() const { return m_history; }
  void SetHistoryList(const QStringList& l) { m_history = l; }
  TFileEditStyle FileEditStyle() const { return m_editStyle; }
  void SetFileEditStyle(TFileEditStyle s) { m_editStyle = s; }
  // Every file chosen by the last confirmed run.
  const QStringList& Files() const { return m_files; }
  void SetFiles(const QStringList& l) { m_files = l; }

  bool Execute();

  // The filter as the chooser lists it: "Wave Files (*.wav)" per pair.  A pair
  // without a pattern is dropped; a lone description without a pattern too.
  static QStringList NameFilters(const QString& filter);

private:
  bool RunChooser();

  QString m_title, m_initialDir, m_fileName, m_defaultExt, m_filter;
  int m_filterIndex = 1;
  TOpenOptions m_options = 0;
  QStringList m_history, m_files;
  TFileEditStyle m_editStyle = TFileEditStyle::fsEdit;
};

class TSaveDialog : public TOpenDialog {
  Q_OBJECT
public:
  explicit TSaveDialog(QObject* owner = nullptr) : TOpenDialog(owner) {}
  TFileDialogKind Kind() const override { return TFileDialogKind::Save; }
};

using FileDialogHook = std::function<bool(TOpenDialog& dialog)>;

// Installs a hook (or removes it with an empty function); returns the previous one.
FileDialogHook SetFileDialogHook(FileDialogHook hook);

// Scoped hook for tests: records the settings of every dialog run while alive
// and lets `answer` play the user (no answer: every dialog is cancelled).
struct FileDialogRecorder {
  struct Call {
    TFileDialogKind kind;
    QString title, initialDir, fileName, defaultExt, filter;
    int filterIndex;
    TOpenOptions options;
    QStringList historyList;
    TFileEditStyle fileEditStyle;
  };
  FileDialogRecorder();
  ~FileDialogRecorder();
  FileDialogRecorder(const FileDialogRecorder&) = delete;
  FileDialogRecorder& operator=(const FileDialogRecorder&) = delete;

  std::function<bool(TOpenDialog& dialog)> answer;
  std::vector<Call> calls;

private:
  FileDialogHook m_previous;
};

}  // namespace tk
