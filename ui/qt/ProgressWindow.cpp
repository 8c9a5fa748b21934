#include "ui/qt/ProgressWindow.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFrame>
#include <QLabel>
#include <QScreen>
#include <QWindow>

#include "transform/TextExport.h"

namespace trelvo {
namespace {

// How long Show() waits at most for the window system to map and draw the window.
constexpr int kMapTimeoutMs = 1000;

QLabel* AddLabel(QWidget* parent, const char* name, const QString& text, QRect geometry) {
  auto* label = new QLabel(text, parent);
  label->setObjectName(name);
  label->setGeometry(geometry);
  return label;
}

}  // namespace

QFont FormFont(bool bold) {
  QFont font;
  font.setFamilies({"Arial", "Liberation Sans", "Arimo", "Helvetica", "DejaVu Sans"});
  font.setPixelSize(12);
  font.setBold(bold);
  return font;
}

TfrChange::TfrChange(QWidget* owner)
    : QWidget(nullptr, Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                           Qt::MSWindowsFixedSizeDialogHint),
      m_owner(owner) {
  setObjectName("frChange");
  setWindowTitle(
      QString::fromUtf8(kProgramCaption.data(), static_cast<qsizetype>(kProgramCaption.size())));
  setFixedSize(317, 86);
  setFont(FormFont());
  setAttribute(Qt::WA_DeleteOnClose, false);
  Label1 = AddLabel(this, "Label1", "Transforming file...  wait ", QRect(35, 10, 133, 15));
  Label3 = AddLabel(this, "Label3", "Entities :", QRect(45, 35, 47, 15));
  Label4 = AddLabel(this, "Label4", QString(), QRect(115, 35, 38, 15));
  Bevel1 = new QFrame(this);
  Bevel1->setObjectName("Bevel1");
  Bevel1->setGeometry(10, 60, 296, 10);
  // A single line along the top edge of the bevel's rectangle.
  Bevel1->setFrameShape(QFrame::NoFrame);
  auto* line = new QFrame(Bevel1);
  line->setFrameShape(QFrame::HLine);
  line->setFrameShadow(QFrame::Sunken);
  line->setGeometry(0, 0, 296, 2);
  Label2 = AddLabel(this, "Label2", "Depending on the file size it could take a few minutes",
                    QRect(10, 65, 290, 15));
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
  // Like the other labels, the counter grows with its text rather than clipping a large count.
  const int needed = Label4->sizeHint().width();
  if (needed > Label4->width()) Label4->resize(needed, Label4->height());
}

// Called at most ~30 times a second: the moment to let the window system in, so the windows
// stay painted and the desktop never marks the program as not responding. User input waits.
void TfrChange::RepaintCounter() {
  Label4->repaint();
  QApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

void TfrChange::RepaintWindow() { repaint(); }

}  // namespace trelvo
