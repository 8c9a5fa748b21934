#include "tests/support/ReferenceReader.h"

#include "reading/NumberText.h"

namespace trelvo::test {
namespace {

const std::string kSpaces = " \t\r\n";
const std::string kNumberEnd = ", \t\r\n";

bool IsNameChar(char c) {
  const auto u = static_cast<unsigned char>(c);
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' ||
         c == '-' || c == '.' || u >= 0x80;
}

}  // namespace

TReferenceReader::TReferenceReader(const std::string& raw) {
  // Every CR LF becomes LF; each line keeps its LF, so a line break is one whitespace.
  std::string text;
  for (size_t i = 0; i < raw.size(); ++i) {
    if (raw[i] == '\r' && i + 1 < raw.size() && raw[i + 1] == '\n') continue;
    text += raw[i];
  }
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find('\n', start);
    end = end == std::string::npos ? text.size() : end + 1;
    m_lines.push_back(text.substr(start, end - start));
    start = end;
  }
}

void TReferenceReader::Refill() {
  if (m_pending.empty()) return;
  m_window += m_pending.substr(0, m_chunk_size);
  m_pending = m_pending.size() > m_chunk_size ? m_pending.substr(m_chunk_size) : "";
}

bool TReferenceReader::ReadMore() {
  Refill();
  if (m_window.size() < m_chunk_size && !AtEndOfInput()) {
    m_pending = m_lines[m_next_line++];
    Refill();
  }
  return !m_window.empty();
}

bool TReferenceReader::GrowWindow() {
  const size_t before = m_window.size();
  ReadMore();
  return m_window.size() != before;
}

void TReferenceReader::PushBackExcess() {
  if (m_window.size() <= m_chunk_size) return;
  m_pending = m_window.substr(m_chunk_size) + m_pending;
  m_window = m_window.substr(0, m_chunk_size);
}

bool TReferenceReader::HasData() { return !m_window.empty() || ReadMore(); }

void TReferenceReader::TopUp() {
  if (m_window.size() < 100) ReadMore();
}

// Looks at every '<' in turn: "<" [prefix ":"] name, then '>', '/' or whitespace.
bool TReferenceReader::SkipPast(const std::string& name, size_t* keep_from) {
  *keep_from = m_window.size();
  for (size_t open = 0; open < m_window.size(); ++open) {
    if (m_window[open] != '<') continue;
    size_t start = open + 1;
    size_t end = start;
    while (end < m_window.size() && IsNameChar(m_window[end])) ++end;
    if (end < m_window.size() && m_window[end] == ':' && end > start) {
      start = end + 1;
      end = start;
      while (end < m_window.size() && IsNameChar(m_window[end])) ++end;
    }
    if (end == m_window.size()) {
      if (m_window.size() - open <= 256) *keep_from = open;
      return false;
    }
    const char after = m_window[end];
    if (m_window.substr(start, end - start) == name &&
        (after == '>' || after == '/' || kSpaces.find(after) != std::string::npos)) {
      m_window = m_window.substr(end);
      return true;
    }
  }
  return false;
}

TReferenceReader::TTag TReferenceReader::SeekTag(const std::string& name) {
  size_t keep_from = 0;
  bool found = SkipPast(name, &keep_from);
  while (!found) {
    if (!GrowWindow()) return TTag::kNotFound;
    if (SkipPast(name, &keep_from)) {
      found = true;
      ReadMore();
    } else {
      m_window = m_window.substr(keep_from);
    }
  }
  bool self_closing = false;
  if (!SkipTagRest(&self_closing)) return TTag::kNotFound;
  return self_closing ? TTag::kEmpty : TTag::kOpen;
}

bool TReferenceReader::SkipTagRest(bool* self_closing) {
  char quote = 0;
  char previous = 0;
  for (;;) {
    for (size_t i = 0; i < m_window.size(); ++i) {
      const char c = m_window[i];
      if (quote != 0) {
        if (c == quote) quote = 0;
      } else if (c == '"' || c == '\'') {
        quote = c;
      } else if (c == '>') {
        m_window = m_window.substr(i + 1);
        *self_closing = previous == '/';
        return true;
      }
      previous = c;
    }
    m_window.clear();
    if (!GrowWindow()) return false;
  }
}

void TReferenceReader::TrimLeadingSpaces() {
  const size_t first = m_window.find_first_not_of(kSpaces);
  m_window = first == std::string::npos ? "" : m_window.substr(first);
}

