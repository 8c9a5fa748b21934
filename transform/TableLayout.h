// The table layout: a header row, then one row per vertex with the fields asked for.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "reading/PlacemarkReader.h"
#include "transform/TextExport.h"

namespace trelvo {

// A column of the table.
enum class TField : uint8_t {
  kSeq,        // row number
  kPlacemark,  // 1-based id of the Placemark
  kEntity,     // id of the geometry
  kType,       // point, path or polygon
  kRing,       // 0 the outer ring, 1... inner rings
  kVertex,     // 1-based within its ring or path
  kName,
  kDescription,
  kFolder,
  kStyle,
  kTime,   // a track vertex's <when>, else the TimeStamp's
  kBegin,  // TimeSpan
  kEnd,
  kLon,
  kLat,
  kAlt,
  kEasting,  // X and Y in the projected system
  kNorthing,
  kZone,     // the UTM zone ("32N")
  kData,     // one ExtendedData field
  kAllData,  // all of them, in the order of the file
};

struct TFieldChoice {
  TField field = TField::kSeq;
  std::string data_name;  // kData's
};

// What a run in the table layout writes.
struct TTableSettings {
  std::vector<TFieldChoice> fields;
  bool header = true;
  bool bom = false;        // the UTF-8 byte-order mark first, for Excel
  bool all_types = false;  // points, paths and polygons in one table
  bool all_rings = false;  // inner rings of polygons too
};

inline constexpr std::string_view kDefaultFields =
    "placemark,entity,type,vertex,name,folder,lon,lat,alt";
// With projected coordinates.
inline constexpr std::string_view kDefaultProjectedFields =
    "placemark,entity,type,vertex,name,folder,easting,northing,alt";

// The fields of a comma list: the names above ("seq", "placemark", ...), "@NAME" for one
// ExtendedData field, "@*" for all. Throws std::invalid_argument naming a field it does not
// know, or an empty list.
std::vector<TFieldChoice> ParseFields(std::string_view list);

// Whether the fields hold "@*", whose names a first pass over the file must find.
bool WantsAllData(const std::vector<TFieldChoice>& fields);

// The most names "@*" takes.
inline constexpr size_t kMaxDataNames = 1000;

// The fields with "@*" replaced by the ExtendedData names (those not named on their own).
std::vector<TFieldChoice> ExpandAllData(const std::vector<TFieldChoice>& fields,
                                        const std::vector<std::string>& names);

// Writes the table's rows through a TTextWriter: CSV quoting per RFC 4180 (a text holding a
// comma, a quote or a line break is quoted, its quotes doubled), TAB without quotes (a tab or
// line break in a text becomes a space), TXT with every text quoted; numbers as the classic
// rows write them.
class TTableWriter {
 public:
  // `xy_decimals`: of lon and lat, or easting and northing.
  TTableWriter(TTextWriter& writer, char separator, std::vector<TFieldChoice> fields,
               int xy_decimals = kXYDecimals);

  // The zone field's text.
  void SetZone(std::string_view zone);

  // The byte-order mark and the header row, as the settings ask.
  void WriteStart(const TTableSettings& settings);

  // The rows of every vertex of the Placemark's parts, or of its rows [first_row, end_row)
  // (counted over all its parts, in order). The entity count moves past all its geometries.
  void WritePlacemark(const TPlacemark& placemark, size_t first_row = 0, size_t end_row = SIZE_MAX);

  // What the seq and entity fields number on from, where another writer wrote the rows in
  // between: the rows before the next row written, the entities before its Placemark.
  void SetCounts(int64_t rows, int64_t entities) {
    m_rows = rows;
    m_entities = entities;
  }

 private:
  void AppendText(std::string_view text, std::string& out) const;
  // `text` as a field at `out`, which has room for twice its size and two quotes: quoted, or
  // its tabs and line breaks made spaces, as the format asks. Returns its end.
  char* PutText(std::string_view text, char* out) const;
  char* WriteRow(char* out, const TPlacemark& placemark, const TGeometryPart& part, size_t v) const;

  TTextWriter& m_writer;
  char m_separator;
  std::array<bool, 256> m_special{};  // the characters AppendText looks for
  std::vector<TFieldChoice> m_fields;
  bool m_has_time = false;
  int m_xy_decimals;
  std::string m_zone;
  int64_t m_rows = 0;
  int64_t m_entities = 0;

  // A field that changes from row to row, and where it stands in m_constant.
  struct TSlot {
    size_t at;
    TField field;
  };

  static constexpr size_t kRunWord = 8;
  std::string m_constant;      // the Placemark's rows without their slots, CR LF, kRunWord padding
  size_t m_constant_end = 0;   // where the padding starts (the string is longer)
  std::vector<TSlot> m_slots;  // in row order
  std::string m_kinds[3];      // the types' names as written
  std::string m_time;          // the time of the row being written, as written
  std::string m_row;           // a row too long for writing in place
};

}  // namespace trelvo
