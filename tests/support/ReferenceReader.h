// A slow, literal model of the KML reader: Window and Pending are strings, the input is a list
// of lines, and every step copies text the way the algorithm describes it. The real reader
// keeps positions into one streaming buffer instead; for every input both must find the same
// geometries with the same vertices and return the same true/false results.
#pragma once

#include <string>
#include <vector>

#include "reading/ULShortXYZ.h"

namespace trelvo::test {

class TReferenceReader {
 public:
  // `text` is the whole file as bytes.
  explicit TReferenceReader(const std::string& text);

  bool NextPoint();
  bool NextLineString();
  bool NextPolygon();

  const TXYZList& Points() const { return m_points; }

 private:
  enum class TTag { kNotFound, kOpen, kEmpty };

  bool AtEndOfInput() const { return m_next_line == m_lines.size(); }

  void Refill();
  bool ReadMore();
  bool GrowWindow();
  void PushBackExcess();
  bool HasData();
  void TopUp();
  bool SkipPast(const std::string& name, size_t* keep_from);
  TTag SeekTag(const std::string& name);
  bool SkipTagRest(bool* self_closing);
  void TrimLeadingSpaces();
  bool ReadNumberBefore(const std::string& delimiters, bool at_end_too, double* value,
                        char* delimiter);
  bool ReadTuple(bool at_end_too);
  bool ReadCoordinateList(bool single);
  bool ReadLineCoordinates();

  std::vector<std::string> m_lines;
  size_t m_next_line = 0;
  std::string m_window;
  std::string m_pending;
  size_t m_chunk_size = 500;
  TXYZList m_points;
};

}  // namespace trelvo::test
