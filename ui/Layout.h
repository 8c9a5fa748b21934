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
};

enum TStyle : uint8_t {
  kPlain = 0,
  kBold = 1,
  kRightAligned = 2,
  kChecked = 4,   // the radio button checked at start
  kDisabled = 8,  // shown greyed throughout
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
};

// The order Tab moves the focus in: the text boxes, the buttons, then the output formats and
// the feature types (Panel1 holds nothing that takes the focus).
inline constexpr TForm1Control kForm1TabOrder[] = {
    kEdit1,        kEdit2,        kButton1,      kButton2,      kRadioButton1,
    kRadioButton2, kRadioButton3, kRadioButton4, kRadioButton5, kRadioButton6,
};

// The format and feature-type buttons, in the order of their values.
inline constexpr TForm1Control kFormatButtons[] = {kRadioButton1, kRadioButton2, kRadioButton3};
inline constexpr TForm1Control kTypeButtons[] = {kRadioButton4, kRadioButton5, kRadioButton6};

// The controls a run disables.
inline constexpr TForm1Control kRunControls[] = {kLabel1,       kLabel2,       kButton1, kButton2,
                                                 kSpeedButton1, kSpeedButton2, kEdit1,   kEdit2};

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
