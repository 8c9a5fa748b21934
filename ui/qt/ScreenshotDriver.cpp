// Drives the real windows under a display and saves what the screen shows: the main window
// with an input chosen, the Options dialog, the progress window during a run, and the
// completion message.
//
//   trelvo-screenshot OUTPUT_FOLDER INPUT.kml
#include <QAbstractButton>
#include <QApplication>
#include <QLineEdit>
#include <QMessageBox>
#include <QScreen>
#include <QTimer>
#include <cstdio>

#include "ui/PhotographedProgress.h"
#include "ui/qt/Dialogs.h"
#include "ui/qt/MainWindow.h"
#include "ui/qt/OptionsDialog.h"
#include "ui/qt/ProgressWindow.h"

namespace {

QString g_folder;

void Grab(const char* name) {
  QApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
  const QPixmap screen = QApplication::primaryScreen()->grabWindow(0);
  const QString path = g_folder + "/" + name;
  if (!screen.save(path)) std::fprintf(stderr, "cannot save %s\n", qPrintable(path));
}

// The real dialogs, except that the file dialogs answer at once and a message box is captured
// and closed after a moment.
class TDriverDialogs : public trelvo::TQtDialogs {
 public:
  explicit TDriverDialogs(std::string input) : m_input(std::move(input)) {}

  std::optional<std::string> Open(const trelvo::TFileDialog&) override { return m_input; }

  void Message(trelvo::TMessageKind kind, const std::string& text) override {
    QTimer::singleShot(500, [] {
      Grab("3-completion.png");
      if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) box->accept();
    });
    TQtDialogs::Message(kind, text);
  }

 private:
  std::string m_input;
};

class TDriverForm : public trelvo::TForm1 {
 public:
  using TForm1::TForm1;

  std::unique_ptr<trelvo::TProgressWindow> CreateProgressWindow() override {
    return std::make_unique<trelvo::TPhotographedProgress<trelvo::TfrChange, Grab>>(this);
  }
};

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: trelvo-screenshot OUTPUT_FOLDER INPUT.kml\n");
    return 2;
  }
  QApplication application(argc, argv);
  application.setWindowIcon(trelvo::ApplicationIcon());
  g_folder = QString::fromLocal8Bit(argv[1]);
  TDriverDialogs dialogs(argv[2]);
  TDriverForm form(dialogs);
  form.show();
  QTimer::singleShot(500, [&] {
    form.SpeedButton1Click();
    Grab("1-main.png");
    // The dialog with a table in a UTM zone chosen, then cancelled: the run stays classic.
    QTimer::singleShot(300, [] {
      auto* dialog = dynamic_cast<trelvo::TfrOptions*>(QApplication::activeModalWidget());
      if (dialog == nullptr) return;
      using namespace trelvo::layout;
      for (const TFrOptionsControl control : {kTableRadio, kDescriptionCheck, kUtmZoneRadio}) {
        static_cast<QAbstractButton*>(dialog->Control(control))->click();
      }
      static_cast<QLineEdit*>(dialog->Control(kZoneEdit))->setText("32");
      Grab("4-options.png");
      dialog->reject();
    });
    form.Button3Click();
    form.Button1Click();
    application.quit();
  });
  return application.exec();
}
