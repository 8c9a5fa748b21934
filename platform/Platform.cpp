#include "platform/Platform.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <system_error>
#include <thread>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>
#include <windows.h>
#else
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
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

std::string FileNameKey(const std::string& name) {
  std::error_code ec;
  const std::filesystem::path absolute = std::filesystem::absolute(PathFromUtf8(name), ec);
  std::filesystem::path resolved = std::filesystem::weakly_canonical(absolute, ec);
  if (ec) resolved = absolute.lexically_normal();
#ifdef _WIN32
  std::wstring wide = resolved.wstring();
  CharUpperBuffW(wide.data(), static_cast<DWORD>(wide.size()));
  resolved = wide;
#endif
  return Utf8FromPath(resolved);
}

namespace {

// How interrupts are handled: 0 at once; 1 held (TInterruptHold); 2 one is ending the program.
// Lock-free, so the handlers may use them.
std::atomic<int> g_interrupt_state{0};
std::atomic<int> g_pending_interrupt{0};  // noted while held: its signal number (Windows: 1)
std::atomic<bool> g_has_cleanup{false};
static_assert(std::atomic<int>::is_always_lock_free && std::atomic<bool>::is_always_lock_free);

// Removes the cleanup file, restores the console and ends the program as `interrupt` does.
[[noreturn]] void EndByInterrupt(int interrupt);

// For a handler, on whichever thread it runs: true when the interrupt is to end the program
// now; otherwise it is noted for the hold, or another thread is ending the program already.
bool TakeInterrupt(int interrupt) {
  int expected = 0;
  if (g_interrupt_state.compare_exchange_strong(expected, 2)) return true;
  if (expected == 1) g_pending_interrupt.store(interrupt);
  return false;
}

}  // namespace

TInterruptHold::TInterruptHold() {
  for (int expected = 0; !g_interrupt_state.compare_exchange_weak(expected, 1); expected = 0) {
    // Another thread is ending the program: this work must not start.
    if (expected == 2) std::this_thread::sleep_for(std::chrono::hours(1));
  }
}

TInterruptHold::~TInterruptHold() {
  g_interrupt_state.store(0);
  const int pending = g_pending_interrupt.exchange(0);
  if (pending != 0 && TakeInterrupt(pending)) EndByInterrupt(pending);
}

bool TInterruptHold::Interrupted() const { return g_pending_interrupt.load() != 0; }

#ifdef _WIN32

namespace {

// The file to remove on an interrupt, read by the console handler's thread.
wchar_t g_cleanup[32768];
std::atomic<UINT> g_console_code_page{0};  // before PrepareConsole changed it; 0: unchanged

BOOL WINAPI OnConsoleEvent(DWORD event) {
  if (event != CTRL_C_EVENT && event != CTRL_BREAK_EVENT && event != CTRL_CLOSE_EVENT) {
    return FALSE;
  }
  if (TakeInterrupt(1)) EndByInterrupt(1);
  // Held: the holder ends the program once its work is undone (closing the console waits).
  for (;;) Sleep(INFINITE);
}

void EndByInterrupt(int) {
  RemoveInterruptCleanup();
  RestoreConsole();
  ExitProcess(130);
}

int ErrnoFromWindows(DWORD error) {
  switch (error) {
    case ERROR_FILE_EXISTS:
    case ERROR_ALREADY_EXISTS:
      return EEXIST;
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
      return ENOENT;
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:
    case ERROR_WRITE_PROTECT:
      return EACCES;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
      return ENOSPC;
    case ERROR_INVALID_NAME:
      return EINVAL;
    default:
      return EIO;
  }
}

std::wstring Wide(std::string_view text) { return PathFromUtf8(text).wstring(); }

// A C stream over a handle CreateFileW gave, in binary mode; nullptr with errno set when the
// handle is invalid or cannot become one.
std::FILE* StreamOf(HANDLE handle, int access, const char* mode) {
  if (handle == INVALID_HANDLE_VALUE) {
    errno = ErrnoFromWindows(GetLastError());
    return nullptr;
  }
  const int descriptor = _open_osfhandle(reinterpret_cast<intptr_t>(handle), access | _O_BINARY);
  if (descriptor < 0) {
    CloseHandle(handle);
    errno = EMFILE;
    return nullptr;
  }
  std::FILE* file = _fdopen(descriptor, mode);
  if (file == nullptr) _close(descriptor);
  return file;
}

std::string Utf8(const wchar_t* text) { return Utf8FromPath(std::filesystem::path(text)); }

}  // namespace

