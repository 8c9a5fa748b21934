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

// A key that two names of one file share, whether it exists or not: the absolute path with
// links and ".." resolved, on Windows in upper case (whose file names differ in case only for
// one file).
std::string FileNameKey(const std::string& name);

// std::fopen for a UTF-8 name. nullptr with errno set on failure.
std::FILE* OpenFile(const std::string& name, const char* mode);

// Creates `name` for binary writing only if it does not exist yet (O_EXCL / CREATE_NEW), so an
// existing file is never truncated or followed. On Windows it may be deleted while open, as an
// interrupt needs. nullptr with errno set (EEXIST) on failure.
std::FILE* CreateNewFile(const std::string& name);

// A new file for reading and writing in the temporary folder, removed when it is closed or the
// program ends in any way. nullptr with errno set on failure.
std::FILE* CreateTemporaryFile();

// True when this user may not write the existing file `name`, as a shell's '>' would find:
// its permission bits for this user (another user's file too), or on Windows its read-only
// attribute.
bool IsWriteProtected(const std::string& name);

// Gives `to` the owner and group of `from` where this user may (root may give any; others
// may keep their group); elsewhere nothing. On Windows nothing.
void CopyOwner(const std::filesystem::path& from, const std::filesystem::path& to);

// The file name that stands for standard input (as an input) or standard output (as an
// output), as command-line tools take it.
inline constexpr std::string_view kStandardStream = "-";

// Standard input or output switched to binary mode (Windows would otherwise turn LF into
// CR LF and stop at Ctrl-Z), for data that streams through it.
std::FILE* BinaryStream(std::FILE* standard_stream);

// Positions `file` at byte `offset` (past 2 GiB too). False on failure.
bool SeekFile(std::FILE* file, uint64_t offset);

// Sets aside disk space for the bytes [offset, offset + length) of `file` without changing its
// size, so that the writes which fill it need not find blocks page by page (on Linux a large
// output is written markedly faster). False where the file system cannot (and on Windows):
// the writes then find their blocks as usual.
bool ReserveFileSpace(std::FILE* file, uint64_t offset, uint64_t length);

// Gives back the space ReserveFileSpace set aside past `size`, the bytes written, once the
// buffers are flushed.
void ReleaseFileSpace(std::FILE* file, uint64_t size);

// Moves `from` over `to`, replacing it in one step. Returns an empty text, or the cause of the
// failure (on Windows a file held open by another program cannot be replaced).
std::string MoveOver(const std::filesystem::path& from, const std::filesystem::path& to);

// The program's arguments after its name, as UTF-8 (on Windows from the wide command line).
std::vector<std::string> Utf8Arguments(int argc, char** argv);

// The files an input named on the command line stands for. On Windows, whose console passes
// wildcards on as they stand, a name whose last part holds '*' or '?' stands for the files it
// matches, sorted; one that matches none stands for itself (and then cannot be opened).
// Elsewhere the shell has expanded them: the name itself.
std::vector<std::string> ExpandInputName(const std::string& name);

// Where PROJ's database (proj.db) is looked for: on Windows the program's own folder, which the
// zip and the installer give it; elsewhere none, so the system's is taken.
std::vector<std::string> ProjectionDataFolders();

// True when `stream` is an interactive console or terminal that understands the escape
// sequences of a one-line progress display (switched on where Windows needs it, with UTF-8
// output, until RestoreConsole or the program's end). False for files, pipes and NUL.
bool PrepareConsole(std::FILE* stream);

// Gives the console back the code page it had before PrepareConsole: the user's console
// outlives the program.
void RestoreConsole();

// Names the file an interrupt must remove (empty: none). Cheap; used by the output file for
// its temporary file whether or not handlers are installed.
void SetInterruptCleanup(const std::string& name);

// Removes the file named by SetInterruptCleanup, as an interrupt does, even while it is open.
// True when it is gone or none is named.
bool RemoveInterruptCleanup();

// Ctrl-C, SIGTERM, SIGHUP and SIGQUIT (on Windows Ctrl-C, Ctrl-Break and closing the console)
// remove the file named by SetInterruptCleanup, then end the program with the conventional
// status (130 for Ctrl-C). A file-size limit (SIGXFSZ) makes the write fail instead, which the
// run reports like a full disk.
void InstallInterruptHandlers();

// Holds interrupts back while it lives, for work that must not stop half done (copying over a
// file): one that arrives meanwhile is only noted; the holder sees it, undoes or finishes its
// work quickly, and the end of the hold ends the program as the interrupt would have.
class TInterruptHold {
 public:
  TInterruptHold();
  ~TInterruptHold();
  TInterruptHold(const TInterruptHold&) = delete;
  TInterruptHold& operator=(const TInterruptHold&) = delete;

  bool Interrupted() const;
};

}  // namespace trelvo
