// Writes large KML files in the shapes real producers write, for the benchmark.
//
//   trelvo-bench-generate SHAPE MEGABYTES OUTPUT
//
// SHAPE: ge-paths (Google Earth: tab-indented, tuples on one indented line), ge-polygons,
// points (one Point per Placemark), per-line (one tuple per line, as GPS devices write),
// minified (a single line holding the whole document), tracks (the paths of ge-paths as
// gx:Track elements, a <when> and a <gx:coord> a line each, as My Tracks writes them) or
// location-history (one gx:Track of all the vertices, each a <when> and a <gx:coord>, on a
// single line, as Location History exports it), attributed-paths (ge-paths with a description
// and ExtendedData in each Placemark, as GIS exports write them). tracks-as-lines and
// location-history-as-lines hold the vertices of tracks or location-history of that size as
// LineStrings: the same data, for comparing the two forms.
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>
#include <string_view>

namespace {

struct TShape {
  bool polygon = false;
  bool points = false;
  bool per_line = false;
  bool minified = false;
  bool tracks = false;
  bool one_track = false;   // the whole file a single track
  bool attributed = false;  // a description and ExtendedData in each Placemark
};

class TGenerator {
 public:
  explicit TGenerator(TShape shape) : m_shape(shape) {}

  // Appends one Placemark to `out`.
  void Placemark(std::string& out) {
    const char* nl = m_shape.minified ? "" : "\n";
    const char* t1 = m_shape.minified ? "" : "\t";
    const char* t2 = m_shape.minified ? "" : "\t\t";
    const char* t3 = m_shape.minified ? "" : "\t\t\t";
    out += std::string(t1) + "<Placemark>" + nl + t2 + "<name>Feature " +
           std::to_string(m_index++) + "</name>" + nl + t2 + "<styleUrl>#style1</styleUrl>" + nl;
    if (m_shape.attributed) {
      // As GIS exports write them: a description, data fields and schema data.
      out += std::string(t2) + "<description>Parcel " + std::to_string(m_index) +
             ", surveyed 2024</description>" + nl + t2 + "<ExtendedData>" + nl + t3 +
             "<Data name=\"owner\"><value>Owner " + std::to_string(m_index % 97) +
             "</value></Data>" + nl + t3 + "<Data name=\"area\"><value>" +
             std::to_string(m_random() % 10000) + "</value></Data>" + nl + t3 +
             "<SchemaData schemaUrl=\"#parcels\"><SimpleData name=\"zone\">R" +
             std::to_string(m_index % 5) + "</SimpleData></SchemaData>" + nl + t2 +
             "</ExtendedData>" + nl;
    }
    if (m_shape.tracks) {
      out += std::string(t2) + "<gx:Track>" + nl;
      const int vertices = 20 + static_cast<int>(m_random() % 80);
      for (int i = 0; i < vertices; ++i) {
        out += std::string(t3) + "<when>2020-05-28T02:02:09Z</when>" + nl + t3 + "<gx:coord>";
        Coord(out);
        out += std::string("</gx:coord>") + nl;
      }
      out += std::string(t2) + "</gx:Track>" + nl;
    } else if (m_shape.points) {
      out += std::string(t2) + "<Point>" + nl + t3 + "<coordinates>";
      Tuple(out);
      out += std::string("</coordinates>") + nl + t2 + "</Point>" + nl;
    } else {
      const char* open = m_shape.polygon
                             ? "<Polygon><outerBoundaryIs><LinearRing><tessellate>1</tessellate>"
                             : "<LineString><tessellate>1</tessellate>";
      const char* close =
          m_shape.polygon ? "</LinearRing></outerBoundaryIs></Polygon>" : "</LineString>";
      out += std::string(t2) + open + nl + t3 + "<coordinates>" + nl;
      const int vertices = 20 + static_cast<int>(m_random() % 80);
      if (!m_shape.minified && !m_shape.per_line) out += "\t\t\t\t";
      for (int i = 0; i < vertices; ++i) {
        if (m_shape.per_line) {
          Tuple(out);
          out += nl;
        } else {
          Tuple(out);
          out += ' ';
        }
      }
      out += std::string(nl) + t3 + "</coordinates>" + nl + t2 + close + nl;
    }
    out += std::string(t1) + "</Placemark>" + nl;
  }

  // One vertex of a location-history track, minified: its time, then its coordinate.
  void TrackVertex(std::string& out) {
    out += "<when>2013-03-04T17:40:21.516-08:00</when><gx:coord>";
    Coord(out);
    out += "</gx:coord>";
  }

  // The same vertex as a tuple of a minified LineString.
  void LineVertex(std::string& out) {
    Tuple(out);
    out += ' ';
  }

