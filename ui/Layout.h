// The windows as they are laid out at 96 dpi: every control's name, kind, place, size and
// text, shared by the Qt and the Win32 front-ends so both draw the same windows.
#pragma once

#include <cstdint>

#include "transform/TextExport.h"

namespace trelvo::layout {

enum class TKind : uint8_t {
  kPanel,  // a plain area with a white background
  kLabel,
  kLink,         // a label that opens the web address when clicked
  kEdit,         // a read-only, borderless text box
  kSpeedButton,  // a flat picture button that takes no focus
  kGroupBox,
  kRadio,
  kButton,  // a push button that answers neither Enter nor Escape
  kBevel,   // a single line along its top edge
  kCheck,   // a check box
  kInput,   // a text box the user types in
  kCombo,   // a drop-down list; its text holds the items, separated by '|'
};

enum TStyle : uint8_t {
  kPlain = 0,
  kBold = 1,
  kRightAligned = 2,
  kChecked = 4,   // the radio button checked at start
  kDisabled = 8,  // shown greyed throughout
  kDefault = 16,  // the button Enter presses (in a dialog, where Escape cancels)
};

inline constexpr int kNoParent = -1;

struct TControl {
  const char* name;
  TKind kind;
  int parent;  // index in the same table of the control it sits in, or kNoParent
  int left;    // within the parent's client area
  int top;
  int width;
  int height;
  const char* text;  // for a speed button, the name of its picture
  uint8_t style = kPlain;
};

// Form1, the main window.
inline constexpr int kForm1Width = 403;
inline constexpr int kForm1Height = 282;

enum TForm1Control : uint8_t {
  kPanel1,
  kLabel5,
  kLabel4,
  kLabel1,
  kEdit1,
  kSpeedButton1,
  kGroupBox2,
  kRadioButton4,
  kRadioButton5,
  kRadioButton6,
  kGroupBox1,
  kRadioButton1,
  kRadioButton2,
  kRadioButton3,
  kLabel2,
  kEdit2,
  kSpeedButton2,
  kButton1,
  kButton2,
  kLabel3,
  kButton3,
  kForm1Controls,
};

inline constexpr TControl kForm1[kForm1Controls] = {
    {"Panel1", TKind::kPanel, kNoParent, 0, 0, 403, 26, ""},
    {"Label5", TKind::kLabel, kPanel1, 5, 5, 161, 15, "Google Earth KML to TextFile", kBold},
    {"Label4", TKind::kLink, kPanel1, 295, 6, 101, 15, WebAddress.data(), kRightAligned},
    {"Label1", TKind::kLabel, kNoParent, 5, 34, 89, 15, "Input File (*.kml)"},
    {"Edit1", TKind::kEdit, kNoParent, 5, 50, 371, 23, ""},
    {"SpeedButton1", TKind::kSpeedButton, kNoParent, 377, 50, 23, 22, "open"},
    {"GroupBox2", TKind::kGroupBox, kNoParent, 5, 80, 391, 46, " Feature type "},
    {"RadioButton4", TKind::kRadio, kGroupBox2, 20, 20, 66, 17, "Point"},
    {"RadioButton5", TKind::kRadio, kGroupBox2, 155, 20, 71, 17, "Path", kChecked},
    {"RadioButton6", TKind::kRadio, kGroupBox2, 285, 20, 81, 17, "Polygon"},
    {"GroupBox1", TKind::kGroupBox, kNoParent, 5, 130, 391, 56, " Output format "},
    {"RadioButton1", TKind::kRadio, kGroupBox1, 20, 30, 71, 17, "CSV", kChecked},
    {"RadioButton2", TKind::kRadio, kGroupBox1, 155, 30, 61, 17, "TXT"},
    {"RadioButton3", TKind::kRadio, kGroupBox1, 290, 30, 61, 17, "TAB"},
    {"Label2", TKind::kLabel, kNoParent, 5, 197, 59, 15, "Output File"},
    {"Edit2", TKind::kEdit, kNoParent, 5, 215, 371, 23, ""},
    {"SpeedButton2", TKind::kSpeedButton, kNoParent, 378, 215, 23, 22, "save"},
    {"Button1", TKind::kButton, kNoParent, 240, 251, 80, 25, "Accept"},
    {"Button2", TKind::kButton, kNoParent, 325, 251, 75, 25, "Close"},
    {"Label3", TKind::kLabel, kNoParent, 5, 260, 142, 15, "Made by Brisko Solutions", kDisabled},
    {"Button3", TKind::kButton, kNoParent, 155, 251, 80, 25, "Options..."},
};

// Button3's tooltip while the options are the defaults.
inline constexpr const char* kButton3Hint = "Table layout and projected coordinates";

// The order Tab moves the focus in: the text boxes, the buttons, then the output formats and
// the feature types (Panel1 holds nothing that takes the focus).
inline constexpr TForm1Control kForm1TabOrder[] = {
    kEdit1,        kEdit2,        kButton1,      kButton2,      kButton3,      kRadioButton1,
    kRadioButton2, kRadioButton3, kRadioButton4, kRadioButton5, kRadioButton6,
};

// The format and feature-type buttons, in the order of their values.
inline constexpr TForm1Control kFormatButtons[] = {kRadioButton1, kRadioButton2, kRadioButton3};
inline constexpr TForm1Control kTypeButtons[] = {kRadioButton4, kRadioButton5, kRadioButton6};

// The controls a run disables.
inline constexpr TForm1Control kRunControls[] = {kLabel1,       kLabel2,       kButton1, kButton2,
                                                 kSpeedButton1, kSpeedButton2, kEdit1,   kEdit2};

// frOptions, the Options dialog: the table layout and projected coordinates.
inline constexpr int kFrOptionsWidth = 330;
inline constexpr int kFrOptionsHeight = 383;

enum TFrOptionsControl : uint8_t {
  kLayoutBox,
  kClassicRadio,
  kTableRadio,
  kTableBox,
  kNameCheck,
  kDescriptionCheck,
  kFolderCheck,
  kStyleCheck,
  kTimeCheck,
  kIdsCheck,
  kDataCheck,
  kAllTypesCheck,
  kAllRingsCheck,
  kBomCheck,
  kCoordinatesBox,
  kLonLatRadio,
  kUtmAutoRadio,
  kUtmZoneRadio,
  kZoneEdit,
  kHemisphereCombo,
  kCrsRadio,
  kCrsEdit,
  kDecimalsLabel,
  kDecimalsEdit,
  kDefaultsButton,
  kOkButton,
  kCancelButton,
  kFrOptionsControls,
};

inline constexpr TControl kFrOptions[kFrOptionsControls] = {
    {"GroupBox3", TKind::kGroupBox, kNoParent, 5, 5, 320, 46, " Layout "},
    {"RadioButton7", TKind::kRadio, kLayoutBox, 15, 20, 90, 17, "Classic", kChecked},
    {"RadioButton8", TKind::kRadio, kLayoutBox, 155, 20, 90, 17, "Table"},
    {"GroupBox4", TKind::kGroupBox, kNoParent, 5, 56, 320, 146, " Table "},
    {"CheckBox1", TKind::kCheck, kTableBox, 15, 20, 95, 17, "Name", kChecked},
    {"CheckBox2", TKind::kCheck, kTableBox, 115, 20, 95, 17, "Description"},
    {"CheckBox3", TKind::kCheck, kTableBox, 215, 20, 95, 17, "Folder", kChecked},
    {"CheckBox4", TKind::kCheck, kTableBox, 15, 40, 95, 17, "Style"},
    {"CheckBox5", TKind::kCheck, kTableBox, 115, 40, 95, 17, "Time"},
    {"CheckBox6", TKind::kCheck, kTableBox, 215, 40, 95, 17, "Ids", kChecked},
    {"CheckBox7", TKind::kCheck, kTableBox, 15, 60, 290, 17, "All ExtendedData fields"},
    {"CheckBox8", TKind::kCheck, kTableBox, 15, 84, 290, 17, "All feature types in one table"},
    {"CheckBox9", TKind::kCheck, kTableBox, 15, 104, 290, 17, "All rings of polygons"},
    {"CheckBox10", TKind::kCheck, kTableBox, 15, 124, 290, 17, "Byte-order mark for Excel"},
    {"GroupBox5", TKind::kGroupBox, kNoParent, 5, 207, 320, 136, " Coordinates "},
    {"RadioButton9", TKind::kRadio, kCoordinatesBox, 15, 20, 290, 17, "Longitude/latitude (WGS 84)",
     kChecked},
    {"RadioButton10", TKind::kRadio, kCoordinatesBox, 15, 42, 290, 17,
     "UTM, zone from the first point"},
    {"RadioButton11", TKind::kRadio, kCoordinatesBox, 15, 66, 90, 17, "UTM zone"},
    {"Edit3", TKind::kInput, kCoordinatesBox, 110, 64, 40, 21, ""},
    {"ComboBox1", TKind::kCombo, kCoordinatesBox, 155, 64, 45, 21, "N|S"},
    {"RadioButton12", TKind::kRadio, kCoordinatesBox, 15, 90, 90, 17, "EPSG code"},
    {"Edit4", TKind::kInput, kCoordinatesBox, 110, 88, 90, 21, ""},
    {"Label6", TKind::kLabel, kCoordinatesBox, 33, 113, 60, 15, "Decimals"},
    {"Edit5", TKind::kInput, kCoordinatesBox, 110, 110, 40, 21, "3"},
    {"Button4", TKind::kButton, kNoParent, 5, 352, 110, 25, "Restore defaults"},
    {"Button5", TKind::kButton, kNoParent, 170, 352, 75, 25, "OK", kDefault},
    {"Button6", TKind::kButton, kNoParent, 250, 352, 75, 25, "Cancel"},
};

// frChange, the progress window.
inline constexpr int kFrChangeWidth = 317;
inline constexpr int kFrChangeHeight = 86;

enum TFrChangeControl : uint8_t {
  kProgressLabel1,
  kProgressLabel3,
  kCounter,
  kBevel1,
  kProgressLabel2,
  kFrChangeControls
};

inline constexpr TControl kFrChange[kFrChangeControls] = {
    {"Label1", TKind::kLabel, kNoParent, 35, 10, 133, 15, "Transforming file...  wait "},
    {"Label3", TKind::kLabel, kNoParent, 45, 35, 47, 15, "Entities :"},
    {"Label4", TKind::kLabel, kNoParent, 115, 35, 38, 15, ""},
    {"Bevel1", TKind::kBevel, kNoParent, 10, 60, 296, 10, ""},
    {"Label2", TKind::kLabel, kNoParent, 10, 65, 290, 15,
     "Depending on the file size it could take a few minutes"},
};

// The font of both windows: Arial, 12 pixels high at 96 dpi.
inline constexpr const char* kFontFamily = "Arial";
inline constexpr int kFontPixels = 12;

}  // namespace trelvo::layout
