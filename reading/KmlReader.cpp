#include "reading/KmlReader.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cassert>
#include <cstdint>
#include <cstring>
#include <span>

#include "reading/InputFile.h"
#include "reading/KmlCheck.h"
#include "reading/MarkupFilter.h"
#include "reading/NumberText.h"
#include "reading/TagSearch.h"
#include "reading/TextScan.h"
#include "reading/TextWindow.h"

namespace trelvo {
namespace {

using TGrowth = TTextWindow::TGrowth;

// The scans of the Window's text read up to fifteen bytes past its end.
static_assert(TTextWindow::kReadableTail >= 16);

// ChunkSize while looking for a geometry and its coordinates tag, and while reading tuples.
constexpr size_t kSearchChunk = 1000;
constexpr size_t kCoordinateChunk = 8192;
// Coordinate text without a delimiter longer than this is no tuple: the list ends there.
constexpr size_t kMaxTupleText = 65536;
// What SkipTagRest keeps of a tag's attributes: any a KML element has, and bounded memory.
constexpr size_t kMaxAttributes = 65536;

// The end of the bare tag at `at` of `text` (after its '>'): "<local>", or "</local>" with
// `closing`, with or without one namespace prefix and nothing else in the tag; 0 when the tag
// there is another, or the end of the text cuts it.
size_t BareTagEnd(std::string_view text, size_t at, bool closing, std::string_view local) {
  size_t i = at;
  if (i >= text.size() || text[i] != '<') return 0;
  ++i;
  if (closing) {
    if (i >= text.size() || text[i] != '/') return 0;
    ++i;
  }
  size_t name = i;
  while (i < text.size() && HasClass(text[i], kNameChar)) ++i;
  if (i < text.size() && text[i] == ':' && i > name) {
    name = ++i;
    while (i < text.size() && HasClass(text[i], kNameChar)) ++i;
  }
  if (i >= text.size() || text[i] != '>') return 0;
  return i - name == local.size() && SameName(text.data() + name, local.data(), local.size())
             ? i + 1
             : 0;
}

}  // namespace

TKMLReader::TKMLReader() = default;

TKMLReader::~TKMLReader() { Close(); }

void TKMLReader::Open(const std::string& file_name) {
  Close();
  TKmlCheck* check = nullptr;
  // The check and the filter go with the reading onto its own thread; the check's verdict is
  // read once the end of the input has come through, after its last use there.
  m_text.Open(OpenInputFile(file_name, [&](std::unique_ptr<TByteSource> source) {
    auto checked = std::make_unique<TKmlCheck>(std::move(source));
    check = checked.get();
    return Filtered(std::move(checked));
  }));
  m_check = check;
}

std::unique_ptr<TByteSource> TKMLReader::Filtered(std::unique_ptr<TByteSource> source) const {
  auto filter = std::make_unique<TMarkupFilter>(std::move(source));
  if (m_keep_cdata) filter->KeepCdataText();
  return filter;
}

const char* TKMLReader::NotKmlCause() const {
  return m_check != nullptr ? m_check->NotKmlCause() : nullptr;
}

void TKMLReader::Open(std::unique_ptr<TByteSource> source) {
  Close();
  m_text.Open(Filtered(std::move(source)));
}

void TKMLReader::Close() {
  m_text.Close();
  m_check = nullptr;
}

bool TKMLReader::SkipPast(std::span<const std::string_view> names, size_t* which,
                          size_t* keep_from) {
  const TTagMatch match = FindTag(m_text.Text(), names);
  if (match.found) {
    m_text.Consume(match.end);
    *which = match.which;
    return true;
  }
  *keep_from = m_text.Start() + match.keep;
  return false;
}

// Finds the next tag of one of `names` (see FindTag; any namespace prefix, attributes allowed),
// sets *which to its index and consumes it through its '>'.
TKMLReader::TTagFound TKMLReader::SeekTag(std::span<const std::string_view> names, size_t* which) {
  size_t keep_from = 0;
  m_text.Grow(TGrowth::kLoaded);  // one search over the loaded text, not one per line of it
  while (!SkipPast(names, which, &keep_from)) {
    m_text.SkipTo(keep_from);  // discard all but a tag cut at the end
    if (!m_text.Grow(TGrowth::kAllLoaded)) return TTagFound::kNotFound;
  }
  bool self_closing = false;
  if (!SkipTagRest(&self_closing)) return TTagFound::kNotFound;
  return self_closing ? TTagFound::kEmpty : TTagFound::kOpen;
}

// Consumes the rest of an opening tag through its '>' (a '>' inside a quoted attribute
// value does not count), appending it without the '>' to *attributes when asked. False when the
// input ends inside the tag.
bool TKMLReader::SkipTagRest(bool* self_closing, std::string* attributes) {
  char quote = 0;
  char previous = 0;
  for (;;) {
    const std::string_view window = m_text.Text();
    for (size_t i = 0; i < window.size(); ++i) {
      const char c = window[i];
      if (quote != 0) {
        if (c == quote) quote = 0;
      } else if (c == '"' || c == '\'') {
        quote = c;
      } else if (c == '>') {
        // Most tags have no attributes: nothing to append.
        if (attributes != nullptr && i > 0 && attributes->size() < kMaxAttributes) {
          attributes->append(window.substr(0, i));
        }
        m_text.Consume(i + 1);
        *self_closing = previous == '/';
        return true;
      }
      previous = c;
    }
    if (attributes != nullptr && attributes->size() < kMaxAttributes) attributes->append(window);
    m_text.Consume(m_text.Length());
    if (!m_text.Grow(TGrowth::kLine)) return false;
  }
}

void TKMLReader::TrimLeadingSpaces() {
  const std::string_view window = m_text.Text();
  size_t i = 0;
  while (i < window.size() && HasClass(window[i], kSpace)) ++i;
  m_text.Consume(i);
}

// One tuple of any shape (ParseTuple) from the Window. With `at_end_too`, the end of the
// Window also ends the tuple (the last before the closing tag); otherwise a tuple that reaches
// it is not read, since more of its text may follow. False when none is read.
bool TKMLReader::ReadTuple(bool at_end_too) {
  const std::string_view window = m_text.Text();
  TXYZPoint point;
  const char* const end =
      ParseTuple(window.data(), window.data() + window.size(), at_end_too, &point);
  if (end == nullptr) return false;
  m_text.Consume(static_cast<size_t>(end - window.data()));
  AddPoint(point.X, point.Y, point.Z);
  return true;
}

// The common tuples, "x,y,z" followed by whitespace, by the fast paths of the grammar; each
// gives what ReadTuple gives. Stops before the first tuple of any other shape, which ReadTuple
// then reads. `at_end_too` as for ReadTuple. With `single` (a Point), stops after the first
// tuple. True when it read a tuple.
bool TKMLReader::ReadPlainTuples(bool at_end_too, bool single) {
  return m_points.Form() == TCoordinateForm::kText
             ? ReadPlainTuplesAs<TVertexText>(at_end_too, single)
             : ReadPlainTuplesAs<TXYZPoint>(at_end_too, single);
}

namespace {

// The fast tuple readers and the list's Add of each form, for ReadPlainTuplesAs.
bool ReadShort(const char* p, const char* last, bool at_end, TXYZPoint* point, const char** end) {
  return ReadShortTuple(p, last, at_end, point, end);
}

bool ReadShort(const char* p, const char* last, bool at_end, TVertexText* vertex,
               const char** end) {
  return ReadShortTupleText(p, last, at_end, vertex, end);
}

const char* ParsePlain(const char* p, const char* last, bool at_end, TXYZPoint* point) {
  return ParsePlainTuple(p, last, at_end, point);
}

const char* ParsePlain(const char* p, const char* last, bool at_end, TVertexText* vertex) {
  return ParsePlainTupleText(p, last, at_end, vertex);
}

void AddTo(TXYZList& list, const TXYZPoint& point) { list.Add(point.X, point.Y, point.Z); }

void AddTo(TXYZList& list, const TVertexText& vertex) { list.AddText(vertex); }

}  // namespace

// ReadPlainTuples for a list holding TVertex.
// (Flattened: the number parser is inlined into this, the reader's hottest loop.)
template <class TVertex>
__attribute__((flatten)) bool TKMLReader::ReadPlainTuplesAs(bool at_end_too, bool single) {
  const std::string_view window = m_text.Text();
  const char* const first = window.data();
  const char* const last = first + window.size();
  const char* p = first;
  bool read = false;
  for (;;) {
    while (p < last && HasClass(*p, kSpace)) ++p;
    // The Window moves only on return: it then starts at the tuple not read, or after the
    // Point's one tuple.
    TVertex vertex;
    const char* end = nullptr;
    // The Window's buffer keeps kShortTupleText bytes readable past its end.
    static_assert(TTextWindow::kReadableTail >= kShortTupleText);
    if (p == last || !ReadShort(p, last, at_end_too, &vertex, &end)) {
      end = ParsePlain(p, last, at_end_too, &vertex);
      if (end == nullptr) {
        m_text.Consume(static_cast<size_t>(p - first));
        return read;
      }
    }
    p = end;
    AddTo(m_points, vertex);
    read = true;
    if (single) {
      m_text.Consume(static_cast<size_t>(p - first));
      return true;
    }
  }
}

// Reads the tuples of the text before the '<' at `stretch_end`, up to the first that fails;
// the rest of that text is dropped. For a Point, stops after its tuple (true), leaving the
// rest in the Window.
bool TKMLReader::ReadStretch(size_t stretch_end, bool single) {
  const size_t window_end = m_text.End();
  m_text.SetEnd(stretch_end);
  bool read = ReadPlainTuples(true, single) && single;
  while (m_text.Length() > 0 && !read && ReadTuple(true)) read = single;
  m_text.SetEnd(window_end);
  if (!read) m_text.SkipTo(stretch_end);
  return read;
}

// Coordinate text this long without a separator is no tuple: passes over it, streaming, to the
// next whitespace or '<', where reading goes on. False when the input ends first.
bool TKMLReader::SkipLongText() {
  for (;;) {
    const std::string_view window = m_text.Text();
    for (size_t i = 0; i < window.size(); ++i) {
      if (HasClass(window[i], kSpace) || window[i] == '<') {
        m_text.Consume(i);
        return true;
      }
    }
    m_text.Consume(m_text.Length());
    if (!m_text.Grow(TGrowth::kLine)) return false;
  }
}

// Reads the tuples of a coordinates element whose opening tag has just been consumed, up to
// the first '<' (comments are whitespace by then: Filter took them out). True once that
// '<' is reached, even with no tuple; false when the input ends first or a tuple in the middle
// of the text cannot be read.
bool TKMLReader::ReadCoordinateList(bool single) {
  bool result = false;
  bool progress = true;
  m_text.SetChunkSize(kCoordinateChunk);
  m_text.PushBackExcess();
  // Short of this, the Window takes the next line before a tuple is read.
  constexpr size_t kLowWater = 100;
  const auto top_up = [&] {
    if (m_text.Length() < kLowWater) m_text.Grow(TGrowth::kLine);
  };
  top_up();
  while ((m_text.Length() > 0 || m_text.Grow(TGrowth::kLine)) && !result && progress) {
    progress = false;
    top_up();
    const size_t stretch_end = m_text.FindLessThan();
    if (stretch_end != m_text.End()) {
      if (ReadStretch(stretch_end, single)) return true;
      result = true;
    } else {
      // A Window of whitespace only (blank lines, deep indentation) is consumed, not a failure.
      const size_t start = m_text.Start();
      TrimLeadingSpaces();
      if (m_text.Length() == 0) {
        progress = m_text.Start() != start;
      } else {
        if (!single) ReadPlainTuples(false, false);
        const size_t tuple_start = m_text.Start();
        progress = m_text.Length() == 0 || ReadTuple(false);
        if (single && progress) return true;
        if (!progress) {
          // The tuple runs past the Window (a number of hundreds of digits): read on, up to a
          // limit that keeps memory bounded, instead of giving up on the rest of the file.
          m_text.SkipTo(tuple_start);
          progress = m_text.End() - tuple_start < kMaxTupleText ? m_text.Grow(TGrowth::kAnyLength)
                                                                : SkipLongText();
        }
      }
    }
  }
  return result;
}

// Seeks the coordinates element of the geometry just opened, but only before its closing tag
// `closing_tag`: a geometry without one must not take those of the next. False when the
// closing tag comes first; otherwise *tag tells how the search ended.
bool TKMLReader::SeekCoordinates(std::string_view closing_tag, TTagFound* tag) {
  const std::string_view tags[] = {"coordinates", closing_tag};
  size_t which = 0;
  *tag = SeekTag(tags, &which);
  return *tag == TTagFound::kNotFound || which == 0;
}

TKMLReader::TGeometryRead TKMLReader::ReadPointCoordinates() {
  TTagFound tag = TTagFound::kNotFound;
  if (!SeekCoordinates("/Point", &tag)) return TGeometryRead::kNone;
  if (tag == TTagFound::kNotFound) return TGeometryRead::kFailed;
  if (tag == TTagFound::kEmpty) return TGeometryRead::kNone;
  if (!ReadCoordinateList(true)) return TGeometryRead::kFailed;
  return m_points.Count() > 0 ? TGeometryRead::kRead : TGeometryRead::kNone;
}

// The coordinates of a LineString or LinearRing (closed by `closing_tag`).
TKMLReader::TGeometryRead TKMLReader::ReadLineCoordinates(std::string_view closing_tag) {
  TTagFound tag = TTagFound::kNotFound;
  if (!SeekCoordinates(closing_tag, &tag)) return TGeometryRead::kNone;
  if (tag == TTagFound::kNotFound) return TGeometryRead::kFailed;
  return tag == TTagFound::kEmpty || ReadCoordinateList(false) ? TGeometryRead::kRead
                                                               : TGeometryRead::kFailed;
}

TKMLReader::TGeometryRead TKMLReader::ReadLineStringCoordinates() {
  return ReadLineCoordinates("/LineString");
}

TKMLReader::TGeometryRead TKMLReader::ReadRingCoordinates() {
  static constexpr std::string_view kRingTags[] = {"LinearRing", "/Polygon"};
  TTagFound ring = TTagFound::kEmpty;
  size_t which = 0;
  while (ring == TTagFound::kEmpty && which == 0) ring = SeekTag(kRingTags, &which);
  if (ring == TTagFound::kNotFound) return TGeometryRead::kFailed;
  if (which == 1) return TGeometryRead::kNone;  // a polygon without a ring
  return ReadLineCoordinates("/LinearRing");
}

bool TKMLReader::NextPoint() {
  m_points.Clear();
  for (;;) {
    m_text.SetChunkSize(kSearchChunk);
    const TTagFound tag = SeekTag("Point");
    if (tag == TTagFound::kNotFound) return false;
    if (tag == TTagFound::kEmpty) continue;
    const TGeometryRead read = ReadPointCoordinates();
    if (read != TGeometryRead::kNone) return read == TGeometryRead::kRead;
  }
}

// One <coord> of a track: "lon lat alt", the numbers separated by whitespace (or commas, as
// coordinates are), missing ones 0. Text without a number adds no vertex. False when the input
// ends first.
bool TKMLReader::ReadTrackCoord() {
  std::string_view text = m_text.Text();
  if (m_points.Form() == TCoordinateForm::kText) {
    // The usual coord, whole in the Window, is read where it stands.
    static_assert(TTextWindow::kReadableTail >= kShortTupleText);
    TVertexText vertex;
    const char* end = nullptr;
    if (ReadShortTrackCoordText(text.data(), text.data() + text.size(), &vertex, &end)) {
      m_text.Consume(static_cast<size_t>(end - text.data()));
      m_points.AddText(vertex);
      return true;
    }
  }
  const size_t text_end = FindLessThanInWindow(text);
  if (text_end < text.size()) {
    m_text.Consume(text_end);
    if (text_end > kMaxTupleText) return true;
    text = text.substr(0, text_end);
  } else {
    if (!CollectText(m_coord_text, kMaxTupleText)) return false;
    if (m_coord_text.size() > kMaxTupleText) return true;
    text = m_coord_text;
  }
  if (m_points.Form() == TCoordinateForm::kText) {
    TVertexText vertex;
    if (ParseTrackCoordText(text, &vertex)) m_points.AddText(vertex);
  } else {
    TXYZPoint point;
    if (ParseTrackCoord(text, &point)) AddPoint(point.X, point.Y, point.Z);
  }
  return true;
}

// The text up to the next '<', which runs past the Window, into `out`; text past `limit` is
// passed over, streaming. False when the input ends first.
bool TKMLReader::CollectText(std::string& out, size_t limit) {
  out.clear();
  for (;;) {
    const std::string_view window = m_text.Text();
    const size_t text_end = std::min(window.find('<'), window.size());
    if (out.size() <= limit)
      out.append(window.substr(0, std::min(text_end, limit + 1 - out.size())));
    m_text.Consume(text_end);
    if (text_end < window.size()) return true;
    if (!m_text.Grow(TGrowth::kLine)) return false;
  }
}

// After a track's coord, passes over what most tracks have before the next: "</gx:coord>",
// perhaps "<when>...</when>", then "<gx:coord>", whitespace between; true when it did, and the
// next coord's text follows. Anything else is left to SeekTag, which passes over the same tags
// to the same coord, but searches for its name where this compares the text.
bool TKMLReader::SkipToUsualTrackCoord() {
  m_text.Grow(TGrowth::kLoaded);
  const std::string_view text = m_text.Text();
  const char* const end = UsualTrackGapEnd(text.data(), text.data() + text.size());
  if (end == nullptr) return LearnTrackGap();
  m_text.Consume(static_cast<size_t>(end - text.data()));
  return true;
}

// Where the text between two coords that starts at `p` ends, when it is written as last seen
// (see m_track_gap): a file writes it the same way every time, but for the time in it.
// nullptr otherwise, or when `last` cuts it.
const char* TKMLReader::UsualTrackGapEnd(const char* p, const char* last) const {
  const auto starts_with = [&](const std::string& gap) {
    return static_cast<size_t>(last - p) >= gap.size() && SameName(p, gap.data(), gap.size());
  };
  const std::string& lead = m_track_gap[0];
  const std::string& tail = m_track_gap[1];
  if (lead.empty() || !starts_with(lead)) return nullptr;
  p += lead.size();
  if (!tail.empty()) {
    p = FindLessThanInWindow(p, last);
    if (!starts_with(tail)) return nullptr;
    p += tail.size();
  }
  return p;
}

// After a track's coord, the usual coords that follow it, each after the usual text (see
// UsualTrackGapEnd), read where they stand in the Window, up to the last coord whole in it;
// leaves the Window after that coord.
__attribute__((flatten)) void TKMLReader::ReadUsualTrackCoords() {
  if (m_points.Form() != TCoordinateForm::kText) return;
  const std::string_view text = m_text.Text();
  const char* p = text.data();
  const char* const last = p + text.size();
  for (;;) {
    const char* const coord = UsualTrackGapEnd(p, last);
    TVertexText vertex;
    const char* end = nullptr;
    if (coord == nullptr || !ReadShortTrackCoordText(coord, last, &vertex, &end)) break;
    m_points.AddText(vertex);
    p = end;
  }
  m_text.Consume(static_cast<size_t>(p - text.data()));
}

// SkipToUsualTrackCoord tag by tag, keeping the text passed over for the next time.
bool TKMLReader::LearnTrackGap() {
  const std::string_view text = m_text.Text();
  const auto spaces = [&](size_t i) {
    while (i < text.size() && HasClass(text[i], kSpace)) ++i;
    return i;
  };
  size_t i = BareTagEnd(text, 0, true, "coord");
  if (i == 0) return false;
  i = spaces(i);
  size_t when_text = 0;
  size_t when_text_end = 0;
  if (const size_t when = BareTagEnd(text, i, false, "when"); when != 0) {
    when_text = when;
    when_text_end = static_cast<size_t>(
        FindLessThanInWindow(text.data() + when, text.data() + text.size()) - text.data());
    const size_t when_end = BareTagEnd(text, when_text_end, true, "when");
    if (when_end == 0) return false;
    i = spaces(when_end);
  }
  const size_t coord = BareTagEnd(text, i, false, "coord");
  if (coord == 0) return false;
  // Whitespace past a few lines' indentation is no usual gap: not kept, not compared.
  constexpr size_t kMaxGap = 64;
  if (when_text == 0) {
    m_track_gap[0] = text.substr(0, coord <= kMaxGap ? coord : 0);
    m_track_gap[1].clear();
  } else {
    const size_t tail = coord - when_text_end;
    const bool keep = when_text <= kMaxGap && tail <= kMaxGap;
    m_track_gap[0] = text.substr(0, keep ? when_text : 0);
    m_track_gap[1] = text.substr(when_text_end, keep ? tail : 0);
  }
  m_text.Consume(coord);
  return true;
}

// A track's vertices, one per <coord>, up to its closing tag; <when> and the rest of its content
// are not needed.
TKMLReader::TGeometryRead TKMLReader::ReadTrackCoordinates() {
  static constexpr std::string_view kTrackTags[] = {"coord", "/Track"};
  for (;;) {
    size_t which = 0;
    const TTagFound tag = SeekTag(kTrackTags, &which);
    if (tag == TTagFound::kNotFound) return TGeometryRead::kFailed;
    if (which == 1) return TGeometryRead::kRead;
    if (tag != TTagFound::kOpen) continue;
    do {
      if (!ReadTrackCoord()) return TGeometryRead::kFailed;
      ReadUsualTrackCoords();
    } while (SkipToUsualTrackCoord());
  }
}

// The next opening tag of `tags` with content (self-closing ones are passed over), then its
// coordinates read by the matching one of `readers`.
bool TKMLReader::NextGeometry(std::span<const std::string_view> tags,
                              std::span<const TReadCoordinates> readers) {
  m_points.Clear();
  for (;;) {
    m_text.SetChunkSize(kSearchChunk);
    size_t which = 0;
    const TTagFound found = SeekTag(tags, &which);
    if (found == TTagFound::kNotFound) return false;
    if (found != TTagFound::kOpen) continue;
    const TGeometryRead read = (this->*readers[which])();
    if (read != TGeometryRead::kNone) return read == TGeometryRead::kRead;
    m_points.Clear();
  }
}

bool TKMLReader::NextLineString() {
  static constexpr std::string_view kTags[] = {"LineString", "Track"};
  static constexpr TReadCoordinates kReaders[] = {&TKMLReader::ReadLineStringCoordinates,
                                                  &TKMLReader::ReadTrackCoordinates};
  return NextGeometry(kTags, kReaders);
}

bool TKMLReader::NextPolygon() {
  static constexpr std::string_view kTags[] = {"Polygon"};
  static constexpr TReadCoordinates kReaders[] = {&TKMLReader::ReadRingCoordinates};
  return NextGeometry(kTags, kReaders);
}

}  // namespace trelvo
