#include "ui/qt/Dialogs.h"

#include <QDesktopServices>
#include <QFileDialog>
#include <QMessageBox>
#include <QUrl>

namespace trelvo {
namespace {

std::optional<QString> RunFileDialog(QWidget* owner, const TFileDialog& dialog,
                                     QFileDialog::AcceptMode mode) {
  QFileDialog file_dialog(owner);
  file_dialog.setAcceptMode(mode);
  file_dialog.setFileMode(mode == QFileDialog::AcceptOpen ? QFileDialog::ExistingFile
                                                          : QFileDialog::AnyFile);
  file_dialog.setNameFilters(QtNameFilters(dialog.Filter));
  file_dialog.setDefaultSuffix(dialog.DefaultExt);
  file_dialog.setOption(QFileDialog::DontConfirmOverwrite, !dialog.OverwritePrompt);
  file_dialog.setSizeGripEnabled(true);
  if (!dialog.FileName.isEmpty()) file_dialog.selectFile(dialog.FileName);
  if (file_dialog.exec() != QDialog::Accepted || file_dialog.selectedFiles().isEmpty()) {
    return std::nullopt;
  }
  return file_dialog.selectedFiles().front();
}

}  // namespace

QStringList QtNameFilters(const QString& filter) {
  const QStringList parts = filter.split('|');
  QStringList filters;
  for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
    const QString& description = parts[i];
    const QString pattern = QString(parts[i + 1]).replace(';', ' ');
    filters << (description.contains('(') ? description : description + " (" + pattern + ")");
  }
  return filters;
}

std::optional<QString> TQtDialogs::Open(QWidget* owner, const TFileDialog& dialog) {
  return RunFileDialog(owner, dialog, QFileDialog::AcceptOpen);
}

std::optional<QString> TQtDialogs::Save(QWidget* owner, const TFileDialog& dialog) {
  return RunFileDialog(owner, dialog, QFileDialog::AcceptSave);
}

void TQtDialogs::Message(QWidget* owner, TMessageKind kind, const QString& text) {
  const bool error = kind == TMessageKind::kError;
  // The texts use CR as their line break, as the completion message does.
  QString shown = text;
  shown.replace("\r\n", "\n").replace('\r', '\n');
  QMessageBox box(error ? QMessageBox::Critical : QMessageBox::Information,
                  error ? QObject::tr("Error") : QObject::tr("Information"), shown, QMessageBox::Ok,
                  owner);
  box.exec();
}

void TQtDialogs::OpenAddress(QWidget* /*owner*/, const QString& address) {
  QDesktopServices::openUrl(QUrl::fromUserInput(address));
}

}  // namespace trelvo
