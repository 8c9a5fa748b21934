#include "ui/qt/MainWindow.h"

#include <QApplication>
#include <QBitmap>
#include <QCloseEvent>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFrame>
#include <QGroupBox>
#include <QLineEdit>
#include <QMimeData>
#include <QMouseEvent>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QToolButton>
#include <optional>

#include "transform/TextExport.h"
#include "ui/qt/OptionsDialog.h"
#include "ui/qt/ProgressWindow.h"

namespace trelvo {
namespace {

QString FromView(std::string_view text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// File names reach the core as UTF-8.
std::string ToFileName(const QString& name) { return name.toUtf8().toStdString(); }

// The local .kml and .kmz files of a drop.
std::vector<std::string> DroppedFiles(const QMimeData* data) {
  std::vector<std::string> names;
  if (data == nullptr || !data->hasUrls()) return names;
  for (const QUrl& url : data->urls()) {
    if (!url.isLocalFile()) continue;
    const std::string name = ToFileName(QDir::toNativeSeparators(url.toLocalFile()));
    if (TForm1Logic::IsKmlFileName(name)) names.push_back(name);
  }
  return names;
}

}  // namespace

TForm1::TForm1(TDialogs& dialogs, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                          Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint),
      m_logic(*this, dialogs) {
  CreateControls();
  QCoreApplication::setApplicationName(FromView(kProgramName));
  // Centred on the screen.
  if (const QScreen* screen = QApplication::primaryScreen()) {
    move(screen->availableGeometry().center() - rect().center());
  }
}

TForm1::~TForm1() = default;

void TForm1::CreateControls() {
  using namespace layout;
  setObjectName("Form1");
  setWindowTitle(FromView(kProgramName));
  setWindowIcon(ApplicationIcon());
  setFixedSize(kForm1Width, kForm1Height);
  setFont(FormFont());
  setAcceptDrops(true);
  m_controls = trelvo::CreateControls(kForm1, this);
  const auto control = [this]<typename T>(TForm1Control index, T** member) {
    *member = static_cast<T*>(m_controls[index]);
  };
  control(kPanel1, &Panel1);
  control(kLabel5, &Label5);
  control(kLabel4, &Label4);
  control(kLabel1, &Label1);
  control(kEdit1, &Edit1);
  control(kSpeedButton1, &SpeedButton1);
  control(kGroupBox2, &GroupBox2);
  control(kRadioButton4, &RadioButton4);
  control(kRadioButton5, &RadioButton5);
  control(kRadioButton6, &RadioButton6);
  control(kGroupBox1, &GroupBox1);
  control(kRadioButton1, &RadioButton1);
  control(kRadioButton2, &RadioButton2);
  control(kRadioButton3, &RadioButton3);
  control(kLabel2, &Label2);
  control(kEdit2, &Edit2);
  control(kSpeedButton2, &SpeedButton2);
  control(kButton1, &Button1);
  control(kButton2, &Button2);
  control(kLabel3, &Label3);
  control(kButton3, &Button3);

  for (size_t i = 0; i + 1 < std::size(kForm1TabOrder); ++i) {
    setTabOrder(m_controls[kForm1TabOrder[i]], m_controls[kForm1TabOrder[i + 1]]);
  }

  Label4->OnClick = [this] { m_logic.Label4Click(); };
  connect(SpeedButton1, &QToolButton::clicked, this, &TForm1::SpeedButton1Click);
  connect(SpeedButton2, &QToolButton::clicked, this, &TForm1::SpeedButton2Click);
  for (QRadioButton* format : {RadioButton1, RadioButton2, RadioButton3}) {
    connect(format, &QRadioButton::toggled, this, [this](bool checked) {
      if (checked) m_logic.RadioButton1Click();
    });
  }
  connect(Button1, &QPushButton::clicked, this, &TForm1::Button1Click);
  connect(Button2, &QPushButton::clicked, this, &TForm1::Button2Click);
  connect(Button3, &QPushButton::clicked, this, &TForm1::Button3Click);
  Button3->setToolTip(kButton3Hint);
}

std::string TForm1::InputText() const { return ToFileName(Edit1->text()); }

void TForm1::SetInputText(const std::string& text) { Edit1->setText(QString::fromStdString(text)); }

std::string TForm1::OutputText() const { return ToFileName(Edit2->text()); }

void TForm1::SetOutputText(const std::string& text) {
  Edit2->setText(QString::fromStdString(text));
}

int TForm1::CheckedFormat() const {
  return RadioButton1->isChecked() ? 0 : RadioButton2->isChecked() ? 1 : 2;
}

int TForm1::CheckedFeatureType() const {
  return RadioButton4->isChecked() ? 0 : RadioButton5->isChecked() ? 1 : 2;
}

void TForm1::SetControlEnabled(layout::TForm1Control control, bool enabled) {
  m_controls[control]->setEnabled(enabled);
}

void TForm1::ShowOptionsCaption(const std::string& caption, const std::string& tooltip) {
  Button3->setText(QString::fromStdString(caption));
  Button3->setToolTip(QString::fromStdString(tooltip));
}

std::optional<TRunOptions> TForm1::ShowOptionsDialog(const TRunOptions& options,
                                                     TDialogs& dialogs) {
  TfrOptions dialog(options, dialogs, this);
  if (dialog.exec() != QDialog::Accepted) return std::nullopt;
  return dialog.Logic().Result();
}

void TForm1::ShowLinkText(std::string_view text) {
  Label4->setText(FromView(text));
  FitLabel(Label4);
  Label4->repaint();
}

void TForm1::closeEvent(QCloseEvent* event) {
  if (m_logic.Running()) {
    event->ignore();
  } else {
    QWidget::closeEvent(event);
  }
}

void TForm1::dragEnterEvent(QDragEnterEvent* event) {
  if (!m_logic.Running() && !DroppedFiles(event->mimeData()).empty()) {
    event->acceptProposedAction();
  }
}

void TForm1::dropEvent(QDropEvent* event) {
  const std::vector<std::string> names = DroppedFiles(event->mimeData());
  if (names.empty()) return;
  m_logic.ChooseInputs(names);
  event->acceptProposedAction();
}

std::unique_ptr<TProgressWindow> TForm1::CreateProgressWindow() {
  return std::make_unique<TfrChange>(this);
}

}  // namespace trelvo
