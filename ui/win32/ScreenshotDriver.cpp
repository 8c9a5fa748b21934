// Drives the real windows under a display and saves what the screen shows as PNG files: the
// main window with an input chosen, the progress window during a run, and the completion box.
//
//   trelvo-screenshot.exe OUTPUT_FOLDER INPUT.kml
#include <windows.h>
#include <zlib.h>

#include <cstdio>
#include <string>
#include <vector>

#include "platform/Platform.h"
#include "ui/PhotographedProgress.h"
#include "ui/win32/Controls.h"
#include "ui/win32/Dialogs.h"
#include "ui/win32/MainWindow.h"
#include "ui/win32/OptionsDialog.h"
#include "ui/win32/ProgressWindow.h"

namespace {

using namespace trelvo;

std::string g_folder;

void Put32(std::string& out, uint32_t value) {
  for (int shift = 24; shift >= 0; shift -= 8) out += static_cast<char>((value >> shift) & 0xFF);
}

void Chunk(std::string& png, const char* type, const std::string& data) {
  Put32(png, static_cast<uint32_t>(data.size()));
  const std::string body = type + data;
  png += body;
  Put32(png, static_cast<uint32_t>(crc32(0, reinterpret_cast<const Bytef*>(body.data()),
                                         static_cast<uInt>(body.size()))));
}

// The whole screen as an RGB PNG.
void Grab(const char* name) {
  win32::HandleWindowSystemMessages();
  const int width = GetSystemMetrics(SM_CXSCREEN);
  const int height = GetSystemMetrics(SM_CYSCREEN);
  const HDC screen = GetDC(nullptr);
  const HDC memory = CreateCompatibleDC(screen);
  BITMAPINFO info{};
  info.bmiHeader = {sizeof(BITMAPINFOHEADER), width, -height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
  void* bits = nullptr;
  const HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  const HGDIOBJ old = SelectObject(memory, bitmap);
  BitBlt(memory, 0, 0, width, height, screen, 0, 0, SRCCOPY);
  std::string raw;
  const auto* pixels = static_cast<const uint8_t*>(bits);
  for (int y = 0; y < height; ++y) {
    raw += '\0';  // no filter
    for (int x = 0; x < width; ++x) {
      const uint8_t* bgr =
          pixels +
          (static_cast<size_t>(y) * static_cast<size_t>(width) + static_cast<size_t>(x)) * 4;
      raw += static_cast<char>(bgr[2]);
      raw += static_cast<char>(bgr[1]);
      raw += static_cast<char>(bgr[0]);
    }
  }
  SelectObject(memory, old);
  DeleteObject(bitmap);
  DeleteDC(memory);
  ReleaseDC(nullptr, screen);
  uLongf packed_size = compressBound(static_cast<uLong>(raw.size()));
  std::string packed(packed_size, '\0');
  compress(reinterpret_cast<Bytef*>(packed.data()), &packed_size,
           reinterpret_cast<const Bytef*>(raw.data()), static_cast<uLong>(raw.size()));
  packed.resize(packed_size);
  std::string header;
  Put32(header, static_cast<uint32_t>(width));
  Put32(header, static_cast<uint32_t>(height));
  header += std::string("\x08\x02\x00\x00\x00", 5);  // 8-bit RGB
  std::string png = "\x89PNG\r\n\x1a\n";
  Chunk(png, "IHDR", header);
  Chunk(png, "IDAT", packed);
  Chunk(png, "IEND", "");
  const std::string path = g_folder + "\\" + name;
  std::FILE* file = OpenFile(path, "wb");
  if (file == nullptr || std::fwrite(png.data(), 1, png.size(), file) != png.size()) {
    std::fprintf(stderr, "cannot save %s\n", path.c_str());
  }
  if (file != nullptr) std::fclose(file);
}

// The real dialogs, except that the open dialog answers at once and a message box is
// photographed and closed after a moment.
class TDriverDialogs : public win32::TWin32Dialogs {
 public:
  explicit TDriverDialogs(std::string input) : m_input(std::move(input)) {}

  std::optional<std::string> Open(const TFileDialog&) override { return m_input; }

  void Message(TMessageKind kind, const std::string& text) override {
    SetTimer(nullptr, 0, 500, [](HWND, UINT, UINT_PTR timer, DWORD) {
      KillTimer(nullptr, timer);
      Grab("3-completion.png");
      if (const HWND box = FindWindowW(L"#32770", nullptr)) PostMessageW(box, WM_COMMAND, IDOK, 0);
    });
    TWin32Dialogs::Message(kind, text);
  }

 private:
  std::string m_input;
};

class TDriverForm : public win32::TForm1 {
 public:
  using TForm1::TForm1;

  std::unique_ptr<TProgressWindow> CreateProgressWindow() override {
    return std::make_unique<trelvo::TPhotographedProgress<win32::TfrChange, Grab>>(Handle());
  }
};

}  // namespace

int main(int argc, char** argv) {
  const std::vector<std::string> arguments = Utf8Arguments(argc, argv);
  if (arguments.size() != 2) {
    std::fprintf(stderr, "usage: trelvo-screenshot OUTPUT_FOLDER INPUT.kml\n");
    return 2;
  }
  g_folder = arguments[0];
  TDriverDialogs dialogs(arguments[1]);
  TDriverForm form(dialogs);
  dialogs.owner = form.Handle();
  ShowWindow(form.Handle(), SW_SHOWNORMAL);
  UpdateWindow(form.Handle());
  for (int i = 0; i < 50; ++i) {
    win32::HandleWindowSystemMessages();
    Sleep(10);
  }
  form.Logic().SpeedButton1Click();
  Grab("1-main.png");
  // The dialog with a table in a UTM zone chosen, then cancelled: the run stays classic.
  SetTimer(nullptr, 0, 300, [](HWND, UINT, UINT_PTR timer, DWORD) {
    KillTimer(nullptr, timer);
    const HWND dialog = FindWindowW(L"TfrOptions", nullptr);
    if (dialog == nullptr) return;
    using namespace layout;
    for (const TFrOptionsControl control : {kTableRadio, kDescriptionCheck, kUtmZoneRadio}) {
      SendMessageW(win32::FindControl(dialog, win32::kFirstControlId + control), BM_CLICK, 0, 0);
    }
    SetWindowTextW(win32::FindControl(dialog, win32::kFirstControlId + kZoneEdit), L"32");
    Grab("4-options.png");
    PostMessageW(dialog, WM_CLOSE, 0, 0);
  });
  form.Logic().Button3Click();
  form.Logic().Button1Click();
  return 0;
}
