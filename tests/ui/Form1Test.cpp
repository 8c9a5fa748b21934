// The main window and the progress window, driven through their controls with the dialogs
// answered by a script.
#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QMimeData>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <functional>

#include "platform/IoError.h"
#include "tests/support/TestSupport.h"
#include "tests/ui/OptionsCases.h"
#include "tests/ui/ScriptedDialogs.h"
#include "ui/qt/Application.h"
#include "ui/qt/Dialogs.h"
#include "ui/qt/MainWindow.h"
#include "ui/qt/OptionsDialog.h"
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

// The Qt Options dialog, worked with the mouse and the keyboard.
class TQtOptionsDriver : public test::TOptionsDriver {
 public:
  TQtOptionsDriver(TDialogs& dialogs, QWidget* owner) : m_dialogs(dialogs), m_owner(owner) {}

  void Open(const TRunOptions& options) override {
    m_dialog = std::make_unique<TfrOptions>(options, m_dialogs, m_owner);
    m_dialog->show();
  }

  void Click(layout::TFrOptionsControl control) override {
    QWidget* widget = m_dialog->Control(control);
    // Near the left edge: a box takes clicks on its mark and text, not on the space after.
    QTest::mouseClick(widget, Qt::LeftButton, Qt::NoModifier, QPoint(6, widget->height() / 2));
  }

  void Type(layout::TFrOptionsControl control, const std::string& text) override {
    QWidget* widget = m_dialog->Control(control);
    if (!widget->isEnabled()) return;
    if (auto* combo = qobject_cast<QComboBox*>(widget)) {
      combo->setFocus();
      QTest::keyClicks(combo, QString::fromStdString(text));
      return;
    }
    auto* edit = static_cast<QLineEdit*>(widget);
    edit->selectAll();
    QTest::keyClicks(edit, QString::fromStdString(text));
  }

  bool IsChecked(layout::TFrOptionsControl control) override {
    return static_cast<QAbstractButton*>(m_dialog->Control(control))->isChecked();
  }

  bool IsEnabled(layout::TFrOptionsControl control) override {
    return m_dialog->Control(control)->isEnabled();
  }

  std::string TextOf(layout::TFrOptionsControl control) override { return m_dialog->Text(control); }

  bool Closed() override { return !m_dialog->isVisible(); }

  bool Accepted() override { return m_dialog->result() == QDialog::Accepted; }

  TRunOptions Result() override { return m_dialog->Logic().Result(); }

 private:
  TDialogs& m_dialogs;
  QWidget* m_owner;
  std::unique_ptr<TfrOptions> m_dialog;
};

class Form1Test : public QObject {
  Q_OBJECT

 private:
  test::TScriptedDialogs m_dialogs;
  std::unique_ptr<TForm1> m_form;
  test::TTempDir m_folder;

  void ChooseInput(const std::string& path) {
    m_dialogs.answers.push_back(path);
    QTest::mouseClick(m_form->SpeedButton1, Qt::LeftButton);
  }

  // The progress window, when one is open.
  static QWidget* ProgressWindow() {
    for (QWidget* widget : QApplication::topLevelWidgets()) {
      if (widget->objectName() == "frChange") return widget;
    }
    return nullptr;
  }

  // Drops files on the window; whether the window took them.
  bool Drop(const QStringList& paths) {
    QMimeData data;
    QList<QUrl> urls;
    for (const QString& path : paths) urls.push_back(QUrl::fromLocalFile(path));
    data.setUrls(urls);
    QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(m_form.get(), &enter);
    QDropEvent dropped(QPointF(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(m_form.get(), &dropped);
    return enter.isAccepted();
  }

  // Clicks Options and works the dialog with `work` while it is open.
  void WorkOptions(const std::function<void(TfrOptions&)>& work) {
    bool worked = false;
    QTimer::singleShot(0, [&] {
      auto* dialog = dynamic_cast<TfrOptions*>(QApplication::activeModalWidget());
      QVERIFY(dialog != nullptr);
      work(*dialog);
      worked = true;
    });
    QTest::mouseClick(m_form->Button3, Qt::LeftButton);
    QVERIFY(worked);
    QVERIFY(QApplication::activeModalWidget() == nullptr);
  }

  static void ClickIn(TfrOptions& dialog, layout::TFrOptionsControl control) {
    QWidget* widget = dialog.Control(control);
    QTest::mouseClick(widget, Qt::LeftButton, Qt::NoModifier, QPoint(6, widget->height() / 2));
  }

  QList<QWidget*> RunControls() const {
    return {m_form->Label1,       m_form->Label2,       m_form->Button1, m_form->Button2,
            m_form->SpeedButton1, m_form->SpeedButton2, m_form->Edit1,   m_form->Edit2};
  }

 private slots:

  void init() {
    m_dialogs = test::TScriptedDialogs();
    m_form = std::make_unique<TForm1>(m_dialogs);
    m_form->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_form.get()));
  }

