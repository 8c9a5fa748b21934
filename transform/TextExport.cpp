#include "transform/TextExport.h"

#include <charconv>

#include "transform/AtomicFile.h"

namespace trelvo {
namespace {

// Flush once this much is buffered; one row needs far less than the reserve left above it.
constexpr size_t kFlushSize = size_t{1} << 20;
// Room for the longest fixed-point double (309 integer digits) with its decimals.
constexpr size_t kNumberRoom = 340;
constexpr std::string_view kLineBreak = "\r\n";

}  // namespace

std::string_view EntityTypeName(uint8_t entity_type) {
  switch (entity_type) {
    case static_cast<uint8_t>(TEntityType::kPoint):
      return "Point";
    case static_cast<uint8_t>(TEntityType::kPath):
      return "Path";
    case static_cast<uint8_t>(TEntityType::kPolygon):
      return "Polygon";
    default:
      return {};
  }
}

void AppendFixed(std::string& out, double value, int decimals) {
  char digits[kNumberRoom];
  const auto result =
      std::to_chars(digits, digits + sizeof(digits), value, std::chars_format::fixed, decimals);
  const char* first = digits;
  // -0.0 and tiny negatives would print as -0.000...; a row reads better without the sign.
  if (*first == '-' && value > -1.0) {
    bool all_zero = true;
    for (const char* c = first + 1; c < result.ptr && all_zero; ++c) {
      all_zero = *c == '0' || *c == '.';
    }
    if (all_zero) ++first;
  }
  out.append(first, static_cast<size_t>(result.ptr - first));
}

TTextWriter::TTextWriter(TAtomicFile& file, char separator) : m_file(file), m_separator(separator) {
  m_buffer.reserve(kFlushSize + 4 * kNumberRoom);
}

void TTextWriter::WriteText(std::string_view text) {
  m_buffer.append(text);
  if (m_buffer.size() >= kFlushSize) Flush();
}

void TTextWriter::WriteLine(std::string_view text) {
  m_buffer.append(text);
  m_buffer.append(kLineBreak);
  if (m_buffer.size() >= kFlushSize) Flush();
}

void TTextWriter::WriteHeader() {
  WriteLine(kProgramName);
  WriteLine("Powered by Brisko Solutions");
  WriteLine(WebAddress);
  WriteLine();
  WriteText("Entity type:");
}

void TTextWriter::WriteVertexRow(const TXYZPoint& point) {
  AppendFixed(m_buffer, point.X, 10);
  m_buffer.push_back(m_separator);
  AppendFixed(m_buffer, point.Y, 10);
  m_buffer.push_back(m_separator);
  if (point.Z == 0.0) {
    m_buffer.push_back('0');
  } else {
    AppendFixed(m_buffer, point.Z, 5);
  }
  m_buffer.append(kLineBreak);
  if (m_buffer.size() >= kFlushSize) Flush();
}

void TTextWriter::WriteVertexBlock(const TXYZList& points) {
  const int32_t count = points.Count();
  WriteLine();
  char digits[16];
  const auto result = std::to_chars(digits, digits + sizeof(digits), count);
  m_buffer.append(digits, result.ptr);
  WriteLine(" Vertices");
  for (int32_t i = 1; i <= count; ++i) WriteVertexRow(points.Get(i));
}

void TTextWriter::Flush() {
  m_file.Write(m_buffer);
  m_buffer.clear();
}

}  // namespace trelvo
