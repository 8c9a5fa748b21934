#include "reading/PlacemarkReader.h"

#include <algorithm>
#include <array>
#include <bit>
#include <type_traits>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "reading/TagSearch.h"
#include "reading/TextScan.h"

namespace trelvo {
namespace {

using TGrowth = TTextWindow::TGrowth;

// A text longer than this (a description with an embedded picture) is cut here.
constexpr size_t kMaxFieldText = size_t{1} << 20;
// ChunkSize while walking the tags.
constexpr size_t kTagChunk = 1000;

// The tags outside Placemarks, and what each is.
constexpr std::string_view kTopTags[] = {
    "Placemark", "Folder",      "Document",      "/Folder",       "/Document",
    "name",      "NetworkLink", "GroundOverlay", "ScreenOverlay", "PhotoOverlay",
    "Point",     "LineString",  "Polygon",       "Track"};

enum : size_t {
  kTopPlacemark,
  kTopFolder,
  kTopDocument,
  kTopFolderEnd,
  kTopDocumentEnd,
  kTopName,
  kTopFirstOverlay,
  kTopFirstGeometry = kTopFirstOverlay + 4,
};

// The tags inside a Placemark.
constexpr std::string_view kPlacemarkTags[] = {
    "/Placemark", "name",  "description", "styleUrl", "when",       "begin",   "end",
    "Data",       "value", "SimpleData",  "Point",    "LineString", "Polygon", "Track"};

enum : size_t {
  kPlacemarkEnd,
  kName,
  kDescription,
  kStyle,
  kWhen,
  kBegin,
  kEnd,
  kData,
  kValue,
  kSimpleData,
  kFirstGeometry,
};

// The geometries, in the order of both tables' geometry tags.
enum : size_t { kPoint, kLineString, kPolygon, kTrack };

// The scans below read up to fifteen bytes past the end of the Window's text.
static_assert(TTextWindow::kReadableTail >= 16);

// The end of the XML name at `p` (its characters and ':'), at most `end`; *local is set
// after the name's last ':' (its namespace prefix), or to `p`. Reads up to fifteen bytes past
// `end`, as FindLessThanInWindow.
// (Inlined into NextTag, its one caller: it runs for every tag.)
[[gnu::always_inline]] inline const char* NameEnd(const char* p, const char* end,
                                                  const char** local) {
  *local = p;
#if defined(__SSE2__)
  for (; p < end; p += 16) {
    const __m128i here = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
    // Whether x lies in [low, low + count): moved to the bottom of the signed range, one
    // compare tells.
    const auto in = [](__m128i x, char low, int count) {
      return _mm_cmplt_epi8(_mm_add_epi8(x, _mm_set1_epi8(static_cast<char>(-128 - low))),
                            _mm_set1_epi8(static_cast<char>(-128 + count)));
    };
    // Letters (either case, as lower case), digits and ':', '-' and '.', '_', and every byte
    // from 0x80, whose sign bit the mask takes as it stands.
    const __m128i name = _mm_or_si128(
        _mm_or_si128(in(_mm_or_si128(here, _mm_set1_epi8(0x20)), 'a', 26), in(here, '0', 11)),
        _mm_or_si128(_mm_or_si128(in(here, '-', 2), _mm_cmpeq_epi8(here, _mm_set1_epi8('_'))),
                     here));
    const auto others = static_cast<unsigned>(~_mm_movemask_epi8(name)) & 0xFFFFu;
    const unsigned length = others != 0 ? static_cast<unsigned>(std::countr_zero(others)) : 16;
    const unsigned colons =
        static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(here, _mm_set1_epi8(':')))) &
        ((1U << length) - 1);
    if (colons != 0) *local = std::min(end, p + (32 - std::countl_zero(colons)));
    if (others != 0) return std::min(end, p + length);
  }
  return end;
#else
  for (; p < end && (*p == ':' || HasClass(*p, kNameChar)); ++p) {
    if (*p == ':') *local = p + 1;
  }
  return p;
#endif
}

}  // namespace

// The element names NextTag looks for ("/name" for a closing tag), with the names of each
// first character and kind, so that most tags are passed over at a glance.
class TPlacemarkReader::TTagSet {
 public:
  template <size_t kCount>
  constexpr explicit TTagSet(const std::string_view (&names)[kCount]) : m_names(names) {
    static_assert(kCount <= 32);
    for (size_t k = 0; k < kCount; ++k) {
      const bool closing = names[k].starts_with('/');
      const std::string_view name = names[k].substr(closing ? 1 : 0);
      m_candidates[closing ? 1 : 0][static_cast<unsigned char>(name[0])] |= uint32_t{1} << k;
    }
  }

