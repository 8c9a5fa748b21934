// The table layout: golden outputs of a hard file for every field, the three formats, quoting,
// the byte-order mark, the header's names, "@*", and the warnings of undecodable text.
#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "tests/support/TestSupport.h"
#include "transform/TableLayout.h"
#include "transform/Transformation.h"

namespace trelvo {
namespace {

using test::ReadFileBytes;
using test::WriteFileBytes;

// Nested folders, a name with a comma, quotes and a line break, CDATA with HTML, ExtendedData
// of both kinds, a polygon with a hole, a MultiGeometry named after its geometry, and a track
// with times and an empty coord.
const char kHardKml[] =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
    "<kml xmlns=\"http://www.opengis.net/kml/2.2\" xmlns:gx=\"http://www.google.com/kml/ext/2.2\">"
    "<Document><name>Site A</name><Folder><name>Parcels</name>\n"
    "<Placemark><name>Lot 7, \"North\"\nfield</name>"
    "<description><![CDATA[<b>M\xC3\xBCller</b>\tet al\nsecond line]]></description>"
    "<styleUrl>#lot</styleUrl>"
    "<ExtendedData><Data name=\"owner\"><value>M&#252;ller</value></Data>"
    "<SchemaData><SimpleData name=\"name\">x</SimpleData></SchemaData></ExtendedData>\n"
    "<Polygon><outerBoundaryIs><LinearRing><coordinates>11.99,48,0 12,48,0 11.99,48,0"
    "</coordinates></LinearRing></outerBoundaryIs><innerBoundaryIs><LinearRing><coordinates>"
    "11.995,48.002,1.5 11.995,48.002,1.5</coordinates></LinearRing></innerBoundaryIs></Polygon>"
    "</Placemark>\n"
    "<Placemark><MultiGeometry><Point><coordinates>1,2</coordinates></Point><LineString>"
    "<coordinates>3,4 5,6</coordinates></LineString></MultiGeometry><name>=late</name>"
    "<TimeStamp><when>2020</when></TimeStamp></Placemark></Folder>\n"
    "<Placemark><name>Track</name><gx:Track><when>t1</when><when>t2</when><when>t3</when>"
    "<gx:coord>7 8 9</gx:coord><gx:coord/><gx:coord>10 11 12</gx:coord></gx:Track></Placemark>"
    "</Document></kml>\n";

struct TRun {
  std::string output;
  int64_t entities = 0;
  std::vector<std::string> warnings;
};

// Polygons, or with `all_types` everything.
TRun ConvertTable(const std::string& kml, const std::string& fields, char separator = ',',
                  bool all_types = true, bool all_rings = true, bool header = true,
                  bool bom = false) {
  test::TTempDir folder;
  WriteFileBytes(folder.Path("in.kml"), kml);
  TRunSettings settings{folder.Path("in.kml"), folder.Path("out.csv"), TEntityType::kPolygon,
                        separator};
  settings.Table = TTableSettings{ParseFields(fields), header, bom, all_types, all_rings};
  test::TNoProgressWindow window;
  TRun run;
  run.entities = Transform(settings, window, &run.warnings);
  run.output = ReadFileBytes(folder.Path("out.csv"));
  return run;
}

TEST(Table, WritesTheGoldenTableOfAHardFile) {
  const TRun run = ConvertTable(kHardKml,
                                "seq,placemark,entity,type,ring,vertex,name,description,folder,"
                                "style,time,begin,end,lon,lat,alt,@*");
  EXPECT_EQ(run.entities, 4);
  EXPECT_TRUE(run.warnings.empty());
  const std::string expected =
      "seq,placemark,entity,type,ring,vertex,name,description,folder,style,time,begin,end,"
      "lon,lat,alt,owner,name_2\r\n"
      "1,1,1,polygon,0,1,\"Lot 7, \"\"North\"\"\nfield\",\"<b>M\xC3\xBCller</b>\tet al\nsecond "
      "line\","
      "Site A/Parcels,#lot,,,,11.9900000000,48.0000000000,0,M\xC3\xBCller,x\r\n"
      "2,1,1,polygon,0,2,\"Lot 7, \"\"North\"\"\nfield\",\"<b>M\xC3\xBCller</b>\tet al\nsecond "
      "line\","
      "Site A/Parcels,#lot,,,,12.0000000000,48.0000000000,0,M\xC3\xBCller,x\r\n"
      "3,1,1,polygon,0,3,\"Lot 7, \"\"North\"\"\nfield\",\"<b>M\xC3\xBCller</b>\tet al\nsecond "
      "line\","
      "Site A/Parcels,#lot,,,,11.9900000000,48.0000000000,0,M\xC3\xBCller,x\r\n"
      "4,1,1,polygon,1,1,\"Lot 7, \"\"North\"\"\nfield\",\"<b>M\xC3\xBCller</b>\tet al\nsecond "
      "line\","
      "Site A/Parcels,#lot,,,,11.9950000000,48.0020000000,1.50000,M\xC3\xBCller,x\r\n"
      "5,1,1,polygon,1,2,\"Lot 7, \"\"North\"\"\nfield\",\"<b>M\xC3\xBCller</b>\tet al\nsecond "
      "line\","
      "Site A/Parcels,#lot,,,,11.9950000000,48.0020000000,1.50000,M\xC3\xBCller,x\r\n"
      "6,2,2,point,,1,=late,,Site A/Parcels,,2020,,,1.0000000000,2.0000000000,0,,\r\n"
      "7,2,3,path,,1,=late,,Site A/Parcels,,2020,,,3.0000000000,4.0000000000,0,,\r\n"
      "8,2,3,path,,2,=late,,Site A/Parcels,,2020,,,5.0000000000,6.0000000000,0,,\r\n"
      "9,3,4,path,,1,Track,,Site A,,t1,,,7.0000000000,8.0000000000,9.00000,,\r\n"
      "10,3,4,path,,2,Track,,Site A,,t3,,,10.0000000000,11.0000000000,12.00000,,\r\n";
  EXPECT_EQ(test::FirstDifference(run.output, expected), "");
}

// An ExtendedData field named like a built-in one gets _2 whether that one is written or not.
TEST(Table, NamesADataFieldApartFromTheBuiltInOnes) {
  const std::string output = ConvertTable(kHardKml, "vertex,@*").output;
  EXPECT_EQ(output.substr(0, output.find('\r')), "vertex,owner,name_2");
}

TEST(Table, QuotesAsEachFormatDoes) {
  const std::string fields = "vertex,name,description,lon";
  // TAB: no quotes, a tab or line break in a text is a space.
  EXPECT_EQ(ConvertTable(kHardKml, fields, '\t', false, false).output,
            "vertex\tname\tdescription\tlon\r\n"
            "1\tLot 7, \"North\" field\t<b>M\xC3\xBCller</b> et al second line\t11.9900000000\r\n"
            "2\tLot 7, \"North\" field\t<b>M\xC3\xBCller</b> et al second line\t12.0000000000\r\n"
            "3\tLot 7, \"North\" field\t<b>M\xC3\xBCller</b> et al second line\t11.9900000000\r\n");
  // CSV: a quote alone quotes a text; a text without any of its characters stays bare.
  EXPECT_EQ(ConvertTable("<Placemark><name>say \"hi\"</name><description>plain</description>"
                         "<Point><coordinates>1,2</coordinates></Point></Placemark>",
                         "name,description")
                .output,
            "name,description\r\n\"say \"\"hi\"\"\",plain\r\n");
  // TXT: every text quoted, numbers not; the byte-order mark first; no header.
  EXPECT_EQ(ConvertTable(kHardKml, fields, ' ', false, false, false, true).output.substr(0, 86),
            "\xEF\xBB\xBF"
            "1 \"Lot 7, \"\"North\"\"\nfield\" \"<b>M\xC3\xBCller</b>\tet al\nsecond line\" "
            "11.9900000000\r\n2 \"Lot");
}

#ifndef _WIN32
// Through a slow output (a pipe read slowly) the writing thread falls behind, and the reading
// thread makes the rows of some batches itself: every row stays in its place, numbered on.
TEST(Table, KeepsEveryRowInOrderWhileTheOutputIsSlow) {
  test::TTempDir folder;
  std::string kml = "<Document>";
  std::string expected = "seq,placemark,entity,vertex,name,lon\r\n";
  int64_t seq = 0;
  const std::string long_name(60, 'n');
  for (int i = 1; i <= 12000; ++i) {
    const std::string id = std::to_string(i);
    kml += "<Placemark><name>" + long_name + id + "</name><MultiGeometry><Point><coordinates>" +
           id + ",1</coordinates></Point><LineString><coordinates>1,2 " + id +
           ",3</coordinates></LineString></MultiGeometry></Placemark>\n";
    const auto row = [&](int entity, int vertex, const std::string& lon) {
      expected += std::to_string(++seq) + "," + id + "," + std::to_string(2 * i - 2 + entity) +
                  "," + std::to_string(vertex) + "," + long_name + id + "," + lon +
                  ".0000000000\r\n";
    };
    row(1, 1, id);
    row(2, 1, "1");
    row(2, 2, id);
  }
  WriteFileBytes(folder.Path("in.kml"), kml + "</Document>");
  test::TSlowPipe pipe(folder.Path("pipe"));
  TRunSettings settings{folder.Path("in.kml"), folder.Path("pipe"), TEntityType::kPolygon, ','};
  settings.Table =
      TTableSettings{ParseFields("seq,placemark,entity,vertex,name,lon"), true, false, true, false};
  test::TNoProgressWindow window;
  std::vector<std::string> warnings;
  EXPECT_EQ(Transform(settings, window, &warnings), 24000);
  EXPECT_EQ(test::FirstDifference(pipe.Text(), expected), "");
}
#endif

// A last Placemark of many rows (a long track ends a location history) is written in parts,
// whose bounds fall within its geometries: every row once, in order, numbered on.
TEST(Table, WritesALongLastPlacemarkWhole) {
  std::string kml =
      "<Document><Placemark><Point><coordinates>9,9</coordinates></Point></Placemark>"
      "<Placemark><MultiGeometry>";
  std::string expected = "seq,placemark,entity,vertex,lon\r\n1,1,1,1,9.0000000000\r\n";
  int64_t seq = 1;
  for (int line = 1; line <= 3; ++line) {
    kml += "<LineString><coordinates>";
    for (int v = 1; v <= 7000; ++v) {
      kml += std::to_string(v) + ",0 ";
      expected += std::to_string(++seq) + ",2," + std::to_string(line + 1) + "," +
                  std::to_string(v) + "," + std::to_string(v) + ".0000000000\r\n";
    }
    kml += "</coordinates></LineString>";
  }
  const TRun run = ConvertTable(kml + "</MultiGeometry></Placemark></Document>",
                                "seq,placemark,entity,vertex,lon");
  EXPECT_EQ(run.entities, 4);
  EXPECT_EQ(test::FirstDifference(run.output, expected), "");
}

TEST(Table, CountsTheTextItCouldNotDecode) {
  const TRun run = ConvertTable(
      "<Placemark><name>a\xFF\xFE</name><Point><coordinates>1,2"
      "</coordinates></Point></Placemark>",
      "name");
  EXPECT_EQ(run.output, "name\r\na\xEF\xBF\xBD\xEF\xBF\xBD\r\n");
  EXPECT_EQ(run.warnings, std::vector<std::string>{"warning: 2 bytes of text not valid in UTF-8 "
                                                   "became U+FFFD"});
}

TEST(Table, RefusesFieldsItDoesNotKnow) {
  EXPECT_THROW(ParseFields("name,colour"), std::invalid_argument);
  EXPECT_THROW(ParseFields(""), std::invalid_argument);
  EXPECT_EQ(ParseFields("@owner,@*")[0].data_name, "owner");
}

}  // namespace
}  // namespace trelvo
