#include "toolkit/dialogs.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QStringList>

#include "toolkit/paths.h"

namespace {

// Qt's name filters for a filter of description|pattern pairs. Qt takes the
// wildcards from the last parentheses of each entry and, with
// HideNameFilterDetails, shows only the text before them, so every
// description is shown as written. "*.*" means every file, as "*" does in Qt.
QStringList NameFilters(const std::string& filter) {
  const QStringList parts = QString::fromStdString(filter).split(QLatin1Char('|'));
  QStringList filters;
  for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
    QStringList patterns = parts[i + 1].split(QLatin1Char(';'), Qt::SkipEmptyParts);
    for (QString& pattern : patterns)
      if (pattern == QLatin1String("*.*")) pattern = QStringLiteral("*");
    filters.append(parts[i] + QStringLiteral(" (") + patterns.join(QLatin1Char(' ')) + QLatin1Char(')'));
  }
  return filters;
}

bool HasWildcards(const QString& name) {
  return name.contains(QLatin1Char('*')) || name.contains(QLatin1Char('?'));
}

// Lists only the files matching pattern, until the user chooses a filter.
// The dialog's file list follows the name filters of its file system model,
// which choosing a filter replaces.
void ListOnly(QFileDialog& dialog, const QString& pattern) {
  if (auto* model = dialog.findChild<QFileSystemModel*>()) model->setNameFilters({pattern});
}

}  // namespace

TOpenDialog::TOpenDialog(TComponent* owner) : TComponent(owner) {}

bool TOpenDialog::Execute() {
  auto* owner = dynamic_cast<TControl*>(Owner());
  QFileDialog dialog(owner ? owner->Widget()->window() : QApplication::activeWindow());
  dialog.setOptions(QFileDialog::DontUseNativeDialog | QFileDialog::HideNameFilterDetails);
  dialog.setFileMode((options_ & ofFileMustExist) ? QFileDialog::ExistingFile : QFileDialog::AnyFile);
  dialog.setSizeGripEnabled(options_ & ofEnableSizing);
  dialog.setNameFilters(NameFilters(filter_));

  dialog.setDirectory(QDir(QFile::decodeName(ExtractFilePath(fileName_).c_str())).absolutePath());
  const QString name = QFile::decodeName(ExtractFileName(fileName_).c_str());
  if (HasWildcards(name))
    ListOnly(dialog, name);
  else if (!name.isEmpty())
    dialog.selectFile(name);

  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return false;
  fileName_ = QFile::encodeName(dialog.selectedFiles().first()).toStdString();
  return true;
}
