// The main window: input and output file, output format, feature type, Accept and Close.
#pragma once

#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "ui/Form1Logic.h"
#include "ui/Layout.h"

namespace trelvo::win32 {

// Form Form1: the Win32 view of TForm1Logic, which holds every rule. Its controls are child
// windows with the ids kFirstControlId + their index in layout::kForm1.
class TForm1 : public TForm1View {
 public:
  // `dialogs` answers every dialog, message box and shell request; it must outlive the form.
  explicit TForm1(TDialogs& dialogs);
  ~TForm1() override;
  TForm1(const TForm1&) = delete;
  TForm1& operator=(const TForm1&) = delete;

  HWND Handle() const { return m_window; }

  HWND Control(layout::TForm1Control control) const { return m_controls[control]; }

  TForm1Logic& Logic() { return m_logic; }

  // Lays the window out for a new dpi (WM_DPICHANGED); also at creation.
  void Place(UINT dpi);

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

  // The Options button's tooltip.
  std::string OptionsToolTip() const;
  void ShowLinkText(std::string_view text) override;
  void CloseWindow() override;
  std::unique_ptr<TProgressWindow> CreateProgressWindow() override;

 private:
  static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM w, LPARAM l);
  LRESULT Handle(UINT message, WPARAM w, LPARAM l);
  void Command(int id, int notification);
  int Checked(const layout::TForm1Control (&buttons)[3]) const;
  // A tooltip message about the Options button, with `text` as the tool's text.
  void SendToOptionsTip(UINT message, WPARAM w, std::wstring& text) const;

  HWND m_window = nullptr;
  std::vector<HWND> m_controls;
  HWND m_tooltip = nullptr;
  HFONT m_font = nullptr;
  HFONT m_bold_font = nullptr;
  TForm1Logic m_logic;
};

// Runs the message loop until the main window is gone; Tab moves between the controls.
int RunMessageLoop(HWND main_window);

}  // namespace trelvo::win32
