#include "ui/qt/Controls.h"

#include <QBitmap>
#include <QCheckBox>
#include <QComboBox>
#include <QFrame>
#include <QGroupBox>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QRadioButton>
#include <QToolButton>

namespace trelvo {
namespace {

// A button picture, its silver background made transparent.
QIcon Picture(const char* name) {
  QPixmap picture(QString(":/pictures/") + name + ".bmp");
  picture.setMask(picture.createMaskFromColor(QColor(192, 192, 192)));
  return QIcon(picture);
}

QWidget* CreateControl(const layout::TControl& control, QWidget* parent) {
  using layout::TKind;
  const QString text = QString::fromUtf8(control.text);
  QWidget* widget = nullptr;
  switch (control.kind) {
    case TKind::kPanel:
    case TKind::kBevel: {
      auto* panel = new QFrame(parent);
      if (control.kind == TKind::kPanel) {
        panel->setAutoFillBackground(true);
        QPalette white = panel->palette();
        white.setColor(QPalette::Window, Qt::white);
        panel->setPalette(white);
      } else {
        auto* line = new QFrame(panel);
        line->setFrameShape(QFrame::HLine);
        line->setFrameShadow(QFrame::Sunken);
        line->setGeometry(0, 0, control.width, 2);
      }
      widget = panel;
      break;
    }
    case TKind::kLabel:
      widget = new QLabel(text, parent);
      break;
    case TKind::kLink: {
      auto* link = new TLinkLabel(text, parent);
      link->setCursor(Qt::PointingHandCursor);
      QPalette blue = link->palette();
      blue.setColor(QPalette::WindowText, Qt::blue);
      link->setPalette(blue);
      widget = link;
      break;
    }
    case TKind::kEdit: {
      auto* edit = new QLineEdit(parent);
      edit->setReadOnly(true);  // filled only by the dialogs and the renaming rules
      edit->setFrame(false);
      widget = edit;
      break;
    }
    case TKind::kSpeedButton: {
      auto* button = new QToolButton(parent);
      button->setAutoRaise(true);  // flat
      button->setIcon(Picture(control.text));
      button->setIconSize(QSize(control.width - 5, 16));
      button->setFocusPolicy(Qt::NoFocus);
      widget = button;
      break;
    }
    case TKind::kGroupBox:
      widget = new QGroupBox(text, parent);
      break;
    case TKind::kRadio: {
      auto* radio = new QRadioButton(text, parent);
      radio->setChecked((control.style & layout::kChecked) != 0);
      widget = radio;
      break;
    }
    case TKind::kButton: {
      auto* button = new QPushButton(text, parent);
      button->setAutoDefault(false);  // only a dialog's default button answers Enter
      button->setDefault((control.style & layout::kDefault) != 0);
      widget = button;
      break;
    }
    case TKind::kCheck: {
      auto* check = new QCheckBox(text, parent);
      check->setChecked((control.style & layout::kChecked) != 0);
      widget = check;
      break;
    }
    case TKind::kInput:
      widget = new QLineEdit(text, parent);
      break;
    case TKind::kCombo: {
      auto* combo = new QComboBox(parent);
      combo->addItems(text.split('|'));
      widget = combo;
      break;
    }
  }
  widget->setObjectName(control.name);
  widget->setGeometry(control.left, control.top, control.width, control.height);
  if ((control.style & layout::kBold) != 0) widget->setFont(FormFont(true));
  if ((control.style & layout::kDisabled) != 0) widget->setEnabled(false);
  if (auto* label = qobject_cast<QLabel*>(widget)) {
    if ((control.style & layout::kRightAligned) != 0) {
      label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    }
    FitLabel(label);
  }
  return widget;
}

}  // namespace

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

QFont FormFont(bool bold) {
  QFont font;
  // Where Arial is not installed, fonts of the same metrics.
  font.setFamilies({layout::kFontFamily, "Liberation Sans", "Arimo", "Helvetica", "DejaVu Sans"});
  font.setPixelSize(layout::kFontPixels);
  font.setBold(bold);
  return font;
}

void TLinkLabel::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()) &&
      OnClick) {
    OnClick();
  }
  QLabel::mouseReleaseEvent(event);
}

QIcon ApplicationIcon() { return QIcon(":/pictures/trelvo.ico"); }

std::vector<QWidget*> CreateControls(std::span<const layout::TControl> controls, QWidget* window) {
  std::vector<QWidget*> widgets;
  for (const layout::TControl& control : controls) {
    QWidget* parent =
        control.parent == layout::kNoParent ? window : widgets[static_cast<size_t>(control.parent)];
    widgets.push_back(CreateControl(control, parent));
  }
  return widgets;
}

}  // namespace trelvo
