// The delimited text format: header, entity sections and vertex rows.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "reading/ULShortXYZ.h"

namespace trelvo {

class TAtomicFile;

// The program name: first output line, application title.
inline constexpr std::string_view kProgramName = "Trelvo";
// The progress window's caption: the program name with its first letter in lower case.
inline constexpr std::string_view kProgramCaption = "trelvo";
// The maker's web address: third output line and the main window's link.
inline constexpr std::string_view WebAddress = "www.trelvo.example";

// Feature type of a run, with the value the main window writes.
enum class TEntityType : uint8_t {
  kPoint = 1,    // every Point, one row each
  kPath = 2,     // every LineString, a vertex block each
  kPolygon = 3,  // every Polygon's first LinearRing, a vertex block each
};

// The name written after "Entity type:", or empty for a value outside 1..3.
std::string_view EntityTypeName(uint8_t entity_type);

// Appends `value` in fixed-point notation with `decimals` fraction digits, correctly rounded,
// '.' as the decimal point whatever the locale, and no minus sign on a value that rounds to
// zero. Infinities are written as inf and -inf.
void AppendFixed(std::string& out, double value, int decimals);

// Buffers the output text and hands it to the file in large blocks. CR LF ends every line.
class TTextWriter {
 public:
  TTextWriter(TAtomicFile& file, char separator);
  ~TTextWriter() = default;
  TTextWriter(const TTextWriter&) = delete;
  TTextWriter& operator=(const TTextWriter&) = delete;

  void WriteText(std::string_view text);
  void WriteLine(std::string_view text = {});

  // Lines 1 to 4 of the header, then "Entity type:" without a line break.
  void WriteHeader();

  // X and Y with 10 decimals, Z with 5 or the single character 0 when it is exactly zero.
  void WriteVertexRow(const TXYZPoint& point);

  // An empty line, "<n> Vertices", then one row per point.
  void WriteVertexBlock(const TXYZList& points);

  // Hands everything buffered to the file.
  void Flush();

 private:
  TAtomicFile& m_file;
  char m_separator;
  std::string m_buffer;
};

}  // namespace trelvo
