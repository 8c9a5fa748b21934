#include "reading/KmlCheck.h"

#include <algorithm>
#include <array>
#include <string_view>

namespace trelvo {
namespace {

// Longer than any name looked for with a prefix of its own ("<gx:MultiTrack").
constexpr size_t kTailSize = 64;

bool IsNameChar(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' ||
         c == '-' || c == '.' || (c & 0x80) != 0;
}

}  // namespace

size_t TKmlCheck::Read(char* buffer, size_t capacity) {
  const size_t count = m_source->Read(buffer, capacity);
  if (!m_kml) Watch(buffer, count);
  return count;
}

void TKmlCheck::Watch(const char* data, size_t size) {
  if (!m_started) {
    std::string_view text(data, size);
    if (m_tail.empty() && text.starts_with("\xEF\xBB\xBF")) text.remove_prefix(3);
    const size_t first = text.find_first_not_of(" \t\r\n");
    if (first != std::string_view::npos) {
      m_started = true;
      m_json = text[first] == '{' || text[first] == '[';
    }
  }
  static constexpr std::array<std::string_view, 8> kKmlNames = {
      "kml", "Placemark", "Point", "LineString", "Polygon", "LinearRing", "coordinates", "Track"};
  const std::string text = m_tail + std::string(data, size);
  if (m_json && (text.find("\"coordinates\"") != std::string::npos ||
                 text.find("\"Feature") != std::string::npos)) {
    m_geojson = true;
  }
  for (size_t at = text.find('<'); at != std::string::npos; at = text.find('<', at + 1)) {
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
    const std::string_view name(text.data() + start, end - start);
    if (std::find(kKmlNames.begin(), kKmlNames.end(), name) != kKmlNames.end()) {
      m_kml = true;
      m_tail.clear();
      return;
    }
    if (name == "gpx") m_gpx = true;
  }
  m_tail = text.substr(text.size() - std::min(text.size(), kTailSize));
}

const char* TKmlCheck::NotKmlCause() const {
  if (m_kml || !m_started) return nullptr;
  if (m_gpx) return "a GPX document, not a KML document";
  if (m_geojson) return "a GeoJSON document, not a KML document";
  return "not a KML document";
}

}  // namespace trelvo
