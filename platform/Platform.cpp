#include "platform/Platform.h"

#include <cerrno>
#include <csignal>
#include <cstring>
#include <system_error>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>
#include <windows.h>
#else
#include <signal.h>
#include <unistd.h>
#endif

namespace trelvo {

std::filesystem::path PathFromUtf8(std::string_view name) {
  const std::u8string utf8(name.begin(), name.end());
  return std::filesystem::path(utf8);
}

std::string Utf8FromPath(const std::filesystem::path& path) {
  const std::u8string utf8 = path.u8string();
  return std::string(utf8.begin(), utf8.end());
}

#ifdef _WIN32

namespace {

// The file to remove on an interrupt, read by the console handler's thread.
wchar_t g_cleanup[32768];
volatile LONG g_has_cleanup = 0;

BOOL WINAPI OnConsoleEvent(DWORD event) {
  if (event != CTRL_C_EVENT && event != CTRL_BREAK_EVENT && event != CTRL_CLOSE_EVENT) {
    return FALSE;
  }
  if (g_has_cleanup) DeleteFileW(g_cleanup);
  ExitProcess(130);
}

std::wstring Wide(std::string_view text) { return PathFromUtf8(text).wstring(); }

std::string Utf8(const wchar_t* text) { return Utf8FromPath(std::filesystem::path(text)); }

}  // namespace

std::FILE* OpenFile(const std::string& name, const char* mode) {
  return _wfopen(Wide(name).c_str(), Wide(mode).c_str());
}

std::FILE* CreateNewFile(const std::string& name) {
  const int descriptor =
      _wopen(Wide(name).c_str(), _O_CREAT | _O_EXCL | _O_WRONLY | _O_BINARY, _S_IREAD | _S_IWRITE);
  if (descriptor < 0) return nullptr;
  std::FILE* file = _fdopen(descriptor, "wb");
  if (file == nullptr) _close(descriptor);
  return file;
}

bool SeekFile(std::FILE* file, uint64_t offset) {
  return _fseeki64(file, static_cast<__int64>(offset), SEEK_SET) == 0;
}

std::string MoveOver(const std::filesystem::path& from, const std::filesystem::path& to) {
  if (MoveFileExW(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    return {};
  }
  const DWORD error = GetLastError();
  if (error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION ||
      error == ERROR_ACCESS_DENIED) {
    return "it is open in another program, or read-only";
  }
  return std::system_category().message(static_cast<int>(error));
}

std::FILE* BinaryStream(std::FILE* standard_stream) {
  _setmode(_fileno(standard_stream), _O_BINARY);
  return standard_stream;
}

std::vector<std::string> Utf8Arguments(int, char**) {
  int count = 0;
  wchar_t** wide = CommandLineToArgvW(GetCommandLineW(), &count);
  std::vector<std::string> arguments;
  for (int i = 1; wide != nullptr && i < count; ++i) arguments.push_back(Utf8(wide[i]));
  LocalFree(wide);
  return arguments;
}

void SetInterruptCleanup(const std::string& name) {
  g_has_cleanup = 0;
  const std::wstring wide = Wide(name);
  if (name.empty() || wide.size() >= std::size(g_cleanup)) return;
  std::memcpy(g_cleanup, wide.c_str(), (wide.size() + 1) * sizeof(wchar_t));
  g_has_cleanup = 1;
}

void InstallInterruptHandlers() { SetConsoleCtrlHandler(OnConsoleEvent, TRUE); }

bool PrepareConsole(std::FILE* stream) {
  const auto handle = reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(stream)));
  DWORD mode = 0;
  if (handle == INVALID_HANDLE_VALUE || !GetConsoleMode(handle, &mode)) return false;
  SetConsoleOutputCP(CP_UTF8);
  return SetConsoleMode(handle, mode | ENABLE_VIRTUAL_TERMINAL_PROCESSING) != 0;
}

#else

std::FILE* OpenFile(const std::string& name, const char* mode) {
  return std::fopen(name.c_str(), mode);
}

std::FILE* CreateNewFile(const std::string& name) { return std::fopen(name.c_str(), "wbx"); }

bool SeekFile(std::FILE* file, uint64_t offset) {
  return fseeko(file, static_cast<off_t>(offset), SEEK_SET) == 0;
}

std::string MoveOver(const std::filesystem::path& from, const std::filesystem::path& to) {
  std::error_code ec;
  std::filesystem::rename(from, to, ec);
  return ec ? ec.message() : std::string();
}

std::FILE* BinaryStream(std::FILE* standard_stream) { return standard_stream; }

std::vector<std::string> Utf8Arguments(int argc, char** argv) {
  return std::vector<std::string>(argv + (argc > 0 ? 1 : 0), argv + argc);
}

bool PrepareConsole(std::FILE* stream) { return isatty(fileno(stream)) != 0; }

namespace {

// The file to remove on an interrupt; the handler may only read it (async-signal safety).
char g_cleanup[4096];
volatile std::sig_atomic_t g_has_cleanup = 0;

void OnInterrupt(int signal_number) {
  if (g_has_cleanup) unlink(g_cleanup);
  // End the way the signal would have: the shell then reports 128 + its number.
  std::signal(signal_number, SIG_DFL);
  std::raise(signal_number);
}

}  // namespace

void SetInterruptCleanup(const std::string& name) {
  g_has_cleanup = 0;
  if (name.empty() || name.size() >= sizeof(g_cleanup)) return;
  std::memcpy(g_cleanup, name.c_str(), name.size() + 1);
  g_has_cleanup = 1;
}

void InstallInterruptHandlers() {
  struct sigaction action {};

  action.sa_handler = OnInterrupt;
  sigemptyset(&action.sa_mask);
  for (const int signal_number : {SIGINT, SIGTERM, SIGHUP})
    sigaction(signal_number, &action, nullptr);
}

#endif

}  // namespace trelvo