std::vector<std::string> ProjectionDataFolders() {
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    const DWORD length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (length == 0) return {};
    if (length < path.size()) {
      path.resize(length);
      break;
    }
    path.resize(path.size() * 2);
  }
  return {Utf8FromPath(std::filesystem::path(path).parent_path())};
}

std::FILE* OpenFile(const std::string& name, const char* mode) {
  return _wfopen(Wide(name).c_str(), Wide(mode).c_str());
}

std::FILE* CreateNewFile(const std::string& name) {
  // FILE_SHARE_DELETE: the console handler, on a thread of its own, removes the file while the
  // run still holds it open.
  const HANDLE handle =
      CreateFileW(Wide(name).c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr,
                  CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
  return StreamOf(handle, _O_WRONLY, "wb");
}

std::FILE* CreateTemporaryFile() {
  wchar_t folder[MAX_PATH + 1];
  wchar_t name[MAX_PATH + 1];
  if (GetTempPathW(MAX_PATH + 1, folder) == 0 || GetTempFileNameW(folder, L"trv", 0, name) == 0) {
    errno = ErrnoFromWindows(GetLastError());
    return nullptr;
  }
  const HANDLE handle = CreateFileW(name, GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                    FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
  if (handle == INVALID_HANDLE_VALUE) {
    const DWORD error = GetLastError();
    DeleteFileW(name);  // GetTempFileNameW made it
    SetLastError(error);
  }
  return StreamOf(handle, _O_RDWR, "w+b");
}

bool IsWriteProtected(const std::string& name) {
  const DWORD attributes = GetFileAttributesW(Wide(name).c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY) != 0;
}

void CopyOwner(const std::filesystem::path&, const std::filesystem::path&) {}

bool SeekFile(std::FILE* file, uint64_t offset) {
  return _fseeki64(file, static_cast<__int64>(offset), SEEK_SET) == 0;
}

bool ReserveFileSpace(std::FILE* /*file*/, uint64_t /*offset*/, uint64_t /*length*/) {
  return false;
}

void ReleaseFileSpace(std::FILE* /*file*/, uint64_t /*size*/) {}

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

std::vector<std::string> ExpandInputName(const std::string& name) {
  const std::filesystem::path pattern = PathFromUtf8(name);
  if (pattern.filename().wstring().find_first_of(L"*?") == std::wstring::npos) return {name};
  std::vector<std::string> names;
  WIN32_FIND_DATAW found;
  const HANDLE search = FindFirstFileW(pattern.c_str(), &found);
  if (search != INVALID_HANDLE_VALUE) {
    do {
      if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
        names.push_back(Utf8FromPath(pattern.parent_path() / found.cFileName));
      }
    } while (FindNextFileW(search, &found));
    FindClose(search);
  }
  if (names.empty()) return {name};
  std::sort(names.begin(), names.end());
  return names;
}

void SetInterruptCleanup(const std::string& name) {
  g_has_cleanup.store(false);
  const std::wstring wide = Wide(name);
  if (name.empty() || wide.size() >= std::size(g_cleanup)) return;
  std::memcpy(g_cleanup, wide.c_str(), (wide.size() + 1) * sizeof(wchar_t));
  g_has_cleanup.store(true);
}

bool RemoveInterruptCleanup() {
  return !g_has_cleanup.load() || DeleteFileW(g_cleanup) || GetLastError() == ERROR_FILE_NOT_FOUND;
}

void InstallInterruptHandlers() { SetConsoleCtrlHandler(OnConsoleEvent, TRUE); }

bool PrepareConsole(std::FILE* stream) {
  const auto handle = reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(stream)));
  DWORD mode = 0;
  if (handle == INVALID_HANDLE_VALUE || !GetConsoleMode(handle, &mode)) return false;
  if (g_console_code_page.load() == 0) {
    static const bool registered = std::atexit(RestoreConsole) == 0;
    (void)registered;
    g_console_code_page.store(GetConsoleOutputCP());
  }
  SetConsoleOutputCP(CP_UTF8);
  return SetConsoleMode(handle, mode | ENABLE_VIRTUAL_TERMINAL_PROCESSING) != 0;
}

