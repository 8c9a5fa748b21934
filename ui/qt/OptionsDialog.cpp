#include "ui/qt/OptionsDialog.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QLineEdit>

#include "ui/qt/Controls.h"

namespace trelvo {

TfrOptions::TfrOptions(const TRunOptions& options, TDialogs& dialogs, QWidget* owner)
    : QDialog(owner, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                         Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint),
      m_logic(*this, dialogs) {
  setObjectName("frOptions");
  setWindowTitle("Options");
  setFixedSize(layout::kFrOptionsWidth, layout::kFrOptionsHeight);
  setFont(FormFont());
  m_controls = CreateControls(layout::kFrOptions, this);
  for (size_t i = 0; i < m_controls.size(); ++i) {
    const auto control = static_cast<layout::TFrOptionsControl>(i);
    if (auto* button = qobject_cast<QAbstractButton*>(m_controls[i])) {
      connect(button, &QAbstractButton::clicked, this, [this, control] { m_logic.Click(control); });
    }
  }
  m_logic.Show(options);
}

TfrOptions::~TfrOptions() = default;

bool TfrOptions::Checked(layout::TFrOptionsControl control) const {
  const auto* button = qobject_cast<const QAbstractButton*>(m_controls[control]);
  return button != nullptr && button->isChecked();
}

void TfrOptions::SetChecked(layout::TFrOptionsControl control, bool checked) {
  if (auto* button = qobject_cast<QAbstractButton*>(m_controls[control])) {
    button->setChecked(checked);
  }
}

std::string TfrOptions::Text(layout::TFrOptionsControl control) const {
  if (const auto* combo = qobject_cast<const QComboBox*>(m_controls[control])) {
    return combo->currentText().toStdString();
  }
  if (const auto* edit = qobject_cast<const QLineEdit*>(m_controls[control])) {
    return edit->text().toUtf8().toStdString();
  }
  return "";
}

void TfrOptions::SetText(layout::TFrOptionsControl control, const std::string& text) {
  if (auto* combo = qobject_cast<QComboBox*>(m_controls[control])) {
    combo->setCurrentText(QString::fromStdString(text));
  } else if (auto* edit = qobject_cast<QLineEdit*>(m_controls[control])) {
    edit->setText(QString::fromUtf8(text));
  }
}

void TfrOptions::SetEnabled(layout::TFrOptionsControl control, bool enabled) {
  m_controls[control]->setEnabled(enabled);
}

void TfrOptions::CloseDialog(bool accepted) {
  if (accepted) {
    accept();
  } else {
    QDialog::reject();
  }
}

void TfrOptions::reject() { m_logic.Click(layout::kCancelButton); }

}  // namespace trelvo
