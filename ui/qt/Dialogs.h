// The seam between the main window and everything modal or external: file dialogs, message
// boxes and the shell. Tests answer it with a script, so they never block on a modal window.
#pragma once

#include <QString>
#include <optional>

#include "transform/Transformation.h"

class QWidget;

namespace trelvo {

// The properties of one file dialog, as the main window sets them.
struct TFileDialog {
  QString Filter;                // "Google Earth (*.kml)|*.kml": description|pattern pairs
  QString DefaultExt;            // appended, with a '.', to a typed name without extension
  QString FileName;              // the preset file name (full path), and the chosen one
  bool OverwritePrompt = false;  // ask before replacing an existing file
};

class TDialogs {
 public:
  virtual ~TDialogs() = default;

  // Shows an open-file or save-file dialog; the chosen name, or nothing when cancelled.
  virtual std::optional<QString> Open(QWidget* owner, const TFileDialog& dialog) = 0;
  virtual std::optional<QString> Save(QWidget* owner, const TFileDialog& dialog) = 0;

  // A message box of the given kind with a single OK button; returns when it is closed.
  virtual void Message(QWidget* owner, TMessageKind kind, const QString& text) = 0;

  // Asks the platform's shell to open `address` (a web address); the outcome is ignored.
  virtual void OpenAddress(QWidget* owner, const QString& address) = 0;
};

// The real dialogs, message boxes and shell.
class TQtDialogs : public TDialogs {
 public:
  std::optional<QString> Open(QWidget* owner, const TFileDialog& dialog) override;
  std::optional<QString> Save(QWidget* owner, const TFileDialog& dialog) override;
  void Message(QWidget* owner, TMessageKind kind, const QString& text) override;
  void OpenAddress(QWidget* owner, const QString& address) override;
};

// "Google Earth (*.kml)|*.kml" as Qt writes name filters: "Google Earth (*.kml)".
QStringList QtNameFilters(const QString& filter);

}  // namespace trelvo
