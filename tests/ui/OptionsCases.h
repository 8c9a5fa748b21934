// The Options dialog's rules as a user meets them, for the logic and both toolkits' dialogs: each
// test drives its own dialog through these same cases.
#pragma once

#include <string>
#include <vector>

#include "tests/ui/ScriptedDialogs.h"
#include "ui/OptionsLogic.h"

namespace trelvo::test {

// A dialog as a user works it: through its controls only.
class TOptionsDriver {
 public:
  virtual ~TOptionsDriver() = default;
  // A new dialog showing `options`.
  virtual void Open(const TRunOptions& options) = 0;
  // Clicks a button or box; a disabled one ignores the click, as it would a user's.
  virtual void Click(layout::TFrOptionsControl control) = 0;
  // Types into a text box, replacing its text; chooses a drop-down list's item.
  virtual void Type(layout::TFrOptionsControl control, const std::string& text) = 0;
  virtual bool IsChecked(layout::TFrOptionsControl control) = 0;
  virtual bool IsEnabled(layout::TFrOptionsControl control) = 0;
  virtual std::string TextOf(layout::TFrOptionsControl control) = 0;
  // Whether the dialog is closed, and with OK; the options it accepted.
  virtual bool Closed() = 0;
  virtual bool Accepted() = 0;
  virtual TRunOptions Result() = 0;
};

// Runs the cases; what went wrong, a line each (none when all is well).
inline std::vector<std::string> RunOptionsCases(TOptionsDriver& dialog, TScriptedDialogs& boxes) {
  using namespace layout;
  std::vector<std::string> failures;
  const auto check = [&](bool condition, const std::string& what) {
    if (!condition) failures.push_back(what);
  };
  constexpr TFrOptionsControl kTableControls[] = {
      kNameCheck, kDescriptionCheck, kFolderCheck,   kStyleCheck,    kTimeCheck,
      kIdsCheck,  kDataCheck,        kAllTypesCheck, kAllRingsCheck, kBomCheck};
  const auto table_enabled = [&](bool enabled) {
    for (const TFrOptionsControl control : kTableControls) {
      check(dialog.IsEnabled(control) == enabled,
            "table box " + std::to_string(control) + (enabled ? " disabled" : " enabled"));
    }
  };

  // The defaults: the classic layout in longitude and latitude; nothing else applies.
  dialog.Open(TRunOptions());
  check(dialog.IsChecked(kClassicRadio) && !dialog.IsChecked(kTableRadio), "classic at start");
  check(dialog.IsChecked(kLonLatRadio), "lon/lat at start");
  check(dialog.IsChecked(kNameCheck) && dialog.IsChecked(kFolderCheck) &&
            dialog.IsChecked(kIdsCheck) && !dialog.IsChecked(kDescriptionCheck),
        "default fields");
  table_enabled(false);
  for (const TFrOptionsControl control : {kZoneEdit, kHemisphereCombo, kCrsEdit, kDecimalsEdit}) {
    check(!dialog.IsEnabled(control), "control " + std::to_string(control) + " enabled");
  }
  check(dialog.TextOf(kDecimalsEdit) == "3", "3 decimals at start");
  // A click on a box of the table while it does not apply changes nothing.
  dialog.Click(kDescriptionCheck);
  check(!dialog.IsChecked(kDescriptionCheck), "a disabled box took a click");

  // Choices make their controls apply.
  dialog.Click(kTableRadio);
  table_enabled(true);
  dialog.Click(kDescriptionCheck);
  dialog.Click(kUtmZoneRadio);
  check(dialog.IsEnabled(kZoneEdit) && dialog.IsEnabled(kHemisphereCombo) &&
            dialog.IsEnabled(kDecimalsEdit) && !dialog.IsEnabled(kCrsEdit),
        "UTM zone's controls");
  // A zone the command line refuses is refused here with its message; the dialog stays.
  dialog.Type(kZoneEdit, "61");
  dialog.Click(kOkButton);
  check(!dialog.Closed(), "closed with a bad zone");
  check(
      !boxes.messages.empty() && boxes.messages.back().kind == TMessageKind::kError &&
          boxes.messages.back().text == "bad --utm zone '61N' (auto, or 1 to 60 with N or S: 32N)",
      "bad zone message: " + (boxes.messages.empty() ? "none" : boxes.messages.back().text));
  dialog.Type(kZoneEdit, "33");
  dialog.Type(kHemisphereCombo, "S");
  dialog.Type(kDecimalsEdit, "11");
  dialog.Click(kOkButton);
  check(!dialog.Closed() && boxes.messages.back().text == "bad --decimals value '11' (0 to 10)",
        "bad decimals: " + boxes.messages.back().text);
  dialog.Type(kDecimalsEdit, "2");
  dialog.Click(kOkButton);
  check(dialog.Closed() && dialog.Accepted(), "OK did not close");
  TRunOptions expected;
  expected.table = true;
  expected.description = true;
  expected.coordinates = TRunOptions::TCoordinates::kUtmZone;
  expected.zone = "33";
  expected.south = true;
  expected.decimals = "2";
  check(dialog.Result() == expected, "the options accepted");

  // Shown again as they were; an EPSG code that is no projected system is refused.
  dialog.Open(expected);
  check(dialog.IsChecked(kTableRadio) && dialog.IsChecked(kDescriptionCheck) &&
            dialog.IsChecked(kUtmZoneRadio) && dialog.TextOf(kZoneEdit) == "33" &&
            dialog.TextOf(kHemisphereCombo) == "S" && dialog.TextOf(kDecimalsEdit) == "2",
        "the options shown again");
  dialog.Click(kCrsRadio);
  check(dialog.IsEnabled(kCrsEdit) && !dialog.IsEnabled(kZoneEdit), "EPSG's controls");
  dialog.Type(kCrsEdit, "4326");
  const size_t before = boxes.messages.size();
  dialog.Click(kOkButton);
  check(!dialog.Closed() && boxes.messages.size() == before + 1 &&
            boxes.messages.back().text.starts_with("'EPSG:4326' "),
        "geographic EPSG code: " + boxes.messages.back().text);
  // Restore defaults, then Cancel: nothing is accepted.
  dialog.Click(kDefaultsButton);
  check(dialog.IsChecked(kClassicRadio) && dialog.IsChecked(kLonLatRadio) &&
            !dialog.IsChecked(kDescriptionCheck) && dialog.TextOf(kDecimalsEdit) == "3" &&
            dialog.TextOf(kCrsEdit).empty(),
        "restore defaults");
  table_enabled(false);
  dialog.Click(kCancelButton);
  check(dialog.Closed() && !dialog.Accepted(), "cancel");
  return failures;
}

}  // namespace trelvo::test
