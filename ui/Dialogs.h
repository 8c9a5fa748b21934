// The seam between the windows and everything modal or external: file dialogs, message boxes
// and the shell. Each front-end has the real ones; tests answer them with a script, so they
// never block on a modal window.
#pragma once

#include <optional>
#include <string>

#include "transform/Transformation.h"

namespace trelvo {

// The properties of one file dialog, as the main window sets them. Texts are UTF-8.
struct TFileDialog {
  std::string Filter;            // "Google Earth (*.kml)|*.kml": description|pattern pairs
  std::string DefaultExt;        // appended, with a '.', to a typed name without extension
  std::string FileName;          // the preset file name (full path), and the chosen one
  bool OverwritePrompt = false;  // ask before replacing an existing file
};

class TDialogs {
 public:
  virtual ~TDialogs() = default;

  // Shows an open-file or save-file dialog; the chosen name, or nothing when cancelled.
  virtual std::optional<std::string> Open(const TFileDialog& dialog) = 0;
  virtual std::optional<std::string> Save(const TFileDialog& dialog) = 0;

  // A message box of the given kind with a single OK button; returns when it is closed. The
  // text uses CR as its line break.
  virtual void Message(TMessageKind kind, const std::string& text) = 0;

  // Asks the platform's shell to open `address` (a web address); the outcome is ignored.
  virtual void OpenAddress(const std::string& address) = 0;
};

}  // namespace trelvo
