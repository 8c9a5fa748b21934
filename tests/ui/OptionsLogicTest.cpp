// The Options dialog's rules without a toolkit, and what its options make of a run.
#include <gtest/gtest.h>

#include <array>

#include "tests/support/TestSupport.h"
#include "tests/ui/OptionsCases.h"
#include "transform/Transformation.h"
#include "ui/OptionsLogic.h"

namespace trelvo {
namespace {

using namespace layout;

// Controls that behave as the toolkits' do: a radio button unchecks its siblings, a check box
// toggles, a disabled control ignores clicks.
class TFakeOptionsDialog : public TOptionsView, public test::TOptionsDriver {
 public:
  explicit TFakeOptionsDialog(TDialogs& dialogs) : m_dialogs(dialogs) {}

  bool Checked(TFrOptionsControl control) const override { return m_checked[control]; }

  void SetChecked(TFrOptionsControl control, bool checked) override {
    m_checked[control] = checked;
  }

  std::string Text(TFrOptionsControl control) const override { return m_text[control]; }

  void SetText(TFrOptionsControl control, const std::string& text) override {
    m_text[control] = text;
  }

  void SetEnabled(TFrOptionsControl control, bool enabled) override {
    m_enabled[control] = enabled;
  }

  void CloseDialog(bool accepted) override {
    m_closed = true;
    m_accepted = accepted;
  }

  void Open(const TRunOptions& options) override {
    m_enabled.fill(true);
    m_closed = m_accepted = false;
    m_logic = std::make_unique<TfrOptionsLogic>(*this, m_dialogs);
    m_logic->Show(options);
  }

  void Click(TFrOptionsControl control) override {
    if (!m_enabled[control]) return;
    if (kFrOptions[control].kind == TKind::kRadio) {
      for (int other = 0; other < kFrOptionsControls; ++other) {
        if (kFrOptions[other].kind == TKind::kRadio &&
            kFrOptions[other].parent == kFrOptions[control].parent) {
          m_checked[static_cast<size_t>(other)] = false;
        }
      }
      m_checked[control] = true;
    } else if (kFrOptions[control].kind == TKind::kCheck) {
      m_checked[control] = !m_checked[control];
    }
    m_logic->Click(control);
  }

  void Type(TFrOptionsControl control, const std::string& text) override {
    if (m_enabled[control]) m_text[control] = text;
  }

  bool IsChecked(TFrOptionsControl control) override { return m_checked[control]; }

  bool IsEnabled(TFrOptionsControl control) override { return m_enabled[control]; }

  std::string TextOf(TFrOptionsControl control) override { return m_text[control]; }

  bool Closed() override { return m_closed; }

  bool Accepted() override { return m_accepted; }

  TRunOptions Result() override { return m_logic->Result(); }

 private:
  TDialogs& m_dialogs;
  std::unique_ptr<TfrOptionsLogic> m_logic;
  std::array<bool, kFrOptionsControls> m_checked{};
  std::array<bool, kFrOptionsControls> m_enabled{};
  std::array<std::string, kFrOptionsControls> m_text{};
  bool m_closed = false;
  bool m_accepted = false;
};

TEST(OptionsLogic, TheDialogsRules) {
  test::TScriptedDialogs boxes;
  TFakeOptionsDialog dialog(boxes);
  EXPECT_EQ(test::RunOptionsCases(dialog, boxes), std::vector<std::string>{});
}

// The defaults leave a run as the window always made it; the table's fields and the projection
// are those of the command line's options.
TEST(OptionsLogic, TheOptionsMakeTheCommandLinesSettings) {
  const auto applied = [](const TRunOptions& options) {
    TRunSettings settings;
    ApplyOptions(options, settings);
    return settings;
  };
  const auto names_of = [](const std::vector<TFieldChoice>& fields) {
    std::string names;
    for (const TFieldChoice& choice : fields) {
      names += std::to_string(static_cast<int>(choice.field)) + choice.data_name + ",";
    }
    return names;
  };
  const auto field_names = [&](const TRunSettings& settings) {
    return names_of(settings.Table->fields);
  };
  const auto parsed = [&](std::string_view list) { return names_of(ParseFields(list)); };
  TRunOptions options;
  TRunSettings settings = applied(options);
  EXPECT_FALSE(settings.Table || settings.Projection);
  EXPECT_EQ(OptionsSummary(options), "");
  EXPECT_EQ(OptionsCaption(options), "Options...");
  // Options of the table alone change nothing in the classic layout.
  options.description = options.bom = options.all_types = true;
  EXPECT_FALSE(applied(options).Table);
  EXPECT_EQ(OptionsCaption(options), "Options...");

  options = TRunOptions();
  options.table = true;
  settings = applied(options);
  ASSERT_TRUE(settings.Table);
  EXPECT_EQ(field_names(settings), parsed(kDefaultFields));
  EXPECT_TRUE(settings.Table->header);
  EXPECT_FALSE(settings.Table->bom || settings.Table->all_types || settings.Table->all_rings);
  EXPECT_EQ(OptionsSummary(options), "Table layout");
  EXPECT_EQ(OptionsCaption(options), "Table...");

  options.coordinates = TRunOptions::TCoordinates::kUtmAuto;
  settings = applied(options);
  EXPECT_EQ(field_names(settings), parsed(kDefaultProjectedFields));
  ASSERT_TRUE(settings.Projection);
  EXPECT_EQ(settings.Projection->utm_zone, 0);
  EXPECT_EQ(settings.Projection->decimals, 3);
  EXPECT_EQ(OptionsSummary(options), "Table layout, UTM, zone from the first point");
  EXPECT_EQ(OptionsCaption(options), "Table, UTM...");

  options = TRunOptions();
  options.table = options.all_rings = options.all_types = options.bom = true;
  options.name = options.folder = false;
  options.style = options.time = options.data = true;
  options.coordinates = TRunOptions::TCoordinates::kCrs;
  options.crs = "27700";
  options.decimals = "0";
  settings = applied(options);
  EXPECT_EQ(
      field_names(settings),
      parsed("placemark,entity,type,ring,vertex,style,time,begin,end,easting,northing,alt,@*"));
  EXPECT_TRUE(settings.Table->bom && settings.Table->all_types && settings.Table->all_rings);
  EXPECT_EQ(settings.Projection->crs, "EPSG:27700");
  EXPECT_EQ(settings.Projection->decimals, 0);
  EXPECT_EQ(OptionsSummary(options),
            "Table layout, all feature types, all rings, byte-order mark, EPSG:27700, 0 decimals");
  EXPECT_EQ(OptionsCaption(options), "Table, EPSG...");

  // Classic rows in a UTM zone; a definition other than a number is taken as it stands.
  options = TRunOptions();
  options.coordinates = TRunOptions::TCoordinates::kUtmZone;
  options.zone = "32";
  settings = applied(options);
  EXPECT_FALSE(settings.Table);
  EXPECT_EQ(settings.Projection->utm_zone, 32);
  EXPECT_FALSE(settings.Projection->south);
  EXPECT_EQ(OptionsSummary(options), "UTM 32N");
  options.coordinates = TRunOptions::TCoordinates::kCrs;
  options.crs = "+proj=utm +zone=31 +datum=WGS84 +type=crs";
  EXPECT_EQ(applied(options).Projection->crs, options.crs);
  EXPECT_EQ(OptionsCaption(options), "CRS...");
  options.crs.clear();
  EXPECT_THROW(applied(options), std::invalid_argument);
}

}  // namespace
}  // namespace trelvo
