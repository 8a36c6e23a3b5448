#include "toolkit/FileDialogs.h"

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <utility>

#include "toolkit/Application.h"

namespace tk {
namespace {
FileDialogHook& hookSlot() {
  static FileDialogHook hook;
  return hook;
}

bool HasWildcards(const QString& s) {
  return s.contains(QLatin1Char('*')) || s.contains(QLatin1Char('?'));
}
}  // namespace

TOpenDialog::TOpenDialog(QObject* owner) : QObject(owner) {}

QStringList TOpenDialog::NameFilters(const QString& filter) {
  QStringList out;
  const QStringList parts = filter.split(QLatin1Char('|'));
  for (int i = 0; i + 1 < parts.size(); i += 2) {
    QStringList patterns = parts[i + 1].split(QLatin1Char(';'), Qt::SkipEmptyParts);
    for (QString& p : patterns) p = p.trimmed();
    patterns.removeAll(QString());
    if (patterns.isEmpty()) continue;
    out << QStringLiteral("%1 (%2)").arg(parts[i].trimmed(), patterns.join(QLatin1Char(' ')));
  }
  return out;
}

bool TOpenDialog::Execute() {
  const QStringList previousFiles = std::exchange(m_files, QStringList());
  bool ok;
  if (hookSlot()) {
    // Copy: the hook may replace itself.
    FileDialogHook hook = hookSlot();
    ok = hook(*this);
  } else {
    ok = RunChooser();
  }
  if (!ok) {
    m_files = previousFiles;
    return false;
  }
  if (m_files.isEmpty()) m_files = QStringList{m_fileName};
  const QString suffix = QFileInfo(m_fileName).suffix();
  const TOpenOptions different = TOpenOptions(1) << ofExtensionDifferent;
  if (suffix.compare(m_defaultExt, Qt::CaseInsensitive) != 0)
    m_options |= different;
  else
    m_options &= ~different;
  return true;
}

bool TOpenDialog::RunChooser() {
  QWidget* parent = QApplication::activeWindow();
  if (!parent) parent = Application().OwnerWidget();
  QFileDialog dlg(parent, m_title);
  dlg.setOption(QFileDialog::DontUseNativeDialog, true);
  const bool save = Kind() == TFileDialogKind::Save;
  dlg.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
  if (save) {
    dlg.setFileMode(QFileDialog::AnyFile);
    dlg.setOption(QFileDialog::DontConfirmOverwrite, !HasOption(ofOverwritePrompt));
  } else if (HasOption(ofAllowMultiSelect)) {
    dlg.setFileMode(QFileDialog::ExistingFiles);
  } else {
    dlg.setFileMode(HasOption(ofFileMustExist) ? QFileDialog::ExistingFile : QFileDialog::AnyFile);
  }
  if (!m_defaultExt.isEmpty()) dlg.setDefaultSuffix(m_defaultExt);
  if (!m_history.isEmpty()) dlg.setHistory(m_history);

  QStringList filters = NameFilters(m_filter);
  const bool wildName = HasWildcards(m_fileName);
  if (filters.isEmpty() && wildName) filters << m_fileName;
  if (!filters.isEmpty()) {
    dlg.setNameFilters(filters);
    if (m_filterIndex >= 1 && m_filterIndex <= filters.size()) dlg.selectNameFilter(filters[m_filterIndex - 1]);
  }

  // Start where the settings point: InitialDir, else the folder of FileName,
  // else the current directory.
  const QFileInfo named(m_fileName);
  QString dir = m_initialDir;
  if (dir.isEmpty() && !wildName && !m_fileName.isEmpty() && named.isAbsolute()) dir = named.absolutePath();
  dlg.setDirectory(dir.isEmpty() ? QDir::currentPath() : dir);
  if (!wildName && !m_fileName.isEmpty()) dlg.selectFile(m_fileName);

  if (dlg.exec() != QDialog::Accepted) return false;
  const QStringList chosen = dlg.selectedFiles();
  if (chosen.isEmpty()) return false;
  m_fileName = QDir::toNativeSeparators(chosen.first());
  m_files.clear();
  for (const QString& f : chosen) m_files << QDir::toNativeSeparators(f);
  const int used = filters.indexOf(dlg.selectedNameFilter());
  if (used >= 0 && !NameFilters(m_filter).isEmpty()) m_filterIndex = used + 1;
  return true;
}

FileDialogHook SetFileDialogHook(FileDialogHook hook) {
  FileDialogHook previous = std::move(hookSlot());
  hookSlot() = std::move(hook);
  return previous;
}

FileDialogRecorder::FileDialogRecorder() {
  m_previous = SetFileDialogHook([this](TOpenDialog& d) {
    calls.push_back(Call{d.Kind(), d.Title(), d.InitialDir(), d.FileName(), d.DefaultExt(), d.Filter(),
                         d.FilterIndex(), d.Options(), d.HistoryList(), d.FileEditStyle()});
    return answer ? answer(d) : false;
  });
}

FileDialogRecorder::~FileDialogRecorder() { SetFileDialogHook(std::move(m_previous)); }

}  // namespace tk
