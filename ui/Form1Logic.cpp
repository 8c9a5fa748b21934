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

std::string TForm1Logic::WithExtension(const std::string& path) const {
  return ChangeFileExt(path, "." + GetExtension());
}

void TForm1Logic::SpeedButton1Click() {
  const std::optional<std::string> chosen = m_dialogs.Open(OpenDialog1);
  if (chosen) ChooseInput(*chosen);
}

void TForm1Logic::ChooseInput(const std::string& file_name) {
  if (m_running) return;
  OpenDialog1.FileName = file_name;
  m_view.SetInputText(file_name);
  // The output goes next to the input, with the same base name.
  m_view.SetOutputText(OutputNameFor(file_name, "." + GetExtension()));
  SaveDialog1.FileName = m_view.OutputText();
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
  if (!m_view.OutputText().empty()) m_view.SetOutputText(WithExtension(m_view.OutputText()));
}

void TForm1Logic::Button1Click() {
  if (m_running) return;
  if (m_view.InputText().empty()) {
    m_dialogs.Message(TMessageKind::kError, "Select Input file");
    return;
  }
  if (m_view.OutputText().empty()) {
    m_dialogs.Message(TMessageKind::kError, "Select Output file");
    return;
  }
  SetControlsEnabled(false);
  m_settings.Separator = Checked(kSeparators, m_view.CheckedFormat());
  m_settings.EntityType = Checked(kEntityTypes, m_view.CheckedFeatureType());
  m_settings.InputFileName = m_view.InputText();
  m_settings.OutputFileName = m_view.OutputText();
  m_running = true;
  try {
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

void TForm1Logic::Button2Click() { m_view.CloseWindow(); }

void TForm1Logic::Label4Click() { m_dialogs.OpenAddress(std::string(WebAddress)); }

void TForm1Logic::SetControlsEnabled(bool enabled) {
  m_view.SetRunControlsEnabled(enabled);
  m_view.ShowLinkText(enabled ? WebAddress : "Transforming file...");
}

std::unique_ptr<TProgressWindow> TForm1Logic::CreateProgressWindow() {
  return m_view.CreateProgressWindow();
}

void TForm1Logic::ShowMessage(TMessageKind kind, const std::string& text) {
  m_dialogs.Message(kind, text);
}

}  // namespace trelvo