  // The index of the local `name` of a tag, or npos.
  size_t Find(std::string_view name, bool closing) const {
    uint32_t candidates = m_candidates[closing ? 1 : 0][static_cast<unsigned char>(name[0])];
    for (; candidates != 0; candidates &= candidates - 1) {
      const auto k = static_cast<size_t>(std::countr_zero(candidates));
      const std::string_view candidate = m_names[k].substr(closing ? 1 : 0);
      if (candidate.size() == name.size() && SameName(candidate.data(), name.data(), name.size())) {
        return k;
      }
    }
    return std::string_view::npos;
  }

 private:
  std::span<const std::string_view> m_names;
  uint32_t m_candidates[2][256] = {};
};

namespace {

constexpr TPlacemarkReader::TTagSet kTopTagSet(kTopTags);
constexpr TPlacemarkReader::TTagSet kPlacemarkTagSet(kPlacemarkTags);
// A geometry's coordinates, before its closing tag.
constexpr std::string_view kPointTags[] = {"coordinates", "/Point"};
constexpr std::string_view kLineStringTags[] = {"coordinates", "/LineString"};
constexpr std::string_view kLinearRingTags[] = {"coordinates", "/LinearRing"};
constexpr TPlacemarkReader::TTagSet kPointTagSet(kPointTags);
constexpr TPlacemarkReader::TTagSet kLineStringTagSet(kLineStringTags);
constexpr TPlacemarkReader::TTagSet kLinearRingTagSet(kLinearRingTags);
constexpr std::string_view kRingTags[] = {"LinearRing", "/Polygon"};
constexpr TPlacemarkReader::TTagSet kRingTagSet(kRingTags);
constexpr std::string_view kTrackTags[] = {"when", "coord", "/Track"};
constexpr TPlacemarkReader::TTagSet kTrackTagSet(kTrackTags);

}  // namespace

void TPlacemark::Clear() {
  // What a large Placemark took is given back: a writer keeps many of these for reuse.
  constexpr size_t kKeptVertices = 1024;
  constexpr size_t kKeptText = 4096;
  const auto clear = [](auto& container, size_t kept) {
    if (container.capacity() > kept) {
      std::remove_reference_t<decltype(container)>().swap(container);
    } else {
      container.clear();
    }
  };
  id = 0;
  for (std::string* text : {&name, &description, &style, &folder, &when, &begin, &end}) {
    clear(*text, kKeptText);
  }
  data.clear();
  clear(vertices, kKeptVertices);
  clear(time_text, kKeptText);
  clear(time_ends, kKeptVertices);
  parts.clear();
}

size_t TPlacemark::Footprint() const {
  size_t bytes = sizeof(TPlacemark) + name.capacity() + description.capacity() + style.capacity() +
                 folder.capacity() + when.capacity() + begin.capacity() + end.capacity() +
                 vertices.capacity() * sizeof(TVertexText) + time_text.capacity() +
                 time_ends.capacity() * sizeof(size_t) + parts.capacity() * sizeof(TGeometryPart);
  for (const auto& [data_name, value] : data) bytes += data_name.capacity() + value.capacity();
  return bytes + data.capacity() * sizeof(data[0]);
}

TPlacemarkReader::TPlacemarkReader(TSelection selection) : m_selection(selection) {
  m_reader.SetCoordinateForm(selection.values ? TCoordinateForm::kValues : TCoordinateForm::kText);
  m_reader.KeepCdataText();
}

void TPlacemarkReader::Open(const std::string& file_name) { m_reader.Open(file_name); }

void TPlacemarkReader::Open(std::unique_ptr<TByteSource> source) {
  m_reader.Open(std::move(source));
}

