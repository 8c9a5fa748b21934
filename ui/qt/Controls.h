// Qt widgets made from the shared layout tables, and the look both windows share.
#pragma once

#include <QFont>
#include <QIcon>
#include <QLabel>
#include <functional>
#include <span>
#include <vector>

#include "ui/Layout.h"

namespace trelvo {

// A label that reports clicks: the web-address link.
class TLinkLabel : public QLabel {
 public:
  using QLabel::QLabel;
  std::function<void()> OnClick;

 protected:
  void mouseReleaseEvent(QMouseEvent* event) override;
};

// Creates the controls of a layout table in `window`, in table order; the widgets by index.
std::vector<QWidget*> CreateControls(std::span<const layout::TControl> controls, QWidget* window);

// Labels size themselves to their text: a font a little wider than the designed one grows a
// label (leftwards for a right-aligned one) instead of clipping its text.
void FitLabel(QLabel* label);

// Arial, 12 pixels high, with fallbacks of the same metrics where Arial is not installed.
QFont FormFont(bool bold = false);

// The 32 x 32 application icon.
QIcon ApplicationIcon();

}  // namespace trelvo
