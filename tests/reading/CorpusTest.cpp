// Real-world files that each show a reading fault convert in all three types, with as many
// entities as the corpus README counts Point, LineString (with gx:Track) and Polygon elements,
// and into the very bytes they always gave (a digest of the three outputs).
#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <string>

#include "tests/support/TestSupport.h"
#include "transform/Transformation.h"

namespace trelvo {
namespace {

struct TCorpusFile {
  const char* name;
  int points;
  int paths;  // LineStrings and gx:Tracks
  int polygons;
  uint64_t digest;  // FNV-1a of the point, path and polygon outputs in turn
  // Geometries of those counts that hold no coordinates at all, so are no entities.
  int empty_points = 0;
  int empty_paths = 0;
  int empty_polygons = 0;
};

// One file for each reading fault the corpus shows.
// clang-format off
const TCorpusFile kCorpus[] = {
    {"google-earth-pro__us-states__openlayers.kml", 50, 0, 133, 0x3abe173709d1963u},
    {"google-earth-4-keyhole__timezones-crlf__openlayers.kml", 0, 0, 79, 0x3e97fc67877e450bu},
    // Fifteen <Point><coordinates></coordinates></Point> beside gx:Track elements.
    {"google-location-history__minified__togeojson.kml", 15, 15, 0, 0x1c2834ac95ad257u, 15},
    {"google-my-tracks-android__gx-multitrack__togeojson.kml", 2, 2, 0, 0xb3ba3e7c007baceau},
    {"gpsbabel-writer__segmented-tracks__gpsbabel.kml", 69, 16, 0, 0xee510d7a5f025a0u},
    {"gdal-autotest__kml-prefix__gdal.kml", 1, 0, 0, 0x8cde3396dfcb1c6bu},
    {"gdal-autotest__tab-separated-tuples__gdal.kml", 0, 1, 0, 0x95d55380f4a6f7bu},
    {"gdal-autotest__whitespace-only-coordinates__gdal.kml", 0, 1, 0, 0x5055561de1a01e30u},
    {"sharpkml-dotnet__update-bom-crlf__sharpkml.kml", 18, 5, 0, 0x6cc2d113ac6c4fd9u},
    {"skydrop-vario__flight-log-crlf__gpsbabel.kml", 0, 1, 0, 0x302716f9f8a2915cu},
    {"visualtravelguide-web__germany-one-line__android-maps-utils.kml", 392, 0, 0, 0xcec1221d85e40ac4u},
    {"noaa-goes-fire__bare-linearring-crlf__togeojson.kml", 0, 0, 0, 0xdcd793a6eb002273u},
    {"giscore-fixture__sloppy-coordinates__giscore.kml", 18, 6, 4, 0xaf6821dc971b8e22u},
    {"giscore-fixture__sloppy-whitespace__giscore.kml", 1, 1, 0, 0x66a59271ae1012bau},
    // <Point/>, <Point id=".."/>, <LineString id=".."/>, <Polygon/>, <Polygon id=".."/>.
    {"libkml-fixture__selfclosing-geometry-ids__libkml.kml", 2, 1, 2, 0xdcd793a6eb002273u, 2, 1, 2},
    {"libkml-fixture__space-after-comma__libkml.kml", 1, 1, 1, 0xf545affd584f7e2cu},
    {"togeojson-fixture__cdata-blank-lines__togeojson.kml", 1, 0, 0, 0xa3dc4b476c6dc1fdu},
    // Empty <gx:coord/> elements in a track.
    {"opentracks-android__empty-gx-coord__gpsbabel.kml", 0, 1, 0, 0xcbb2d4c10650d1c4u},
    {"togeojson-fixture__nested-multigeometry-one-line__togeojson.kml", 0, 23, 0, 0xac9d2fadc8c88062u},
};

// clang-format on

std::string CorpusPath(const std::string& name) {
  return std::string(TRELVO_CORPUS_DIR) + "/" + name;
}

TEST(Corpus, ConvertsEveryTypeIntoTheExpectedEntitiesAndBytes) {
  // A missing corpus would hide every reading fault it holds: that is a failure, not a skip.
  ASSERT_TRUE(std::filesystem::is_directory(TRELVO_CORPUS_DIR))
      << "no corpus folder " << TRELVO_CORPUS_DIR << " (set TRELVO_CORPUS_DIR)";
  test::TTempDir folder;
  for (const TCorpusFile& file : kCorpus) {
    uint64_t digest = 14695981039346656037u;
    const int expected[] = {file.points - file.empty_points, file.paths - file.empty_paths,
                            file.polygons - file.empty_polygons};
    for (const TEntityType type :
         {TEntityType::kPoint, TEntityType::kPath, TEntityType::kPolygon}) {
      EXPECT_EQ(test::Convert(CorpusPath(file.name), folder.Path("out.csv"), type),
                expected[static_cast<int>(type) - 1])
          << file.name << ", " << EntityTypeName(type);
      for (const char c : test::ReadFileBytes(folder.Path("out.csv")))
        digest = (digest ^ static_cast<uint8_t>(c)) * 1099511628211u;
    }
    EXPECT_EQ(digest, file.digest) << file.name << ": the output changed";
  }
}

}  // namespace
}  // namespace trelvo