// Walks the tags to the next one whose element name (with any namespace prefix) is one of
// `names` ("/name" for a closing tag), followed by '>', '/' or whitespace; consumes it through
// its '>'. Sets *which to its index, *self_closing, and *attributes to the tag's text after the
// name when asked. An XML declaration on the way sets the encoding. False at the end of input.
bool TPlacemarkReader::NextTag(const TTagSet& tags, size_t* which, bool* self_closing,
                               std::string* attributes) {
  TTextWindow& text = m_reader.m_text;
  text.SetChunkSize(kTagChunk);
  text.Grow(TGrowth::kLoaded);
  for (;;) {
    const std::string_view window = text.Text();
    const char* const first = window.data();
    const char* const last = first + window.size();
    const auto next_tag = [&](size_t from) {
      const char* const found = FindLessThanInWindow(first + from, last);
      return found == last ? std::string_view::npos : static_cast<size_t>(found - first);
    };
    size_t at = next_tag(0);
    size_t keep = window.size();  // where a tag the Window's end cut starts
    while (at != std::string_view::npos) {
      size_t i = at + 1;
      const bool closing = i < window.size() && window[i] == '/';
      if (closing) ++i;
      const char* local = nullptr;
      i = static_cast<size_t>(NameEnd(first + i, last, &local) - first);
      if (i == window.size() || (window[i] == '?' && window.substr(at, 5).size() < 5)) {
        if (window.size() - at <= kMaxTagTail) keep = at;
        break;
      }
      if (window[at + 1] == '?' && window.substr(at, 5) == "<?xml") {
        // A declaration ends with "?>" before any other '<', within a tag's length; anything
        // else is no declaration, and is passed over.
        const std::string_view rest = window.substr(at, kMaxTagTail);
        const size_t close = rest.find("?>");
        const size_t next = rest.find('<', 1);
        if (close != std::string_view::npos && (next == std::string_view::npos || close < next)) {
          ReadDeclaration(rest.substr(5, close - 5));
          at = next_tag(at + close);
          continue;
        }
        if (close == std::string_view::npos && next == std::string_view::npos &&
            window.size() - at <= kMaxTagTail) {
          keep = at;  // the end of the text may have cut it
          break;
        }
        at = next_tag(at + 1);
        continue;
      }
      const std::string_view name(local, static_cast<size_t>(first + i - local));
      const char after = window[i];
      if (!name.empty() && (after == '>' || after == '/' || HasClass(after, kSpace))) {
        const size_t k = tags.Find(name, closing);
        if (k != std::string_view::npos) {
          text.Consume(i);
          *which = k;
          if (attributes != nullptr) attributes->clear();
          return m_reader.SkipTagRest(self_closing, attributes);
        }
      }
      at = next_tag(i);
    }
    text.SkipTo(text.Start() + keep);
    if (!text.Grow(TGrowth::kAllLoaded)) return false;
  }
}

// NextTag as step `step` of a walk: most files write every Placemark alike, so the text up to
// the next tag is first compared with what the same step of the last such walk passed over
// (`steps`), where it would find the same tag; otherwise it walks (LearnStep). Inlined where
// it is called: the compare is most of what the walk costs.
__attribute__((always_inline)) inline bool TPlacemarkReader::NextUsualTag(
    const TTagSet& tags, std::vector<TTagStep>& steps, size_t step, size_t* which,
    bool* self_closing, std::string* attributes) {
  if (step < steps.size() && !steps[step].text.empty()) {
    TTextWindow& text = m_reader.m_text;
    const TTagStep& usual = steps[step];
    text.SetChunkSize(kTagChunk);
    if (text.Length() < usual.text.size()) text.Grow(TGrowth::kLoaded);
    const std::string_view window = text.Text();
    if (window.size() >= usual.text.size() &&
        SameName(window.data(), usual.text.data(), usual.text.size())) {
      text.Consume(usual.text.size());
      *which = usual.which;
      *self_closing = usual.self_closing;
      if (attributes != nullptr && !(usual.attributes.empty() && attributes->empty())) {
        attributes->assign(usual.attributes);
      }
      return true;
    }
  }
  return LearnStep(tags, steps, step, which, self_closing, attributes);
}

// NextTag, keeping the text it passed over as step `step` for the next walk. A text with a
// declaration in it, which NextTag reads, is not kept.
bool TPlacemarkReader::LearnStep(const TTagSet& tags, std::vector<TTagStep>& steps, size_t step,
                                 size_t* which, bool* self_closing, std::string* attributes) {
  constexpr size_t kMaxSteps = 64;
  constexpr size_t kMaxStepText = 256;
  TTextWindow& text = m_reader.m_text;
  const size_t start = text.Start();
  if (!NextTag(tags, which, self_closing, attributes)) return false;
  if (step >= kMaxSteps) return true;
  if (steps.size() <= step) steps.resize(step + 1);
  TTagStep& learned = steps[step];
  const std::string_view passed = text.Behind(start);
  const bool keep = passed.size() <= kMaxStepText && passed.find("<?") == std::string_view::npos;
  learned.text.assign(keep ? passed : std::string_view());
  learned.which = *which;
  learned.self_closing = *self_closing;
  if (attributes != nullptr) learned.attributes.assign(*attributes);
  return true;
}

