// What the Placemark reader makes of a text, as one table: names, folders, descriptions,
// styles, times, ExtendedData and geometry, each row read whole and in pieces of every size
// from 1 to 64 bytes, so that block boundaries never change a result.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "tests/support/TestSupport.h"

namespace trelvo {
namespace {

struct TCase {
  std::string text;
  std::string expected;
};

std::vector<TCase> Cases() {
  const std::string alike =
      "<?xml version=\"1.0\"?><kml><Folder><name>A</name><Placemark><name/>x<ExtendedData>"
      "<Data name=\"k\"><value>v</value></Data></ExtendedData><Point><coordinates>1,2"
      "</coordinates></Point></Placemark>";
  return {
      // Texts: entities, character references, CDATA as it stands, whitespace around dropped,
      // the first of each; a name after the geometry still counts.
      {"<kml><Placemark><name> A &amp; B &#233;&#x41; </name><description><![CDATA[<b>x</b> "
       "&amp;]]></description><styleUrl>#s</styleUrl><name>second</name>"
       "<Point><coordinates>1,2,3</coordinates></Point></Placemark>"
       "<Placemark><Point><coordinates>4,5</coordinates></Point><name>late</name></Placemark>",
       "#1 A & B \xC3\xA9"
       "A|<b>x</b> &amp;|#s|||| {} [point 0.0: 1.0000000000 2.0000000000 "
       "3.00000]\n#2 late|||||| {} [point 0.0: 4.0000000000 5.0000000000 0]\n"},
      // Folders: the names of Documents and Folders, joined; a container without a name adds
      // none; an overlay's name is no folder's; a geometry outside any Placemark has id 0.
      {"<Document><name>Site A</name><Folder><GroundOverlay><name>pic</name></GroundOverlay>"
       "<Placemark><name>p</name></Placemark><Folder><name>Parcels</name><Placemark><Point>"
       "<coordinates>1,1</coordinates></Point></Placemark></Folder></Folder>"
       "<LineString><coordinates>1,2 3,4</coordinates></LineString></Document>",
       "#1 p|||Site A||| {}\n#2 |||Site A/Parcels||| {} [point 0.0: 1.0000000000 "
       "1.0000000000 0]\n#0 |||Site A||| {} [path 0.0: 1.0000000000 2.0000000000 0 "
       "3.0000000000 4.0000000000 0]\n"},
      // Times and ExtendedData in both forms; a <value> outside Data is none.
      {"<Placemark><TimeStamp><when>2020</when></TimeStamp><TimeSpan><begin>a</begin><end>b</end>"
       "</TimeSpan><ExtendedData><Data name=\"owner\"><displayName>O</displayName><value>M"
       "</value></Data><SchemaData><SimpleData name='area'>12</SimpleData></SchemaData>"
       "</ExtendedData><value>stray</value></Placemark>",
       "#1 ||||2020|a|b {owner=M;area=12;}\n"},
      // MultiGeometry parts share the Placemark; a polygon's rings share their geometry.
      {"<Placemark><MultiGeometry><Point><coordinates>1,2</coordinates></Point><Polygon>"
       "<outerBoundaryIs><LinearRing><coordinates>0,0 1,0 0,0</coordinates></LinearRing>"
       "</outerBoundaryIs><innerBoundaryIs><LinearRing/><LinearRing><coordinates>2,2 3,2"
       "</coordinates></LinearRing></innerBoundaryIs></Polygon></MultiGeometry></Placemark>",
       "#1 |||||| {} [point 0.0: 1.0000000000 2.0000000000 0] [polygon 1.0: 0.0000000000 "
       "0.0000000000 0 1.0000000000 0.0000000000 0 0.0000000000 0.0000000000 0] [polygon 1.1: "
       "2.0000000000 2.0000000000 0 3.0000000000 2.0000000000 0]\n"},
      // A track's vertices with the <when> of their position; an empty coord uses its when.
      {"<Placemark><gx:MultiTrack><gx:Track><when>t1</when><when>t2</when><when>t3</when>"
       "<gx:coord>1 2 3</gx:coord><gx:coord/><gx:coord>4 5 6</gx:coord></gx:Track><gx:Track>"
       "<gx:coord>7 8 9</gx:coord></gx:Track></gx:MultiTrack></Placemark>",
       "#1 |||||| {} [path 0.0: 1.0000000000 2.0000000000 3.00000@t1 4.0000000000 "
       "5.0000000000 6.00000@t3] [path 1.0: 7.0000000000 8.0000000000 9.00000]\n"},
      // A <when> for each <coord>, as most tracks have; a coord past the last when has none.
      {"<Placemark><gx:Track><when>a</when><gx:coord>1 2</gx:coord><when>b</when>"
       "<gx:coord>3 4</gx:coord></gx:Track></Placemark><Placemark><gx:Track><when>c</when>"
       "<gx:coord>5 6</gx:coord><gx:coord>7 8</gx:coord></gx:Track></Placemark>",
       "#1 |||||| {} [path 0.0: 1.0000000000 2.0000000000 0@a 3.0000000000 4.0000000000 0@b]\n"
       "#2 |||||| {} [path 0.0: 5.0000000000 6.0000000000 0@c 7.0000000000 8.0000000000 0]\n"},
      // Encodings: declared windows-1252 and ISO-8859-15; a byte not valid in UTF-8.
      {"<?xml version=\"1.0\" encoding=\"windows-1252\"?><Placemark><name>\x80 \xE9</name>"
       "</Placemark>",
       "#1 \xE2\x82\xAC \xC3\xA9|||||| {}\n"},
      {"<?xml version='1.0' encoding='ISO-8859-15'?><Placemark><name>\xA4</name></Placemark>",
       "#1 \xE2\x82\xAC|||||| {}\n"},
      {"<Placemark><name>a\xFF"
       "b</name></Placemark>",
       "#1 a\xEF\xBF\xBD"
       "b|||||| {}\nreplaced 1\n"},
      // A data name as its document's encoding gives it, each time.
      {"<?xml version=\"1.0\" encoding=\"windows-1252\"?><Placemark><ExtendedData>"
       "<Data name=\"\xE9\"><value>1</value></Data></ExtendedData></Placemark><?xml "
       "version=\"1.0\"?>"
       "<Placemark><ExtendedData><Data name=\"\xE9\"><value>2</value></Data></ExtendedData>"
       "</Placemark><Placemark><ExtendedData><Data name=\"\xE9\"><value>3</value></Data>"
       "</ExtendedData></Placemark>",
       "#1 |||||| {\xC3\xA9=1;}\n#2 |||||| {\xEF\xBF\xBD=2;}\n#3 |||||| {\xEF\xBF\xBD=3;}\n"
       "replaced 2\n"},
      // "<?xml" without its "?>" before the next tag is no declaration.
      {"<Placemark><name>a</name><?xml</Placemark><Placemark><name>b</name></Placemark>?>",
       "#1 a|||||| {}\n#2 b|||||| {}\n"},
      // Placemarks written alike: each read as the first, a declaration between them too.
      {alike + alike + alike,
       "#1 |||A||| {k=v;} [point 0.0: 1.0000000000 2.0000000000 0]\n"
       "#2 |||A||| {k=v;} [point 0.0: 1.0000000000 2.0000000000 0]\n"
       "#3 |||A||| {k=v;} [point 0.0: 1.0000000000 2.0000000000 0]\n"},
      // Namespace prefixes, attributes with a '>' and a self-closing Placemark.
      {"<kml:Placemark id=\"a>b\"><kml:name>n</kml:name></kml:Placemark><Placemark/>",
       "#1 n|||||| {}\n#2 |||||| {}\n"},
  };
}

TEST(PlacemarkReader, ReadsEveryCaseAlikeInPiecesOfAnySize) {
  for (const TCase& c : Cases()) {
    for (size_t piece = 1; piece <= 65; ++piece) {
      ASSERT_EQ(test::ReadPlacemarks(c.text, piece == 65 ? SIZE_MAX : piece), c.expected)
          << "pieces of " << piece << ", text:\n"
          << c.text;
    }
  }
}

// Only the kinds asked for are read, and the first ring unless all are asked for.
TEST(PlacemarkReader, ReadsTheSelectedGeometry) {
  const std::string text =
      "<Placemark><Point><coordinates>1,2</coordinates></Point><LineString><coordinates>3,4"
      "</coordinates></LineString><Polygon><LinearRing><coordinates>5,6</coordinates>"
      "</LinearRing><LinearRing><coordinates>7,8</coordinates></LinearRing></Polygon>"
      "</Placemark>";
  EXPECT_EQ(test::ReadPlacemarks(text, SIZE_MAX, {false, true, false, false}),
            "#1 |||||| {} [path 0.0: 3.0000000000 4.0000000000 0]\n");
  EXPECT_EQ(test::ReadPlacemarks(text, SIZE_MAX, {false, false, true, false}),
            "#1 |||||| {} [polygon 0.0: 5.0000000000 6.0000000000 0]\n");
}

}  // namespace
}  // namespace trelvo
