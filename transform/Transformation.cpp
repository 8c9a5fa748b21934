#include "transform/Transformation.h"

#include <chrono>
#include <stdexcept>

#include "platform/IoError.h"
#include "reading/KmlReader.h"
#include "transform/AtomicFile.h"
#include "transform/PipelinedWriter.h"
#include "transform/TextExport.h"

namespace trelvo {
namespace {

// A counter redrawn per entity would make the window the bottleneck of a large file.
constexpr auto kCounterInterval = std::chrono::milliseconds(33);
// Reading the clock costs about as much as reading a one-vertex entity: it is read once this
// many vertices and entities have gone by (a few microseconds of work).
constexpr int64_t kWorkPerClockRead = 256;

// Keeps the progress window's counter in step with the run, at most ~30 times a second.
class TCounter {
 public:
  TCounter(TProgressWindow& window, const TKMLReader& reader)
      : m_window(window), m_reader(reader) {}

  void Increment(int64_t vertices) {
    ++m_count;
    m_work += 1 + vertices;
    if (m_work < kWorkPerClockRead) return;
    m_work = 0;
    const auto now = std::chrono::steady_clock::now();
    if (now >= m_next) {
      Show();
      m_next = now + kCounterInterval;
    }
  }

  void Show() {
    m_window.SetCounterText(std::to_string(m_count));
    m_window.RepaintCounter();
    m_window.ShowProgress(m_count, m_reader.BytesRead(), m_reader.InputSize());
  }

  int64_t Count() const { return m_count; }

 private:
  TProgressWindow& m_window;
  const TKMLReader& m_reader;
  int64_t m_count = 0;
  int64_t m_work = kWorkPerClockRead;  // so the first entity is shown at once
  std::chrono::steady_clock::time_point m_next{};
};

using TNextOperation = bool (TKMLReader::*)();

TNextOperation ReaderOperation(TEntityType entity_type) {
  switch (entity_type) {
    case TEntityType::kPoint:
      return &TKMLReader::NextPoint;
    case TEntityType::kPath:
      return &TKMLReader::NextLineString;
    case TEntityType::kPolygon:
      return &TKMLReader::NextPolygon;
  }
  throw std::invalid_argument("unknown entity type");
}

// The entity loop: one reader call per entity until the first false.
int64_t TransformEntities(TKMLReader& reader, TTextWriter& writer, TProgressWindow& progress,
                          TEntityType entity_type) {
  const TNextOperation next = ReaderOperation(entity_type);
  TPipelinedWriter pipeline(writer, entity_type == TEntityType::kPoint);
  TCounter counter(progress, reader);
  while ((reader.*next)()) {
    counter.Increment(reader.Points().Count());
    pipeline.Add(reader.Points());
  }
  pipeline.Finish();
  // The window always shows the final count before it goes.
  counter.Show();
  return counter.Count();
}

}  // namespace

std::string CompletionText(int64_t entity_count) {
  return "Transformation has ended\r\r" + std::to_string(entity_count) + " Entities";
}

int64_t Transform(const TRunSettings& settings, TProgressWindow& progress) {
  progress.SetCounterText("");
  TKMLReader reader;
  reader.SetCoordinateForm(TCoordinateForm::kText);
  reader.Open(settings.InputFileName);
  progress.RepaintWindow();

  TAtomicFile output(settings.OutputFileName, settings.InputFileName);
  TTextWriter writer(output, settings.Separator);
  writer.WriteHeader();
  writer.WriteLine(EntityTypeName(settings.EntityType));
  writer.WriteLine();
  const int64_t entity_count = TransformEntities(reader, writer, progress, settings.EntityType);
  // Nothing found in text that holds no KML at all is a wrong file, not an empty one.
  if (const char* cause = entity_count == 0 ? reader.NotKmlCause() : nullptr) {
    throw TIoError("Cannot read input file", settings.InputFileName, cause);
  }
  writer.Flush();
  output.Commit();
  return entity_count;
}

int64_t RunTransformation(const TRunSettings& settings, TRunUi& ui) {
  int64_t entity_count = 0;
  {
    const std::unique_ptr<TProgressWindow> progress = ui.CreateProgressWindow();
    progress->Show();
    entity_count = Transform(settings, *progress);
  }
  ui.ShowMessage(TMessageKind::kInformation, CompletionText(entity_count));
  return entity_count;
}

}  // namespace trelvo
