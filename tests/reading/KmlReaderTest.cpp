// What the reader finds in a text, as one table: each row is read whole and in pieces of every
// size from 1 to 64 bytes, so block boundaries (and CR LF pairs split between blocks, on either
// side of the sixteen-byte steps of the block scans) never change a result.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/support/TestSupport.h"

namespace trelvo {
namespace {

constexpr TEntityType P = TEntityType::kPoint;
constexpr TEntityType L = TEntityType::kPath;
constexpr TEntityType G = TEntityType::kPolygon;

struct TCase {
  TEntityType type;
  std::string text;
  std::string expected;  // test::ReadAll's form: "([1,2,0][3,4,0])([5,6,7])"
};

std::string Coords(const std::string& inner) { return "<coordinates>" + inner + "</coordinates>"; }

std::string Line(const std::string& inner) {
  return "<LineString>" + Coords(inner) + "</LineString>\n";
}

std::string Pt(const std::string& inner) { return "<Point>" + Coords(inner) + "</Point>\n"; }

std::vector<TCase> Cases() {
  const std::string d400(400, '7');
  const std::string gap(80, ' ');
  const std::string doc = "<kml><Document>\n" + Pt("1,2,3") + Line("4,5,6 7,8,9") + Pt("10,11,12") +
                          Line("13,14,15") + "</Document></kml>\n";
  const std::string ring = "<Polygon><outerBoundaryIs><LinearRing>" +
                           Coords("0,0,0 1,0,0 1,1,0 0,0,0") +
                           "</LinearRing></outerBoundaryIs>\n<innerBoundaryIs><LinearRing>" +
                           Coords("0.2,0.2,0 0.3,0.2,0 0.2,0.2,0") +
                           "</LinearRing></innerBoundaryIs></Polygon>\n<Polygon><LinearRing>" +
                           Coords("5,5,5 6,6,6 5,5,5") + "</LinearRing></Polygon>";
  const std::string track =
      "<Placemark><gx:Track><altitudeMode>absolute</altitudeMode>\n"
      "<when>2010-05-28T02:02:09Z</when><when>2010-05-28T02:02:35Z</when>\n"
      "<gx:coord>-122.1 37.4 12</gx:coord>\n<gx:coord>-122.2 37.5</gx:coord>\n"
      "<ExtendedData/></gx:Track></Placemark>\n";
  std::vector<TCase> cases = {
      // Geometries of the requested kind, in file order; a polygon gives its first ring.
      {L, Line("-122.1,37.4,0 -122.2,37.5,10 "), "([-122.1,37.4,0][-122.2,37.5,10])"},
      // Tuples with a long text after them, read whole, are classified at once: numbers of
      // every shape must still read as one at a time does (up to the first tuple of another
      // shape, "1.2.3,4,5", after which the general reader goes on).
      {L,
       Line("-122.0845352,37.4219999,2902.9" + gap + "1234567.1234567,.5,5." + gap + "-0,-0.0,-.0" +
            gap + "12345678.5,1,2" + gap + "1.12345678,2e1,3" + gap + "+5,6,7" + gap + "-.,1,2" +
            gap + "1.2.3,4,5" + gap + "7,8,9\t" + gap),
       "([-122.0845352,37.4219999,2902.9][1234567.1234567,0.5,5][-0,-0,-0][12345678.5,1,2]"
       "[1.12345678,20,3][5,6,7][0,1,2][1.2,4,5][7,8,9])"},
      {P, doc, "([1,2,3])([10,11,12])"},
      {L, doc, "([4,5,6][7,8,9])([13,14,15])"},
      {G, doc, ""},
      {G, ring, "([0,0,0][1,0,0][1,1,0][0,0,0])([5,5,5][6,6,6][5,5,5])"},
      {L, Line("") + Line(" ") + Line("1,2,3"), "()()([1,2,3])"},
      // Tag names are whole and case-sensitive; prefixes and attributes are allowed.
      {P, "<point>" + Coords("1,2,3") + "<PointX>" + Coords("1,2,3") + "<Points>", ""},
      {P, "<Pxxnt>" + Coords("9,9,9") + std::string(40, ' ') + Pt("1,2,3"), "([1,2,3])"},
      {L, "</Point><LineStringStyle>" + Coords("1,2,3"), ""},
      {P, "<kml:Point><kml:coordinates>2,49,0</kml:coordinates></kml:Point>", "([2,49,0])"},
      {L, "<k2.x-y_z:LineString id='a'><k2.x-y_z:coordinates>1,2 3,4</k2.x-y_z:coordinates>",
       "([1,2,0][3,4,0])"},
      {G, "<kml:Polygon><kml:LinearRing><kml:coordinates>1,2,3</kml:coordinates>", "([1,2,3])"},
      {P, "<kml:point><kml:coordinates>1,2,3</kml:coordinates><:Point>" + Coords("1,2,3"), ""},
      {P,
       "<Point id=\"p1\">" + Coords("1,2,3") + "<Point\tid=\"p\">" + Coords("4,5,6") +
           "<Point\nid=\"q\"\n>" + Coords("7,8,9"),
       "([1,2,3])([4,5,6])([7,8,9])"},
      {P, "<Point id=\"a>b\" name='<Point>'>" + Coords("1,2,3"), "([1,2,3])"},
      {P, "<Point id=\"" + std::string(3000, 'i') + "\">" + Coords("1,2,3"), "([1,2,3])"},
      // Self-closing geometry tags have no content: they are no entities and take nothing.
      {P, "<Point/>" + Coords("1,2,3") + "<Point id=\"x\"/>\n<Point />" + Coords("4,5,6"), ""},
      {L, "<LineString id=\"l\"/>" + Coords("1,2,3") + Line("4,5,6"), "([4,5,6])"},
      {G,
       "<Polygon/><LinearRing>" + Coords("9,9,9") + "<Polygon><LinearRing/><LinearRing>" +
           Coords("1,2,3"),
       "([1,2,3])"},
      {L, "<LineString><coordinates/></LineString>" + Line("1,2,3"), "()([1,2,3])"},
      {P, "<Point><coordinates/></Point>" + Pt("1,2,3"), "([1,2,3])"},
      // Numbers keep their longest numeric prefix; none gives 0.
      {P, Pt("3,4,5ddd") + Pt("xxx,20,200") + Pt("+3,+4,+5"), "([3,4,5])([0,20,200])([3,4,5])"},
      {P, Pt("1,2,7.76166643845E-1") + Pt("nan,inf,-") + Pt("1e400,-1e400,1e-400"),
       "([1,2,0.776166643845])([0,0,0])([inf,-inf,0])"},
      // A truncated file does not yield its last geometry.
      {L, Line("1,2,3") + "<LineString><coordinates>4,5,6 7,8", "([1,2,3])"},
      {P, Pt("1,2,3") + "<Point><coordinates>4,5,6", "([1,2,3])"},
      {P, "<Point><coordin", ""},
      {P, "<Point id=\"unterminated", ""},
      // Tuples longer than the Window are read whole; 64 KiB without a delimiter end the list.
      {L, Line("1,2,3 " + d400 + ",1,1 4,5,6") + Line("8,8,8"),
       "([1,2,3][inf,1,1][4,5,6])([8,8,8])"},
      {L, Line("1,2,3\n" + d400 + "\n,1,1\n4,5,6") + Line("8,8,8"),
       "([1,2,3][inf,0,0][0,1,1][4,5,6])([8,8,8])"},
      {P, Pt("0." + std::string(500, '0') + "1,2,3"), "([0,2,3])"},
      {L, Line("1,2,3 " + std::string(100000, '7') + " 4,5,6") + Line("8,8,8"),
       "([1,2,3][4,5,6])([8,8,8])"},
      // Blank lines never end a search or a coordinate list.
      {P, "<Point>\n\n<coordinates>\n\n1,2,3\n\n</coordinates></Point>", "([1,2,3])"},
      {L,
       "<LineString><coordinates>1,2,3" + std::string(2000, '\n') + "4,5,6 " +
           std::string(700, ' ') + "</coordinates>",
       "([1,2,3][4,5,6])"},
      {L, std::string(5000, '\n') + Line("7,8,9"), "([7,8,9])"},
      // Line breaks, tabs and lone CRs separate tuples like spaces; CR LF is one break.
      {L, Line("\n1,2,3\n4,5,6\n7,8,9\n"), "([1,2,3][4,5,6][7,8,9])"},
      {L, Line("\r\n\t\t\t1,2,3\r\n\t\t\t4,5,6\r\n\t\t"), "([1,2,3][4,5,6])"},
      {P, "<Point>\r\n\r\n<coordinates>\r\n\t-1.5,2.5,3.5\r\n\t</coordinates></Point>\r\n",
       "([-1.5,2.5,3.5])"},
      {L, "<LineString>\r\n<coordinates>\r\n1,2,3\r\n4,5,6\r\n\r7,8,9\r</coordinates>\r",
       "([1,2,3][4,5,6][7,8,9])"},
      {L, Line("1,\t2,\n3") + Line("1,2,3\r4,5,6"), "([1,2,3])([1,2,3][4,5,6])"},
      // The last tuple ends at the closing tag; two numbers give Z = 0, one gives X alone.
      {L, Line("1,2,3") + Line("1,2"), "([1,2,3])([1,2,0])"},
      {L, Line("-122.1,37.4 -122.2,37.5 ") + Line("1,2 3,4,5 6,7"),
       "([-122.1,37.4,0][-122.2,37.5,0])([1,2,0][3,4,5][6,7,0])"},
      {L, Line("1.0, 2.0, 3.0 4.0, 5.0, 6.0") + Line("19, 37 19, 41"),
       "([1,2,3][4,5,6])([19,37,0][19,41,0])"},
      {P, Pt("2,49") + Pt("3,50") + Pt("1 2 3"), "([2,49,0])([3,50,0])([1,0,0])"},
      // A comma after the third number starts the next tuple.
      {L, Line("1,2,3,4,5,6") + Line("1, 2, 3, 4, 5, 6, 7, 8, 9") + Line("1,2,3,\n4,5,6,\n"),
       "([1,2,3][4,5,6])([1,2,3][4,5,6][7,8,9])([1,2,3][4,5,6])"},
      // A point ends at its closing tag and consumes nothing after it.
      {P, Pt("1,2,3") + Pt("4,5,6") + Pt("7,8,9"), "([1,2,3])([4,5,6])([7,8,9])"},
      {P, Pt("1,2,3") + std::string(600, 'x'), "([1,2,3])"},
      // Points without a tuple are skipped.
      {P, Pt("") + Pt(" \t\r\n ") + Pt(std::string(700, ' ')) + Line("9,9,9") + Pt("1,2,3"),
       "([1,2,3])"},
      // Comments inside coordinates count as whitespace.
      {L, Line("1,2,3\n<!-- bat: 89% (3473) -->\n4,5,6\n<!-- end -->\n"), "([1,2,3][4,5,6])"},
      {L, Line("1,2,3<!--a--><!--b-->4,5,6<!-- <coordinates> -->"), "([1,2,3][4,5,6])"},
      {P, Pt("<!-- first -->1,2,3"), "([1,2,3])"},
      {L, Line("1,2,3 <!--" + std::string(5000, '-') + "x-->4,5,6"), "([1,2,3][4,5,6])"},
      {L, "<LineString><coordinates>1,2,3 <!-- no end", ""},
      // Comments and CDATA sections hide tags wherever they stand; CDATA content is text.
      {L, Line("1,2,3 <![CDATA[4,5,6]]>"), "([1,2,3][4,5,6])"},
      {L, Line("-12,<!-- c -->-66.5,0"), "([-12,-66.5,0])"},
      {P, "<Placemark><!--" + Pt("9,9,9") + "--></Placemark>" + Pt("1,2,3"), "([1,2,3])"},
      {P, "<description><![CDATA[<Point><coordinates>9,9,9</coordinates></Point>]]>" + Pt("1,2,3"),
       "([1,2,3])"},
      {P, Pt("1,2,3<!-- <Point><coordinates>9,9,9</coordinates> -->"), "([1,2,3])"},
      {G, "<!-- <Polygon> --><Polygon><LinearRing>" + Coords("1,2,3"), "([1,2,3])"},
      {P, "<![CDATA[ <Point> ]]" + Pt("1,2,3") + "]]>" + Pt("4,5,6"), "([4,5,6])"},
      // An empty last number is 0.
      {P, Pt("8,9,") + Pt(",,"), "([8,9,0])([0,0,0])"},
      {L, Line("1,2,3 4,5,"), "([1,2,3][4,5,0])"},
      // A GPS track is a path, one vertex per coord, in file order with the LineStrings; the
      // tracks of a MultiTrack are paths of their own. Points and polygons ignore them.
      {L, Line("1,2,3") + track + Line("4,5,6"),
       "([1,2,3])([-122.1,37.4,12][-122.2,37.5,0])([4,5,6])"},
      {P, Pt("1,2,3") + track, "([1,2,3])"},
      {G, track, ""},
      {L,
       "<gx:MultiTrack><gx:interpolate>1</gx:interpolate><gx:Track><gx:coord>1 2 3</gx:coord>"
       "</gx:Track><Track><coord>\r\n4\t5 6\n</coord><coord>7,8,9 10</coord></Track>"
       "</gx:MultiTrack>",
       "([1,2,3])([4,5,6][7,8,9])"},
      {L,
       "<gx:Track/><gx:Track></gx:Track><gx:Track><gx:coord/><gx:coord> </gx:coord>"
       "<gx:coord><!-- 9 9 9 -->1 x2 +3e1</gx:coord><gx:coordinates>5 "
       "5</gx:coordinates></gx:Track>",
       "()([1,0,30])"},
      {L,
       "<gx:Track><gx:coord>" + std::string(100000, '7') +
           "</gx:coord><gx:coord>1 2</gx:coord>"
           "</gx:Track>",
       "([1,2,0])"},
      // Coords after the usual tags, after others, and after tags named otherwise each time.
      {L,
       "<gx:Track><when>a</when><gx:coord>1 2</gx:coord>\n<when>b</when> <gx:coord>3 4</gx:coord>"
       "<kml:when>c</kml:when><kml:coord>5 6</kml:coord><when>d<b></when><coord>7 8</coord>"
       "<a:b:coord>9 9</a:b:coord><gx:angles>0 0 0</gx:angles><gx:coord>10 11</gx:coord>"
       "</gx:Track>",
       "([1,2,0][3,4,0][5,6,0][7,8,0][10,11,0])"},
      // ... and after the text between two coords as seen before, also where it turns out
      // otherwise only after the time, and where coords or their text change shape.
      {L,
       "<gx:Track><when>1</when><gx:coord>-122.0844991 37.4212495 2902.9</gx:coord><when>2</when>"
       "<gx:coord>1.5 2.5 3.5</gx:coord><when>3<b/></when><gx:coord>4 5 6</gx:coord><when>4</when>"
       "<gx:coord> 7 8 9</gx:coord><gx:coord>1 2 3 </gx:coord><gx:coord>4 5 6x</gx:coord>"
       "<gx:coord>7 8 9</gx:coord>\n<when>5</when>\n<gx:coord>1 1 1</gx:coord>\n<when>6</when>\n"
       "<gx:coord>2 2 2</gx:coord>\n<when>7</when>\n<gx:coorX>5 5 5</gx:coorX>\n<when>8</when>\n"
       "<gx:coord>1 2 3e1</gx:coord></gx:Track>",
       "([-122.0844991,37.4212495,2902.9][1.5,2.5,3.5][4,5,6][7,8,9][1,2,3][4,5,6][7,8,9][1,1,1]"
       "[2,2,2][1,2,30])"},
      {L, Line("1,2,3") + "<gx:Track><gx:coord>4 5 6</gx:coord>", "([1,2,3])"},
      // A geometry's coordinates are read only before its closing tag: one without any is no
      // entity, and never takes those of the next geometry.
      {P, "<Point></Point>" + Line("1,2,3") + Pt("4,5,6"), "([4,5,6])"},
      {P, "<kml:Point><name>x</name></kml:Point>\n<LineString>" + Coords("1,2") + "</LineString>",
       ""},
      {L, "<LineString></LineString><Point>" + Coords("1,2,3") + "</Point>" + Line("4,5,6"),
       "([4,5,6])"},
      {G,
       "<Polygon></Polygon><Polygon><LinearRing>" + Coords("1,2 3,4") + "</LinearRing></Polygon>",
       "([1,2,0][3,4,0])"},
      {G,
       "<Polygon><outerBoundaryIs><LinearRing></LinearRing></outerBoundaryIs></Polygon>" +
           Line("7,8,9"),
       ""},
      {G, "<Polygon><LinearRing/></Polygon>" + Line("1,2"), ""},
      // Character references are legal XML for any character of coordinates; others stay as
      // they are, and a CDATA section or a comment holds none.
      {L, Line("1&#44;2&#x2C;3&#10;&#x2D;4.5,&#53;e1&#X2c;6&#32;7,8"),
       "([1,2,3][-4.5,50,6][7,8,0])"},
      {L, Line("1,2&#59;3 4&amp;,5 6,&#60;Point>7"), "([1,2,0][4,5,0][6,0,0])"},
      {L, Line("<![CDATA[1&#44;2]]> 3,4") + "<!-- &#44; -->" + Line("5&#44;6"),
       "([1,0,0][3,4,0])([5,6,0])"},
  };
  // Files without geometry.
  for (const std::string& text :
       {std::string(), std::string("\n"), std::string("\r\n\r\n"), std::string("<kml></kml>"),
        std::string(5000, 'x'), std::string("\0<\0", 3)}) {
    for (const TEntityType type : {P, L, G}) cases.push_back({type, text, ""});
  }
  // A tag on every position around the 1000-character pieces the search reads, also after a
  // geometry tag found in an earlier piece.
  for (size_t pad = 980; pad <= 1020; ++pad) {
    cases.push_back({P, std::string(pad, 'x') + Pt("1,2,3"), "([1,2,3])"});
    cases.push_back(
        {L, std::string(pad, 'x') + "<kml:LineString><kml:coordinates>1,2</kml:coordinates>",
         "([1,2,0])"});
  }
  for (size_t pad = 1980; pad <= 2010; ++pad) {
    cases.push_back({L, "<LineString>" + std::string(pad, ' ') + Coords("5,6,7"), "([5,6,7])"});
  }
  // Minified: one line of many points.
  TCase minified{P, "", ""};
  for (int i = 0; i < 300; ++i) {
    minified.text += "<Placemark>" + Pt(std::to_string(i) + ",1.5,2") + "</Placemark>  ";
    minified.expected += "([" + std::to_string(i) + ",1.5,2])";
  }
  cases.push_back(minified);
  // A line longer than the reader takes at once, with a tuple joined to the next by a comma
  // ("7,8,9,10,11,12") at every offset around where the first piece of the line ends: the
  // tuple before that end must not be taken as whole on seeing the next character.
  for (size_t pad = 0; pad < 6; ++pad) {
    for (int run = 1362; run <= 1366; ++run) {
      TCase joined{L, "<LineString><coordinates>" + std::string(pad, ' '), "("};
      for (int i = 0; i < run; ++i) joined.text += "1,2,3 ";
      joined.text += "7,8,9,10,11,12 4,5,6</coordinates></LineString>";
      for (int i = 0; i < run; ++i) joined.expected += "[1,2,3]";
      joined.expected += "[7,8,9][10,11,12][4,5,6])";
      cases.push_back(joined);
    }
  }
  // ... and a number cut by that end at every offset ("1,2,3|4"): not read as ended there.
  for (size_t pad = 0; pad < 7; ++pad) {
    TCase cut{L, "<LineString><coordinates>" + std::string(pad, ' '), "("};
    for (int i = 0; i < 1200; ++i) cut.text += "1,2,34 ";
    cut.text += "</coordinates></LineString>";
    for (int i = 0; i < 1200; ++i) cut.expected += "[1,2,34]";
    cut.expected += ')';
    cases.push_back(cut);
  }
  return cases;
}

// Also in the text form, whose rows are those the values give.
TEST(KmlReader, ReadsEveryCaseAlikeInPiecesOfAnySize) {
  for (const TCase& c : Cases()) {
    const std::string rows = test::ReadRows(c.text, c.type, TCoordinateForm::kValues);
    for (size_t piece = 1; piece <= 65; ++piece) {
      const size_t size = piece == 65 ? SIZE_MAX : piece;
      ASSERT_EQ(test::ReadAll(c.text, c.type, size), c.expected)
          << "type " << static_cast<int>(c.type) << ", pieces of " << piece << ", text:\n"
          << c.text.substr(0, 300);
      ASSERT_EQ(test::ReadRows(c.text, c.type, TCoordinateForm::kText, size), rows)
          << "type " << static_cast<int>(c.type) << ", pieces of " << piece << ", text:\n"
          << c.text.substr(0, 300);
    }
  }
}

}  // namespace
}  // namespace trelvo
