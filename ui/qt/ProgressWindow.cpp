#include "ui/qt/ProgressWindow.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFrame>
#include <QLabel>
#include <QScreen>
#include <QWindow>

#include "transform/TextExport.h"
#include "ui/qt/Controls.h"

namespace trelvo {
namespace {

// How long Show() waits at most for the window system to map and draw the window.
constexpr int kMapTimeoutMs = 1000;

}  // namespace

TfrChange::TfrChange(QWidget* owner)
    : QWidget(nullptr, Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                           Qt::MSWindowsFixedSizeDialogHint),
      m_owner(owner) {
  setObjectName("frChange");
  setWindowTitle(
      QString::fromUtf8(kProgramCaption.data(), static_cast<qsizetype>(kProgramCaption.size())));
  setFixedSize(layout::kFrChangeWidth, layout::kFrChangeHeight);
  setFont(FormFont());
  setAttribute(Qt::WA_DeleteOnClose, false);
  const std::vector<QWidget*> controls = CreateControls(layout::kFrChange, this);
  Label1 = static_cast<QLabel*>(controls[layout::kProgressLabel1]);
  Label3 = static_cast<QLabel*>(controls[layout::kProgressLabel3]);
  Label4 = static_cast<QLabel*>(controls[layout::kCounter]);
  Bevel1 = static_cast<QFrame*>(controls[layout::kBevel1]);
  Label2 = static_cast<QLabel*>(controls[layout::kProgressLabel2]);
}

TfrChange::~TfrChange() = default;

void TfrChange::Show() {
  const QRect over = m_owner != nullptr ? m_owner->frameGeometry()
                                        : QApplication::primaryScreen()->availableGeometry();
  move(over.center() - QPoint(width() / 2, height() / 2));
  show();
  raise();
  // No message loop runs during a conversion: let the window system map and paint the window
  // now, taking no user input, so it is on screen before the first entity.
  QElapsedTimer timer;
  timer.start();
  do {
    QApplication::processEvents(QEventLoop::ExcludeUserInputEvents, 10);
  } while ((windowHandle() == nullptr || !windowHandle()->isExposed()) &&
           timer.elapsed() < kMapTimeoutMs);
  repaint();
}

void TfrChange::SetCounterText(std::string_view text) {
  Label4->setText(QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())));
  FitLabel(Label4);
}

// Called at most ~30 times a second: the moment to let the window system in, so the windows
// stay painted and the desktop never marks the program as not responding. User input waits.
void TfrChange::RepaintCounter() {
  Label4->repaint();
  QApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

void TfrChange::RepaintWindow() { repaint(); }

}  // namespace trelvo
