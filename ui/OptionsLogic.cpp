#include "ui/OptionsLogic.h"

#include <algorithm>
#include <array>
#include <stdexcept>
#include <vector>

#include "transform/Projection.h"

namespace trelvo {
namespace {

using namespace layout;
using TCoordinates = TRunOptions::TCoordinates;

struct TCheckOption {
  TFrOptionsControl control;
  bool TRunOptions::*member;
};

constexpr std::array<TCheckOption, 10> kCheckOptions = {{
    {kNameCheck, &TRunOptions::name},
    {kDescriptionCheck, &TRunOptions::description},
    {kFolderCheck, &TRunOptions::folder},
    {kStyleCheck, &TRunOptions::style},
    {kTimeCheck, &TRunOptions::time},
    {kIdsCheck, &TRunOptions::ids},
    {kDataCheck, &TRunOptions::data},
    {kAllTypesCheck, &TRunOptions::all_types},
    {kAllRingsCheck, &TRunOptions::all_rings},
    {kBomCheck, &TRunOptions::bom},
}};

// In the order of TCoordinates.
constexpr std::array<TFrOptionsControl, 4> kCoordinateRadios = {kLonLatRadio, kUtmAutoRadio,
                                                                kUtmZoneRadio, kCrsRadio};

bool IsNumber(std::string_view text) {
  return !text.empty() && std::ranges::all_of(text, [](char c) { return c >= '0' && c <= '9'; });
}

// A bare number is an EPSG code.
std::string CrsDefinition(const std::string& crs) { return IsNumber(crs) ? "EPSG:" + crs : crs; }

std::string Trimmed(const std::string& text) {
  const size_t first = text.find_first_not_of(" \t");
  if (first == std::string::npos) return "";
  return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

std::string Joined(const std::vector<std::string>& parts, std::string_view separator = ", ") {
  std::string text;
  for (const std::string& part : parts) {
    if (!text.empty()) text += separator;
    text += part;
  }
  return text;
}

}  // namespace

void ApplyOptions(const TRunOptions& options, TRunSettings& settings) {
  settings.Table.reset();
  settings.Projection.reset();
  const bool projecting = options.coordinates != TCoordinates::kLonLat;
  if (projecting) {
    TProjectionSettings projection;
    if (options.coordinates == TCoordinates::kUtmZone) {
      projection = ParseUtmZone(options.zone + (options.south ? "S" : "N"));
    } else if (options.coordinates == TCoordinates::kCrs) {
      if (options.crs.empty()) throw std::invalid_argument("empty --t-srs");
      projection.crs = CrsDefinition(options.crs);
    }
    projection.decimals = ParseDecimals(options.decimals);
    CheckProjection(projection);
    settings.Projection = projection;
  }
  if (!options.table) return;
  std::vector<std::string> fields;
  if (options.ids) fields.insert(fields.end(), {"placemark", "entity"});
  fields.emplace_back("type");
  if (options.ids && options.all_rings) fields.emplace_back("ring");
  if (options.ids) fields.emplace_back("vertex");
  if (options.name) fields.emplace_back("name");
  if (options.description) fields.emplace_back("description");
  if (options.folder) fields.emplace_back("folder");
  if (options.style) fields.emplace_back("style");
  if (options.time) fields.insert(fields.end(), {"time", "begin", "end"});
  if (projecting) {
    fields.insert(fields.end(), {"easting", "northing"});
  } else {
    fields.insert(fields.end(), {"lon", "lat"});
  }
  fields.emplace_back("alt");
  if (options.data) fields.emplace_back("@*");
  TTableSettings table;
  table.fields = ParseFields(Joined(fields, ","));
  table.bom = options.bom;
  table.all_types = options.all_types;
  table.all_rings = options.all_rings;
  settings.Table = table;
}

std::string OptionsSummary(const TRunOptions& options) {
  std::vector<std::string> parts;
  if (options.table) {
    parts.emplace_back("Table layout");
    if (options.all_types) parts.emplace_back("all feature types");
    if (options.all_rings) parts.emplace_back("all rings");
    if (options.bom) parts.emplace_back("byte-order mark");
  }
  switch (options.coordinates) {
    case TCoordinates::kLonLat:
      break;
    case TCoordinates::kUtmAuto:
      parts.emplace_back("UTM, zone from the first point");
      break;
    case TCoordinates::kUtmZone:
      parts.push_back("UTM " + options.zone + (options.south ? "S" : "N"));
      break;
    case TCoordinates::kCrs:
      parts.push_back(CrsDefinition(options.crs));
      break;
  }
  if (options.coordinates != TCoordinates::kLonLat && options.decimals != "3") {
    parts.push_back(options.decimals + " decimals");
  }
  return Joined(parts);
}

std::string OptionsCaption(const TRunOptions& options) {
  std::vector<std::string> parts;
  if (options.table) parts.emplace_back("Table");
  if (options.coordinates == TCoordinates::kUtmAuto ||
      options.coordinates == TCoordinates::kUtmZone) {
    parts.emplace_back("UTM");
  } else if (options.coordinates == TCoordinates::kCrs) {
    parts.emplace_back(IsNumber(options.crs) ? "EPSG" : "CRS");
  }
  return (parts.empty() ? "Options" : Joined(parts)) + "...";
}

TfrOptionsLogic::TfrOptionsLogic(TOptionsView& view, TDialogs& dialogs)
    : m_view(view), m_dialogs(dialogs) {}

void TfrOptionsLogic::Show(const TRunOptions& options) {
  m_view.SetChecked(kClassicRadio, !options.table);
  m_view.SetChecked(kTableRadio, options.table);
  for (const TCheckOption& check : kCheckOptions) {
    m_view.SetChecked(check.control, options.*check.member);
  }
  for (size_t i = 0; i < kCoordinateRadios.size(); ++i) {
    m_view.SetChecked(kCoordinateRadios[i], i == static_cast<size_t>(options.coordinates));
  }
  m_view.SetText(kZoneEdit, options.zone);
  m_view.SetText(kHemisphereCombo, options.south ? "S" : "N");
  m_view.SetText(kCrsEdit, options.crs);
  m_view.SetText(kDecimalsEdit, options.decimals);
  EnableControls();
}

TRunOptions TfrOptionsLogic::Read() const {
  TRunOptions options;
  options.table = m_view.Checked(kTableRadio);
  for (const TCheckOption& check : kCheckOptions) {
    options.*check.member = m_view.Checked(check.control);
  }
  for (size_t i = 0; i < kCoordinateRadios.size(); ++i) {
    if (m_view.Checked(kCoordinateRadios[i])) options.coordinates = static_cast<TCoordinates>(i);
  }
  options.zone = Trimmed(m_view.Text(kZoneEdit));
  options.south = m_view.Text(kHemisphereCombo) == "S";
  options.crs = Trimmed(m_view.Text(kCrsEdit));
  options.decimals = Trimmed(m_view.Text(kDecimalsEdit));
  return options;
}

void TfrOptionsLogic::EnableControls() {
  const bool table = m_view.Checked(kTableRadio);
  for (const TCheckOption& check : kCheckOptions) m_view.SetEnabled(check.control, table);
  // A build without projections offers none.
  const bool projections = ProjectionAvailable();
  for (const TFrOptionsControl radio : {kUtmAutoRadio, kUtmZoneRadio, kCrsRadio}) {
    m_view.SetEnabled(radio, projections);
  }
  const bool zone = m_view.Checked(kUtmZoneRadio);
  m_view.SetEnabled(kZoneEdit, zone);
  m_view.SetEnabled(kHemisphereCombo, zone);
  m_view.SetEnabled(kCrsEdit, m_view.Checked(kCrsRadio));
  const bool projecting = !m_view.Checked(kLonLatRadio);
  m_view.SetEnabled(kDecimalsLabel, projecting);
  m_view.SetEnabled(kDecimalsEdit, projecting);
}

void TfrOptionsLogic::Click(TFrOptionsControl control) {
  switch (control) {
    case kDefaultsButton:
      Show(TRunOptions());
      break;
    case kOkButton: {
      const TRunOptions options = Read();
      try {
        TRunSettings settings;
        ApplyOptions(options, settings);
      } catch (const std::invalid_argument& error) {
        m_dialogs.Message(TMessageKind::kError, error.what());
        return;
      }
      m_result = options;
      m_view.CloseDialog(true);
      break;
    }
    case kCancelButton:
      m_view.CloseDialog(false);
      break;
    default:
      EnableControls();
      break;
  }
}

}  // namespace trelvo
