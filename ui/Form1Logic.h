// What the main window does, without a toolkit: the Qt and the Win32 windows are thin views
// that hand their events to TForm1Logic and show what it sets.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "transform/Transformation.h"
#include "ui/Dialogs.h"
#include "ui/Layout.h"
#include "ui/OptionsLogic.h"

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
  virtual void SetControlEnabled(layout::TForm1Control control, bool enabled) = 0;
  // The Options button's caption and tooltip.
  virtual void ShowOptionsCaption(const std::string& caption, const std::string& tooltip) = 0;
  // Shows frOptions modally with `options`; what it accepted, or nothing when cancelled.
  virtual std::optional<TRunOptions> ShowOptionsDialog(const TRunOptions& options,
                                                       TDialogs& dialogs) = 0;
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
  void Button3Click();       // Options
  void Label4Click();        // open the web address

  // A file dropped on the window or named on the command line: the input, as if chosen in the
  // open dialog. Ignored during a run.
  void ChooseInput(const std::string& file_name);

  // Several files dropped or named on the command line: each is converted beside itself, with
  // the same choices. One file is ChooseInput. Ignored during a run.
  void ChooseInputs(const std::vector<std::string>& file_names);

  // The options chosen in frOptions.
  const TRunOptions& Options() const { return m_options; }

  // True for the names of files that can be dropped: .kml and .kmz, any case.
  static bool IsKmlFileName(std::string_view file_name);

  // "csv", "txt" or "tab", by the checked output format.
  std::string GetExtension() const;

  // Enables or disables the run controls (and Options), and shows the web address or "Transforming
  // file..." in Label4.
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
  // The output of `input` beside it, in the checked format.
  std::string OutputBeside(const std::string& input) const;
  // The choices of the main window and frOptions, for `input`; throws std::invalid_argument.
  TRunSettings SettingsFor(const std::string& input, const std::string& output) const;
  // The several inputs and their outputs, shown in the text boxes.
  void ShowInputs();
  void RunSeveral();

  TForm1View& m_view;
  TDialogs& m_dialogs;
  TRunSettings m_settings;
  TRunOptions m_options;
  std::vector<std::string> m_inputs;  // the inputs when several are chosen
  bool m_running = false;
};

}  // namespace trelvo
