// The Options dialog: the table layout and projected coordinates.
#pragma once

#include <QDialog>
#include <vector>

#include "ui/OptionsLogic.h"

namespace trelvo {

// Form frOptions: the Qt view of TfrOptionsLogic, which holds every rule. Its controls carry
// their names as object names, for tests and screenshots.
class TfrOptions : public QDialog, public TOptionsView {
 public:
  // Shows `options`; `dialogs` answers the error boxes and must outlive the dialog.
  TfrOptions(const TRunOptions& options, TDialogs& dialogs, QWidget* owner);
  ~TfrOptions() override;

  QWidget* Control(layout::TFrOptionsControl control) const { return m_controls[control]; }

  TfrOptionsLogic& Logic() { return m_logic; }

  // TOptionsView.
  bool Checked(layout::TFrOptionsControl control) const override;
  void SetChecked(layout::TFrOptionsControl control, bool checked) override;
  std::string Text(layout::TFrOptionsControl control) const override;
  void SetText(layout::TFrOptionsControl control, const std::string& text) override;
  void SetEnabled(layout::TFrOptionsControl control, bool enabled) override;
  void CloseDialog(bool accepted) override;

  // Escape and the title bar's close are Cancel, through the logic like the button.
  void reject() override;

 private:
  std::vector<QWidget*> m_controls;
  TfrOptionsLogic m_logic;
};

}  // namespace trelvo