// The XML declaration of a document (the text after "<?xml"): its encoding, and a new document
// with no Folder open (the next file of a KMZ).
void TPlacemarkReader::ReadDeclaration(std::string_view declaration) {
  const std::string encoding = AttributeValue(declaration, "encoding", m_decoder);
  if (!m_decoder.SetEncoding(encoding.empty() ? "UTF-8" : encoding) && !encoding.empty()) {
    m_unknown_encoding = encoding;
  }
  m_containers.clear();
  m_folder_known = false;
  m_data_names.clear();  // the encoding may be another
}

// The text of the element whose opening tag was just read, decoded. False when the input
// ends first.
bool TPlacemarkReader::ReadText(std::string* text) {
  text->clear();
  return AppendText(text);
}

// ReadText, appended to *text.
bool TPlacemarkReader::AppendText(std::string* text) {
  // The usual text, whole in the Window, is decoded where it stands.
  const std::string_view window = m_reader.m_text.Text();
  const size_t end = FindLessThanInWindow(window);
  if (end < window.size() && end <= kMaxFieldText) {
    m_decoder.Decode(window.substr(0, end), *text);
    m_reader.m_text.Consume(end);
    return true;
  }
  if (!m_reader.CollectText(m_raw, kMaxFieldText)) return false;
  if (m_raw.size() > kMaxFieldText) {
    m_raw.resize(kMaxFieldText);
    ++m_cut_texts;
  }
  m_decoder.Decode(m_raw, *text);
  return true;
}

// Passes over the text of the element whose opening tag was just read, as ReadText reads it
// but without decoding it. False when the input ends first.
bool TPlacemarkReader::SkipText() {
  const std::string_view window = m_reader.m_text.Text();
  const size_t end = FindLessThanInWindow(window);
  if (end == window.size()) return ReadText(&m_scratch);
  m_reader.m_text.Consume(end);
  return true;
}

// The name attribute of the Data or SimpleData tag just read. Files name the same few fields
// in every Placemark: a tag's name, when its text was read before and decoded cleanly, is not
// decoded again.
std::string TPlacemarkReader::DataName() {
  constexpr size_t kKeptNames = 16;
  for (const auto& [attributes, name] : m_data_names) {
    if (attributes == m_attributes) return name;
  }
  const int64_t replaced = m_decoder.Replaced();
  std::string name = AttributeValue(m_attributes, "name", m_decoder);
  if (m_decoder.Replaced() == replaced && m_data_names.size() < kKeptNames) {
    m_data_names.emplace_back(m_attributes, name);
  }
  return name;
}

bool TPlacemarkReader::Next(TPlacemark* placemark) {
  placemark->Clear();
  for (size_t step = 0; !m_ended; ++step) {
    size_t which = 0;
    bool self_closing = false;
    if (!NextUsualTag(kTopTagSet, m_top_steps, step, &which, &self_closing)) break;
    if (which == kTopPlacemark) {
      StartFeature();
      placemark->id = ++m_placemarks;
      placemark->folder = FolderPath();
      if (!self_closing && !ReadPlacemark(placemark)) m_ended = true;
      return true;
    }
    if (which == kTopFolder || which == kTopDocument) {
      StartFeature();
      if (!self_closing) m_containers.emplace_back();
      m_folder_known = false;
    } else if (which == kTopFolderEnd || which == kTopDocumentEnd) {
      if (!m_containers.empty()) m_containers.pop_back();
      m_folder_known = false;
    } else if (which == kTopName) {
      if (self_closing || m_containers.empty() || !m_containers.back().naming) continue;
      if (!ReadText(&m_containers.back().name)) break;
      m_containers.back().naming = false;
      m_folder_known = false;
    } else if (which < kTopFirstGeometry) {
      StartFeature();  // an overlay: its name is none of the folder's
    } else if (!self_closing) {
      // A geometry outside any Placemark is read as a Placemark of its own.
      placemark->folder = FolderPath();
      m_geometries = 0;
      if (!ReadGeometry(which - kTopFirstGeometry, placemark)) m_ended = true;
      if (!placemark->parts.empty()) return true;
      placemark->Clear();
    }
  }
  m_ended = true;
  return false;
}

