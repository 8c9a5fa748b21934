// Whether a text is KML at all, so that a web page, a GPX or a GeoJSON file saved as .kml is
// an error rather than a run that finds nothing.
#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "reading/ByteSource.h"

namespace trelvo {

// Passes a source's text through unchanged and watches it for KML markup until it finds some:
// a kml element, or a Placemark, Point, LineString, Polygon, LinearRing, coordinates or Track
// tag, with or without a namespace prefix. Costs nothing once found, which in KML is at once.
class TKmlCheck : public TSourceStage {
 public:
  using TSourceStage::TSourceStage;

  size_t Read(char* buffer, size_t capacity) override;

  // Once the text has been read: why it is no KML document (naming GPX and GeoJSON), or
  // nullptr when it held KML markup or nothing but white space.
  const char* NotKmlCause() const;

 private:
  void Watch(const char* data, size_t size);
  bool Scan(std::string_view text, size_t limit);

  bool m_kml = false;
  bool m_gpx = false;
  bool m_json = false;     // its first character opens a JSON object or array
  bool m_geojson = false;  // and it names GeoJSON members
  bool m_started = false;  // a character other than white space has been seen
  std::string m_tail;      // the last bytes of the text watched, where a tag may be cut
};

}  // namespace trelvo
