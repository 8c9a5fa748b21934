// Whether a text is KML at all, whatever pieces it arrives in: a tag cut between two still
// counts.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "reading/KmlCheck.h"

namespace trelvo {
namespace {

std::string Cause(const std::string& text, size_t piece) {
  TKmlCheck check(std::make_unique<TMemorySource>(text, piece));
  char block[4096];
  while (check.Read(block, sizeof(block)) > 0) {
  }
  const char* cause = check.NotKmlCause();
  return cause != nullptr ? cause : "KML";
}

TEST(KmlCheck, FindsKmlMarkupInPiecesOfAnySize) {
  const std::string padding(100, ' ');

  const struct {
    std::string text;
    std::string expected;
  } cases[] = {
      {"", "KML"},
      {" \r\n\t", "KML"},
      {padding + "<kml:Placemark>", "KML"},
      {"<?xml version='1.0'?>" + padding + "<gx:Track>", "KML"},
      {"\xEF\xBB\xBF<kml xmlns='http://www.opengis.net/kml/2.2'>", "KML"},
      {"<html><body>" + padding + "<p>Not found</p></body></html>", "not a KML document"},
      {"<kmlx><Pointless/><Placemarks>", "not a KML document"},
      {"\x89PNG\r\n\x1a\n", "not a KML document"},
      {"<gpx>" + padding + "<trkpt lat='1' lon='2'/></gpx>", "a GPX document, not a KML document"},
      {"{\"type\": \"FeatureCollection\"," + padding + "\"coordinates\": [1, 2]}",
       "a GeoJSON document, not a KML document"},
      {"[1, 2, 3]", "not a KML document"},
  };

  for (const auto& c : cases) {
    for (size_t piece = 1; piece <= 130; ++piece) {
      ASSERT_EQ(Cause(c.text, piece), c.expected) << "pieces of " << piece << ": " << c.text;
    }
  }
}

}  // namespace
}  // namespace trelvo