void RestoreConsole() {
  const UINT code_page = g_console_code_page.exchange(0);
  if (code_page != 0) SetConsoleOutputCP(code_page);
}

#else

std::FILE* OpenFile(const std::string& name, const char* mode) {
  return std::fopen(name.c_str(), mode);
}

std::FILE* CreateNewFile(const std::string& name) { return std::fopen(name.c_str(), "wbx"); }

std::FILE* CreateTemporaryFile() { return std::tmpfile(); }

bool IsWriteProtected(const std::string& name) {
  struct stat status {};

  if (stat(name.c_str(), &status) != 0) return false;
  // Without its owner's write bit a file is protected on purpose, also against root.
  if ((status.st_mode & S_IWUSR) == 0) return true;
  return faccessat(AT_FDCWD, name.c_str(), W_OK, AT_EACCESS) != 0 && errno == EACCES;
}

void CopyOwner(const std::filesystem::path& from, const std::filesystem::path& to) {
  struct stat status {};

  if (stat(from.c_str(), &status) != 0) return;
  if (chown(to.c_str(), status.st_uid, status.st_gid) == 0) return;
  if (chown(to.c_str(), static_cast<uid_t>(-1), status.st_gid) != 0) {
    // Not this user's to give: the file stays this user's, as any new file would.
  }
}

bool SeekFile(std::FILE* file, uint64_t offset) {
  return fseeko(file, static_cast<off_t>(offset), SEEK_SET) == 0;
}

bool ReserveFileSpace(std::FILE* file, uint64_t offset, uint64_t length) {
#ifdef __linux__
  return fallocate(fileno(file), FALLOC_FL_KEEP_SIZE, static_cast<off_t>(offset),
                   static_cast<off_t>(length)) == 0;
#else
  (void)file, (void)offset, (void)length;
  return false;
#endif
}

void ReleaseFileSpace(std::FILE* file, uint64_t size) {
  // Truncating to its own size frees the blocks set aside past the end. Should it fail, the
  // content is whole all the same: only disk space stays taken.
  const int result = ftruncate(fileno(file), static_cast<off_t>(size));
  (void)result;
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

std::vector<std::string> ExpandInputName(const std::string& name) { return {name}; }

bool PrepareConsole(std::FILE* stream) { return isatty(fileno(stream)) != 0; }

std::vector<std::string> ProjectionDataFolders() { return {}; }

void RestoreConsole() {}

namespace {

// The file to remove on an interrupt; the handler may only read it (async-signal safety).
char g_cleanup[4096];

void OnInterrupt(int signal_number) {
  if (TakeInterrupt(signal_number)) EndByInterrupt(signal_number);
}

void EndByInterrupt(int signal_number) {
  RemoveInterruptCleanup();

  // End the way the signal would have: the shell then reports 128 + its number.
  struct sigaction action {};

  action.sa_handler = SIG_DFL;
  sigemptyset(&action.sa_mask);
  sigaction(signal_number, &action, nullptr);
  sigset_t signals;
  sigemptyset(&signals);
  sigaddset(&signals, signal_number);
  pthread_sigmask(SIG_UNBLOCK, &signals, nullptr);  // a handler's own signal is blocked
  raise(signal_number);
  _exit(128 + signal_number);
}

}  // namespace

void SetInterruptCleanup(const std::string& name) {
  g_has_cleanup.store(false);
  if (name.empty() || name.size() >= sizeof(g_cleanup)) return;
  std::memcpy(g_cleanup, name.c_str(), name.size() + 1);
  g_has_cleanup.store(true);
}

bool RemoveInterruptCleanup() {
  return !g_has_cleanup.load() || unlink(g_cleanup) == 0 || errno == ENOENT;
}

void InstallInterruptHandlers() {
  struct sigaction action {};

  action.sa_handler = OnInterrupt;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;  // a held interrupt must not make a write fail
  for (const int signal_number : {SIGINT, SIGTERM, SIGHUP, SIGQUIT})
    sigaction(signal_number, &action, nullptr);
  // Past a file-size limit the write fails with EFBIG, reported as any failed write.
  signal(SIGXFSZ, SIG_IGN);
}

#endif

}  // namespace trelvo
