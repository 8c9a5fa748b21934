// The delimited text format: header, entity sections and vertex rows.
#pragma once

#include <cstdint>
#include <cstring>
#include <memory>
#include <new>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "reading/PointList.h"

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

// The name written after "Entity type:". Throws std::invalid_argument for a value outside the
// enumeration.
std::string_view EntityTypeName(TEntityType entity_type);

// Room FormatFixed needs: the longest fixed-point double (309 integer digits) and decimals.
inline constexpr size_t kFixedRoom = 340;

// Writes `value` at `out` in fixed-point notation with `decimals` (at most 20) fraction digits,
// correctly rounded, '.' as the decimal point whatever the locale, and no minus sign on a
// value that rounds to zero; infinities as inf and -inf. Returns the end of the text.
char* FormatFixed(char* out, double value, int decimals);

// FormatFixed, appended to a string.
void AppendFixed(std::string& out, double value, int decimals);

// A number of a vertex as a row writes it at `out` (see TTextWriter::WriteVertexRow):
// `decimals` digits after the point, and with `z` the single character 0 for exactly zero.
// Returns the end. Writes up to kFixedRoom bytes, and always sixteen.
char* WriteRowNumberValue(char* out, const TFixedText& number, int decimals, bool z);

inline char* WriteRowNumber(char* out, const TFixedText& number, int decimals, bool z = false) {
  if (!number.HoldsText()) return WriteRowNumberValue(out, number, decimals, z);
  std::memcpy(out, number.Bytes(), sizeof(TFixedText));
  return out + number.Text().size();
}

// WriteRowNumber, appended to a string.
void AppendRowNumber(std::string& out, const TFixedText& number, int decimals, bool z = false);

// Bytes whose vector grows without zeroing them: a page of a large buffer takes memory only once
// text is written to it.
template <class T>
struct TUnzeroedAllocator : std::allocator<T> {
  template <class U>
  struct rebind {
    using other = TUnzeroedAllocator<U>;
  };

  template <class U>
  void construct(U* at) noexcept {
    ::new (static_cast<void*>(at)) U;
  }
};

using TTextBuffer = std::vector<char, TUnzeroedAllocator<char>>;

// Buffers the output text and hands it to the file in large blocks. CR LF ends every line.
// Without a file it keeps all the text it is given, for TakeText.
class TTextWriter {
 public:
  TTextWriter(TAtomicFile& file, char separator);
  explicit TTextWriter(char separator);
  ~TTextWriter() = default;
  TTextWriter(const TTextWriter&) = delete;
  TTextWriter& operator=(const TTextWriter&) = delete;

  void WriteText(std::string_view text);
  void WriteLine(std::string_view text = {});

  // Room for `size` bytes of text written in place (at most RoomLimit), then Commit with its
  // end.
  char* Reserve(size_t size);

  void Commit(const char* end) { m_used = static_cast<size_t>(end - m_buffer.data()); }

  static size_t RoomLimit();

  // Lines 1 to 4 of the header, then "Entity type:" without a line break.
  void WriteHeader();

  // One vertex: X and Y with 10 decimals (or SetXYDecimals'), Z with 5 or the single
  // character 0 when it is exactly zero (the text a reader made of them, or their values
  // formatted).
  void WriteVertexRow(const TVertexText& vertex);

  // The decimals of X and Y from now on (projected coordinates).
  void SetXYDecimals(int decimals) { m_xy_decimals = decimals; }

  // An empty line, "<count> Vertices", then one row per vertex.
  void WriteVertexBlock(std::span<const TVertexText> vertices);

  // Hands everything buffered to the file.
  void Flush();

  // Without a file: swaps the text kept so far (its first *size bytes) into *text, and starts
  // again with the buffer *text held.
  void TakeText(TTextBuffer* text, size_t* size);

 private:
  // Room for `size` more bytes: the buffer handed to the file, or grown.
  void MakeRoom(size_t size);

  TAtomicFile* m_file = nullptr;
  char m_separator;
  int m_xy_decimals = kXYDecimals;
  TTextBuffer m_buffer;
  size_t m_used = 0;
};

}  // namespace trelvo
