#include "ui/qt/MainWindow.h"

#include <QApplication>
#include <QCloseEvent>
#include <QFrame>
#include <QGroupBox>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QStyle>
#include <QToolButton>

#include "transform/FileNames.h"
#include "transform/TextExport.h"
#include "ui/qt/ProgressWindow.h"

namespace trelvo {
namespace {

QString FromView(std::string_view text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// File names reach the core as UTF-8.
std::string ToFileName(const QString& name) { return name.toUtf8().toStdString(); }

template <typename T>
T* Create(QWidget* parent, const char* name, QRect geometry) {
  auto* widget = new T(parent);
  widget->setObjectName(name);
  widget->setGeometry(geometry);
  return widget;
}

// Labels size themselves to their text: a font a little wider than the designed one grows a
// label (leftwards for a right-aligned one) instead of clipping its text.
void FitLabel(QLabel* label) {
  const int needed = label->sizeHint().width();
  if (needed <= label->width()) return;
  QRect geometry = label->geometry();
  if (label->alignment() & Qt::AlignRight) {
    geometry.setLeft(geometry.right() + 1 - needed);
  } else {
    geometry.setWidth(needed);
  }
  label->setGeometry(geometry);
}

QLabel* CreateLabel(QWidget* parent, const char* name, const QString& text, QRect geometry) {
  auto* label = Create<QLabel>(parent, name, geometry);
  label->setText(text);
  FitLabel(label);
  return label;
}

QRadioButton* CreateRadio(QWidget* parent, const char* name, const QString& text, QRect geometry) {
  auto* button = Create<QRadioButton>(parent, name, geometry);
  button->setText(text);
  return button;
}

QLineEdit* CreateEdit(QWidget* parent, const char* name, QRect geometry) {
  auto* edit = Create<QLineEdit>(parent, name, geometry);
  edit->setReadOnly(true);  // filled only by the dialogs and the renaming rules
  edit->setFrame(false);
  return edit;
}

QToolButton* CreateSpeedButton(QWidget* parent, const char* name, QRect geometry,
                               QStyle::StandardPixmap picture, QSize picture_size) {
  auto* button = Create<QToolButton>(parent, name, geometry);
  button->setAutoRaise(true);  // flat
  button->setIcon(parent->style()->standardIcon(picture));
  button->setIconSize(picture_size);
  button->setFocusPolicy(Qt::NoFocus);
  return button;
}

QPushButton* CreateButton(QWidget* parent, const char* name, const QString& text, QRect geometry) {
  auto* button = Create<QPushButton>(parent, name, geometry);
  button->setText(text);
  button->setAutoDefault(false);  // neither button answers Enter or Escape
  button->setDefault(false);
  return button;
}

}  // namespace

void TLinkLabel::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()) &&
      OnClick) {
    OnClick();
  }
  QLabel::mouseReleaseEvent(event);
}

QString ErrorText(const std::exception& error) { return QString::fromUtf8(error.what()); }

QIcon ApplicationIcon() {
  // A globe with a path across it, in the 16 colours of the classic palette.
  QPixmap picture(32, 32);
  picture.fill(Qt::transparent);
  QPainter painter(&picture);
  painter.setRenderHint(QPainter::Antialiasing);
  painter.setPen(QPen(Qt::darkBlue, 1.5));
  painter.setBrush(QColor(0, 128, 255));
  painter.drawEllipse(QRectF(2.5, 2.5, 27, 27));
  painter.setPen(QPen(Qt::green, 1));
  painter.drawArc(QRectF(8, 2.5, 16, 27), 0, 360 * 16);
  painter.drawLine(QPointF(3, 16), QPointF(29, 16));
  painter.setPen(QPen(Qt::yellow, 2.5, Qt::SolidLine, Qt::RoundCap));
  painter.drawPolyline(QPolygonF({{6, 24}, {12, 19}, {18, 21}, {26, 9}}));
  painter.end();
  return QIcon(picture);
}

TForm1::TForm1(TDialogs& dialogs, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                          Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint),
      m_dialogs(dialogs) {
  CreateControls();
  FormCreate();
}

TForm1::~TForm1() = default;

