#include "transform/Projection.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <stdexcept>

#include "reading/NumberText.h"

#if defined(TRELVO_HAVE_PROJ)
#include <proj.h>

#include "platform/Platform.h"

#if defined(TRELVO_PROJ_LIBRARY)
#include <dlfcn.h>
#endif
#endif

namespace trelvo {
namespace {

// The source of every run: longitude, latitude on WGS 84, in that axis order.
constexpr char kSource[] = "OGC:CRS84";
constexpr double kRadians = 3.14159265358979323846 / 180.0;

std::string FixedText(double value, int decimals) {
  char text[64];
  std::snprintf(text, sizeof(text), "%.*f", decimals, value);
  return text;
}

// The UTM zone of a point, with the exceptions of southern Norway and Svalbard.
int UtmZone(double lon, double lat) {
  int zone = static_cast<int>(std::floor((lon + 180.0) / 6.0)) + 1;
  zone = std::clamp(zone, 1, 60);
  if (lat >= 56.0 && lat < 64.0 && lon >= 3.0 && lon < 12.0) zone = 32;
  if (lat >= 72.0 && lat < 84.0 && lon >= 0.0 && lon < 42.0) {
    zone = lon < 9.0 ? 31 : lon < 21.0 ? 33 : lon < 33.0 ? 35 : 37;
  }
  return zone;
}

std::string UtmDefinition(int zone, bool south) {
  return "EPSG:" + std::to_string((south ? 32700 : 32600) + zone);
}

}  // namespace

int ParseDecimals(std::string_view decimals) {
  int number = -1;
  const auto [end, ec] =
      std::from_chars(decimals.data(), decimals.data() + decimals.size(), number);
  if (ec != std::errc() || end != decimals.data() + decimals.size() || number < 0 || number > 10) {
    throw std::invalid_argument("bad --decimals value '" + std::string(decimals) + "' (0 to 10)");
  }
  return number;
}

TProjectionSettings ParseUtmZone(std::string_view zone) {
  TProjectionSettings settings;
  if (zone == "auto") return settings;
  const auto bad = [&] {
    return std::invalid_argument("bad --utm zone '" + std::string(zone) +
                                 "' (auto, or 1 to 60 with N or S: 32N)");
  };
  if (zone.size() < 2) throw bad();
  const char hemisphere = zone.back();
  if (hemisphere != 'N' && hemisphere != 'S' && hemisphere != 'n' && hemisphere != 's') throw bad();
  int number = 0;
  const auto [end, ec] = std::from_chars(zone.data(), zone.data() + zone.size() - 1, number);
  if (ec != std::errc() || end != zone.data() + zone.size() - 1 || number < 1 || number > 60) {
    throw bad();
  }
  settings.utm_zone = number;
  settings.south = hemisphere == 'S' || hemisphere == 's';
  return settings;
}

#if defined(TRELVO_HAVE_PROJ)

namespace {

// The PROJ functions used, called through a table: where PROJ is a shared library it is loaded
// when a run first projects, since its libraries (and theirs: curl, TIFF, SQLite) would take
// 10 MB of every run's memory; where it is linked in statically, the table holds its functions.
#define TRELVO_PROJ_FUNCTIONS(X)      \
  X(proj_context_create)              \
  X(proj_context_destroy)             \
  X(proj_context_errno)               \
  X(proj_context_errno_string)        \
  X(proj_context_set_search_paths)    \
  X(proj_coordoperation_get_accuracy) \
  X(proj_create)                      \
  X(proj_create_crs_to_crs)           \
  X(proj_destroy)                     \
  X(proj_factors)                     \
  X(proj_get_area_of_use)             \
  X(proj_get_name)                    \
  X(proj_get_type)                    \
  X(proj_log_level)                   \
  X(proj_normalize_for_visualization) \
  X(proj_trans_generic)               \
  X(proj_trans_get_last_used_operation)

struct TProj {
#define TRELVO_POINTER(name) decltype(&::name) name = nullptr;
  TRELVO_PROJ_FUNCTIONS(TRELVO_POINTER)
#undef TRELVO_POINTER
};

TProj LoadProj() {
  TProj proj;
#if defined(TRELVO_PROJ_LIBRARY)
  void* library = dlopen(TRELVO_PROJ_LIBRARY, RTLD_NOW | RTLD_LOCAL);
  if (library == nullptr) {
    throw std::invalid_argument(std::string("cannot load PROJ (") + dlerror() + ")");
  }
#define TRELVO_LOAD(name)                                                 \
  proj.name = reinterpret_cast<decltype(&::name)>(dlsym(library, #name)); \
  if (proj.name == nullptr) throw std::invalid_argument("PROJ has no " #name);
#else
#define TRELVO_LOAD(name) proj.name = &::name;
#endif
  TRELVO_PROJ_FUNCTIONS(TRELVO_LOAD)
#undef TRELVO_LOAD
  return proj;
}

const TProj& Proj() {
  static const TProj proj = LoadProj();
  return proj;
}

}  // namespace

struct TProjection::TState {
  PJ_CONTEXT* context = nullptr;
  PJ* target = nullptr;
  PJ* operation = nullptr;
  std::string definition;
  double west = -180.0, south = -90.0, east = 180.0, north = 90.0;  // the area of use
  int64_t outside = 0;
  double worst_scale = 1.0;

  ~TState() {
    if (operation != nullptr) Proj().proj_destroy(operation);
    if (target != nullptr) Proj().proj_destroy(target);
    if (context != nullptr) Proj().proj_context_destroy(context);
  }

  bool Inside(double lon, double lat) const {
    const bool in_longitude =
        west <= east ? lon >= west && lon <= east : lon >= west || lon <= east;
    return in_longitude && lat >= south && lat <= north;
  }
};

namespace {

// A context that finds proj.db where this platform keeps it.
PJ_CONTEXT* NewContext() {
  PJ_CONTEXT* context = Proj().proj_context_create();
  if (context == nullptr) throw std::bad_alloc();
  Proj().proj_log_level(context, PJ_LOG_NONE);
  const std::vector<std::string> folders = ProjectionDataFolders();
  if (!folders.empty()) {
    std::vector<const char*> paths;
    for (const std::string& folder : folders) paths.push_back(folder.c_str());
    Proj().proj_context_set_search_paths(context, static_cast<int>(paths.size()), paths.data());
  }
  return context;
}

std::string ErrorText(PJ_CONTEXT* context) {
  const char* text = Proj().proj_context_errno_string(context, Proj().proj_context_errno(context));
  return text != nullptr ? text : "unknown error";
}

}  // namespace

bool ProjectionAvailable() { return true; }

void CheckProjection(const TProjectionSettings& settings) {
  if (settings.crs.empty()) return;
  PJ_CONTEXT* context = NewContext();
  PJ* crs = Proj().proj_create(context, settings.crs.c_str());
  const PJ_TYPE type = crs != nullptr ? Proj().proj_get_type(crs) : PJ_TYPE_UNKNOWN;
  const std::string cause = crs == nullptr ? ErrorText(context) : "";
  if (crs != nullptr) Proj().proj_destroy(crs);
  Proj().proj_context_destroy(context);
  if (crs == nullptr) {
    throw std::invalid_argument("unknown coordinate system '" + settings.crs + "' (" + cause + ")");
  }
  if (type != PJ_TYPE_PROJECTED_CRS && type != PJ_TYPE_COMPOUND_CRS) {
    throw std::invalid_argument("'" + settings.crs +
                                "' is no projected coordinate system (it gives no metres)");
  }
}

TProjection::TProjection(const TProjectionSettings& settings) : m_settings(settings) {
  if (!settings.crs.empty()) {
    Open(settings.crs);
  } else if (settings.utm_zone != 0) {
    Open(UtmDefinition(settings.utm_zone, settings.south));
  }
}

TProjection::~TProjection() = default;

void TProjection::Open(const std::string& definition) {
  auto state = std::make_unique<TState>();
  state->context = NewContext();
  state->definition = definition;
  state->target = Proj().proj_create(state->context, definition.c_str());
  PJ* operation =
      state->target == nullptr
          ? nullptr
          : Proj().proj_create_crs_to_crs(state->context, kSource, definition.c_str(), nullptr);
  if (operation == nullptr) {
    throw std::invalid_argument("unknown coordinate system '" + definition + "' (" +
                                ErrorText(state->context) + ")");
  }
  // Easting first, northing second, whatever the system's own axis order.
  state->operation = Proj().proj_normalize_for_visualization(state->context, operation);
  Proj().proj_destroy(operation);
  if (state->operation == nullptr) {
    throw std::invalid_argument("cannot project into '" + definition + "' (" +
                                ErrorText(state->context) + ")");
  }
  Proj().proj_get_area_of_use(state->context, state->target, &state->west, &state->south,
                              &state->east, &state->north, nullptr);
  m_state = std::move(state);
}

void TProjection::Project(std::span<TVertexText> vertices, int64_t entity, int64_t first_vertex) {
  if (vertices.empty()) return;
  if (m_state == nullptr) {
    const double lon = FixedTextValue(vertices[0].X);
    const double lat = FixedTextValue(vertices[0].Y);
    m_settings.utm_zone = UtmZone(lon, lat);
    m_settings.south = lat < 0.0;
    Open(UtmDefinition(m_settings.utm_zone, m_settings.south));
  }
  TState& state = *m_state;
  const size_t count = vertices.size();
  m_x.resize(count);
  m_y.resize(count);
  // UTM is defined from 80 S to 84 N; PROJ's algorithm would give numbers beyond that.
  size_t first_beyond_utm = count;
  for (size_t i = 0; i < count; ++i) {
    m_x[i] = FixedTextValue(vertices[i].X);
    m_y[i] = FixedTextValue(vertices[i].Y);
    if (m_settings.crs.empty() && (m_y[i] < -80.0 || m_y[i] > 84.0)) {
      first_beyond_utm = std::min(first_beyond_utm, i);
    }
    if (!state.Inside(m_x[i], m_y[i])) {
      ++state.outside;
      PJ_COORD where{};
      where.lp = {m_x[i] * kRadians, m_y[i] * kRadians};
      const PJ_FACTORS factors = Proj().proj_factors(state.target, where);
      // The scale of the two farther from 1 (they are equal in conformal projections).
      const double scale =
          std::fabs(factors.meridional_scale - 1.0) > std::fabs(factors.parallel_scale - 1.0)
              ? factors.meridional_scale
              : factors.parallel_scale;
      if (std::isfinite(scale) && scale > 0.0 &&
          std::fabs(scale - 1.0) > std::fabs(state.worst_scale - 1.0)) {
        state.worst_scale = scale;
      }
    }
  }
  Proj().proj_trans_generic(state.operation, PJ_FWD, m_x.data(), sizeof(double), count, m_y.data(),
                            sizeof(double), count, nullptr, 0, 0, nullptr, 0, 0);
  for (size_t i = 0; i < count; ++i) {
    if (i == first_beyond_utm || !std::isfinite(m_x[i]) || !std::isfinite(m_y[i]) ||
        std::fabs(m_x[i]) >= 1e30) {
      throw std::runtime_error("entity " + std::to_string(entity) + ", vertex " +
                               std::to_string(first_vertex + static_cast<int64_t>(i)) + " (" +
                               FixedText(FixedTextValue(vertices[i].X), 7) + ", " +
                               FixedText(FixedTextValue(vertices[i].Y), 7) +
                               ") cannot be projected into " + state.definition);
    }
    vertices[i].X = TFixedText::OfValue(m_x[i]);
    vertices[i].Y = TFixedText::OfValue(m_y[i]);
  }
}

void TProjection::Absorb(const TProjection& other) {
  if (m_state == nullptr || other.m_state == nullptr) return;
  m_state->outside += other.m_state->outside;
  if (std::fabs(other.m_state->worst_scale - 1.0) > std::fabs(m_state->worst_scale - 1.0)) {
    m_state->worst_scale = other.m_state->worst_scale;
  }
}

std::string TProjection::ZoneName() const {
  if (!m_settings.crs.empty() || m_settings.utm_zone == 0) return {};
  return std::to_string(m_settings.utm_zone) + (m_settings.south ? "S" : "N");
}

std::vector<std::string> TProjection::Report() const {
  if (m_state == nullptr) return {};
  const TState& state = *m_state;
  std::vector<std::string> lines;
  const char* name = Proj().proj_get_name(state.target);
  lines.push_back("coordinates in " + state.definition + " (" + (name != nullptr ? name : "") +
                  ")");
  if (state.outside > 0) {
    lines.push_back(std::to_string(state.outside) +
                    (state.outside == 1 ? " vertex lies" : " vertices lie") +
                    " outside its area of use; the scale factor there reaches " +
                    FixedText(state.worst_scale, 6));
  }
  PJ* used = Proj().proj_trans_get_last_used_operation(state.operation);
  const PJ* operation = used != nullptr ? used : state.operation;
  const std::string operation_name =
      Proj().proj_get_name(operation) != nullptr ? Proj().proj_get_name(operation) : "";
  const double accuracy = Proj().proj_coordoperation_get_accuracy(state.context, operation);
  if (operation_name.find("Ballpark") != std::string::npos) {
    lines.push_back(
        "PROJ found no exact transformation (a correction grid may be missing) and "
        "used a ballpark one: expect errors of metres");
  } else if (accuracy >= 0.0) {
    lines.push_back("transformation: " + operation_name + ", accuracy " + FixedText(accuracy, 3) +
                    " m");
  } else {
    lines.push_back("transformation: " + operation_name + " (a conversion: exact)");
  }
  if (used != nullptr) Proj().proj_destroy(used);
  return lines;
}

#else

bool ProjectionAvailable() { return false; }

void CheckProjection(const TProjectionSettings&) {
  throw std::invalid_argument("this build of trelvo-cli has no projections (PROJ)");
}

struct TProjection::TState {};

TProjection::TProjection(const TProjectionSettings& settings) : m_settings(settings) {
  CheckProjection(settings);
}

TProjection::~TProjection() = default;

void TProjection::Open(const std::string&) {}

void TProjection::Project(std::span<TVertexText>, int64_t, int64_t) {}

void TProjection::Absorb(const TProjection&) {}

std::string TProjection::ZoneName() const { return {}; }

std::vector<std::string> TProjection::Report() const { return {}; }

#endif

}  // namespace trelvo
