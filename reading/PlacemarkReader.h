// Placemark reader: each Placemark with its name, folder, description, data, times and
// geometry, for the table layout.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "reading/KmlReader.h"
#include "reading/TextDecoding.h"

namespace trelvo {

// What a geometry of a Placemark is.
enum class TGeometryKind : uint8_t { kPoint, kPath, kPolygon };

// One geometry of a Placemark (a part of its MultiGeometry), or one ring of a polygon: its
// vertices are [first, first + count) of the Placemark's.
struct TGeometryPart {
  TGeometryKind kind = TGeometryKind::kPoint;
  int32_t geometry = 0;  // 0-based among the Placemark's geometries; a polygon's rings share it
  int32_t ring = 0;      // 0 the outer ring, 1... inner rings (polygons only)
  size_t first = 0;
  size_t count = 0;
};

// A Placemark as read: its texts decoded to UTF-8, its geometries in file order.
struct TPlacemark {
  int64_t id = 0;  // 1-based in the file; 0 for geometry outside any Placemark
  std::string name;
  std::string description;
  std::string style;   // styleUrl
  std::string folder;  // the names of the enclosing Folder and Document elements, joined by '/'
  std::string when;    // TimeStamp
  std::string begin;   // TimeSpan
  std::string end;
  std::vector<std::pair<std::string, std::string>> data;  // ExtendedData, in file order
  std::vector<TVertexText> vertices;
  std::string time_text;          // the <when> of each track vertex, one after the other
  std::vector<size_t> time_ends;  // per vertex: where its time ends in time_text
  std::vector<TGeometryPart> parts;

  // A track vertex's <when>, empty for any other vertex.
  std::string_view TimeOf(size_t vertex) const {
    const size_t start = vertex == 0 ? 0 : time_ends[vertex - 1];
    return std::string_view(time_text).substr(start, time_ends[vertex] - start);
  }

  void Clear();
  // The memory it holds, in bytes (what Clear keeps too): bounds what a batch of many holds.
  size_t Footprint() const;
};

// Reads the Placemarks of a KML text one at a time, with the text of their names, folders,
// descriptions, styles, times and ExtendedData, and the geometries selected: Points,
// LineStrings and tracks (paths), Polygons with their first ring or all of them. A geometry
// outside any Placemark is read as one of its own. Memory holds one Placemark at a time.
class TPlacemarkReader {
 public:
  struct TSelection {
    bool points = true;
    bool paths = true;
    bool polygons = true;
    bool all_rings = false;  // inner rings too
    bool values = false;     // the vertices as values, for computing with them (see TXYZList)
    bool texts = true;       // the texts and data values; without, only the data names
  };

  explicit TPlacemarkReader(TSelection selection);

  // As TKMLReader::Open.
  void Open(const std::string& file_name);
  void Open(std::unique_ptr<TByteSource> source);

  // The next Placemark into *placemark (emptied first); false at the end of input.
  bool Next(TPlacemark* placemark);

  // As TKMLReader: no KML at all, and progress.
  const char* NotKmlCause() const { return m_reader.NotKmlCause(); }

  uint64_t BytesRead() const { return m_reader.BytesRead(); }

  uint64_t InputSize() const { return m_reader.InputSize(); }

  // The decoder of the texts: the encoding and the bytes it could not decode.
  const TTextDecoder& Decoder() const { return m_decoder; }

  // Texts longer than the limit of a field, cut there.
  int64_t CutTexts() const { return m_cut_texts; }

  // An encoding a document declared that is not known (read as UTF-8), or empty.
  const std::string& UnknownEncoding() const { return m_unknown_encoding; }

 public:
  class TTagSet;

 private:
  // An open Folder or Document.
  struct TContainer {
    std::string name;
    bool naming = true;  // its <name> may still come: no feature inside it has started
  };

  bool NextTag(const TTagSet& tags, size_t* which, bool* self_closing,
               std::string* attributes = nullptr);

  // A step of a walk through the tags: the text passed over through the tag found (empty when
  // not kept), and what NextTag found there.
  struct TTagStep {
    std::string text;
    size_t which = 0;
    bool self_closing = false;
    std::string attributes;
  };

  bool NextUsualTag(const TTagSet& tags, std::vector<TTagStep>& steps, size_t step, size_t* which,
                    bool* self_closing, std::string* attributes = nullptr);
  bool LearnStep(const TTagSet& tags, std::vector<TTagStep>& steps, size_t step, size_t* which,
                 bool* self_closing, std::string* attributes);
  void ReadDeclaration(std::string_view declaration);
  bool ReadText(std::string* text);
  bool AppendText(std::string* text);
  bool SkipText();
  std::string DataName();
  bool ReadPlacemark(TPlacemark* placemark);
  bool ReadGeometry(size_t kind, TPlacemark* placemark);
  bool ReadCoordinates(const TTagSet& tags, bool single, TGeometryKind kind, int32_t ring,
                       TPlacemark* placemark);
  bool ReadPolygon(TPlacemark* placemark);
  bool ReadTrack(TPlacemark* placemark);
  void AddPart(TGeometryKind kind, int32_t ring, TPlacemark* placemark);
  void StartFeature();
  const std::string& FolderPath();

  TSelection m_selection;
  TKMLReader m_reader;
  TTextDecoder m_decoder;
  std::vector<TContainer> m_containers;
  std::string m_folder;  // FolderPath, while m_folder_known
  bool m_folder_known = false;
  int64_t m_placemarks = 0;
  int32_t m_geometries = 0;  // of the Placemark being read
  int64_t m_cut_texts = 0;
  bool m_ended = false;
  std::string m_unknown_encoding;
  std::string m_raw;         // an element's text as it stands
  std::string m_scratch;     // a text read to pass over it
  std::string m_attributes;  // a tag's text after its name
  // Data tags as last seen (their text after the name) and their names (see DataName).
  std::vector<std::pair<std::string, std::string>> m_data_names;
  // The steps of the last walk between Placemarks, and through one (see NextUsualTag).
  std::vector<TTagStep> m_top_steps;
  std::vector<TTagStep> m_placemark_steps;
  std::vector<TTagStep> m_coordinates_steps;  // per TGeometryKind: one step each
  std::vector<TTagStep> m_track_steps;
  // Of the track being read: its <when> texts (ends as in TPlacemark), and the coord of each
  // vertex (empty ones have none).
  std::string m_whens;
  std::vector<size_t> m_when_ends;
  std::vector<size_t> m_coord_of_vertex;
  std::vector<TVertexText> m_values;  // a part's values, as slots
};

}  // namespace trelvo
