// KML reader: pulls Points, LineStrings and Polygons out of KML text, one at a time.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "reading/ByteSource.h"
#include "reading/PointList.h"
#include "reading/TextWindow.h"

namespace trelvo {

class TKmlCheck;

// Reads a KML file as text, not as XML: it scans a sliding Window of the file's text for
// geometry tags and parses the comma-separated tuples inside their coordinates elements.
//
// The text is seen with every line break (LF or CR LF) as one '\n'. Window and Pending are
// positions into one buffer that the file is streamed through in large blocks, so memory
// stays bounded whatever the file's length or line length. Malformed coordinate text never
// throws; input/output failures throw TIoError.
class TKMLReader {
 public:
  TKMLReader();
  ~TKMLReader();
  TKMLReader(const TKMLReader&) = delete;
  TKMLReader& operator=(const TKMLReader&) = delete;

  // Opens the file for reading. Throws TIoError naming the file and the cause.
  void Open(const std::string& file_name);

  // Reads from any byte source instead of a file (tests, fuzzers).
  void Open(std::unique_ptr<TByteSource> source);

  // What Points holds of each vertex from the next geometry on: values (the default), or the
  // text a row writes of them.
  void SetCoordinateForm(TCoordinateForm form) { m_points.SetForm(form); }

  // Keeps the text of CDATA sections for reading names and descriptions (see TMarkupFilter);
  // before Open.
  void KeepCdataText() { m_keep_cdata = true; }

  // Closes the input; safe to call twice.
  void Close();

  // Once a file opened by name has been read to its end: why it is no KML document at all (a
  // web page, GPX, GeoJSON: text without any KML markup), or nullptr.
  const char* NotKmlCause() const;

  // Each finds the next geometry of its kind after the previous one and reads its vertices
  // into Points (emptied first). False when no further one can be read: the end of input,
  // or a coordinate list that cannot be finished.
  bool NextPoint();
  // A LineString or a GPS track (gx:Track, also each track of a gx:MultiTrack).
  bool NextLineString();
  // The vertices of the polygon's first LinearRing (normally its outer boundary).
  bool NextPolygon();

  // Points().Get(index), 1-based: the values, in either form.
  TXYZPoint GetPoint(int32_t index) const { return m_points.Get(index); }

  // The vertices of the geometry last read.
  const TXYZList& Points() const { return m_points; }

  // Bytes taken from the input so far, and its total size (0 when unknown); for progress.
  uint64_t BytesRead() const { return m_text.BytesRead(); }

  uint64_t InputSize() const { return m_text.InputSize(); }

 private:
  // Reads Placemarks with what they hold, through the tag and coordinate reading here.
  friend class TPlacemarkReader;

  // How SeekTag ended.
  enum class TTagFound {
    kNotFound,  // no such tag before the end of input
    kOpen,      // an opening tag; its element content follows
    kEmpty,     // a self-closing tag (<Point/>): no content
  };

  // How a geometry's coordinates were read.
  enum class TGeometryRead {
    kRead,    // an entity in Points
    kNone,    // no entity here (a Point without a tuple, a geometry without coordinates)
    kFailed,  // the coordinate text cannot be finished: end the search
  };

  // Tag search.
  bool SkipPast(std::span<const std::string_view> names, size_t* which, size_t* keep_from);
  TTagFound SeekTag(std::span<const std::string_view> names, size_t* which);

  TTagFound SeekTag(std::string_view name) {
    size_t which = 0;
    return SeekTag({&name, 1}, &which);
  }

  bool SkipTagRest(bool* self_closing, std::string* attributes = nullptr);

  // Coordinate text.
  void TrimLeadingSpaces();
  bool ReadTuple(bool at_end_too);
  bool ReadPlainTuples(bool at_end_too, bool single);
  template <class TVertex>
  bool ReadPlainTuplesAs(bool at_end_too, bool single);
  bool ReadStretch(size_t stretch_end, bool single);
  bool SkipLongText();
  bool ReadCoordinateList(bool single);
  bool SeekCoordinates(std::string_view closing_tag, TTagFound* tag);
  TGeometryRead ReadPointCoordinates();
  TGeometryRead ReadLineCoordinates(std::string_view closing_tag);
  TGeometryRead ReadLineStringCoordinates();
  TGeometryRead ReadRingCoordinates();
  bool ReadTrackCoord();
  bool CollectText(std::string& out, size_t limit);
  bool SkipToUsualTrackCoord();
  const char* UsualTrackGapEnd(const char* p, const char* last) const;
  bool LearnTrackGap();
  void ReadUsualTrackCoords();
  TGeometryRead ReadTrackCoordinates();
  using TReadCoordinates = TGeometryRead (TKMLReader::*)();
  bool NextGeometry(std::span<const std::string_view> tags,
                    std::span<const TReadCoordinates> readers);

  void AddPoint(double x, double y, double z) { m_points.Add(x, y, z); }

  // The markup filter over `source`, as the reader's options ask.
  std::unique_ptr<TByteSource> Filtered(std::unique_ptr<TByteSource> source) const;

  TXYZList m_points;
  TTextWindow m_text;            // the text as TMarkupFilter gives it
  TKmlCheck* m_check = nullptr;  // in the chain of m_text's source, for a file opened by name
  std::string m_coord_text;      // the text of a track's <coord>
  // The text between a track's two coords as last seen: up to the text of its <when> (or
  // through the next <coord> where it has none), and from the end of that text through the
  // next <coord> (empty where it has none).
  std::string m_track_gap[2];
  bool m_keep_cdata = false;
};

}  // namespace trelvo
