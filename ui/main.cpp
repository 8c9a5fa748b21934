// Trelvo: the window program.
#include "ui/Application.h"
#include "ui/Dialogs.h"
#include "ui/UMain.h"

int main(int argc, char** argv) {
  trelvo::TQtDialogs dialogs;
  trelvo::TApplication application(argc, argv, dialogs);
  application.setWindowIcon(trelvo::ApplicationIcon());
  trelvo::TForm1 form(dialogs);
  form.show();
  return application.exec();
}
