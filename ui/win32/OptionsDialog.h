// The Options dialog: the table layout and projected coordinates.
#pragma once

#include <windows.h>

#include <vector>

#include "ui/OptionsLogic.h"

namespace trelvo::win32 {

// Form frOptions: the Win32 view of TfrOptionsLogic, which holds every rule. Its controls are
// child windows with the ids kFirstControlId + their index in layout::kFrOptions.
class TfrOptions : public TOptionsView {
 public:
  // Creates the dialog, hidden, showing `options`; `dialogs` answers the error boxes and must
  // outlive the dialog.
  TfrOptions(const TRunOptions& options, TDialogs& dialogs, HWND owner);
  ~TfrOptions() override;
  TfrOptions(const TfrOptions&) = delete;
  TfrOptions& operator=(const TfrOptions&) = delete;

  HWND Handle() const { return m_window; }

  HWND Control(layout::TFrOptionsControl control) const { return m_controls[control]; }

  TfrOptionsLogic& Logic() { return m_logic; }

  // Shows the dialog centred over its owner, which it disables until the dialog is closed;
  // whether it was closed with OK.
  bool RunModal();

  // Whether the dialog was closed, and with OK.
  bool Closed() const { return m_closed; }

  bool Accepted() const { return m_accepted; }

  // TOptionsView.
  bool Checked(layout::TFrOptionsControl control) const override;
  void SetChecked(layout::TFrOptionsControl control, bool checked) override;
  std::string Text(layout::TFrOptionsControl control) const override;
  void SetText(layout::TFrOptionsControl control, const std::string& text) override;
  void SetEnabled(layout::TFrOptionsControl control, bool enabled) override;
  void CloseDialog(bool accepted) override;

 private:
  static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM w, LPARAM l);
  LRESULT Handle(UINT message, WPARAM w, LPARAM l);

  HWND m_owner;
  HWND m_window = nullptr;
  std::vector<HWND> m_controls;
  HFONT m_font = nullptr;
  TfrOptionsLogic m_logic;
  bool m_closed = false;
  bool m_accepted = false;
};

}  // namespace trelvo::win32
