// The main window: input and output file, output format, feature type, Accept and Close.
#pragma once

#include <QWidget>
#include <functional>
#include <memory>
#include <span>
#include <vector>

#include "ui/Form1Logic.h"
#include "ui/Layout.h"
#include "ui/qt/Controls.h"

class QFrame;
class QGroupBox;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QToolButton;

namespace trelvo {

// Form Form1: the Qt view of TForm1Logic, which holds every rule. Controls are public and
// carry their names as object names, for tests and screenshots.
class TForm1 : public QWidget, public TForm1View {
 public:
  // `dialogs` answers every dialog, message box and shell request; it must outlive the form.
  explicit TForm1(TDialogs& dialogs, QWidget* parent = nullptr);
  ~TForm1() override;

  // Event handlers, connected in the constructor.
  void SpeedButton1Click() { m_logic.SpeedButton1Click(); }

  void SpeedButton2Click() { m_logic.SpeedButton2Click(); }

  void Button1Click() { m_logic.Button1Click(); }

  void Button2Click() { m_logic.Button2Click(); }

  void Button3Click() { m_logic.Button3Click(); }

  TForm1Logic& Logic() { return m_logic; }

  // TForm1View.
  std::string InputText() const override;
  void SetInputText(const std::string& text) override;
  std::string OutputText() const override;
  void SetOutputText(const std::string& text) override;
  int CheckedFormat() const override;
  int CheckedFeatureType() const override;
  void SetControlEnabled(layout::TForm1Control control, bool enabled) override;
  void ShowOptionsCaption(const std::string& caption, const std::string& tooltip) override;
  std::optional<TRunOptions> ShowOptionsDialog(const TRunOptions& options,
                                               TDialogs& dialogs) override;
  void ShowLinkText(std::string_view text) override;

  void CloseWindow() override { close(); }

  std::unique_ptr<TProgressWindow> CreateProgressWindow() override;

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
  QPushButton* Button3 = nullptr;

 protected:
  // The window cannot be closed while a run is busy with it.
  void closeEvent(QCloseEvent* event) override;
  // .kml and .kmz files dropped on the window become the inputs.
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dropEvent(QDropEvent* event) override;

 private:
  void CreateControls();

  std::vector<QWidget*> m_controls;
  TForm1Logic m_logic;
};

}  // namespace trelvo
