// The real dialogs, message boxes and shell of the Qt program.
#pragma once

#include <QStringList>

#include "ui/Dialogs.h"

class QWidget;

namespace trelvo {

// Each dialog and box is modal over the window active when it opens.
class TQtDialogs : public TDialogs {
 public:
  std::optional<std::string> Open(const TFileDialog& dialog) override;
  std::optional<std::string> Save(const TFileDialog& dialog) override;
  void Message(TMessageKind kind, const std::string& text) override;
  void OpenAddress(const std::string& address) override;
};

// "Google Earth (*.kml)|*.kml" as Qt writes name filters: "Google Earth (*.kml)".
QStringList QtNameFilters(const std::string& filter);

}  // namespace trelvo
