#include "ui/Form1Logic.h"

#include <algorithm>
#include <array>
#include <cctype>

#include "transform/FileNames.h"

namespace trelvo {
namespace {

constexpr std::array<char, 3> kSeparators = {',', ' ', '\t'};
constexpr std::array<TEntityType, 3> kEntityTypes = {TEntityType::kPoint, TEntityType::kPath,
                                                     TEntityType::kPolygon};

template <typename T, size_t N>
T Checked(const std::array<T, N>& values, int index) {
  return values[static_cast<size_t>(std::clamp(index, 0, static_cast<int>(N) - 1))];
}

// "a.kml" "b.kml", as the open dialog shows several files.
std::string QuotedNames(const std::vector<std::string>& names) {
  std::string text;
  for (const std::string& name : names) text += (text.empty() ? "\"" : " \"") + name + "\"";
  return text;
}

}  // namespace

TForm1Logic::TForm1Logic(TForm1View& view, TDialogs& dialogs) : m_view(view), m_dialogs(dialogs) {
  OpenDialog1.Filter =
      "Google Earth (*.kml)|*.kml|Google Earth archives (*.kmz)|*.kmz|All files (*.*)|*.*";
  OpenDialog1.DefaultExt = "kml";
  SaveDialog1.OverwritePrompt = true;
}

std::string TForm1Logic::GetExtension() const {
  return std::string(FormatExtension(Checked(kSeparators, m_view.CheckedFormat())));
}

std::string TForm1Logic::OutputBeside(const std::string& input) const {
  return OutputNameFor(input, "." + GetExtension());
}

std::string TForm1Logic::WithExtension(const std::string& path) const {
  return ChangeFileExt(path, "." + GetExtension());
}

void TForm1Logic::SpeedButton1Click() {
  const std::optional<std::string> chosen = m_dialogs.Open(OpenDialog1);
  if (chosen) ChooseInput(*chosen);
}

void TForm1Logic::ChooseInput(const std::string& file_name) {
  if (m_running) return;
  m_inputs.clear();
  m_view.SetControlEnabled(layout::kSpeedButton2, true);
  OpenDialog1.FileName = file_name;
  m_view.SetInputText(file_name);
  // The output goes next to the input, with the same base name.
  m_view.SetOutputText(OutputBeside(file_name));
  SaveDialog1.FileName = m_view.OutputText();
}

void TForm1Logic::ChooseInputs(const std::vector<std::string>& file_names) {
  if (m_running || file_names.empty()) return;
  if (file_names.size() == 1) {
    ChooseInput(file_names.front());
    return;
  }
  m_inputs = file_names;
  // Each output goes beside its input: there is no one output to choose.
  m_view.SetControlEnabled(layout::kSpeedButton2, false);
  ShowInputs();
}

void TForm1Logic::ShowInputs() {
  std::vector<std::string> outputs;
  for (const std::string& input : m_inputs) outputs.push_back(OutputBeside(input));
  m_view.SetInputText(QuotedNames(m_inputs));
  m_view.SetOutputText(QuotedNames(outputs));
}

bool TForm1Logic::IsKmlFileName(std::string_view file_name) {
  const size_t dot = file_name.find_last_of('.');
  if (dot == std::string_view::npos) return false;
  std::string extension(file_name.substr(dot + 1));
  for (char& c : extension) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return extension == "kml" || extension == "kmz";
}

void TForm1Logic::SpeedButton2Click() {
  if (!m_view.OutputText().empty()) SaveDialog1.FileName = WithExtension(m_view.OutputText());
  const std::string extension = GetExtension();
  SaveDialog1.DefaultExt = extension;
  SaveDialog1.Filter = "TextFile (*." + extension + ")|*." + extension;
  const std::optional<std::string> chosen = m_dialogs.Save(SaveDialog1);
  if (!chosen) return;
  SaveDialog1.FileName = *chosen;
  m_view.SetOutputText(*chosen);
}

void TForm1Logic::RadioButton1Click() {
  if (!m_inputs.empty()) {
    ShowInputs();
  } else if (!m_view.OutputText().empty()) {
    m_view.SetOutputText(WithExtension(m_view.OutputText()));
  }
}

TRunSettings TForm1Logic::SettingsFor(const std::string& input, const std::string& output) const {
  TRunSettings settings;
  settings.Separator = Checked(kSeparators, m_view.CheckedFormat());
  settings.EntityType = Checked(kEntityTypes, m_view.CheckedFeatureType());
  settings.InputFileName = input;
  settings.OutputFileName = output;
  ApplyOptions(m_options, settings);
  return settings;
}

void TForm1Logic::Button1Click() {
  if (m_running) return;
  if (!m_inputs.empty()) {
    RunSeveral();
    return;
  }
  if (m_view.InputText().empty()) {
    m_dialogs.Message(TMessageKind::kError, "Select Input file");
    return;
  }
  if (m_view.OutputText().empty()) {
    m_dialogs.Message(TMessageKind::kError, "Select Output file");
    return;
  }
  SetControlsEnabled(false);
  m_running = true;
  try {
    m_settings = SettingsFor(m_view.InputText(), m_view.OutputText());
    RunTransformation(m_settings, *this);
  } catch (const std::exception& error) {
    m_running = false;
    // The run has cleaned up after itself (window gone, no half output); give the controls
    // back before the error box, which waits for the user.
    SetControlsEnabled(true);
    m_dialogs.Message(TMessageKind::kError, error.what());
    return;
  }
  m_running = false;
  SetControlsEnabled(true);
}

void TForm1Logic::RunSeveral() {
  std::vector<TRunSettings> runs;
  try {
    // The choices, and the options checked, once for all the inputs.
    const TRunSettings common = SettingsFor({}, {});
    for (const std::string& input : m_inputs) {
      runs.push_back(common);
      runs.back().InputFileName = input;
      runs.back().OutputFileName = OutputBeside(input);
    }
    std::vector<std::string> repeated;  // the drop and the command line name each file once
    runs = DistinctRuns(runs, repeated);
  } catch (const std::exception& error) {
    // Refused before anything is written.
    m_dialogs.Message(TMessageKind::kError, error.what());
    return;
  }
  SetControlsEnabled(false);
  m_running = true;
  RunTransformations(runs, *this);
  m_running = false;
  SetControlsEnabled(true);
}

void TForm1Logic::Button2Click() { m_view.CloseWindow(); }

void TForm1Logic::Button3Click() {
  if (m_running) return;
  const std::optional<TRunOptions> chosen = m_view.ShowOptionsDialog(m_options, m_dialogs);
  if (!chosen) return;
  m_options = *chosen;
  const std::string summary = OptionsSummary(m_options);
  m_view.ShowOptionsCaption(OptionsCaption(m_options),
                            summary.empty() ? layout::kButton3Hint : summary);
  // One table of every type has no feature type to choose.
  for (const layout::TForm1Control button : layout::kTypeButtons) {
    m_view.SetControlEnabled(button, !(m_options.table && m_options.all_types));
  }
}

void TForm1Logic::Label4Click() { m_dialogs.OpenAddress(std::string(WebAddress)); }

void TForm1Logic::SetControlsEnabled(bool enabled) {
  for (const layout::TForm1Control control : layout::kRunControls) {
    // With several inputs there is no one output to choose.
    m_view.SetControlEnabled(control,
                             enabled && !(control == layout::kSpeedButton2 && !m_inputs.empty()));
  }
  m_view.SetControlEnabled(layout::kButton3, enabled);
  m_view.ShowLinkText(enabled ? WebAddress : "Transforming file...");
}

std::unique_ptr<TProgressWindow> TForm1Logic::CreateProgressWindow() {
  return m_view.CreateProgressWindow();
}

void TForm1Logic::ShowMessage(TMessageKind kind, const std::string& text) {
  m_dialogs.Message(kind, text);
}

}  // namespace trelvo
