// The main window and the progress window, driven through their controls with the dialogs
// answered by a script.
#include <QApplication>
#include <QFile>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>
#include <functional>

#include "reading/IoError.h"
#include "tests/ui/ScriptedDialogs.h"
#include "transform/TextExport.h"
#include "transform/UChange.h"
#include "ui/Application.h"
#include "ui/UMain.h"

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

class Form1Test : public QObject {
  Q_OBJECT

 private:
  test::TScriptedDialogs m_dialogs;
  std::unique_ptr<TForm1> m_form;
  QTemporaryDir m_folder;

  QString WriteKml(const QString& name, const QByteArray& text) {
    const QString path = m_folder.filePath(name);
    QFile file(path);
    file.open(QIODevice::WriteOnly);
    file.write(text);
    return path;
  }

  void ChooseInput(const QString& path) {
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
    QTRY_VERIFY(QApplication::topLevelWidgets().isEmpty() ||
                std::none_of(QApplication::topLevelWidgets().begin(),
                             QApplication::topLevelWidgets().end(),
                             [](QWidget* widget) { return widget->isVisible(); }));
  }

  void StartsWithTheDefaults() {
    QCOMPARE(m_form->windowTitle(), QString("Trelvo"));
    QCOMPARE(QCoreApplication::applicationName(), QString("Trelvo"));
    QCOMPARE(m_form->size(), QSize(403, 282));
    QCOMPARE(m_form->minimumSize(), m_form->maximumSize());
    QVERIFY(!(m_form->windowFlags() & Qt::WindowMaximizeButtonHint));
    QVERIFY(m_form->RadioButton5->isChecked());
    QVERIFY(m_form->RadioButton1->isChecked());
    QVERIFY(m_form->Edit1->text().isEmpty());
    QVERIFY(m_form->Edit2->text().isEmpty());
    QVERIFY(m_form->Edit1->isReadOnly() && m_form->Edit2->isReadOnly());
    QVERIFY(!m_form->Label3->isEnabled());
    QVERIFY(!m_form->Button1->isDefault() && !m_form->Button1->autoDefault());
    QVERIFY(!m_form->Button2->isDefault() && !m_form->Button2->autoDefault());
    QCOMPARE(m_form->Label4->cursor().shape(), Qt::PointingHandCursor);
    QCOMPARE(m_form->Label4->palette().color(QPalette::WindowText), QColor(Qt::blue));
    QCOMPARE(m_form->Panel1->palette().color(QPalette::Window), QColor(Qt::white));
    QCOMPARE(m_form->font().pixelSize(), 12);
    QVERIFY(m_form->Label5->font().bold());
  }

