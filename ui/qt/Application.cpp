#include "ui/qt/Application.h"

#include <exception>

namespace trelvo {

TApplication::TApplication(int& argc, char** argv, TDialogs& dialogs)
    : QApplication(argc, argv), m_dialogs(dialogs) {}

bool TApplication::notify(QObject* receiver, QEvent* event) {
  try {
    return QApplication::notify(receiver, event);
  } catch (const std::exception& error) {
    m_dialogs.Message(TMessageKind::kError, error.what());
  } catch (...) {
    m_dialogs.Message(TMessageKind::kError, "Unexpected error");
  }
  return false;
}

}  // namespace trelvo
