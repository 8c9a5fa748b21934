#include "ui/qt/Application.h"

#include <exception>

#include "ui/qt/MainWindow.h"

namespace trelvo {

TApplication::TApplication(int& argc, char** argv, TDialogs& dialogs)
    : QApplication(argc, argv), m_dialogs(dialogs) {}

bool TApplication::notify(QObject* receiver, QEvent* event) {
  try {
    return QApplication::notify(receiver, event);
  } catch (const std::exception& error) {
    m_dialogs.Message(activeWindow(), TMessageKind::kError, ErrorText(error));
  } catch (...) {
    m_dialogs.Message(activeWindow(), TMessageKind::kError, "Unexpected error");
  }
  return false;
}

}  // namespace trelvo
