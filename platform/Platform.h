// The one place where Windows and POSIX differ: file names, opening and replacing files,
// command-line arguments and consoles. File names are UTF-8 everywhere else in the program.
#pragma once

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace trelvo {

// A UTF-8 file name as a path (on Windows the wide name; never through the ANSI code page).
std::filesystem::path PathFromUtf8(std::string_view name);

// A path as UTF-8.
std::string Utf8FromPath(const std::filesystem::path& path);

// std::fopen for a UTF-8 name. nullptr with errno set on failure.
std::FILE* OpenFile(const std::string& name, const char* mode);

// Creates `name` for binary writing only if it does not exist yet (O_EXCL / CREATE_NEW), so an
// existing file is never truncated or followed. nullptr with errno set (EEXIST) on failure.
std::FILE* CreateNewFile(const std::string& name);

// The file name that stands for standard input (as an input) or standard output (as an
// output), as command-line tools take it.
inline constexpr std::string_view kStandardStream = "-";

// Standard input or output switched to binary mode (Windows would otherwise turn LF into
// CR LF and stop at Ctrl-Z), for data that streams through it.
std::FILE* BinaryStream(std::FILE* standard_stream);

// Positions `file` at byte `offset` (past 2 GiB too). False on failure.
bool SeekFile(std::FILE* file, uint64_t offset);

// Moves `from` over `to`, replacing it in one step. Returns an empty text, or the cause of the
// failure (on Windows a file held open by another program cannot be replaced).
std::string MoveOver(const std::filesystem::path& from, const std::filesystem::path& to);

// The program's arguments after its name, as UTF-8 (on Windows from the wide command line).
std::vector<std::string> Utf8Arguments(int argc, char** argv);

// True when `stream` is an interactive console or terminal that understands the escape
// sequences of a one-line progress display (switched on where Windows needs it). False for
// files, pipes and NUL.
bool PrepareConsole(std::FILE* stream);

// Names the file an interrupt must remove (empty: none). Cheap; used by the output file for
// its temporary file whether or not handlers are installed.
void SetInterruptCleanup(const std::string& name);

// Ctrl-C, SIGTERM and SIGHUP (on Windows Ctrl-C, Ctrl-Break and closing the console) remove the
// file named by SetInterruptCleanup, then end the program with the conventional status (130
// for Ctrl-C).
void InstallInterruptHandlers();

}  // namespace trelvo