  void LaysOutEveryControl_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QRect>("geometry");
    QTest::addColumn<QString>("text");
    QTest::newRow("Panel1") << "Panel1" << QRect(0, 0, 403, 26) << "";
    QTest::newRow("Label5") << "Label5" << QRect(5, 5, 161, 15) << "Google Earth KML to TextFile";
    QTest::newRow("Label4") << "Label4" << QRect(295, 6, 101, 15) << "www.trelvo.example";
    QTest::newRow("Label1") << "Label1" << QRect(5, 34, 89, 15) << "Input File (*.kml)";
    QTest::newRow("Edit1") << "Edit1" << QRect(5, 50, 371, 23) << "";
    QTest::newRow("SpeedButton1") << "SpeedButton1" << QRect(377, 50, 23, 22) << "";
    QTest::newRow("GroupBox2") << "GroupBox2" << QRect(5, 80, 391, 46) << " Feature type ";
    QTest::newRow("RadioButton4") << "RadioButton4" << QRect(20, 20, 66, 17) << "Point";
    QTest::newRow("RadioButton5") << "RadioButton5" << QRect(155, 20, 71, 17) << "Path";
    QTest::newRow("RadioButton6") << "RadioButton6" << QRect(285, 20, 81, 17) << "Polygon";
    QTest::newRow("GroupBox1") << "GroupBox1" << QRect(5, 130, 391, 56) << " Output format ";
    QTest::newRow("RadioButton1") << "RadioButton1" << QRect(20, 30, 71, 17) << "CSV";
    QTest::newRow("RadioButton2") << "RadioButton2" << QRect(155, 30, 61, 17) << "TXT";
    QTest::newRow("RadioButton3") << "RadioButton3" << QRect(290, 30, 61, 17) << "TAB";
    QTest::newRow("Label2") << "Label2" << QRect(5, 197, 59, 15) << "Output File";
    QTest::newRow("Edit2") << "Edit2" << QRect(5, 215, 371, 23) << "";
    QTest::newRow("SpeedButton2") << "SpeedButton2" << QRect(378, 215, 23, 22) << "";
    QTest::newRow("Button1") << "Button1" << QRect(240, 251, 80, 25) << "Accept";
    QTest::newRow("Button2") << "Button2" << QRect(325, 251, 75, 25) << "Close";
    QTest::newRow("Label3") << "Label3" << QRect(5, 260, 142, 15) << "Made by Brisko Solutions";
  }

  void LaysOutEveryControl() {
    QFETCH(QString, name);
    QFETCH(QRect, geometry);
    QFETCH(QString, text);
    auto* control = m_form->findChild<QWidget*>(name);
    QVERIFY(control != nullptr);
    if (qobject_cast<QLabel*>(control) != nullptr) {
      // Labels size themselves to their text: they may only grow, away from their anchor.
      const QRect actual = control->geometry();
      QCOMPARE(actual.top(), geometry.top());
      QCOMPARE(actual.height(), geometry.height());
      QVERIFY(actual.width() >= geometry.width());
      const bool right = qobject_cast<QLabel*>(control)->alignment() & Qt::AlignRight;
      QCOMPARE(right ? actual.right() : actual.left(), right ? geometry.right() : geometry.left());
    } else {
      QCOMPARE(control->geometry(), geometry);
    }
    if (auto* label = qobject_cast<QLabel*>(control)) QCOMPARE(label->text(), text);
    if (auto* button = qobject_cast<QAbstractButton*>(control)) QCOMPARE(button->text(), text);
    if (auto* group = qobject_cast<QGroupBox*>(control)) QCOMPARE(group->title(), text);
  }

  void TabsThroughTheControlsInOrder() {
    QWidget* expected[] = {m_form->Edit1, m_form->Edit2, m_form->Button1, m_form->Button2,
                           m_form->RadioButton1};
    for (size_t i = 0; i + 1 < std::size(expected); ++i) {
      QCOMPARE(expected[i]->nextInFocusChain(), expected[i + 1]);
    }
  }

  void DerivesTheOutputNameAndKeepsItInStepWithTheFormat() {
    ChooseInput("C:\\data\\route.kml");
    QCOMPARE(m_form->Edit1->text(), QString("C:\\data\\route.kml"));
    QCOMPARE(m_form->Edit2->text(), QString("C:\\data\\route.csv"));
    QCOMPARE(m_form->SaveDialog1.FileName, QString("C:\\data\\route.csv"));
    QTest::mouseClick(m_form->RadioButton2, Qt::LeftButton);
    QCOMPARE(m_form->Edit2->text(), QString("C:\\data\\route.txt"));
    QCOMPARE(m_form->GetExtension(), QString("txt"));
    // By keyboard too: the arrow moves the checked format button.
    m_form->RadioButton2->setFocus();
    QTest::keyClick(m_form->RadioButton2, Qt::Key_Right);
    QVERIFY(m_form->RadioButton3->isChecked());
    QCOMPARE(m_form->Edit2->text(), QString("C:\\data\\route.tab"));
    QCOMPARE(m_form->GetExtension(), QString("tab"));
    QTest::mouseClick(m_form->RadioButton1, Qt::LeftButton);
    QCOMPARE(m_form->Edit2->text(), QString("C:\\data\\route.csv"));
    QCOMPARE(m_form->GetExtension(), QString("csv"));
  }

  void RenamesOnlyTheLastPathElement_data() {
    QTest::addColumn<QString>("input");
    QTest::addColumn<QString>("output");
    QTest::newRow("no extension") << "C:\\data\\route"
                                  << "C:\\data\\route.csv";
    QTest::newRow("dot in folder") << "C:\\data.v2\\route"
                                   << "C:\\data.v2\\route.csv";
    QTest::newRow("posix") << "/home/ann/maps.old/route.kml"
                           << "/home/ann/maps.old/route.csv";
    QTest::newRow("two dots") << "/tmp/route.2024.kml"
                              << "/tmp/route.2024.csv";
    QTest::newRow("drive only") << "C:route.kml"
                                << "C:route.csv";
  }

  void RenamesOnlyTheLastPathElement() {
    QFETCH(QString, input);
    QFETCH(QString, output);
    ChooseInput(input);
    QCOMPARE(m_form->Edit2->text(), output);
  }

  void ChangingTheFormatWithoutAnOutputChangesNothing() {
    QTest::mouseClick(m_form->RadioButton3, Qt::LeftButton);
    QVERIFY(m_form->Edit2->text().isEmpty());
    QVERIFY(m_form->Edit1->text().isEmpty());
  }

  void CancellingTheDialogsChangesNothing() {
    ChooseInput("/data/a.kml");
    m_dialogs.answers.push_back(std::nullopt);
    QTest::mouseClick(m_form->SpeedButton1, Qt::LeftButton);
    m_dialogs.answers.push_back(std::nullopt);
    QTest::mouseClick(m_form->SpeedButton2, Qt::LeftButton);
    QCOMPARE(m_form->Edit1->text(), QString("/data/a.kml"));
    QCOMPARE(m_form->Edit2->text(), QString("/data/a.csv"));
  }

  void OffersTheRightFiltersAndExtensions() {
    ChooseInput("/data/a.kml");
    QCOMPARE(m_dialogs.opened.back().Filter, QString("Google Earth (*.kml)|*.kml"));
    QCOMPARE(m_dialogs.opened.back().DefaultExt, QString("kml"));
    QTest::mouseClick(m_form->RadioButton3, Qt::LeftButton);
    m_dialogs.answers.push_back(QString("/data/b.tab"));
    QTest::mouseClick(m_form->SpeedButton2, Qt::LeftButton);
    const TFileDialog& save = m_dialogs.saved.back();
    QCOMPARE(save.Filter, QString("TextFile (*.tab)|*.tab"));
    QCOMPARE(save.DefaultExt, QString("tab"));
    QCOMPARE(save.FileName, QString("/data/a.tab"));
    QVERIFY(save.OverwritePrompt);
    QCOMPARE(m_form->Edit2->text(), QString("/data/b.tab"));
    QCOMPARE(QtNameFilters(save.Filter), QStringList{"TextFile (*.tab)"});
  }

  void AcceptAsksForMissingNames() {
    QTest::mouseClick(m_form->Button1, Qt::LeftButton);
    QCOMPARE(m_dialogs.messages.size(), size_t{1});
    QCOMPARE(m_dialogs.messages.back().kind, TMessageKind::kError);
    QCOMPARE(m_dialogs.messages.back().text, QString("Select Input file"));
    m_form->Edit1->setText("/data/a.kml");
    QTest::mouseClick(m_form->Button1, Qt::LeftButton);
    QCOMPARE(m_dialogs.messages.back().text, QString("Select Output file"));
    QCOMPARE(m_dialogs.messages.size(), size_t{2});
    for (QWidget* control : RunControls()) QVERIFY(control->isEnabled());
  }

  void AcceptWritesTheSettingsAndConverts() {
    const QString input = WriteKml("route.kml",
                                   "<Point><coordinates>1,2,3</coordinates></Point>"
                                   "<Point><coordinates>4,5,6</coordinates></Point>\n");
    ChooseInput(input);
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
    QCOMPARE(m_form->RunSettings().Separator, '\t');
    QCOMPARE(m_form->RunSettings().EntityType, uint8_t{1});
    QCOMPARE(QString::fromStdString(m_form->RunSettings().InputFileName), input);
    QCOMPARE(QString::fromStdString(m_form->RunSettings().OutputFileName),
             m_folder.filePath("route.tab"));
    QCOMPARE(m_dialogs.messages.back().kind, TMessageKind::kInformation);
    QCOMPARE(m_dialogs.messages.back().text, QString("Transformation has ended\r\r2 Entities"));
    QFile output(m_folder.filePath("route.tab"));
    QVERIFY(output.open(QIODevice::ReadOnly));
    QVERIFY(
        output.readAll().endsWith("Entity type:Point\r\n\r\n1.0000000000\t2.0000000000\t3.00000\r\n"
                                  "4.0000000000\t5.0000000000\t6.00000\r\n"));
    for (QWidget* control : RunControls()) QVERIFY(control->isEnabled());
    QCOMPARE(m_form->Label4->text(), QString("www.trelvo.example"));
    // The choices stay as they were.
    QVERIFY(m_form->RadioButton4->isChecked() && m_form->RadioButton3->isChecked());
  }

  void AFailedRunCleansUpAndNamesTheFile() {
    ChooseInput(m_folder.filePath("missing.kml"));
    m_dialogs.on_message = [&] {
      for (QWidget* control : RunControls()) QVERIFY(control->isEnabled());
    };
    QTest::mouseClick(m_form->Button1, Qt::LeftButton);
    QCOMPARE(m_dialogs.messages.size(), size_t{1});
    QCOMPARE(m_dialogs.messages.back().kind, TMessageKind::kError);
    QCOMPARE(m_dialogs.messages.back().text, "Cannot open input file \"" +
                                                 m_folder.filePath("missing.kml") +
                                                 "\": No such file or directory");
    QCOMPARE(m_form->Label4->text(), QString("www.trelvo.example"));
    QVERIFY(ProgressWindow() == nullptr);
    QVERIFY(!QFile::exists(m_folder.filePath("missing.csv")));
  }

  void TheLinkOpensTheWebAddress() {
    QTest::mouseClick(m_form->Label4, Qt::LeftButton);
    QCOMPARE(m_dialogs.addresses, QStringList{"www.trelvo.example"});
  }

  void AnErrorEscapingAHandlerIsShownAndTheProgramCarriesOn() {
    TFailingWidget widget;
    g_application_dialogs->messages.clear();
    QEvent event(QEvent::User);
    QCoreApplication::sendEvent(&widget, &event);
    QCOMPARE(g_application_dialogs->messages.size(), size_t{1});
    QCOMPARE(g_application_dialogs->messages.back().kind, TMessageKind::kError);
    QCOMPARE(g_application_dialogs->messages.back().text,
             QString("Cannot read input file \"C:\\data\\route.kml\": Input/output error"));
    // Still working: the form answers its next click.
    QTest::mouseClick(m_form->Label4, Qt::LeftButton);
    QCOMPARE(m_dialogs.addresses.size(), 1);
  }

  void CloseEndsTheWindow() {
    QTest::mouseClick(m_form->Button2, Qt::LeftButton);
    QTRY_VERIFY(!m_form->isVisible());
  }

  void TheProgressWindowShowsTheFinalCount() {
    const QString input =
        WriteKml("many.kml", QByteArray().fill('x', 10) + QByteArray("<LineString><coordinates>1,2"
                                                                     "</coordinates></LineString>")
                                                              .repeated(5000));
    TfrChange progress(m_form.get());
    QCOMPARE(progress.windowTitle(), QString("trelvo"));
    QCOMPARE(progress.size(), QSize(317, 86));
    QCOMPARE(progress.Label1->text(), QString("Transforming file...  wait "));
    QCOMPARE(progress.Label1->geometry(), QRect(35, 10, 133, 15));
    QCOMPARE(progress.Label3->text(), QString("Entities :"));
    QCOMPARE(progress.Label4->geometry(), QRect(115, 35, 38, 15));
    QCOMPARE(progress.Label2->text(),
             QString("Depending on the file size it could take a few minutes"));
    QCOMPARE(progress.Bevel1->geometry(), QRect(10, 60, 296, 10));
    progress.Show();
    QVERIFY(progress.isVisible());
    // Centred over the main window.
    const QPoint offset = progress.frameGeometry().center() - m_form->frameGeometry().center();
    QVERIFY(std::abs(offset.x()) <= 2 && std::abs(offset.y()) <= 2);
    TRunSettings settings;
    settings.InputFileName = input.toStdString();
    settings.OutputFileName = m_folder.filePath("many.csv").toStdString();
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
