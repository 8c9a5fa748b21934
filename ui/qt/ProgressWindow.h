// The progress window shown while a conversion runs.
#pragma once

#include <QWidget>
#include <string_view>

#include "transform/Transformation.h"

class QFrame;
class QLabel;

namespace trelvo {

// Form frChange: a small tool window, centred over its owner, that asks the user to wait and
// counts the entities written. It has no behaviour of its own: the run drives it through
// TProgressWindow and nothing else.
class TfrChange : public QWidget, public TProgressWindow {
 public:
  // `owner` is the main window it is centred over; it stays a separate top-level window.
  explicit TfrChange(QWidget* owner);
  ~TfrChange() override;

  // TProgressWindow. Show() returns once the window system has mapped and drawn the window.
  void Show() override;
  void SetCounterText(std::string_view text) override;
  void RepaintCounter() override;
  void RepaintWindow() override;

  QLabel* Label1 = nullptr;
  QLabel* Label2 = nullptr;
  QLabel* Label3 = nullptr;
  QLabel* Label4 = nullptr;  // the entity counter
  QFrame* Bevel1 = nullptr;

 private:
  QWidget* m_owner;
};

}  // namespace trelvo