// The content of a Placemark whose opening tag was just read, through its closing tag. False
// when the input ends first (what was read is kept).
bool TPlacemarkReader::ReadPlacemark(TPlacemark* placemark) {
  m_geometries = 0;
  bool in_data = false;  // a <Data>'s <value> is its value
  std::string data_name;
  // The first of each text counts.
  const auto read = [&](bool self_closing, std::string* field) {
    if (self_closing) return true;
    if (!m_selection.texts) return SkipText();
    if (!field->empty()) return ReadText(&m_scratch);
    return ReadText(field);
  };
  for (size_t step = 0;; ++step) {
    size_t which = 0;
    bool self_closing = false;
    if (!NextUsualTag(kPlacemarkTagSet, m_placemark_steps, step, &which, &self_closing,
                      &m_attributes)) {
      return false;
    }
    bool more = true;
    switch (which) {
      case kPlacemarkEnd:
        return true;
      case kName:
        more = read(self_closing, &placemark->name);
        break;
      case kDescription:
        more = read(self_closing, &placemark->description);
        break;
      case kStyle:
        more = read(self_closing, &placemark->style);
        break;
      case kWhen:
        more = read(self_closing, &placemark->when);
        break;
      case kBegin:
        more = read(self_closing, &placemark->begin);
        break;
      case kEnd:
        more = read(self_closing, &placemark->end);
        break;
      case kData:
        data_name = DataName();
        in_data = !self_closing;
        break;
      case kValue:
      case kSimpleData:
        if (which == kValue && !in_data) break;
        if (which == kSimpleData) data_name = DataName();
        in_data = false;
        placemark->data.emplace_back(data_name, std::string());
        more = read(self_closing, &placemark->data.back().second);
        break;
      default:
        more = self_closing || ReadGeometry(which - kFirstGeometry, placemark);
        break;
    }
    if (!more) return false;
  }
}

// The geometry whose opening tag was just read (a Point, LineString, Polygon or track), when
// it is of the kinds selected; otherwise the walk passes over it. False when the input ends
// first.
bool TPlacemarkReader::ReadGeometry(size_t kind, TPlacemark* placemark) {
  const size_t parts = placemark->parts.size();
  bool more = true;
  switch (kind) {
    case kPoint:
      if (m_selection.points) {
        more = ReadCoordinates(kPointTagSet, true, TGeometryKind::kPoint, 0, placemark);
      }
      break;
    case kLineString:
      if (m_selection.paths) {
        more = ReadCoordinates(kLineStringTagSet, false, TGeometryKind::kPath, 0, placemark);
      }
      break;
    case kPolygon:
      if (m_selection.polygons) more = ReadPolygon(placemark);
      break;
    default:
      if (m_selection.paths) more = ReadTrack(placemark);
      break;
  }
  if (placemark->parts.size() > parts) ++m_geometries;
  return more;
}

// The coordinates of the geometry just opened, before its closing tag (`tags`: "coordinates"
// and that tag): the first tuple only with `single` (a Point). A part when there is any vertex.
bool TPlacemarkReader::ReadCoordinates(const TTagSet& tags, bool single, TGeometryKind kind,
                                       int32_t ring, TPlacemark* placemark) {
  size_t which = 0;
  bool self_closing = false;
  if (!NextUsualTag(tags, m_coordinates_steps, static_cast<size_t>(kind), &which, &self_closing)) {
    return false;
  }
  if (which == 1 || self_closing) return true;
  m_reader.m_points.Clear();
  if (!m_reader.ReadCoordinateList(single)) return false;
  AddPart(kind, ring, placemark);
  return true;
}

// The rings of the Polygon just opened: the first, or all with the selection's all_rings.
bool TPlacemarkReader::ReadPolygon(TPlacemark* placemark) {
  int32_t ring = 0;
  for (;;) {
    size_t which = 0;
    bool self_closing = false;
    if (!NextTag(kRingTagSet, &which, &self_closing)) return false;
    if (which == 1) return true;
    if (self_closing) continue;
    if ((ring == 0 || m_selection.all_rings) &&
        !ReadCoordinates(kLinearRingTagSet, false, TGeometryKind::kPolygon, ring, placemark)) {
      return false;
    }
    ++ring;
  }
}

