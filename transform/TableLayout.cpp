#include "transform/TableLayout.h"

#include <algorithm>
#include <charconv>
#include <stdexcept>

namespace trelvo {
namespace {

// The built-in fields by name, in the order of TField.
constexpr std::string_view kFieldNames[] = {
    "seq",    "placemark", "entity", "type",  "ring", "vertex", "name", "description", "folder",
    "style",  "time",      "begin",  "end",   "lon",  "lat",    "alt"};

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

TTableWriter::TTableWriter(TTextWriter& writer, char separator, std::vector<TFieldChoice> fields)
    : m_writer(writer), m_separator(separator), m_fields(std::move(fields)),
      m_texts(m_fields.size()) {}

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
      for (int n = 2; IsBuiltInName(name) || std::find(names.begin(), names.end(), name) !=
                                                     names.end();
           ++n) {
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
  const bool quoted =
      m_separator == ' ' ||
      (m_separator == ',' && text.find_first_of(",\"\r\n") != std::string_view::npos);
  if (m_separator == '\t') {
    for (const char c : text) out += c == '\t' || c == '\r' || c == '\n' ? ' ' : c;
    return;
  }
  if (!quoted) {
    out += text;
    return;
  }
  out += '"';
  for (const char c : text) {
    if (c == '"') out += '"';
    out += c;
  }
  out += '"';
}

void TTableWriter::AppendNumber(int64_t value, std::string& out) const {
  char digits[24];
  out.append(digits, std::to_chars(digits, digits + sizeof(digits), value).ptr);
}

int64_t TTableWriter::WritePlacemark(const TPlacemark& placemark) {
  // The texts of the Placemark, the same on each of its rows, made once.
  for (size_t f = 0; f < m_fields.size(); ++f) {
    const TFieldChoice& choice = m_fields[f];
    std::string& text = m_texts[f];
    text.clear();
    switch (choice.field) {
      case TField::kName:
        AppendText(placemark.name, text);
        break;
      case TField::kDescription:
        AppendText(placemark.description, text);
        break;
      case TField::kFolder:
        AppendText(placemark.folder, text);
        break;
      case TField::kStyle:
        AppendText(placemark.style, text);
        break;
      case TField::kBegin:
        AppendText(placemark.begin, text);
        break;
      case TField::kEnd:
        AppendText(placemark.end, text);
        break;
      case TField::kData:
        AppendText(DataValue(placemark, choice.data_name), text);
        break;
      default:
        break;
    }
  }
  const int64_t entities_before = m_entities;
  int32_t geometry = -1;
  for (const TGeometryPart& part : placemark.parts) {
    if (part.geometry != geometry) {
      geometry = part.geometry;
      ++m_entities;
    }
    for (size_t v = 0; v < part.count; ++v) {
      const size_t vertex = part.first + v;
      const TVertexText& numbers = placemark.vertices[vertex];
      m_row.clear();
      ++m_rows;
      for (size_t f = 0; f < m_fields.size(); ++f) {
        if (f > 0) m_row += m_separator;
        switch (m_fields[f].field) {
          case TField::kSeq:
            AppendNumber(m_rows, m_row);
            break;
          case TField::kPlacemark:
            if (placemark.id > 0) AppendNumber(placemark.id, m_row);
            break;
          case TField::kEntity:
            AppendNumber(m_entities, m_row);
            break;
          case TField::kType:
            AppendText(KindName(part.kind), m_row);
            break;
          case TField::kRing:
            if (part.kind == TGeometryKind::kPolygon) AppendNumber(part.ring, m_row);
            break;
          case TField::kVertex:
            AppendNumber(static_cast<int64_t>(v + 1), m_row);
            break;
          case TField::kTime: {
            const std::string_view time = placemark.TimeOf(vertex);
            AppendText(time.empty() ? std::string_view(placemark.when) : time, m_row);
            break;
          }
          case TField::kLon:
            AppendRowNumber(m_row, numbers.X, kXYDecimals);
            break;
          case TField::kLat:
            AppendRowNumber(m_row, numbers.Y, kXYDecimals);
            break;
          case TField::kAlt:
            AppendRowNumber(m_row, numbers.Z, kZDecimals);
            break;
          default:
            m_row += m_texts[f];
            break;
        }
      }
      m_writer.WriteLine(m_row);
    }
  }
  return m_entities - entities_before;
}

}  // namespace trelvo