  void cleanup() {
    m_form.reset();
    // No window may be left open by a test, above all no progress window.
    QTRY_VERIFY(std::ranges::none_of(QApplication::topLevelWidgets(), &QWidget::isVisible));
  }

  void DerivesTheOutputNameAndKeepsItInStepWithTheFormat() {
    ChooseInput("C:\\data\\route.kml");
    QCOMPARE(m_form->Edit1->text(), QString("C:\\data\\route.kml"));
    QCOMPARE(m_form->Edit2->text(), QString("C:\\data\\route.csv"));
    QCOMPARE(m_form->Logic().SaveDialog1.FileName, std::string("C:\\data\\route.csv"));
    QTest::mouseClick(m_form->RadioButton2, Qt::LeftButton);
    QCOMPARE(m_form->Edit2->text(), QString("C:\\data\\route.txt"));
    // By keyboard too: the arrow moves the checked format button.
    m_form->RadioButton2->setFocus();
    QTest::keyClick(m_form->RadioButton2, Qt::Key_Right);
    QCOMPARE(m_form->Edit2->text(), QString("C:\\data\\route.tab"));
    // Only the last path element's extension is replaced, or one is appended.
    ChooseInput("C:\\data.v2\\route");
    QCOMPARE(m_form->Edit2->text(), QString("C:\\data.v2\\route.tab"));
    // A compressed KML gives the name of the KML it holds.
    ChooseInput("/tmp/track.kml.GZ");
    QCOMPARE(m_form->Edit2->text(), QString("/tmp/track.tab"));
    ChooseInput("/tmp/route.2024.kml");
    QCOMPARE(m_form->Edit2->text(), QString("/tmp/route.2024.tab"));
    // A dropped KML or KMZ file becomes the input; any other file is refused.
    QVERIFY(!Drop({"/data/photo.jpg"}));
    QCOMPARE(m_form->Edit1->text(), QString("/tmp/route.2024.kml"));
    QVERIFY(Drop({"/data/Route.KMZ"}));
    QCOMPARE(m_form->Edit1->text(), QString("/data/Route.KMZ"));
    QCOMPARE(m_form->Edit2->text(), QString("/data/Route.tab"));
  }

  void TheOptionsDialogFollowsItsRules() {
    TQtOptionsDriver driver(m_dialogs, m_form.get());
    QCOMPARE(test::RunOptionsCases(driver, m_dialogs), std::vector<std::string>{});
  }

