// Coordinates in the user's own grid: WGS 84 longitude/latitude projected by PROJ into a UTM
// zone or any system PROJ knows, one system for the whole run.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "reading/PointList.h"

namespace trelvo {

// What a run projects into.
struct TProjectionSettings {
  std::string crs;     // a definition PROJ accepts ("EPSG:25832"); empty for UTM
  int utm_zone = 0;    // 1 to 60, or 0: the zone of the first vertex (UTM only)
  bool south = false;  // the zone's hemisphere, with utm_zone
  int decimals = 3;    // of X and Y
};

// Whether this build projects at all (PROJ is linked in).
bool ProjectionAvailable();

// The settings of `--utm[=ZONE]`: "auto", or 1 to 60 with N or S ("32N"). Throws
// std::invalid_argument naming a bad zone.
TProjectionSettings ParseUtmZone(std::string_view zone);

// The decimals of projected X and Y: 0 to 10. Throws std::invalid_argument naming a bad value.
int ParseDecimals(std::string_view decimals);

// Throws std::invalid_argument naming the system when PROJ does not know it, or when it is not
// projected (a geographic one gives degrees again).
void CheckProjection(const TProjectionSettings& settings);

// Projects the X and Y of vertices of the value form, in place; Z passes unchanged. Used by one
// thread at a time. A UTM zone of 0 becomes the zone of the first vertex projected (Norway's
// and Svalbard's exceptions included) and stays for the run.
class TProjection {
 public:
  explicit TProjection(const TProjectionSettings& settings);
  ~TProjection();
  TProjection(const TProjection&) = delete;
  TProjection& operator=(const TProjection&) = delete;

  // Projects the X and Y slots of `vertices` (values) of entity `entity`, whose first vertex is
  // vertex `first_vertex` (both 1-based, for messages). Throws std::runtime_error naming the
  // entity and vertex that cannot be projected.
  void Project(std::span<TVertexText> vertices, int64_t entity, int64_t first_vertex = 1);

  int Decimals() const { return m_settings.decimals; }

  // The settings, with the zone decided once a vertex is projected: for a second projection of
  // the same system (another thread's).
  const TProjectionSettings& Settings() const { return m_settings; }

  // Adds what `other`, a projection of the same system, saw to this one's report.
  void Absorb(const TProjection& other);

  // The UTM zone as written ("32N"), empty for other systems or before the first vertex.
  std::string ZoneName() const;

  // The end of the run: the system used, the vertices outside its area of use with the worst
  // scale distortion there, and the transformation PROJ chose with its accuracy.
  std::vector<std::string> Report() const;

 private:
  struct TState;

  void Open(const std::string& definition);

  TProjectionSettings m_settings;
  std::unique_ptr<TState> m_state;
  std::vector<double> m_x;
  std::vector<double> m_y;
};

}  // namespace trelvo
