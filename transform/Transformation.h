// One conversion run: KML in, delimited text out, with progress and a completion message.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/Platform.h"
#include "transform/Projection.h"
#include "transform/TableLayout.h"
#include "transform/TextExport.h"

namespace trelvo {

// What the main window (or the command line) chooses before a run. kStandardStream as either
// name is standard input or output.
struct TRunSettings {
  std::string InputFileName;
  std::string OutputFileName;
  TEntityType EntityType = TEntityType::kPath;
  char Separator = ',';                                // ',' CSV, ' ' TXT, '\t' TAB
  std::optional<TTableSettings> Table = std::nullopt;  // the table layout; classic without
  std::optional<TProjectionSettings> Projection = std::nullopt;  // X and Y in a projected system
};

// The progress window as the run drives it. Creating it is TRunUi::CreateProgressWindow,
// destroying it is destroying the object. The run never reads anything back.
class TProgressWindow {
 public:
  virtual ~TProgressWindow() = default;
  // Shows the window, not modally.
  virtual void Show() = 0;
  virtual void SetCounterText(std::string_view text) = 0;
  virtual void RepaintCounter() = 0;
  virtual void RepaintWindow() = 0;

  // Called with every counter update: entities so far, input bytes read and the input's size
  // (0 when unknown). For displays that show more than the counter.
  virtual void ShowProgress(int64_t /*entities*/, uint64_t /*bytes_read*/,
                            uint64_t /*input_size*/) {}
};

// Kind of a message box.
enum class TMessageKind {
  kInformation,  // the end of a run
  kError,        // missing user input, a failed run
};

// The user-interface services a run needs.
class TRunUi {
 public:
  virtual ~TRunUi() = default;
  virtual std::unique_ptr<TProgressWindow> CreateProgressWindow() = 0;
  // Shows a message box with a single OK button and waits until it is closed.
  virtual void ShowMessage(TMessageKind kind, const std::string& text) = 0;
};

// The runs of several inputs, each input once: one named again is dropped, with a line in
// *warnings. Throws std::invalid_argument when two runs would write one file (the second would
// silently replace the first), before anything is written.
std::vector<TRunSettings> DistinctRuns(const std::vector<TRunSettings>& runs,
                                       std::vector<std::string>& warnings);

// The first line of the completion message.
inline constexpr std::string_view kCompletionHeading = "Transformation has ended";

// "Transformation has ended", two CRs, the count and " Entities"; what the run reported beyond
// the count follows after another two CRs, a line each.
std::string CompletionText(int64_t entity_count, const std::vector<std::string>& report = {});

// Converts the input into the output and returns the number of entities written. The output
// appears only when the run completes; a previous file of that name stays untouched after any
// failure. Throws TIoError for any input/output failure, and before writing anything when the
// output would replace the input.
// What the run has to say beyond the count goes to *warnings, one line each, when asked: the
// projection's report, and warnings ("warning: " first) of text it could not decode.
int64_t Transform(const TRunSettings& settings, TProgressWindow& progress,
                  std::vector<std::string>* warnings = nullptr);

// Shows the progress window, runs Transform, removes the window and shows the completion
// message. TIoError propagates to the caller, with the window already gone.
int64_t RunTransformation(const TRunSettings& settings, TRunUi& ui);

// Runs each of several inputs' conversions in turn, each with its progress window, and then
// shows one message: each input's count (and report) or its failure, a line each. Returns the
// number of runs that failed.
size_t RunTransformations(const std::vector<TRunSettings>& runs, TRunUi& ui);

}  // namespace trelvo
