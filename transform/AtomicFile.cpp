#include "transform/AtomicFile.h"

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <filesystem>
#include <random>
#include <system_error>

#include "platform/IoError.h"
#include "platform/Platform.h"

namespace trelvo {
namespace fs = std::filesystem;

namespace {

const char kCreateOutput[] = "Cannot create output file";
const char kWriteOutput[] = "Cannot write output file";
const char kReplaceOutput[] = "Cannot replace output file";

std::string RandomSuffix() {
  static const char kAlphabet[] = "abcdefghijklmnopqrstuvwxyz0123456789";
  static std::mt19937 generator{std::random_device{}()};
  std::uniform_int_distribution<size_t> pick(0, sizeof(kAlphabet) - 2);
  std::string suffix(8, 'x');
  for (char& c : suffix) c = kAlphabet[pick(generator)];
  return suffix;
}

// The file a name stands for: symbolic links followed, also to a file that does not exist yet
// (which is then created, as a shell's '>' does).
fs::path FollowLinks(fs::path path) {
  for (int depth = 0; depth < 40; ++depth) {
    std::error_code ec;
    if (!fs::is_symlink(fs::symlink_status(path, ec))) return path;
    const fs::path link = fs::read_symlink(path, ec);
    if (ec) return path;
    path = link.is_absolute() ? link : path.parent_path() / link;
  }
  return path;  // a loop: opening it gives the system's own error
}

// Creates a file of a name of its own in `folder`, short whatever the target's name is, so that
// a target name as long as the file system allows still works. Sets *name, or *error to the
// errno of the failure.
std::FILE* CreateUnique(const fs::path& folder, const char* ending, std::string* name, int* error) {
  for (int attempt = 0; attempt < 100; ++attempt) {
    const std::string candidate =
        Utf8FromPath(folder / PathFromUtf8(".trelvo-" + RandomSuffix() + ending));
    errno = 0;
    std::FILE* file = CreateNewFile(candidate);
    if (file != nullptr) {
      *name = candidate;
      return file;
    }
    if (errno != EEXIST) {
      *error = errno != 0 ? errno : EIO;
      return nullptr;
    }
  }
  *error = EEXIST;
  return nullptr;
}

// Copies the file `from` into `to` and closes `to`: 0, or the errno of the failure. With a
// `hold`, stops early (EINTR) once an interrupt is noted.
int CopyInto(const std::string& from, std::FILE* to, const TInterruptHold* hold) {
  errno = 0;
  std::FILE* source = OpenFile(from, "rb");
  int error = source == nullptr ? errno : 0;
  static char block[1 << 16];
  while (error == 0) {
    if (hold != nullptr && hold->Interrupted()) {
      error = EINTR;
      break;
    }
    errno = 0;
    const size_t count = std::fread(block, 1, sizeof(block), source);
    if (count == 0) {
      if (std::ferror(source)) error = errno != 0 ? errno : EIO;
      break;
    }
    if (std::fwrite(block, 1, count, to) != count) error = errno != 0 ? errno : EIO;
  }
  if (source != nullptr) std::fclose(source);
  errno = 0;
  if (std::fclose(to) != 0 && error == 0) error = errno != 0 ? errno : EIO;
  return error;
}

}  // namespace

TAtomicFile::TAtomicFile(const std::string& target, const std::string& input_name)
    : m_target(target) {
  if (target == kStandardStream) {
    m_file = BinaryStream(stdout);
    m_standard = true;
    return;
  }
  const fs::path target_path = FollowLinks(PathFromUtf8(target));
  std::error_code ec;
  const fs::file_status status = fs::status(target_path, ec);
  if (fs::is_directory(status)) throw TIoError::FromErrno(kCreateOutput, target, EISDIR);
  // Replacing the input while it is being read would destroy it.
  if (fs::exists(status) && fs::equivalent(target_path, PathFromUtf8(input_name), ec)) {
    throw TIoError(kCreateOutput, target, "it is the input file");
  }
  m_final = Utf8FromPath(target_path);
  if (fs::is_regular_file(status) && IsWriteProtected(m_final)) {
    // As a shell's '>' would respect.
    throw TIoError(kCreateOutput, target, "it is read-only");
  }
  if (fs::exists(status) && !fs::is_regular_file(status)) {
    // A device or pipe (/dev/stdout, /dev/null) holds no file to lose: write to it directly.
    errno = 0;
    m_file = OpenFile(m_final, "wb");
    if (m_file == nullptr) throw TIoError::FromErrno(kCreateOutput, target, errno);
    m_final.clear();
    return;
  }
  int error = 0;
  {
    // An interrupt between the temporary file's creation and its naming for the cleanup would
    // leave it behind: held back until it is named.
    const TInterruptHold hold;
    error = CreateTemporary(target_path.parent_path());
    if ((error == EACCES || error == EPERM) && fs::is_regular_file(status)) {
      // A writable file in a folder the user cannot write: convert elsewhere and copy the
      // result over the file once it is complete.
      const fs::path elsewhere = fs::temp_directory_path(ec);
      if (!ec && CreateTemporary(elsewhere) == 0) {
        m_copy_over = true;
        error = 0;
      }
    }
    if (error == 0) SetInterruptCleanup(m_temporary);
  }
  if (error != 0) throw TIoError::FromErrno(kCreateOutput, target, error);
}

// Creates the temporary file in `folder`: 0, or the errno of the failure.
int TAtomicFile::CreateTemporary(const fs::path& folder) {
  int error = 0;
  m_file = CreateUnique(folder, ".tmp", &m_temporary, &error);
  return error;
}

TAtomicFile::~TAtomicFile() { Discard(); }

void TAtomicFile::Discard() noexcept {
  if (m_file != nullptr) {
    if (!m_standard) std::fclose(m_file);
    m_file = nullptr;
  }
  if (!m_committed && !m_temporary.empty()) {
    std::error_code ec;
    fs::remove(PathFromUtf8(m_temporary), ec);
    m_temporary.clear();
    SetInterruptCleanup({});
  }
}

void TAtomicFile::Write(std::string_view bytes) {
  if (bytes.empty()) return;
  // A large output's disk space is set aside ahead of its writes, as much again as is written
  // (small outputs take none; what is left over goes back in Commit).
  constexpr uint64_t kFirstReserve = uint64_t{8} << 20;
  constexpr uint64_t kMaxReserve = uint64_t{64} << 20;
  m_written += bytes.size();
  if (m_written > m_reserved && m_written >= kFirstReserve && !m_temporary.empty()) {
    const uint64_t end = m_written + std::min(m_written, kMaxReserve);
    m_reserved = ReserveFileSpace(m_file, m_reserved, end - m_reserved)
                     ? end
                     : UINT64_MAX;  // cannot: not asked again (all set aside is written)
  }
  errno = 0;
  if (std::fwrite(bytes.data(), 1, bytes.size(), m_file) != bytes.size()) {
    const int error = errno;
    throw TIoError::FromErrno(kWriteOutput, m_target, error != 0 ? error : EIO);
  }
}

void TAtomicFile::Commit() {
  errno = 0;
  const bool flushed = std::fflush(m_file) == 0;
  int error = errno;
  if (flushed && m_reserved != 0 && m_reserved != UINT64_MAX) ReleaseFileSpace(m_file, m_written);
  errno = 0;
  const bool closed = m_standard || std::fclose(m_file) == 0;
  if (error == 0) error = errno;
  m_file = nullptr;
  if (!flushed || !closed)
    throw TIoError::FromErrno(kWriteOutput, m_target, error != 0 ? error : EIO);

  if (m_temporary.empty()) return;  // written directly
  if (m_copy_over) {
    CopyOver();
    return;  // the destructor removes the temporary file
  }
  std::error_code ec;
  const fs::path final_path = PathFromUtf8(m_final);
  const fs::file_status existing = fs::status(final_path, ec);
  if (!ec && fs::is_regular_file(existing)) {
    // What the user set on the file it replaces: its owner where this user may, its permissions.
    CopyOwner(final_path, PathFromUtf8(m_temporary));
    fs::permissions(PathFromUtf8(m_temporary), existing.permissions(), fs::perm_options::replace,
                    ec);
  }
  const std::string cause = MoveOver(PathFromUtf8(m_temporary), final_path);
  if (!cause.empty()) throw TIoError(kReplaceOutput, m_target, cause);
  m_committed = true;
  SetInterruptCleanup({});
}

// Copies the complete temporary file over the target, in place (its folder cannot be written).
// A copy of the previous content, kept first in the temporary folder, puts it back if the
// copy fails or is interrupted part way: the file is whole, old or new, whatever happens.
void TAtomicFile::CopyOver() {
  const TInterruptHold hold;
  std::string backup;
  int error = 0;
  std::error_code ec;
  std::FILE* saved = CreateUnique(fs::temp_directory_path(ec), ".bak", &backup, &error);
  if (saved != nullptr) error = CopyInto(m_final, saved, nullptr);
  if (error != 0) {
    if (!backup.empty()) fs::remove(PathFromUtf8(backup), ec);
    throw TIoError::FromErrno(kReplaceOutput, m_target, error);
  }
  errno = 0;
  std::FILE* target = OpenFile(m_final, "wb");
  error = target == nullptr ? errno : CopyInto(m_temporary, target, &hold);
  if (error == 0) {
    fs::remove(PathFromUtf8(backup), ec);
    return;
  }
  std::FILE* restore = OpenFile(m_final, "wb");
  const bool restored = restore != nullptr && CopyInto(backup, restore, nullptr) == 0;
  if (restored) fs::remove(PathFromUtf8(backup), ec);
  if (hold.Interrupted()) return;  // the hold's end ends the program
  const std::string cause = std::generic_category().message(error);
  throw TIoError(kReplaceOutput, m_target,
                 restored ? cause : cause + "; its previous content is in \"" + backup + "\"");
}

}  // namespace trelvo
