// The Qt main window and progress window: the behaviour both window programs share, driven
// through the Qt controls, and what only the Qt program has.
#include <QAbstractButton>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include "reading/IoError.h"
#include "tests/ui/FormBehaviour.h"
#include "ui/qt/Application.h"
#include "ui/qt/Dialogs.h"
#include "ui/qt/MainWindow.h"
#include "ui/qt/ProgressWindow.h"

namespace trelvo {

test::TScriptedDialogs* g_application_dialogs = nullptr;

// A control whose handler fails the way a run can. (A custom event: an exception unwinding
// through Qt's own mouse dispatch would leak Qt's event data.)
class TFailingWidget : public QWidget {
 protected:
  bool event(QEvent* event) override {
    if (event->type() != QEvent::User) return QWidget::event(event);
    throw TIoError("Cannot read input file", "C:\\data\\route.kml", "Input/output error");
  }
};

class TQtFormDriver : public test::TFormDriver {
 public:
  TQtFormDriver() : form(dialogs) {}

  QWidget* Widget(layout::TForm1Control control) {
    return form.findChild<QWidget*>(layout::kForm1[control].name);
  }

  void Click(layout::TForm1Control control) override {
    QTest::mouseClick(Widget(control), Qt::LeftButton);
  }

  std::string Text(layout::TForm1Control control) override {
    QWidget* widget = Widget(control);
    if (auto* edit = qobject_cast<QLineEdit*>(widget)) return edit->text().toStdString();
    return qobject_cast<QLabel*>(widget)->text().toStdString();
  }

  void SetText(layout::TForm1Control control, const std::string& text) override {
    qobject_cast<QLineEdit*>(Widget(control))->setText(QString::fromStdString(text));
  }

  bool Enabled(layout::TForm1Control control) override { return Widget(control)->isEnabled(); }

  bool Checked(layout::TForm1Control control) override {
    return qobject_cast<QAbstractButton*>(Widget(control))->isChecked();
  }

  // The drop is delivered only when the window accepted the drag, as Qt does.
  void Drop(const std::string& path) override {
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(QString::fromStdString(path))});
    QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(&form, &enter);
    if (!enter.isAccepted()) return;
    QDropEvent dropped(QPointF(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(&form, &dropped);
  }

  bool Shown() override { return form.isVisible(); }

  bool ProgressShown() override {
    const QWidgetList windows = QApplication::topLevelWidgets();
    return std::any_of(windows.begin(), windows.end(), [](QWidget* window) {
      return window->objectName() == "frChange" && window->isVisible();
    });
  }

  TForm1 form;
};

class Form1Test : public QObject {
  Q_OBJECT

 private:
  std::unique_ptr<TQtFormDriver> m_driver;

 private slots:

  void init() {
    m_driver = std::make_unique<TQtFormDriver>();
    m_driver->form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&m_driver->form));
  }

  void cleanup() {
    m_driver.reset();
    // No window may be left open by a test, above all no progress window.
    QTRY_VERIFY(std::none_of(QApplication::topLevelWidgets().begin(),
                             QApplication::topLevelWidgets().end(),
                             [](QWidget* widget) { return widget->isVisible(); }));
  }

  void Behaviour_data() {
    QTest::addColumn<int>("index");
    for (size_t i = 0; i < test::kFormBehaviours.size(); ++i) {
      QTest::newRow(test::kFormBehaviours[i].name) << static_cast<int>(i);
    }
  }

  void Behaviour() {
    QFETCH(int, index);
    test::TFailures failures;
    test::kFormBehaviours[static_cast<size_t>(index)].run(*m_driver, failures);
    QVERIFY2(failures.Text().empty(), failures.Text().c_str());
  }

  void TheArrowKeysChangeTheFormatAndQtGetsItsFilters() {
    TForm1& form = m_driver->form;
    m_driver->dialogs.answers.push_back("C:\\data\\route.kml");
    QTest::mouseClick(form.SpeedButton1, Qt::LeftButton);
    QTest::mouseClick(form.RadioButton2, Qt::LeftButton);
    form.RadioButton2->setFocus();
    QTest::keyClick(form.RadioButton2, Qt::Key_Right);
    QCOMPARE(form.Edit2->text(), QString("C:\\data\\route.tab"));
    QCOMPARE(QtNameFilters("Google Earth (*.kml)|*.kml|All files (*.*)|*.*"),
             (QStringList{"Google Earth (*.kml)", "All files (*.*)"}));
  }

  void AnErrorEscapingAHandlerIsShownAndTheProgramCarriesOn() {
    TFailingWidget widget;
    g_application_dialogs->messages.clear();
    QEvent event(QEvent::User);
    QCoreApplication::sendEvent(&widget, &event);
    QCOMPARE(g_application_dialogs->messages.size(), size_t{1});
    QCOMPARE(g_application_dialogs->messages.back().kind, TMessageKind::kError);
    QCOMPARE(g_application_dialogs->messages.back().text,
             "Cannot read input file \"C:\\data\\route.kml\": Input/output error");
    // Still working: the form answers its next click.
    m_driver->Click(layout::kLabel4);
    QCOMPARE(m_driver->dialogs.addresses.size(), size_t{1});
  }

  void TheProgressWindowShowsTheFinalCount() {
    QTemporaryDir folder;
    const QString input = folder.filePath("many.kml");
    QFile file(input);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(
        QByteArray("<LineString><coordinates>1,2</coordinates></LineString>").repeated(5000));
    file.close();
    TfrChange progress(&m_driver->form);
    progress.Show();
    QVERIFY(progress.isVisible());
    // Each counter update lets the window system in, so a long run stays responsive.
    bool answered = false;
    QTimer::singleShot(0, [&] { answered = true; });
    progress.RepaintCounter();
    QVERIFY(answered);
    // Centred over the main window.
    const QPoint offset =
        progress.frameGeometry().center() - m_driver->form.frameGeometry().center();
    QVERIFY(std::abs(offset.x()) <= 2 && std::abs(offset.y()) <= 2);
    const TRunSettings settings{input.toStdString(), folder.filePath("many.csv").toStdString()};
    QCOMPARE(Transform(settings, progress), int64_t{5000});
    QCOMPARE(progress.Label4->text(), QString("5000"));
    QVERIFY(progress.Label4->width() >= progress.Label4->sizeHint().width());
  }
};

}  // namespace trelvo

// The application object is the program's own, so that errors escaping a handler are caught
// the way the program catches them.
int main(int argc, char** argv) {
  trelvo::test::TScriptedDialogs application_dialogs;
  trelvo::TApplication application(argc, argv, application_dialogs);
  trelvo::g_application_dialogs = &application_dialogs;
  trelvo::Form1Test test;
  return QTest::qExec(&test, argc, argv);
}

#include "Form1Test.moc"