void TForm1::CreateControls() {
  setObjectName("Form1");
  setWindowTitle(FromView(kProgramName));
  setWindowIcon(ApplicationIcon());
  setFixedSize(403, 282);
  setFont(FormFont());

  Panel1 = Create<QFrame>(this, "Panel1", QRect(0, 0, 403, 26));
  Panel1->setAutoFillBackground(true);
  QPalette white = Panel1->palette();
  white.setColor(QPalette::Window, Qt::white);
  Panel1->setPalette(white);
  Label5 = CreateLabel(Panel1, "Label5", "Google Earth KML to TextFile", QRect(5, 5, 161, 15));
  Label5->setFont(FormFont(true));
  FitLabel(Label5);
  Label4 = new TLinkLabel(Panel1);
  Label4->setObjectName("Label4");
  Label4->setGeometry(295, 6, 101, 15);
  Label4->setText(FromView(WebAddress));
  Label4->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  Label4->setCursor(Qt::PointingHandCursor);
  QPalette blue = Label4->palette();
  blue.setColor(QPalette::WindowText, Qt::blue);
  Label4->setPalette(blue);
  Label4->OnClick = [this] { Label4Click(); };
  FitLabel(Label4);

  Label1 = CreateLabel(this, "Label1", "Input File (*.kml)", QRect(5, 34, 89, 15));
  Edit1 = CreateEdit(this, "Edit1", QRect(5, 50, 371, 23));
  SpeedButton1 = CreateSpeedButton(this, "SpeedButton1", QRect(377, 50, 23, 22),
                                   QStyle::SP_DirOpenIcon, QSize(18, 16));

  GroupBox2 = Create<QGroupBox>(this, "GroupBox2", QRect(5, 80, 391, 46));
  GroupBox2->setTitle(" Feature type ");
  RadioButton4 = CreateRadio(GroupBox2, "RadioButton4", "Point", QRect(20, 20, 66, 17));
  RadioButton5 = CreateRadio(GroupBox2, "RadioButton5", "Path", QRect(155, 20, 71, 17));
  RadioButton6 = CreateRadio(GroupBox2, "RadioButton6", "Polygon", QRect(285, 20, 81, 17));
  RadioButton5->setChecked(true);

  GroupBox1 = Create<QGroupBox>(this, "GroupBox1", QRect(5, 130, 391, 56));
  GroupBox1->setTitle(" Output format ");
  RadioButton1 = CreateRadio(GroupBox1, "RadioButton1", "CSV", QRect(20, 30, 71, 17));
  RadioButton2 = CreateRadio(GroupBox1, "RadioButton2", "TXT", QRect(155, 30, 61, 17));
  RadioButton3 = CreateRadio(GroupBox1, "RadioButton3", "TAB", QRect(290, 30, 61, 17));
  RadioButton1->setChecked(true);

  Label2 = CreateLabel(this, "Label2", "Output File", QRect(5, 197, 59, 15));
  Edit2 = CreateEdit(this, "Edit2", QRect(5, 215, 371, 23));
  SpeedButton2 = CreateSpeedButton(this, "SpeedButton2", QRect(378, 215, 23, 22),
                                   QStyle::SP_DialogSaveButton, QSize(16, 16));
  Button1 = CreateButton(this, "Button1", "Accept", QRect(240, 251, 80, 25));
  Button2 = CreateButton(this, "Button2", "Close", QRect(325, 251, 75, 25));
  Label3 = CreateLabel(this, "Label3", "Made by Brisko Solutions", QRect(5, 260, 142, 15));
  Label3->setEnabled(false);

  OpenDialog1.Filter =
      "Google Earth (*.kml)|*.kml|Google Earth archives (*.kmz)|*.kmz|All files (*.*)|*.*";
  OpenDialog1.DefaultExt = "kml";
  SaveDialog1.OverwritePrompt = true;

  // Tab order: Edit1, Edit2, Button1, Button2, Panel1 (nothing to focus), GroupBox1, GroupBox2.
  setTabOrder(Edit1, Edit2);
  setTabOrder(Edit2, Button1);
  setTabOrder(Button1, Button2);
  setTabOrder(Button2, RadioButton1);
  setTabOrder(RadioButton1, RadioButton2);
  setTabOrder(RadioButton2, RadioButton3);
  setTabOrder(RadioButton3, RadioButton4);
  setTabOrder(RadioButton4, RadioButton5);
  setTabOrder(RadioButton5, RadioButton6);

  connect(SpeedButton1, &QToolButton::clicked, this, &TForm1::SpeedButton1Click);
  connect(SpeedButton2, &QToolButton::clicked, this, &TForm1::SpeedButton2Click);
  for (QRadioButton* format : {RadioButton1, RadioButton2, RadioButton3}) {
    connect(format, &QRadioButton::toggled, this, [this](bool checked) {
      if (checked) RadioButton1Click();
    });
  }
  connect(Button1, &QPushButton::clicked, this, &TForm1::Button1Click);
  connect(Button2, &QPushButton::clicked, this, &TForm1::Button2Click);
}

