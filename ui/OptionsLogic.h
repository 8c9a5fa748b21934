// The Options dialog without a toolkit: the table layout and projected coordinates, as the
// command line offers them. The Qt and the Win32 dialogs are thin views over TfrOptionsLogic.
#pragma once

#include <cstdint>
#include <string>

#include "transform/Transformation.h"
#include "ui/Dialogs.h"
#include "ui/Layout.h"

namespace trelvo {

// What the Options dialog chooses. The defaults convert exactly as the window always has.
struct TRunOptions {
  enum class TCoordinates : uint8_t {
    kLonLat,   // WGS 84 longitude and latitude, as always
    kUtmAuto,  // UTM, the zone of the first vertex
    kUtmZone,  // UTM, the zone given
    kCrs,      // an EPSG code (or any system PROJ knows)
  };

  bool table = false;
  // The table's fields beyond the type and the coordinates.
  bool name = true;
  bool description = false;
  bool folder = true;
  bool style = false;
  bool time = false;  // time, begin and end
  bool ids = true;    // placemark, entity, vertex (and ring, with all rings)
  bool data = false;  // every ExtendedData field
  bool all_types = false;
  bool all_rings = false;
  bool bom = false;
  TCoordinates coordinates = TCoordinates::kLonLat;
  std::string zone;    // 1 to 60, with kUtmZone
  bool south = false;  // the zone's hemisphere
  std::string crs;     // "25832" (an EPSG code) or a definition, with kCrs
  std::string decimals = "3";

  bool operator==(const TRunOptions&) const = default;
};

// Sets the layout and projection of `settings` as `options` say. Throws std::invalid_argument
// with the command line's message for a zone, system or decimals it refuses.
void ApplyOptions(const TRunOptions& options, TRunSettings& settings);

// What makes the file differ from the window's usual one ("Table layout, UTM 32N"), or empty.
std::string OptionsSummary(const TRunOptions& options);

// The Options button's caption: "Options..." or, when the options change the file, what
// changes it in short ("Table, UTM...").
std::string OptionsCaption(const TRunOptions& options);

// The dialog's controls (layout::kFrOptions) as the logic sees them. Texts are UTF-8.
class TOptionsView {
 public:
  virtual ~TOptionsView() = default;
  // A radio button's or check box's state.
  virtual bool Checked(layout::TFrOptionsControl control) const = 0;
  virtual void SetChecked(layout::TFrOptionsControl control, bool checked) = 0;
  // A text box's text, or the chosen item of a drop-down list.
  virtual std::string Text(layout::TFrOptionsControl control) const = 0;
  virtual void SetText(layout::TFrOptionsControl control, const std::string& text) = 0;
  virtual void SetEnabled(layout::TFrOptionsControl control, bool enabled) = 0;
  // Ends the modal dialog.
  virtual void CloseDialog(bool accepted) = 0;
};

// frOptions' rules.
class TfrOptionsLogic {
 public:
  // Both must outlive the logic.
  TfrOptionsLogic(TOptionsView& view, TDialogs& dialogs);

  // Shows `options` in the controls.
  void Show(const TRunOptions& options);

  // Any button or box clicked: the controls that apply follow the choice; Restore defaults,
  // OK (refusing what the command line refuses, with its message) and Cancel.
  void Click(layout::TFrOptionsControl control);

  // The options accepted with OK.
  const TRunOptions& Result() const { return m_result; }

 private:
  TRunOptions Read() const;
  void EnableControls();

  TOptionsView& m_view;
  TDialogs& m_dialogs;
  TRunOptions m_result;
};

}  // namespace trelvo
