#include "reading/KmlCheck.h"

#include <algorithm>
#include <array>
#include <string_view>

#include "reading/TextScan.h"

namespace trelvo {
namespace {

// Longer than any name looked for with a prefix of its own ("<gx:MultiTrack").
constexpr size_t kTailSize = 64;

bool IsNameChar(char c) { return HasClass(c, kNameChar); }

}  // namespace

size_t TKmlCheck::Read(char* buffer, size_t capacity) {
  const size_t count = m_source->Read(buffer, capacity);
  if (!m_kml) Watch(buffer, count);
  return count;
}

void TKmlCheck::Watch(const char* data, size_t size) {
  std::string_view piece(data, size);
  if (!m_started) {
    std::string_view text = piece;
    if (m_tail.empty() && text.starts_with("\xEF\xBB\xBF")) text.remove_prefix(3);
    const size_t first = text.find_first_not_of(" \t\r\n");
    if (first != std::string_view::npos) {
      m_started = true;
      m_json = text[first] == '{' || text[first] == '[';
    }
  }
  // What the last piece ended with, joined to this one's start: a tag or a name cut between.
  if (!m_tail.empty()) {
    const std::string joined = m_tail + std::string(piece.substr(0, kTailSize));
    if (Scan(joined, m_tail.size())) return;
  }
  if (Scan(piece, piece.size())) return;
  m_tail = piece.size() >= kTailSize
               ? std::string(piece.substr(piece.size() - kTailSize))
               : (m_tail + std::string(piece))
                     .substr(std::max(m_tail.size() + piece.size(), kTailSize) - kTailSize);
}

// Looks at the tags of `text` that open before `limit`; true once KML markup is found.
bool TKmlCheck::Scan(std::string_view text, size_t limit) {
  if (m_json && (text.find("\"coordinates\"") != std::string_view::npos ||
                 text.find("\"Feature") != std::string_view::npos)) {
    m_geojson = true;
  }
  static constexpr std::array<std::string_view, 8> kKmlNames = {
      "kml", "Placemark", "Point", "LineString", "Polygon", "LinearRing", "coordinates", "Track"};
  for (size_t at = text.find('<'); at < limit; at = text.find('<', at + 1)) {
    // A name, and the local name after a prefix ("kml:Point", "gx:Track").
    size_t end = at + 1;
    while (end < text.size() && IsNameChar(text[end])) ++end;
    size_t start = at + 1;
    if (end < text.size() && text[end] == ':') {
      start = end + 1;
      for (end = start; end < text.size() && IsNameChar(text[end]); ++end) {
      }
    }
    if (end == text.size()) break;  // cut by the end of this piece: seen again with the next
    const std::string_view name = text.substr(start, end - start);
    if (std::find(kKmlNames.begin(), kKmlNames.end(), name) != kKmlNames.end()) {
      m_kml = true;
      m_tail.clear();
      return true;
    }
    if (name == "gpx") m_gpx = true;
  }
  return false;
}

const char* TKmlCheck::NotKmlCause() const {
  if (m_kml || !m_started) return nullptr;
  if (m_gpx) return "a GPX document, not a KML document";
  if (m_geojson) return "a GeoJSON document, not a KML document";
  return "not a KML document";
}

}  // namespace trelvo
