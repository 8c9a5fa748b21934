#include "ui/qt/Dialogs.h"

#include <QApplication>
#include <QDesktopServices>
#include <QFileDialog>
#include <QMessageBox>
#include <QUrl>

namespace trelvo {
namespace {

std::optional<std::string> RunFileDialog(const TFileDialog& dialog, QFileDialog::AcceptMode mode) {
  QFileDialog file_dialog(QApplication::activeWindow());
  file_dialog.setAcceptMode(mode);
  file_dialog.setFileMode(mode == QFileDialog::AcceptOpen ? QFileDialog::ExistingFile
                                                          : QFileDialog::AnyFile);
  file_dialog.setNameFilters(QtNameFilters(dialog.Filter));
  file_dialog.setDefaultSuffix(QString::fromStdString(dialog.DefaultExt));
  file_dialog.setOption(QFileDialog::DontConfirmOverwrite, !dialog.OverwritePrompt);
  file_dialog.setSizeGripEnabled(true);
  if (!dialog.FileName.empty()) file_dialog.selectFile(QString::fromStdString(dialog.FileName));
  if (file_dialog.exec() != QDialog::Accepted || file_dialog.selectedFiles().isEmpty()) {
    return std::nullopt;
  }
  return file_dialog.selectedFiles().front().toStdString();
}

}  // namespace

QStringList QtNameFilters(const std::string& filter) {
  const QStringList parts = QString::fromStdString(filter).split('|');
  QStringList filters;
  for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
    const QString& description = parts[i];
    const QString pattern = QString(parts[i + 1]).replace(';', ' ');
    filters << (description.contains('(') ? description : description + " (" + pattern + ")");
  }
  return filters;
}

std::optional<std::string> TQtDialogs::Open(const TFileDialog& dialog) {
  return RunFileDialog(dialog, QFileDialog::AcceptOpen);
}

std::optional<std::string> TQtDialogs::Save(const TFileDialog& dialog) {
  return RunFileDialog(dialog, QFileDialog::AcceptSave);
}

void TQtDialogs::Message(TMessageKind kind, const std::string& text) {
  const bool error = kind == TMessageKind::kError;
  // The texts use CR as their line break, as the completion message does.
  QString shown = QString::fromStdString(text);
  shown.replace("\r\n", "\n").replace('\r', '\n');
  QMessageBox box(error ? QMessageBox::Critical : QMessageBox::Information,
                  error ? QObject::tr("Error") : QObject::tr("Information"), shown, QMessageBox::Ok,
                  QApplication::activeWindow());
  box.exec();
}

void TQtDialogs::OpenAddress(const std::string& address) {
  QDesktopServices::openUrl(QUrl::fromUserInput(QString::fromStdString(address)));
}

}  // namespace trelvo
