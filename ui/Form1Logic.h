// What the main window does, without a toolkit: the Qt and the Win32 windows are thin views
// that hand their events to TForm1Logic and show what it sets.
#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "transform/Transformation.h"
#include "ui/Dialogs.h"

namespace trelvo {

// The main window's controls as the logic sees them. Texts are UTF-8.
class TForm1View {
 public:
  virtual ~TForm1View() = default;
  virtual std::string InputText() const = 0;  // Edit1
  virtual void SetInputText(const std::string& text) = 0;
  virtual std::string OutputText() const = 0;  // Edit2
  virtual void SetOutputText(const std::string& text) = 0;
  // Index of the checked output format (CSV, TXT, TAB) and feature type (Point, Path, Polygon).
  virtual int CheckedFormat() const = 0;
  virtual int CheckedFeatureType() const = 0;
  // Enables or disables the controls a run must not touch (layout::kRunControls).
  virtual void SetRunControlsEnabled(bool enabled) = 0;
  // Sets Label4's text and redraws it at once.
  virtual void ShowLinkText(std::string_view text) = 0;
  virtual void CloseWindow() = 0;
  virtual std::unique_ptr<TProgressWindow> CreateProgressWindow() = 0;
};

// Form1's event handlers and rules.
class TForm1Logic : public TRunUi {
 public:
  // Both must outlive the logic.
  TForm1Logic(TForm1View& view, TDialogs& dialogs);

  void SpeedButton1Click();  // choose the input
  void SpeedButton2Click();  // choose the output
  void RadioButton1Click();  // any output format button became checked
  void Button1Click();       // Accept
  void Button2Click();       // Close
  void Label4Click();        // open the web address

  // A file dropped on the window or named on the command line: the input, as if chosen in the
  // open dialog. Ignored during a run.
  void ChooseInput(const std::string& file_name);

  // True for the names of files that can be dropped: .kml and .kmz, any case.
  static bool IsKmlFileName(std::string_view file_name);

  // "csv", "txt" or "tab", by the checked output format.
  std::string GetExtension() const;

  // Enables or disables the run controls, and shows the web address or "Transforming file..."
  // in Label4.
  void SetControlsEnabled(bool enabled);

  // A run is busy: the window must not close.
  bool Running() const { return m_running; }

  // TRunUi.
  std::unique_ptr<TProgressWindow> CreateProgressWindow() override;
  void ShowMessage(TMessageKind kind, const std::string& text) override;

  TFileDialog OpenDialog1;
  TFileDialog SaveDialog1;

 private:
  std::string WithExtension(const std::string& path) const;

  TForm1View& m_view;
  TDialogs& m_dialogs;
  TRunSettings m_settings;
  bool m_running = false;
};

}  // namespace trelvo
