// Every real-world file of the corpus converts in all three types, with as many entities as
// the corpus README counts Point, LineString and Polygon elements.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <ostream>
#include <set>
#include <string>
#include <vector>

#include "tests/support/ReaderHelpers.h"
#include "tests/support/TempDir.h"
#include "transform/Transformation.h"

namespace trelvo {
namespace {

struct TCorpusFile {
  const char* name;
  int points;
  int paths;
  int polygons;
  // Geometries of those counts that hold no coordinates at all, so are no entities.
  int empty_points = 0;
  int empty_paths = 0;
  int empty_polygons = 0;
};

const TCorpusFile kCorpus[] = {
    {"google-earth-pro__us-states__openlayers.kml", 50, 0, 133},
    {"google-earth__kml-samples__libkml.kml", 4, 6, 9},
    {"google-earth-pro__japan-tsunami-2011__android-maps-utils.kml", 46, 35, 0},
    {"google-earth-4-keyhole__polygon-ids-inner-ring__giscore.kml", 0, 0, 1},
    {"google-earth-4-keyhole__timezones-crlf__openlayers.kml", 0, 0, 79},
    {"google-earth-web__project-export__togeojson.kml", 1, 0, 1},
    {"google-my-maps__colorado-ranges__android-maps-utils.kml", 0, 0, 9},
    // Fifteen <Point><coordinates></coordinates></Point> beside gx:Track elements.
    {"google-location-history__minified__togeojson.kml", 15, 0, 0, 15},
    {"google-my-tracks-android__gx-multitrack__togeojson.kml", 2, 0, 0},
    {"gdal-autotest__kml-prefix__gdal.kml", 1, 0, 0},
    {"gdal-autotest__tab-separated-tuples__gdal.kml", 0, 1, 0},
    {"gdal-autotest__whitespace-only-coordinates__gdal.kml", 0, 1, 0},
    {"gdal-autotest__non-conformant-multi__gdal.kml", 1, 1, 1},
    {"gdal-ogr-style__schema-polygons__togeojson.kml", 0, 0, 1},
    {"gdal-3.6.2-kml-driver__kml-samples__generated.kml", 4, 6, 10},
    {"gdal-3.6.2-libkml-driver__kml-samples__generated.kml", 4, 6, 10},
    {"arcgis-layer-to-kml__auckland-crlf__kml2geojson.kml", 43, 0, 42},
    {"sharpkml-dotnet__update-bom-crlf__sharpkml.kml", 18, 5, 0},
    {"sharpkml-dotnet__sample-bom-crlf__sharpkml.kml", 3, 0, 0},
    {"cesium-fixture__kml-prefix-utf8__cesium.kml", 0, 1, 2},
    {"skydrop-vario__flight-log-crlf__gpsbabel.kml", 0, 1, 0},
    {"opentracks-android__empty-gx-coord__gpsbabel.kml", 0, 0, 0},
    {"gpsbabel-writer__segmented-tracks__gpsbabel.kml", 69, 15, 0},
    {"gpsies-web__tour-of-limassol-crlf__android-maps-utils.kml", 1, 1, 0},
    {"visualtravelguide-web__germany-one-line__android-maps-utils.kml", 392, 0, 0},
    {"noaa-goes-fire__bare-linearring-crlf__togeojson.kml", 0, 0, 0},
    {"noaa-nws-ridge2__warnings__kml2geojson.kml", 16, 16, 16},
    {"usgs__earthquakes-2012-points__openlayers.kml", 1535, 0, 0},
    {"giscore-fixture__sloppy-coordinates__giscore.kml", 18, 6, 4},
    {"giscore-fixture__sloppy-whitespace__giscore.kml", 1, 1, 0},
    {"giscore-fixture__mixed-2d-3d__giscore.kml", 3, 1, 0},
    // <Point/>, <Point id=".."/>, <LineString id=".."/>, <Polygon/>, <Polygon id=".."/>.
    {"libkml-fixture__selfclosing-geometry-ids__libkml.kml", 2, 1, 2, 2, 1, 2},
    {"libkml-fixture__space-after-comma__libkml.kml", 1, 1, 1},
    {"togeojson-fixture__cdata-blank-lines__togeojson.kml", 1, 0, 0},
    {"togeojson-fixture__nested-multigeometry-one-line__togeojson.kml", 0, 23, 0},
};

// Test names and failure messages show the file name, not the bytes of the row.
void PrintTo(const TCorpusFile& file, std::ostream* out) { *out << file.name; }

std::string CorpusPath(const std::string& name) {
  return std::string(TRELVO_CORPUS_DIR) + "/" + name;
}

class CorpusTest : public ::testing::TestWithParam<TCorpusFile> {
 protected:
  void SetUp() override {
    if (!std::filesystem::is_directory(TRELVO_CORPUS_DIR)) GTEST_SKIP() << "no corpus folder";
  }
};

TEST_P(CorpusTest, ConvertsEveryTypeWithTheExpectedEntityCount) {
  const TCorpusFile& file = GetParam();
  const int expected[] = {file.points - file.empty_points, file.paths - file.empty_paths,
                          file.polygons - file.empty_polygons};
  test::TTempDir folder;
  for (uint8_t type = 1; type <= 3; ++type) {
    TRunSettings settings;
    settings.InputFileName = CorpusPath(file.name);
    settings.OutputFileName = folder.Path("out.csv");
    settings.EntityType = type;
    test::TNoProgressWindow progress;
    EXPECT_EQ(Transform(settings, progress), expected[type - 1]) << "entity type " << int{type};
  }
}

INSTANTIATE_TEST_SUITE_P(Files, CorpusTest, ::testing::ValuesIn(kCorpus),
                         [](const ::testing::TestParamInfo<TCorpusFile>& param_info) {
                           std::string name = param_info.param.name;
                           name = name.substr(0, name.find("__"));
                           for (char& c : name) {
                             if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
                           }
                           return name + "_" + std::to_string(param_info.index);
                         });

// The table above covers the whole folder, so a file added to the corpus is not forgotten.
TEST(Corpus, TableListsEveryFile) {
  if (!std::filesystem::is_directory(TRELVO_CORPUS_DIR)) GTEST_SKIP() << "no corpus folder";
  std::set<std::string> on_disk;
  for (const auto& entry : std::filesystem::directory_iterator(TRELVO_CORPUS_DIR)) {
    if (entry.path().extension() == ".kml") on_disk.insert(entry.path().filename().string());
  }
  std::set<std::string> listed;
  for (const TCorpusFile& file : kCorpus) listed.insert(file.name);
  EXPECT_EQ(on_disk, listed);
}

// Vertex-level checks of files that show a fault of the plain scanner.
TEST(Corpus, KeepsEveryVertexOfTheFilesThatShowScannerFaults) {
  if (!std::filesystem::is_directory(TRELVO_CORPUS_DIR)) GTEST_SKIP() << "no corpus folder";
  using test::TKind;
  const auto read = [](const char* name, TKind kind) {
    return test::ReadAll(test::ReadFileBytes(CorpusPath(name)), kind);
  };
  // Battery notes in comments between 1329 one-per-line tuples with '+' signs.
  const std::string flight = read("skydrop-vario__flight-log-crlf__gpsbabel.kml", TKind::kPath);
  EXPECT_EQ(std::count(flight.begin(), flight.end(), '['), 1329);
  EXPECT_EQ(flight.substr(0, 30), "([8.5155383,48.2662716,768][8.");
  EXPECT_EQ(read("gdal-autotest__tab-separated-tuples__gdal.kml", TKind::kPath),
            "([1,2,3][4,5,6])");
  EXPECT_EQ(read("gdal-autotest__kml-prefix__gdal.kml", TKind::kPoint), "([2,49,0])");
  EXPECT_EQ(read("gdal-autotest__whitespace-only-coordinates__gdal.kml", TKind::kPath), "()");
  const std::string commas = read("giscore-fixture__sloppy-whitespace__giscore.kml", TKind::kPath);
  EXPECT_EQ(std::count(commas.begin(), commas.end(), '['), 2) << commas;
}

}  // namespace
}  // namespace trelvo