  // The options show on the button, without moving a control, and the run follows them.
  void TheOptionsChangeTheRunAndTheButtonSaysSo() {
    std::vector<QRect> places;
    for (QWidget* widget : m_form->findChildren<QWidget*>()) places.push_back(widget->geometry());
    QCOMPARE(m_form->Button3->text(), QString("Options..."));
    QCOMPARE(m_form->Button3->geometry(), QRect(155, 251, 80, 25));
    test::WriteFileBytes(m_folder.Path("route.kml"),
                         "<Placemark><name>a, b</name><Point><coordinates>3,50,7</coordinates>"
                         "</Point></Placemark><LineString><coordinates>3,50 3.1,50.1"
                         "</coordinates></LineString>\n");
    ChooseInput(m_folder.Path("route.kml"));
    // Cancel keeps the options as they were.
    WorkOptions([](TfrOptions& dialog) {
      ClickIn(dialog, layout::kTableRadio);
      ClickIn(dialog, layout::kCancelButton);
    });
    QCOMPARE(m_form->Button3->text(), QString("Options..."));
    WorkOptions([](TfrOptions& dialog) {
      ClickIn(dialog, layout::kTableRadio);
      ClickIn(dialog, layout::kAllTypesCheck);
      ClickIn(dialog, layout::kUtmAutoRadio);
      ClickIn(dialog, layout::kOkButton);
    });
    QCOMPARE(m_form->Button3->text(), QString("Table, UTM..."));
    QCOMPARE(m_form->Button3->toolTip(),
             QString("Table layout, all feature types, UTM, zone from the first point"));
    std::vector<QRect> after;
    for (QWidget* widget : m_form->findChildren<QWidget*>()) after.push_back(widget->geometry());
    QVERIFY(after == places);
    QCOMPARE(m_form->size(), QSize(403, 282));
    // One table of every type: the feature type is not a choice.
    for (QRadioButton* type : {m_form->RadioButton4, m_form->RadioButton5, m_form->RadioButton6}) {
      QVERIFY(!type->isEnabled());
    }
    QTest::mouseClick(m_form->Button1, Qt::LeftButton);
    QCOMPARE(m_dialogs.messages.back().kind, TMessageKind::kInformation);
    QVERIFY2(m_dialogs.messages.back().text.starts_with(
                 "Transformation has ended\r\r2 Entities\r\rcoordinates in EPSG:32631 "),
             m_dialogs.messages.back().text.c_str());
    QCOMPARE(test::ReadFileBytes(m_folder.Path("route.csv")),
             "placemark,entity,type,vertex,name,folder,easting,northing,alt\r\n"
             "1,1,point,1,\"a, b\",,500000.000,5538630.703,7.00000\r\n"
             ",2,path,1,,,500000.000,5538630.703,0\r\n"
             ",2,path,2,,,507151.831,5549754.044,0\r\n");
    // Restored to the defaults, the window converts as it always has.
    WorkOptions([](TfrOptions& dialog) {
      ClickIn(dialog, layout::kDefaultsButton);
      ClickIn(dialog, layout::kOkButton);
    });
    QCOMPARE(m_form->Button3->text(), QString("Options..."));
    QVERIFY(m_form->RadioButton4->isEnabled());
    QTest::mouseClick(m_form->Button1, Qt::LeftButton);
    QCOMPARE(m_dialogs.messages.back().text, "Transformation has ended\r\r1 Entities");
    QVERIFY(test::ReadFileBytes(m_folder.Path("route.csv"))
                .ends_with("3.0000000000,50.0000000000,0\r\n3.1000000000,50.1000000000,0\r\n"));
  }

  // Several files dropped: each converted beside itself, one message for all; two that would
  // write one file are refused before anything is written.
  void SeveralDroppedFilesAreEachConverted() {
    const std::string a = m_folder.Path("a.kml");
    const std::string b = m_folder.Path("b.kml");
    test::WriteFileBytes(a, "<LineString><coordinates>1,2,0 3,4,5</coordinates></LineString>\n");
    test::WriteFileBytes(b, "no KML here\n");
    test::WriteFileBytes(m_folder.Path("a.kmz"), "PK");
    QVERIFY(Drop({QString::fromStdString(a), QString::fromStdString(m_folder.Path("a.kmz"))}));
    QTest::mouseClick(m_form->Button1, Qt::LeftButton);
    QCOMPARE(m_dialogs.messages.back().kind, TMessageKind::kError);
    QCOMPARE(m_dialogs.messages.back().text, "\"" + a + "\" and \"" + m_folder.Path("a.kmz") +
                                                 "\" would both be written to \"" +
                                                 m_folder.Path("a.csv") + "\"");
    QVERIFY(std::ranges::count(m_folder.Entries(), std::string("a.csv")) == 0);

    QVERIFY(Drop({QString::fromStdString(a), "/data/photo.jpg", QString::fromStdString(b)}));
    QCOMPARE(m_form->Edit1->text().toStdString(), "\"" + a + "\" \"" + b + "\"");
    QTest::mouseClick(m_form->RadioButton2, Qt::LeftButton);
    QCOMPARE(m_form->Edit2->text().toStdString(),
             "\"" + m_folder.Path("a.txt") + "\" \"" + m_folder.Path("b.txt") + "\"");
    QVERIFY(!m_form->SpeedButton2->isEnabled());
    QTest::mouseClick(m_form->Button1, Qt::LeftButton);
    QVERIFY(!m_form->SpeedButton2->isEnabled());
    QCOMPARE(m_dialogs.messages.back().kind, TMessageKind::kError);
    QCOMPARE(m_dialogs.messages.back().text, "Transformation has ended\r\r" + a +
                                                 ": 1 Entities\rCannot read input file \"" + b +
                                                 "\": not a KML document");
    QVERIFY(test::ReadFileBytes(m_folder.Path("a.txt"))
                .ends_with("3.0000000000 4.0000000000 5.00000\r\n"));
    QVERIFY(std::ranges::count(m_folder.Entries(), std::string("b.txt")) == 0);
    // One file chosen again: its output is a choice again.
    ChooseInput(a);
    QVERIFY(m_form->SpeedButton2->isEnabled());
    QCOMPARE(m_form->Edit2->text().toStdString(), m_folder.Path("a.txt"));
  }