void TForm1::FormCreate() {
  QCoreApplication::setApplicationName(FromView(kProgramName));
  // Centred on the screen.
  if (const QScreen* screen = QApplication::primaryScreen()) {
    move(screen->availableGeometry().center() - rect().center());
  }
}

QString TForm1::GetExtension() const {
  if (RadioButton1->isChecked()) return "csv";
  if (RadioButton2->isChecked()) return "txt";
  return "tab";
}

QString TForm1::WithExtension(const QString& path) const {
  const std::string renamed = ChangeFileExt(path.toStdString(), "." + GetExtension().toStdString());
  return QString::fromStdString(renamed);
}

void TForm1::SpeedButton1Click() {
  const std::optional<QString> chosen = m_dialogs.Open(this, OpenDialog1);
  if (!chosen) return;
  OpenDialog1.FileName = *chosen;
  Edit1->setText(*chosen);
  Edit2->setText(WithExtension(*chosen));
  SaveDialog1.FileName = Edit2->text();
}

void TForm1::SpeedButton2Click() {
  if (!Edit2->text().isEmpty()) SaveDialog1.FileName = WithExtension(Edit2->text());
  const QString extension = GetExtension();
  SaveDialog1.DefaultExt = extension;
  SaveDialog1.Filter = "TextFile (*." + extension + ")|*." + extension;
  const std::optional<QString> chosen = m_dialogs.Save(this, SaveDialog1);
  if (!chosen) return;
  SaveDialog1.FileName = *chosen;
  Edit2->setText(*chosen);
}

void TForm1::RadioButton1Click() {
  if (!Edit2->text().isEmpty()) Edit2->setText(WithExtension(Edit2->text()));
}

void TForm1::Button1Click() {
  if (Edit1->text().isEmpty()) {
    m_dialogs.Message(this, TMessageKind::kError, "Select Input file");
    return;
  }
  if (Edit2->text().isEmpty()) {
    m_dialogs.Message(this, TMessageKind::kError, "Select Output file");
    return;
  }
  SetControlsEnabled(false);
  m_settings.Separator = RadioButton1->isChecked() ? ',' : RadioButton2->isChecked() ? ' ' : '\t';
  m_settings.EntityType = RadioButton4->isChecked()   ? TEntityType::kPoint
                          : RadioButton5->isChecked() ? TEntityType::kPath
                                                      : TEntityType::kPolygon;
  m_settings.InputFileName = ToFileName(Edit1->text());
  m_settings.OutputFileName = ToFileName(Edit2->text());
  m_running = true;
  try {
    RunTransformation(m_settings, *this);
    m_running = false;
  } catch (const std::exception& error) {
    m_running = false;
    // The run has cleaned up after itself (window gone, no half output); give the controls
    // back before the error box, which waits for the user.
    SetControlsEnabled(true);
    m_dialogs.Message(this, TMessageKind::kError, ErrorText(error));
    return;
  }
  SetControlsEnabled(true);
}

void TForm1::Button2Click() { close(); }

void TForm1::closeEvent(QCloseEvent* event) {
  if (m_running) {
    event->ignore();
  } else {
    QWidget::closeEvent(event);
  }
}

void TForm1::Label4Click() { m_dialogs.OpenAddress(this, FromView(WebAddress)); }

void TForm1::SetControlsEnabled(bool enabled) {
  for (QWidget* control : std::initializer_list<QWidget*>{
           Label1, Label2, Button1, Button2, SpeedButton1, SpeedButton2, Edit1, Edit2}) {
    control->setEnabled(enabled);
  }
  Label4->setText(enabled ? FromView(WebAddress) : QString("Transforming file..."));
  FitLabel(Label4);
  Label4->repaint();
}

std::unique_ptr<TProgressWindow> TForm1::CreateProgressWindow() {
  return std::make_unique<TfrChange>(this);
}

void TForm1::ShowMessage(TMessageKind kind, const std::string& text) {
  m_dialogs.Message(this, kind, QString::fromStdString(text));
}

}  // namespace trelvo
