// Trelvo: the window program.
#include "platform/Platform.h"
#include "ui/qt/Application.h"
#include "ui/qt/Dialogs.h"
#include "ui/qt/MainWindow.h"

int main(int argc, char** argv) {
  trelvo::InstallInterruptHandlers();
  trelvo::TQtDialogs dialogs;
  trelvo::TApplication application(argc, argv, dialogs);
  application.setWindowIcon(trelvo::ApplicationIcon());
  trelvo::TForm1 form(dialogs);
  form.show();
  // Files named on the command line ("Open with", files dropped on the program) are the inputs.
  const std::vector<std::string> arguments = trelvo::Utf8Arguments(argc, argv);
  form.Logic().ChooseInputs(arguments);
  return application.exec();
}