  void OffersTheRightFiltersAndExtensionsAndCancelChangesNothing() {
    QTest::mouseClick(m_form->RadioButton3, Qt::LeftButton);
    QVERIFY(m_form->Edit2->text().isEmpty());
    ChooseInput("/data/a.kml");
    m_dialogs.answers.push_back(std::nullopt);
    QTest::mouseClick(m_form->SpeedButton1, Qt::LeftButton);
    m_dialogs.answers.push_back(std::nullopt);
    QTest::mouseClick(m_form->SpeedButton2, Qt::LeftButton);
    QCOMPARE(m_form->Edit1->text(), QString("/data/a.kml"));
    QCOMPARE(m_form->Edit2->text(), QString("/data/a.tab"));
    QCOMPARE(m_dialogs.opened.back().Filter,
             "Google Earth (*.kml)|*.kml|Google Earth archives (*.kmz)|*.kmz|All files (*.*)|*.*");
    QCOMPARE(m_dialogs.opened.back().DefaultExt, "kml");
    m_dialogs.answers.push_back("/data/b.tab");
    QTest::mouseClick(m_form->SpeedButton2, Qt::LeftButton);
    const TFileDialog& save = m_dialogs.saved.back();
    QCOMPARE(save.Filter, "TextFile (*.tab)|*.tab");
    QCOMPARE(save.DefaultExt, "tab");
    QCOMPARE(save.FileName, "/data/a.tab");
    QVERIFY(save.OverwritePrompt);
    QCOMPARE(m_form->Edit2->text(), QString("/data/b.tab"));
    QCOMPARE(QtNameFilters(save.Filter), QStringList{"TextFile (*.tab)"});
  }

  // Missing names and a failed run are each one error, shown in front of a form ready again.
  void AcceptAsksForMissingNamesAndNamesTheFileOfAFailedRun() {
    m_dialogs.on_message = [&] {
      for (QWidget* control : RunControls()) QVERIFY(control->isEnabled());
    };
    QTest::mouseClick(m_form->Button1, Qt::LeftButton);
    QCOMPARE(m_dialogs.messages.size(), size_t{1});
    QCOMPARE(m_dialogs.messages.back().kind, TMessageKind::kError);
    QCOMPARE(m_dialogs.messages.back().text, "Select Input file");
    m_form->Edit1->setText("/data/a.kml");
    QTest::mouseClick(m_form->Button1, Qt::LeftButton);
    QCOMPARE(m_dialogs.messages.back().text, "Select Output file");
    ChooseInput(m_folder.Path("missing.kml"));
    QTest::mouseClick(m_form->Button1, Qt::LeftButton);
    QCOMPARE(m_dialogs.messages.size(), size_t{3});
    QCOMPARE(m_dialogs.messages.back().kind, TMessageKind::kError);
    QCOMPARE(m_dialogs.messages.back().text, "Cannot open input file \"" +
                                                 m_folder.Path("missing.kml") +
                                                 "\": No such file or directory");
    QCOMPARE(m_form->Label4->text(), QString("www.trelvo.example"));
    QVERIFY(ProgressWindow() == nullptr);
    QVERIFY(std::ranges::count(m_folder.Entries(), std::string("missing.csv")) == 0);
  }