bool TReferenceReader::ReadNumberBefore(const std::string& delimiters, bool at_end_too,
                                        double* value, char* delimiter) {
  TrimLeadingSpaces();
  const size_t p = m_window.find_first_of(delimiters);
  if (p != std::string::npos) {
    *value = ParseNumberPrefix(m_window.substr(0, p));
    *delimiter = m_window[p];
    m_window = m_window.substr(p + 1);
    return true;
  }
  if (!at_end_too || m_window.empty()) return false;
  *value = ParseNumberPrefix(m_window);
  *delimiter = 0;
  m_window.clear();
  return true;
}

bool TReferenceReader::ReadTuple(bool at_end_too) {
  double x = 0;
  double y = 0;
  double z = 0;
  char delimiter = 0;
  if (!ReadNumberBefore(kNumberEnd, at_end_too, &x, &delimiter)) return false;
  if (delimiter == ',' && !ReadNumberBefore(kNumberEnd, at_end_too, &y, &delimiter)) return false;
  if (delimiter == ',' && !ReadNumberBefore(kNumberEnd, at_end_too, &z, &delimiter)) return false;
  m_points.Add(x, y, z);
  return true;
}

bool TReferenceReader::ReadCoordinateList(bool single) {
  bool result = false;
  bool progress = true;
  m_chunk_size = 300;
  PushBackExcess();
  TopUp();
  while (HasData() && !result && progress) {
    progress = false;
    TopUp();
    const size_t lt = m_window.find('<');
    if (lt != std::string::npos) {
      // The text before the '<' is read at once; its end also ends the last number.
      const std::string tail = m_window.substr(lt);
      m_window = m_window.substr(0, lt);
      bool read = false;
      while (!m_window.empty() && !read && ReadTuple(true)) read = single;
      if (read) {
        m_window += tail;  // a Point keeps what follows its tuple
        return true;
      }
      m_window = tail;
      while (m_window.size() < 4 && GrowWindow()) {
      }
      if (m_window.substr(0, 4) == "<!--") {
        // A comment is whitespace: skip it and go on with the list.
        m_window = m_window.substr(4);
        for (;;) {
          const size_t close = m_window.find("-->");
          if (close != std::string::npos) {
            m_window = m_window.substr(close + 3);
            break;
          }
          m_window = m_window.substr(m_window.size() - std::min<size_t>(2, m_window.size()));
          if (!GrowWindow()) return false;
        }
        progress = true;
      } else {
        result = true;
      }
    } else {
      const size_t before = m_window.size();
      TrimLeadingSpaces();
      if (m_window.empty()) {
        progress = before != 0;
      } else {
        const std::string tuple = m_window;
        progress = ReadTuple(false);
        if (single && progress) return true;
        if (!progress) {
          // Too long for the Window: read on, whatever the Window's length, up to 64 KiB.
          m_window = tuple;
          if (tuple.size() < 65536) {
            Refill();
            if (m_window.size() == tuple.size() && m_pending.empty() && !AtEndOfInput()) {
              m_pending = m_lines[m_next_line++];
              Refill();
            }
            progress = m_window.size() != tuple.size();
          }
        }
      }
    }
  }
  return result;
}

bool TReferenceReader::ReadLineCoordinates() {
  const TTag tag = SeekTag("coordinates");
  if (tag == TTag::kNotFound) return false;
  return tag == TTag::kEmpty || ReadCoordinateList(false);
}

bool TReferenceReader::NextPoint() {
  m_points.Clear();
  for (;;) {
    m_chunk_size = 1000;
    const TTag tag = SeekTag("Point");
    if (tag == TTag::kNotFound) return false;
    if (tag == TTag::kEmpty) continue;
    const TTag coordinates = SeekTag("coordinates");
    if (coordinates == TTag::kNotFound) return false;
    if (coordinates == TTag::kEmpty) continue;
    if (!ReadCoordinateList(true)) return false;
    if (m_points.Count() > 0) return true;
  }
}

bool TReferenceReader::NextLineString() {
  m_points.Clear();
  for (;;) {
    m_chunk_size = 1000;
    const TTag tag = SeekTag("LineString");
    if (tag == TTag::kNotFound) return false;
    if (tag == TTag::kOpen) return ReadLineCoordinates();
  }
}

bool TReferenceReader::NextPolygon() {
  m_points.Clear();
  for (;;) {
    m_chunk_size = 1000;
    const TTag tag = SeekTag("Polygon");
    if (tag == TTag::kNotFound) return false;
    if (tag == TTag::kEmpty) continue;
    TTag ring = TTag::kEmpty;
    while (ring == TTag::kEmpty) ring = SeekTag("LinearRing");
    return ring == TTag::kOpen && ReadLineCoordinates();
  }
}

}  // namespace trelvo::test