 private:
  // A track's coordinate: the numbers of a tuple, separated by spaces.
  void Coord(std::string& out) {
    const size_t start = out.size();
    Tuple(out);
    for (size_t i = start; i < out.size(); ++i) {
      if (out[i] == ',') out[i] = ' ';
    }
  }

  void Tuple(std::string& out) {
    m_longitude += m_step(m_random);
    m_latitude += m_step(m_random);
    char text[96];
    const int length = std::snprintf(text, sizeof(text), "%.7f,%.7f,%.1f", m_longitude, m_latitude,
                                     m_altitude(m_random));
    out.append(text, static_cast<size_t>(length));
  }

  TShape m_shape;
  std::mt19937_64 m_random{20261206};
  std::uniform_real_distribution<double> m_step{-0.001, 0.001};
  std::uniform_real_distribution<double> m_altitude{0.0, 3000.0};
  double m_longitude = -122.0842;
  double m_latitude = 37.4219;
  long m_index = 0;
};

// The text before the Placemarks.
std::string Header(const TShape& shape) {
  const char* nl = shape.minified ? "" : "\n";
  std::string out =
      std::string("<?xml version=\"1.0\" encoding=\"UTF-8\"?>") + nl +
      "<kml xmlns=\"http://www.opengis.net/kml/2.2\"" +
      (shape.tracks || shape.one_track ? " xmlns:gx=\"http://www.google.com/kml/ext/2.2\">" : ">") +
      nl + "<Document>" + nl + "<name>Benchmark</name>" + nl;
  if (shape.one_track) out += "<Placemark><gx:Track>";
  return out;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 4) {
    std::fprintf(stderr, "usage: trelvo-bench-generate SHAPE MEGABYTES OUTPUT\n");
    return 2;
  }
  std::string shape_name = argv[1];
  constexpr std::string_view kAsLines = "-as-lines";
  const bool as_lines =
      shape_name == "tracks-as-lines" || shape_name == "location-history-as-lines";
  if (as_lines) shape_name.resize(shape_name.size() - kAsLines.size());
  TShape shape;
  if (shape_name == "ge-polygons") {
    shape.polygon = true;
  } else if (shape_name == "points") {
    shape.points = true;
  } else if (shape_name == "per-line") {
    shape.per_line = true;
  } else if (shape_name == "minified") {
    shape.minified = true;
  } else if (shape_name == "tracks") {
    shape.tracks = true;
  } else if (shape_name == "location-history") {
    shape.one_track = true;
    shape.minified = true;
  } else if (shape_name == "attributed-paths") {
    shape.attributed = true;
  } else if (shape_name != "ge-paths") {
    std::fprintf(stderr, "unknown shape %s\n", argv[1]);
    return 2;
  }
  const double megabytes = std::atof(argv[2]);
  const auto target = static_cast<unsigned long long>(megabytes * 1e6);
  std::FILE* file = std::fopen(argv[3], "wb");
  if (file == nullptr) {
    std::perror(argv[3]);
    return 1;
  }
  const char* nl = shape.minified ? "" : "\n";
  // As lines, a generator of the tracks draws the same numbers in the same order and decides
  // where the file ends; the other one writes the same vertices as LineStrings.
  TShape lines_shape = shape;
  lines_shape.tracks = lines_shape.one_track = false;
  std::string out = Header(as_lines ? lines_shape : shape);
  if (as_lines && shape.one_track) out += "<Placemark><LineString><coordinates>";
  TGenerator generator(as_lines ? lines_shape : shape);
  TGenerator sizer(shape);
  std::string track_text;
  unsigned long long track_size = Header(shape).size();
  unsigned long long written = 0;
  while ((as_lines ? track_size : written + out.size()) < target) {
    if (as_lines) {
      track_text.clear();
      if (shape.one_track) {
        sizer.TrackVertex(track_text);
        generator.LineVertex(out);
      } else {
        sizer.Placemark(track_text);
        generator.Placemark(out);
      }
      track_size += track_text.size();
    } else if (shape.one_track) {
      generator.TrackVertex(out);
    } else {
      generator.Placemark(out);
    }
    if (out.size() > (1u << 20)) {
      written += std::fwrite(out.data(), 1, out.size(), file);
      out.clear();
    }
  }
  if (shape.one_track) {
    out += as_lines ? "</coordinates></LineString></Placemark>" : "</gx:Track></Placemark>";
  }
  out += std::string("</Document>") + nl + "</kml>" + nl;
  written += std::fwrite(out.data(), 1, out.size(), file);
  if (std::fclose(file) != 0) {
    std::perror(argv[3]);
    return 1;
  }
  return 0;
}
