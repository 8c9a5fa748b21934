#include "transform/TableLayout.h"

#include <algorithm>
#include <charconv>
#include <cstring>
#include <stdexcept>

namespace trelvo {
namespace {

// The built-in fields by name, in the order of TField.
constexpr std::string_view kFieldNames[] = {"seq",    "placemark", "entity",      "type",   "ring",
                                            "vertex", "name",      "description", "folder", "style",
                                            "time",   "begin",     "end",         "lon",    "lat",
                                            "alt",    "easting",   "northing",    "zone"};

std::string_view FieldName(TField field) { return kFieldNames[static_cast<size_t>(field)]; }

bool IsBuiltInName(std::string_view name) {
  return std::find(std::begin(kFieldNames), std::end(kFieldNames), name) != std::end(kFieldNames);
}

std::string_view KindName(TGeometryKind kind) {
  switch (kind) {
    case TGeometryKind::kPoint:
      return "point";
    case TGeometryKind::kPath:
      return "path";
    case TGeometryKind::kPolygon:
      return "polygon";
  }
  return {};
}

std::string_view DataValue(const TPlacemark& placemark, const std::string& name) {
  for (const auto& [key, value] : placemark.data) {
    if (key == name) return value;
  }
  return {};
}

}  // namespace

std::vector<TFieldChoice> ParseFields(std::string_view list) {
  std::vector<TFieldChoice> fields;
  while (!list.empty()) {
    const size_t comma = std::min(list.find(','), list.size());
    const std::string_view name = list.substr(0, comma);
    list.remove_prefix(std::min(comma + 1, list.size()));
    if (name == "@*") {
      fields.push_back({TField::kAllData, {}});
    } else if (name.size() > 1 && name[0] == '@') {
      fields.push_back({TField::kData, std::string(name.substr(1))});
    } else if (IsBuiltInName(name)) {
      const auto at = std::find(std::begin(kFieldNames), std::end(kFieldNames), name);
      fields.push_back({static_cast<TField>(at - std::begin(kFieldNames)), {}});
    } else {
      throw std::invalid_argument("unknown field '" + std::string(name) +
                                  "' in --fields (see --help)");
    }
  }
  if (fields.empty()) throw std::invalid_argument("--fields names no field");
  return fields;
}

bool WantsAllData(const std::vector<TFieldChoice>& fields) {
  return std::any_of(fields.begin(), fields.end(),
                     [](const TFieldChoice& choice) { return choice.field == TField::kAllData; });
}

std::vector<TFieldChoice> ExpandAllData(const std::vector<TFieldChoice>& fields,
                                        const std::vector<std::string>& names) {
  std::vector<TFieldChoice> expanded;
  for (const TFieldChoice& choice : fields) {
    if (choice.field != TField::kAllData) {
      expanded.push_back(choice);
      continue;
    }
    for (const std::string& name : names) {
      const bool named = std::any_of(fields.begin(), fields.end(), [&](const TFieldChoice& other) {
        return other.field == TField::kData && other.data_name == name;
      });
      if (!named) expanded.push_back({TField::kData, name});
    }
  }
  return expanded;
}

TTableWriter::TTableWriter(TTextWriter& writer, char separator, std::vector<TFieldChoice> fields,
                           int xy_decimals)
    : m_writer(writer),
      m_separator(separator),
      m_fields(std::move(fields)),
      m_xy_decimals(xy_decimals) {
  for (const char c : {'\r', '\n', separator == '\t' ? '\t' : ','}) {
    m_special[static_cast<unsigned char>(c)] = true;
  }
  if (separator != '\t') m_special['"'] = true;
  for (const TGeometryKind kind :
       {TGeometryKind::kPoint, TGeometryKind::kPath, TGeometryKind::kPolygon}) {
    AppendText(KindName(kind), m_kinds[static_cast<size_t>(kind)]);
  }
  m_has_time = std::any_of(m_fields.begin(), m_fields.end(), [](const TFieldChoice& choice) {
    return choice.field == TField::kTime;
  });
}

void TTableWriter::SetZone(std::string_view zone) {
  m_zone.clear();
  AppendText(zone, m_zone);
}

void TTableWriter::WriteStart(const TTableSettings& settings) {
  if (settings.bom) m_writer.WriteText("\xEF\xBB\xBF");
  if (!settings.header) return;
  m_row.clear();
  std::vector<std::string> names;
  for (const TFieldChoice& choice : m_fields) {
    std::string name(choice.field == TField::kData ? choice.data_name : FieldName(choice.field));
    // An ExtendedData field named like a built-in one, or like one before it, gets a number.
    if (choice.field == TField::kData) {
      const std::string base = name;
      for (int n = 2;
           IsBuiltInName(name) || std::find(names.begin(), names.end(), name) != names.end(); ++n) {
        name = base + "_" + std::to_string(n);
      }
    }
    if (!names.empty()) m_row += m_separator;
    AppendText(name, m_row);
    names.push_back(name);
  }
  m_writer.WriteLine(m_row);
}

void TTableWriter::AppendText(std::string_view text, std::string& out) const {
  const size_t size = out.size();
  out.resize(size + 2 * text.size() + 2);
  out.resize(static_cast<size_t>(PutText(text, out.data() + size) - out.data()));
}

char* TTableWriter::PutText(std::string_view text, char* out) const {
  // The characters that quote a CSV text or become a space in TAB, found in one pass.
  const auto special = [this](char c) { return m_special[static_cast<unsigned char>(c)]; };
  const auto first = std::find_if(text.begin(), text.end(), special);
  const auto plain = static_cast<size_t>(first - text.begin());
  if (m_separator == '\t') {
    out = std::copy_n(text.data(), plain, out);
    for (const char c : text.substr(plain)) *out++ = special(c) ? ' ' : c;
    return out;
  }
  if (m_separator != ' ' && first == text.end()) return std::copy_n(text.data(), text.size(), out);
  *out++ = '"';
  out = std::copy_n(text.data(), plain, out);  // no quote among them: a quote is special
  for (const char c : text.substr(plain)) {
    if (c == '"') *out++ = '"';
    *out++ = c;
  }
  *out++ = '"';
  return out;
}

void TTableWriter::WritePlacemark(const TPlacemark& placemark, size_t first_row, size_t end_row) {
  // What is the same on each of the Placemark's rows (its texts, its id, the separators) is
  // made once, as the text between the fields that change from row to row.
  m_slots.clear();
  size_t used = 0;
  // Room for `count` more bytes after the `used` of m_constant, which only grows.
  const auto constant_room = [&](size_t count) {
    if (m_constant.size() < used + count) {
      m_constant.resize(std::max(2 * m_constant.size(), used + count));
    }
    return m_constant.data() + used;
  };
  const auto put = [&](char* end) { used = static_cast<size_t>(end - m_constant.data()); };
  const auto text = [&](std::string_view value) {
    put(PutText(value, constant_room(2 * value.size() + 2)));
  };
  for (size_t f = 0; f < m_fields.size(); ++f) {
    const TFieldChoice& choice = m_fields[f];
    if (f > 0) put(std::copy_n(&m_separator, 1, constant_room(1)));
    switch (choice.field) {
      case TField::kPlacemark:
        if (placemark.id > 0) {
          char* const at = constant_room(24);
          put(std::to_chars(at, at + 24, placemark.id).ptr);
        }
        break;
      case TField::kName:
        text(placemark.name);
        break;
      case TField::kDescription:
        text(placemark.description);
        break;
      case TField::kFolder:
        text(placemark.folder);
        break;
      case TField::kStyle:
        text(placemark.style);
        break;
      case TField::kBegin:
        text(placemark.begin);
        break;
      case TField::kEnd:
        text(placemark.end);
        break;
      case TField::kData:
        text(DataValue(placemark, choice.data_name));
        break;
      case TField::kZone:  // made a field's text already
        put(std::copy_n(m_zone.data(), m_zone.size(), constant_room(m_zone.size())));
        break;
      case TField::kAllData:  // expanded into its names before the rows
        break;
      default:
        m_slots.push_back({used, choice.field});
        break;
    }
  }
  // CR LF, then padding, so that WriteRow copies a short run as one word.
  put(std::copy_n("\r\n", 2, constant_room(2 + kRunWord)));
  m_constant_end = used;
  std::fill_n(m_constant.data() + used, kRunWord, '\0');
  // Beyond that text a row holds at most this much: a number or the type in each slot.
  constexpr size_t kNumberRoom = kFixedRoom + sizeof(TFixedText);
  const size_t row_room = m_constant_end + kRunWord + m_slots.size() * kNumberRoom;
  int32_t geometry = -1;
  size_t row = 0;  // of the Placemark's, where the part starts
  for (const TGeometryPart& part : placemark.parts) {
    // Geometries before first_row count too: a range of rows may start within one.
    if (part.geometry != geometry) {
      geometry = part.geometry;
      ++m_entities;
    }
    const size_t from = std::clamp(first_row, row, row + part.count) - row;
    const size_t to = std::clamp(end_row, row, row + part.count) - row;
    row += part.count;
    for (size_t v = from; v < to; ++v) {
      ++m_rows;
      const size_t vertex = part.first + v;
      const std::string_view time = placemark.TimeOf(vertex);
      m_time.clear();
      if (m_has_time) AppendText(time.empty() ? std::string_view(placemark.when) : time, m_time);
      const size_t room = row_room + m_time.size();
      // A row of long texts is made apart, and written as text.
      if (room > TTextWriter::RoomLimit()) {
        m_row.resize(room);
        const char* end = WriteRow(m_row.data(), placemark, part, v);
        m_writer.WriteText(std::string_view(m_row.data(), static_cast<size_t>(end - m_row.data())));
      } else {
        m_writer.Commit(WriteRow(m_writer.Reserve(room), placemark, part, v));
      }
    }
  }
}

// One row at `out`, with m_constant, m_slots and m_time made for it; returns its end.
char* TTableWriter::WriteRow(char* out, const TPlacemark& placemark, const TGeometryPart& part,
                             size_t v) const {
  const auto number = [&out](int64_t value) { out = std::to_chars(out, out + 24, value).ptr; };
  const auto text = [&out](std::string_view value) {
    std::memcpy(out, value.data(), value.size());
    out += value.size();
  };
  // Most runs between two slots are a separator: copied as one word, without a call (the
  // room for the row and m_constant's padding allow the bytes past it).
  const auto run = [&out](const char* from, size_t count) {
    if (count > kRunWord) {
      std::memcpy(out, from, count);
    } else {
      std::memcpy(out, from, kRunWord);
    }
    out += count;
  };
  const TVertexText& numbers = placemark.vertices[part.first + v];
  const char* const constant = m_constant.data();
  size_t from = 0;
  for (const TSlot& slot : m_slots) {
    run(constant + from, slot.at - from);
    from = slot.at;
    switch (slot.field) {
      case TField::kSeq:
        number(m_rows);
        break;
      case TField::kEntity:
        number(m_entities);
        break;
      case TField::kType:
        text(m_kinds[static_cast<size_t>(part.kind)]);
        break;
      case TField::kRing:
        if (part.kind == TGeometryKind::kPolygon) number(part.ring);
        break;
      case TField::kVertex:
        number(static_cast<int64_t>(v + 1));
        break;
      case TField::kTime:
        text(m_time);
        break;
      case TField::kLon:
      case TField::kEasting:
        out = WriteRowNumber(out, numbers.X, m_xy_decimals);
        break;
      case TField::kLat:
      case TField::kNorthing:
        out = WriteRowNumber(out, numbers.Y, m_xy_decimals);
        break;
      case TField::kAlt:
        out = WriteRowNumber(out, numbers.Z, kZDecimals, true);
        break;
      default:
        break;
    }
  }
  run(constant + from, m_constant_end - from);
  return out;
}

}  // namespace trelvo
