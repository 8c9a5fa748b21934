// The application object: catches what an event handler lets escape and reports it.
#pragma once

#include <QApplication>

#include "ui/Dialogs.h"

namespace trelvo {

// A QApplication whose event dispatch catches any exception a handler lets escape, shows it
// in an error box naming the file and the cause, and carries on.
class TApplication : public QApplication {
 public:
  TApplication(int& argc, char** argv, TDialogs& dialogs);

  bool notify(QObject* receiver, QEvent* event) override;

 private:
  TDialogs& m_dialogs;
};

}  // namespace trelvo