  void AcceptWritesTheSettingsAndConverts() {
    test::WriteFileBytes(m_folder.Path("route.kml"),
                         "<Point><coordinates>1,2,3</coordinates></Point>"
                         "<Point><coordinates>4,5,6</coordinates></Point>\n");
    ChooseInput(m_folder.Path("route.kml"));
    QTest::mouseClick(m_form->RadioButton4, Qt::LeftButton);
    QTest::mouseClick(m_form->RadioButton3, Qt::LeftButton);
    bool checked = false;
    m_dialogs.on_message = [&] {
      // The completion box waits in front of a form still busy, with no progress window.
      for (QWidget* control : RunControls()) QVERIFY(!control->isEnabled());
      QCOMPARE(m_form->Label4->text(), QString("Transforming file..."));
      QVERIFY(ProgressWindow() == nullptr);
      checked = true;
    };
    QTest::mouseClick(m_form->Button1, Qt::LeftButton);
    QVERIFY(checked);
    QCOMPARE(m_dialogs.messages.back().kind, TMessageKind::kInformation);
    QCOMPARE(m_dialogs.messages.back().text, "Transformation has ended\r\r2 Entities");
    QVERIFY(test::ReadFileBytes(m_folder.Path("route.tab"))
                .ends_with("Entity type:Point\r\n\r\n1.0000000000\t2.0000000000\t3.00000\r\n"
                           "4.0000000000\t5.0000000000\t6.00000\r\n"));
    for (QWidget* control : RunControls()) QVERIFY(control->isEnabled());
    QCOMPARE(m_form->Label4->text(), QString("www.trelvo.example"));
    // The choices stay as they were.
    QVERIFY(m_form->RadioButton4->isChecked() && m_form->RadioButton3->isChecked());
  }

  void AnErrorEscapingAHandlerIsShownAndTheProgramCarriesOnToItsClose() {
    TFailingWidget widget;
    g_application_dialogs->messages.clear();
    QEvent event(QEvent::User);
    QCoreApplication::sendEvent(&widget, &event);
    QCOMPARE(g_application_dialogs->messages.size(), size_t{1});
    QCOMPARE(g_application_dialogs->messages.back().kind, TMessageKind::kError);
    QCOMPARE(g_application_dialogs->messages.back().text,
             "Cannot read input file \"C:\\data\\route.kml\": Input/output error");
    // Still working: the form answers its next click, and the link opens the web address.
    QTest::mouseClick(m_form->Label4, Qt::LeftButton);
    QCOMPARE(m_dialogs.addresses, std::vector<std::string>{"www.trelvo.example"});
    QTest::mouseClick(m_form->Button2, Qt::LeftButton);
    QTRY_VERIFY(!m_form->isVisible());
  }

  void TheProgressWindowShowsTheFinalCount() {
    std::string kml(10, 'x');
    for (int i = 0; i < 5000; ++i) kml += "<LineString><coordinates>1,2</coordinates></LineString>";
    test::WriteFileBytes(m_folder.Path("many.kml"), kml);
    TfrChange progress(m_form.get());
    progress.Show();
    QVERIFY(progress.isVisible());
    // Each counter update lets the window system in, so a long run stays responsive.
    bool answered = false;
    QTimer::singleShot(0, [&] { answered = true; });
    progress.RepaintCounter();
    QVERIFY(answered);
    // Centred over the main window.
    const QPoint offset = progress.frameGeometry().center() - m_form->frameGeometry().center();
    QVERIFY(std::abs(offset.x()) <= 2 && std::abs(offset.y()) <= 2);
    const TRunSettings settings{m_folder.Path("many.kml"), m_folder.Path("many.csv")};
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
