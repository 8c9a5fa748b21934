// The main window: input and output file, output format, feature type, Accept and Close.
#pragma once

#include <QLabel>
#include <QWidget>
#include <functional>
#include <memory>

#include "transform/Transformation.h"
#include "ui/qt/Dialogs.h"

class QFrame;
class QGroupBox;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QToolButton;

namespace trelvo {

// A label that reports clicks: the web-address link.
class TLinkLabel : public QLabel {
 public:
  using QLabel::QLabel;
  std::function<void()> OnClick;

 protected:
  void mouseReleaseEvent(QMouseEvent* event) override;
};

// Form Form1. The whole user interface: the user picks the KML file and the output file
// through dialogs, the output format and the feature type, and presses Accept, which runs
// the conversion synchronously with its progress window and completion message. Controls are
// public and carry their names as object names, for tests and screenshots.
class TForm1 : public QWidget, public TRunUi {
 public:
  // `dialogs` answers every dialog, message box and shell request; it must outlive the form.
  explicit TForm1(TDialogs& dialogs, QWidget* parent = nullptr);
  ~TForm1() override;

  // Event handlers, connected in the constructor.
  void FormCreate();
  void SpeedButton1Click();  // choose the input
  void SpeedButton2Click();  // choose the output
  void RadioButton1Click();  // any output format button became checked
  void Button1Click();       // Accept
  void Button2Click();       // Close
  void Label4Click();        // open the web address

  // "csv", "txt" or "tab", by the checked output format.
  QString GetExtension() const;

  // Enables or disables the eight controls a run must not touch, and shows the web address
  // or "Transforming file..." in Label4.
  void SetControlsEnabled(bool enabled);

  // The settings the last Accept wrote.
  const TRunSettings& RunSettings() const { return m_settings; }

  // TRunUi: the progress window and message boxes of a run.
  std::unique_ptr<TProgressWindow> CreateProgressWindow() override;
  void ShowMessage(TMessageKind kind, const std::string& text) override;

  QFrame* Panel1 = nullptr;
  QLabel* Label5 = nullptr;
  TLinkLabel* Label4 = nullptr;
  QLabel* Label1 = nullptr;
  QLineEdit* Edit1 = nullptr;
  QToolButton* SpeedButton1 = nullptr;
  QGroupBox* GroupBox2 = nullptr;
  QRadioButton* RadioButton4 = nullptr;
  QRadioButton* RadioButton5 = nullptr;
  QRadioButton* RadioButton6 = nullptr;
  QGroupBox* GroupBox1 = nullptr;
  QRadioButton* RadioButton1 = nullptr;
  QRadioButton* RadioButton2 = nullptr;
  QRadioButton* RadioButton3 = nullptr;
  QLabel* Label2 = nullptr;
  QLineEdit* Edit2 = nullptr;
  QToolButton* SpeedButton2 = nullptr;
  QPushButton* Button1 = nullptr;
  QPushButton* Button2 = nullptr;
  QLabel* Label3 = nullptr;
  TFileDialog OpenDialog1;
  TFileDialog SaveDialog1;

 protected:
  // The window cannot be closed while a run is busy with it.
  void closeEvent(QCloseEvent* event) override;

 private:
  void CreateControls();
  QString WithExtension(const QString& path) const;

  TDialogs& m_dialogs;
  TRunSettings m_settings;
  bool m_running = false;
};

// The text every error box shows for a failure that ends a handler: the error's own text,
// which names the file and the cause.
QString ErrorText(const std::exception& error);

// The 32 x 32 application icon.
QIcon ApplicationIcon();

}  // namespace trelvo
