#include "transform/Transformation.h"

#include <chrono>
#include <map>
#include <optional>
#include <set>
#include <span>
#include <stdexcept>

#include "concurrency/BatchThread.h"
#include "platform/IoError.h"
#include "reading/KmlReader.h"
#include "reading/PlacemarkReader.h"
#include "transform/AtomicFile.h"
#include "transform/PipelinedWriter.h"
#include "transform/Projection.h"
#include "transform/TextExport.h"

namespace trelvo {
namespace {

// A counter redrawn per entity would make the window the bottleneck of a large file.
constexpr auto kCounterInterval = std::chrono::milliseconds(33);
// Reading the clock costs about as much as reading a one-vertex entity: it is read once this
// many vertices and entities have gone by (a few microseconds of work).
constexpr int64_t kWorkPerClockRead = 256;

// Keeps the progress window's counter in step with the run, at most ~30 times a second.
// TReader: a reader with BytesRead and InputSize.
template <class TReader>
class TCounter {
 public:
  TCounter(TProgressWindow& window, const TReader& reader) : m_window(window), m_reader(reader) {}

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
  const TReader& m_reader;
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
                          TEntityType entity_type, TProjection* projection) {
  const TNextOperation next = ReaderOperation(entity_type);
  TPipelinedWriter pipeline(writer, entity_type == TEntityType::kPoint, projection);
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

// The ExtendedData names of the file in the order they first appear, for "@*": a first pass.
std::vector<std::string> DataNames(const std::string& file_name,
                                   std::vector<std::string>& warnings) {
  TPlacemarkReader reader({.points = false,
                           .paths = false,
                           .polygons = false,
                           .all_rings = false,
                           .values = false,
                           .texts = false});
  reader.Open(file_name);
  TPlacemark placemark;
  std::vector<std::string> names;
  std::set<std::string> seen;
  bool capped = false;
  while (reader.Next(&placemark)) {
    for (const auto& entry : placemark.data) {
      if (!seen.insert(entry.first).second) continue;
      if (names.size() < kMaxDataNames) {
        names.push_back(entry.first);
      } else {
        capped = true;
      }
    }
  }
  if (capped) {
    warnings.push_back("warning: the file has more than " + std::to_string(kMaxDataNames) +
                       " ExtendedData names; @* writes the first " + std::to_string(kMaxDataNames));
  }
  return names;
}

// What the table reader noticed, one line each.
void ReaderWarnings(const TPlacemarkReader& reader, std::vector<std::string>& warnings) {
  if (!reader.UnknownEncoding().empty()) {
    warnings.push_back("warning: the encoding \"" + reader.UnknownEncoding() +
                       "\" is not known; its texts were read as UTF-8");
  }
  if (const int64_t replaced = reader.Decoder().Replaced(); replaced > 0) {
    warnings.push_back("warning: " + std::to_string(replaced) + " byte" +
                       (replaced == 1 ? "" : "s") + " of text not valid in " +
                       reader.Decoder().EncodingName() + " became U+FFFD");
  }
  if (const int64_t cut = reader.CutTexts(); cut > 0) {
    warnings.push_back("warning: " + std::to_string(cut) + " text" + (cut == 1 ? "" : "s") +
                       " longer than 1 MiB were cut there");
  }
}

// Placemarks handed to the table's writing thread.
struct TPlacemarkBatch {
  std::vector<TPlacemark> placemarks;  // the first `count` are to be written; kept for reuse
  size_t count = 0;
  size_t vertices = 0;
  size_t bytes = 0;            // the Footprint of the first `count`
  size_t text_size_guess = 0;  // about the bytes of their rows (RowsSize)
  int64_t first_row = 0;       // rows and entities before the batch
  int64_t first_entity = 0;
  bool made = false;  // their rows are made already: the first `text_size` bytes of `text`
  TTextBuffer text;   // kept for reuse
  size_t text_size = 0;
  // Instead of `placemarks`, the rows [range_first, range_end) of these (see WriteRowRange).
  std::span<const TPlacemark> range_of;
  size_t range_first = 0;
  size_t range_end = 0;
};

// The rows of a Placemark: one per vertex of each of its parts.
size_t RowCount(const TPlacemark& placemark) {
  size_t rows = 0;
  for (const TGeometryPart& part : placemark.parts) rows += part.count;
  return rows;
}

// The rows [first, end) of `placemarks` (their rows counted in order, over all of them),
// written with `rows`; `first_row` and `first_entity` are the counts before them.
void WriteRowRange(TTableWriter& rows, std::span<const TPlacemark> placemarks, int64_t first_row,
                   int64_t first_entity, size_t first, size_t end) {
  size_t at = 0;  // the row where the Placemark starts
  for (const TPlacemark& placemark : placemarks) {
    const size_t count = RowCount(placemark);
    if (at + count <= first) {
      first_entity += placemark.parts.back().geometry + 1;
      at += count;
      continue;
    }
    if (at >= end) break;
    if (at <= first) rows.SetCounts(first_row + static_cast<int64_t>(first), first_entity);
    rows.WritePlacemark(placemark, std::max(first, at) - at, std::min(end, at + count) - at);
    at += count;
  }
}

// The rows of a batch not made yet: its Placemarks', or the range of rows it names.
void WriteBatch(TTableWriter& rows, const TPlacemarkBatch& batch) {
  if (!batch.range_of.empty()) {
    WriteRowRange(rows, batch.range_of, batch.first_row, batch.first_entity, batch.range_first,
                  batch.range_end);
    return;
  }
  rows.SetCounts(batch.first_row, batch.first_entity);
  for (size_t i = 0; i < batch.count; ++i) rows.WritePlacemark(batch.placemarks[i]);
}

// About the bytes of the rows of a Placemark: its texts and the usual room of the numbers on
// each row (quoting and very large numbers may take more).
size_t RowsSize(const TPlacemark& placemark, size_t rows) {
  constexpr size_t kNumbersRoom = 64;
  size_t texts = placemark.name.size() + placemark.description.size() + placemark.folder.size() +
                 placemark.style.size() + placemark.when.size() + placemark.begin.size() +
                 placemark.end.size();
  for (const auto& entry : placemark.data) texts += entry.second.size();
  return rows * (texts + kNumbersRoom) + placemark.time_text.size();
}

// The table layout's entities: each Placemark read whole, its rows written on a second thread
// (as the classic layout's are) while the next ones are read.
int64_t TransformPlacemarks(const TRunSettings& settings, TPlacemarkReader& reader,
                            TTextWriter& writer, TProgressWindow& progress, TProjection* projection,
                            std::vector<std::string>& warnings) {
  // Placemarks per batch (each kept for reuse, see TPlacemark::Clear): many, since the writing
  // thread waits for each batch (spinning first), and small Placemarks are quickly written;
  // vertices as the classic layout's batches; and the memory they hold, so that a slot never
  // keeps much more than that.
  constexpr size_t kBatchPlacemarks = 1024;
  constexpr size_t kBatchVertices = 8192;
  constexpr size_t kBatchBytes = size_t{1} << 20;
  const TTableSettings& table = *settings.Table;
  std::vector<TFieldChoice> fields = table.fields;
  if (WantsAllData(fields)) {
    fields = ExpandAllData(fields, DataNames(settings.InputFileName, warnings));
  }
  // About the most text of a batch whose rows this thread makes (see hand_off below).
  constexpr size_t kMadeTextBytes = size_t{1} << 20;
  const int xy_decimals = projection != nullptr ? projection->Decimals() : kXYDecimals;
  TTableWriter rows(writer, settings.Separator, fields, xy_decimals);
  TTextWriter made_text(settings.Separator);
  TTableWriter made_rows(made_text, settings.Separator, std::move(fields), xy_decimals);
  rows.WriteStart(table);
  std::vector<TPlacemark> last_placemarks;  // see hand_off_last; outlives the writing thread
  TBatchThread<TPlacemarkBatch> thread([&rows, &writer](const TPlacemarkBatch& batch) {
    if (batch.made) {
      writer.WriteText(std::string_view(batch.text.data(), batch.text_size));
    } else {
      WriteBatch(rows, batch);
    }
  });
  const auto clear = [](TPlacemarkBatch& next) {
    next.count = 0;
    next.vertices = 0;
    next.bytes = 0;
    next.text_size_guess = 0;
    next.made = false;
    next.range_of = {};
  };
  // The rows of a batch made on this thread; the rows are the same whoever makes them.
  const auto make = [&](TPlacemarkBatch& batch) {
    WriteBatch(made_rows, batch);
    made_text.TakeText(&batch.text, &batch.text_size);
    batch.made = true;
  };
  // Writing the rows may take longer than reading them (a table of many columns writes three
  // times the bytes it reads): while every other slot waits for the writing thread, this one
  // makes a batch's rows itself rather than wait.
  const auto hand_off = [&] {
    TPlacemarkBatch& batch = thread.Filling();
    if (thread.Waiting() + 1 >= thread.kSlots && batch.text_size_guess <= kMadeTextBytes) {
      make(batch);
    }
    thread.HandOff(clear);
  };
  // Once the input has ended, a large last batch (a long track, the usual end of a location
  // history) is handed off in parts of its rows, and this thread, which would only wait
  // otherwise, makes the rows of each part that finds the writing thread busy.
  const auto hand_off_last = [&] {
    TPlacemarkBatch& last = thread.Filling();
    if (last.vertices < kBatchVertices) {
      if (last.count > 0) hand_off();
      return;
    }
    last_placemarks.swap(last.placemarks);  // the slots carry the parts from here on
    const std::span<const TPlacemark> placemarks(last_placemarks.data(), last.count);
    const int64_t first_row = last.first_row;
    const int64_t first_entity = last.first_entity;
    size_t count = 0;
    for (const TPlacemark& placemark : placemarks) count += RowCount(placemark);
    for (size_t first = 0; first < count; first += kBatchVertices) {
      TPlacemarkBatch& part = thread.Filling();
      part.first_row = first_row;
      part.first_entity = first_entity;
      part.range_of = placemarks;
      part.range_first = first;
      part.range_end = std::min(count, first + kBatchVertices);
      if (thread.Waiting() > 1) make(part);
      thread.HandOff(clear);
    }
  };
  TCounter counter(progress, reader);
  int64_t entities = 0;
  int64_t rows_read = 0;
  TPlacemark ahead;  // read after a full batch, whose hand-off waits to see if the input ends
  for (;;) {
    TPlacemarkBatch* filling = &thread.Filling();
    const bool full = filling->count >= kBatchPlacemarks || filling->vertices >= kBatchVertices ||
                      filling->bytes >= kBatchBytes;
    if (!full && filling->placemarks.size() == filling->count) filling->placemarks.emplace_back();
    TPlacemark* read = full ? &ahead : &filling->placemarks[filling->count];
    if (!reader.Next(read)) break;
    if (read->parts.empty()) continue;  // nothing to write: the slot is read into again
    if (full) {
      hand_off();
      filling = &thread.Filling();
      if (filling->placemarks.empty()) filling->placemarks.emplace_back();
      std::swap(filling->placemarks[0], ahead);
      read = &filling->placemarks[0];
    }
    TPlacemarkBatch& batch = *filling;
    TPlacemark& placemark = *read;
    const int32_t geometries = placemark.parts.back().geometry + 1;
    if (projection != nullptr) {
      for (const TGeometryPart& part : placemark.parts) {
        projection->Project(std::span(placemark.vertices).subspan(part.first, part.count),
                            entities + part.geometry + 1);
      }
      // The zone is the first vertex's: set before the writing thread takes its first batch.
      if (entities == 0) {
        rows.SetZone(projection->ZoneName());
        made_rows.SetZone(projection->ZoneName());
      }
    }
    if (batch.count == 0) {
      batch.first_row = rows_read;
      batch.first_entity = entities;
    }
    const size_t placemark_rows = RowCount(placemark);
    rows_read += static_cast<int64_t>(placemark_rows);
    batch.text_size_guess += RowsSize(placemark, placemark_rows);
    entities += geometries;
    for (int32_t i = 0; i < geometries; ++i) {
      counter.Increment(i == 0 ? static_cast<int64_t>(placemark.vertices.size()) : 0);
    }
    ++batch.count;
    batch.vertices += placemark.vertices.size();
    batch.bytes += placemark.Footprint();
  }
  hand_off_last();
  thread.Finish();
  counter.Show();
  ReaderWarnings(reader, warnings);
  return entities;
}

TPlacemarkReader::TSelection SelectionOf(const TRunSettings& settings) {
  const bool all = settings.Table->all_types;
  return {all || settings.EntityType == TEntityType::kPoint,
          all || settings.EntityType == TEntityType::kPath,
          all || settings.EntityType == TEntityType::kPolygon, settings.Table->all_rings,
          settings.Projection.has_value()};
}

}  // namespace

std::vector<TRunSettings> DistinctRuns(const std::vector<TRunSettings>& runs,
                                       std::vector<std::string>& warnings) {
  std::vector<TRunSettings> distinct;
  std::map<std::string, std::string> inputs_seen;   // key -> the name given
  std::map<std::string, std::string> outputs_seen;  // key -> the input written there
  for (const TRunSettings& run : runs) {
    const std::string& input = run.InputFileName;
    if (input != kStandardStream && !inputs_seen.emplace(FileNameKey(input), input).second) {
      warnings.push_back("input file \"" + input +
                         "\" is named more than once; it is converted once");
      continue;
    }
    if (run.OutputFileName != kStandardStream) {
      const auto [seen, added] = outputs_seen.emplace(FileNameKey(run.OutputFileName), input);
      if (!added) {
        throw std::invalid_argument("\"" + seen->second + "\" and \"" + input +
                                    "\" would both be written to \"" + run.OutputFileName + "\"");
      }
    }
    distinct.push_back(run);
  }
  return distinct;
}

std::string CompletionText(int64_t entity_count, const std::vector<std::string>& report) {
  std::string text =
      std::string(kCompletionHeading) + "\r\r" + std::to_string(entity_count) + " Entities";
  for (size_t i = 0; i < report.size(); ++i) text += (i == 0 ? "\r\r" : "\r") + report[i];
  return text;
}

int64_t Transform(const TRunSettings& settings, TProgressWindow& progress,
                  std::vector<std::string>* warnings) {
  progress.SetCounterText("");
  std::vector<std::string> noticed;
  TKMLReader reader;
  std::optional<TPlacemarkReader> placemarks;
  // Projected coordinates are computed from the values; others are copied as their text.
  std::optional<TProjection> projection;
  if (settings.Projection) projection.emplace(*settings.Projection);
  if (settings.Table) {
    placemarks.emplace(SelectionOf(settings));
    placemarks->Open(settings.InputFileName);
  } else {
    reader.SetCoordinateForm(projection ? TCoordinateForm::kValues : TCoordinateForm::kText);
    reader.Open(settings.InputFileName);
  }
  progress.RepaintWindow();

  TAtomicFile output(settings.OutputFileName, settings.InputFileName);
  TTextWriter writer(output, settings.Separator);
  int64_t entity_count = 0;
  TProjection* const projecting = projection ? &*projection : nullptr;
  if (settings.Table) {
    entity_count =
        TransformPlacemarks(settings, *placemarks, writer, progress, projecting, noticed);
  } else {
    writer.WriteHeader();
    writer.WriteLine(EntityTypeName(settings.EntityType));
    writer.WriteLine();
    if (projecting != nullptr) writer.SetXYDecimals(projecting->Decimals());
    entity_count = TransformEntities(reader, writer, progress, settings.EntityType, projecting);
  }
  if (projecting != nullptr) {
    for (const std::string& line : projecting->Report()) noticed.push_back(line);
  }
  // Nothing found in text that holds no KML at all is a wrong file, not an empty one.
  const char* cause = placemarks ? placemarks->NotKmlCause() : reader.NotKmlCause();
  if (entity_count == 0 && cause != nullptr) {
    throw TIoError("Cannot read input file", settings.InputFileName, cause);
  }
  writer.Flush();
  output.Commit();
  if (warnings != nullptr) *warnings = std::move(noticed);
  return entity_count;
}

namespace {

// Transform with the progress window shown, and gone again before anything else is shown.
int64_t TransformShowingProgress(const TRunSettings& settings, TRunUi& ui,
                                 std::vector<std::string>* report) {
  const std::unique_ptr<TProgressWindow> progress = ui.CreateProgressWindow();
  progress->Show();
  return Transform(settings, *progress, report);
}

}  // namespace

int64_t RunTransformation(const TRunSettings& settings, TRunUi& ui) {
  std::vector<std::string> report;
  const int64_t entity_count = TransformShowingProgress(settings, ui, &report);
  ui.ShowMessage(TMessageKind::kInformation, CompletionText(entity_count, report));
  return entity_count;
}

size_t RunTransformations(const std::vector<TRunSettings>& runs, TRunUi& ui) {
  std::string text = std::string(kCompletionHeading) + "\r";
  size_t failed = 0;
  for (const TRunSettings& run : runs) {
    try {
      std::vector<std::string> report;
      const int64_t entity_count = TransformShowingProgress(run, ui, &report);
      text += "\r" + run.InputFileName + ": " + std::to_string(entity_count) + " Entities";
      for (const std::string& line : report) text += "\r    " + line;
    } catch (const std::exception& error) {
      // The run has cleaned up after itself; the others still go ahead. Each line names its
      // file (most errors do already).
      const std::string what = error.what();
      const bool named = what.find(run.InputFileName) != std::string::npos;
      text += "\r" + (named ? what : run.InputFileName + ": " + what);
      ++failed;
    }
  }
  ui.ShowMessage(failed == 0 ? TMessageKind::kInformation : TMessageKind::kError, text);
  return failed;
}

}  // namespace trelvo