// The track just opened: a vertex per <coord>, each with the <when> of the same position (an
// empty coord uses up its when too).
bool TPlacemarkReader::ReadTrack(TPlacemark* placemark) {
  TXYZList& points = m_reader.m_points;
  points.Clear();
  m_whens.clear();
  m_when_ends.clear();
  m_coord_of_vertex.clear();
  size_t coords = 0;
  bool more = true;
  // The steps after a track's opening tag, after a when and after a coord: tracks list their
  // whens and coords in turns, or all whens first.
  for (size_t step = 0;;) {
    size_t which = 0;
    bool self_closing = false;
    if (!NextUsualTag(kTrackTagSet, m_track_steps, step, &which, &self_closing)) {
      more = false;
      break;
    }
    step = which + 1;
    if (which == 2) break;
    if (which == 0) {
      if (!self_closing && !AppendText(&m_whens)) return false;
      m_when_ends.push_back(m_whens.size());
      continue;
    }
    const int32_t before = points.Count();
    if (!self_closing && !m_reader.ReadTrackCoord()) {
      more = false;
      break;
    }
    if (points.Count() > before) m_coord_of_vertex.push_back(coords);
    ++coords;
  }
  const size_t first = placemark->vertices.size();
  AddPart(TGeometryKind::kPath, 0, placemark);
  const size_t count = placemark->vertices.size() - first;
  if (first == 0 && count <= m_when_ends.size() && count == coords) {
    // The usual track, a <when> for each <coord>, all of them vertices: its times are taken
    // whole.
    m_whens.resize(count == 0 ? 0 : m_when_ends[count - 1]);
    m_when_ends.resize(count);
    placemark->time_text.swap(m_whens);
    placemark->time_ends.swap(m_when_ends);
    return more;
  }
  placemark->time_ends.resize(first);
  for (size_t v = 0; first + v < placemark->vertices.size(); ++v) {
    const size_t coord = m_coord_of_vertex[v];
    if (coord < m_when_ends.size()) {
      const size_t start = coord == 0 ? 0 : m_when_ends[coord - 1];
      placemark->time_text.append(m_whens, start, m_when_ends[coord] - start);
    }
    placemark->time_ends.push_back(placemark->time_text.size());
  }
  return more;
}

// The vertices just read (m_reader's Points) as a part of the Placemark, when there are any.
void TPlacemarkReader::AddPart(TGeometryKind kind, int32_t ring, TPlacemark* placemark) {
  if (m_selection.values) {
    // Values travel in the vertices' slots as values.
    m_values.clear();
    for (const TXYZPoint& point : m_reader.m_points.Values()) {
      m_values.push_back({TFixedText::OfValue(point.X), TFixedText::OfValue(point.Y),
                          TFixedText::OfValue(point.Z)});
    }
    m_reader.m_points.Clear();
  }
  const std::span<const TVertexText> vertices =
      m_selection.values ? std::span<const TVertexText>(m_values) : m_reader.m_points.Texts();
  if (vertices.empty()) return;
  placemark->parts.push_back(
      {kind, m_geometries, ring, placemark->vertices.size(), vertices.size()});
  if (placemark->vertices.empty() && !m_selection.values) {
    // The first geometry's vertices are taken, not copied: one huge track is in memory once.
    m_reader.m_points.SwapTexts(placemark->vertices);
    m_reader.m_points.Clear();
  } else {
    placemark->vertices.insert(placemark->vertices.end(), vertices.begin(), vertices.end());
  }
  placemark->time_ends.resize(placemark->vertices.size(), placemark->time_text.size());
}

// A feature starts: the name of the Folder or Document it is in has come, if at all.
void TPlacemarkReader::StartFeature() {
  if (!m_containers.empty()) m_containers.back().naming = false;
}

// The folder path of what starts now (kept until a Folder or Document opens, closes or gets
// its name).
const std::string& TPlacemarkReader::FolderPath() {
  if (m_folder_known) return m_folder;
  m_folder.clear();
  for (const TContainer& container : m_containers) {
    if (container.name.empty()) continue;
    if (!m_folder.empty()) m_folder += '/';
    m_folder += container.name;
  }
  m_folder_known = true;
  return m_folder;
}

}  // namespace trelvo
