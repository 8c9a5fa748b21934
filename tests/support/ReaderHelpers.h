// Test helpers: run the reader over a text and write down what it found.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "reading/kmlreader.h"
#include "transform/Transformation.h"

namespace trelvo::test {

// A progress window that shows nothing, for runs without a display.
class TNoProgressWindow : public TProgressWindow {
 public:
  void Show() override {}

  void SetCounterText(std::string_view) override {}

  void RepaintCounter() override {}

  void RepaintWindow() override {}
};

// Which next-operation to drive.
enum class TKind {
  kPoint,    // NextPoint
  kPath,     // NextLineString
  kPolygon,  // NextPolygon
};

// Calls the next-operation of `kind` on the real reader or the reference model.
template <typename Reader>
bool Next(Reader& reader, TKind kind) {
  switch (kind) {
    case TKind::kPoint:
      return reader.NextPoint();
    case TKind::kPath:
      return reader.NextLineString();
    case TKind::kPolygon:
      return reader.NextPolygon();
  }
  return false;
}

// Opens a reader on `text`, delivered in pieces of `piece` bytes.
void OpenText(TKMLReader& reader, const std::string& text, size_t piece = SIZE_MAX);

// Calls the operation of `kind` until it returns false and writes every entity found as
// "[x,y,z]..." between parentheses: "([1,2,0][3,4,0])([5,6,7])". Numbers are in their
// shortest round-trip form.
std::string ReadAll(const std::string& text, TKind kind, size_t piece = SIZE_MAX);

// The same for a reader already open.
std::string ReadAll(TKMLReader& reader, TKind kind);

// A double in its shortest round-trip form: "1", "-122.0842", "inf".
std::string FormatShortest(double value);

// The whole content of a file, as bytes.
std::string ReadFileBytes(const std::string& path);

// Writes `bytes` to `path`, replacing it.
void WriteFileBytes(const std::string& path, const std::string& bytes);

}  // namespace trelvo::test
