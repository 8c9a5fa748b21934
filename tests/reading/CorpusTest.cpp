// Real-world files that each show a reading fault convert in all three types, with as many
// entities as the corpus README counts Point, LineString (with gx:Track) and Polygon elements.
#include <gtest/gtest.h>

#include <algorithm>
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
  // Geometries of those counts that hold no coordinates at all, so are no entities.
  int empty_points = 0;
  int empty_paths = 0;
  int empty_polygons = 0;
};

// One file for each reading fault the corpus shows.
const TCorpusFile kCorpus[] = {
    {"google-earth-pro__us-states__openlayers.kml", 50, 0, 133},
    {"google-earth-4-keyhole__timezones-crlf__openlayers.kml", 0, 0, 79},
    // Fifteen <Point><coordinates></coordinates></Point> beside gx:Track elements.
    {"google-location-history__minified__togeojson.kml", 15, 15, 0, 15},
    {"google-my-tracks-android__gx-multitrack__togeojson.kml", 2, 2, 0},
    {"gpsbabel-writer__segmented-tracks__gpsbabel.kml", 69, 16, 0},
    {"gdal-autotest__kml-prefix__gdal.kml", 1, 0, 0},
    {"gdal-autotest__tab-separated-tuples__gdal.kml", 0, 1, 0},
    {"gdal-autotest__whitespace-only-coordinates__gdal.kml", 0, 1, 0},
    {"sharpkml-dotnet__update-bom-crlf__sharpkml.kml", 18, 5, 0},
    {"skydrop-vario__flight-log-crlf__gpsbabel.kml", 0, 1, 0},
    {"visualtravelguide-web__germany-one-line__android-maps-utils.kml", 392, 0, 0},
    {"noaa-goes-fire__bare-linearring-crlf__togeojson.kml", 0, 0, 0},
    {"giscore-fixture__sloppy-coordinates__giscore.kml", 18, 6, 4},
    {"giscore-fixture__sloppy-whitespace__giscore.kml", 1, 1, 0},
    // <Point/>, <Point id=".."/>, <LineString id=".."/>, <Polygon/>, <Polygon id=".."/>.
    {"libkml-fixture__selfclosing-geometry-ids__libkml.kml", 2, 1, 2, 2, 1, 2},
    {"libkml-fixture__space-after-comma__libkml.kml", 1, 1, 1},
    {"togeojson-fixture__cdata-blank-lines__togeojson.kml", 1, 0, 0},
    {"togeojson-fixture__nested-multigeometry-one-line__togeojson.kml", 0, 23, 0},
};

std::string CorpusPath(const std::string& name) {
  return std::string(TRELVO_CORPUS_DIR) + "/" + name;
}

TEST(Corpus, ConvertsEveryTypeWithTheExpectedEntityCount) {
  if (!std::filesystem::is_directory(TRELVO_CORPUS_DIR)) GTEST_SKIP() << "no corpus folder";
  test::TTempDir folder;
  for (const TCorpusFile& file : kCorpus) {
    const int expected[] = {file.points - file.empty_points, file.paths - file.empty_paths,
                            file.polygons - file.empty_polygons};
    for (const TEntityType type :
         {TEntityType::kPoint, TEntityType::kPath, TEntityType::kPolygon}) {
      EXPECT_EQ(test::Convert(CorpusPath(file.name), folder.Path("out.csv"), type),
                expected[static_cast<int>(type) - 1])
          << file.name << ", " << EntityTypeName(type);
    }
  }
}

// Vertex-level checks of files that show a fault of the plain scanner.
TEST(Corpus, KeepsEveryVertexOfTheFilesThatShowScannerFaults) {
  if (!std::filesystem::is_directory(TRELVO_CORPUS_DIR)) GTEST_SKIP() << "no corpus folder";
  const auto read = [](const char* name, TEntityType type) {
    return test::ReadAll(test::ReadFileBytes(CorpusPath(name)), type);
  };
  // Battery notes in comments between 1329 one-per-line tuples with '+' signs.
  const std::string flight =
      read("skydrop-vario__flight-log-crlf__gpsbabel.kml", TEntityType::kPath);
  EXPECT_EQ(std::count(flight.begin(), flight.end(), '['), 1329);
  EXPECT_EQ(flight.substr(0, 30), "([8.5155383,48.2662716,768][8.");
  EXPECT_EQ(read("gdal-autotest__tab-separated-tuples__gdal.kml", TEntityType::kPath),
            "([1,2,3][4,5,6])");
  EXPECT_EQ(read("opentracks-android__empty-gx-coord__gpsbabel.kml", TEntityType::kPath),
            "([8.970803,48.503537,405.01373291015625][8.970829,48.503623,401.119873046875])");
  const std::string commas =
      read("giscore-fixture__sloppy-whitespace__giscore.kml", TEntityType::kPath);
  EXPECT_EQ(std::count(commas.begin(), commas.end(), '['), 2) << commas;
}

}  // namespace
}  // namespace trelvo
