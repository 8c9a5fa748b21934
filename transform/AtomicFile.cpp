#include "transform/AtomicFile.h"

#include <cerrno>
#include <filesystem>
#include <random>
#include <system_error>

#include "platform/Platform.h"
#include "reading/IoError.h"

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

}  // namespace

TAtomicFile::TAtomicFile(const std::string& target, const std::string& input_name)
    : m_target(target) {
  if (target == kStandardStream) {
    m_file = BinaryStream(stdout);
    m_standard = true;
    return;
  }
  fs::path target_path = PathFromUtf8(target);
  std::error_code ec;
  const fs::file_status status = fs::status(target_path, ec);
  if (fs::is_directory(status)) throw TIoError::FromErrno(kCreateOutput, target, EISDIR);
  // Replacing the input while it is being read would destroy it.
  if (fs::exists(status) && fs::equivalent(target_path, PathFromUtf8(input_name), ec)) {
    throw TIoError(kCreateOutput, target, "it is the input file");
  }
  if (fs::is_regular_file(status) &&
      (status.permissions() & fs::perms::owner_write) == fs::perms::none) {
    // Write-protected on purpose, as a shell's '>' would respect.
    throw TIoError(kCreateOutput, target, "it is read-only");
  }
  if (fs::exists(status) && !fs::is_regular_file(status)) {
    // A device or pipe (/dev/stdout, /dev/null) holds no file to lose: write to it directly.
    errno = 0;
    m_file = OpenFile(target, "wb");
    if (m_file == nullptr) throw TIoError::FromErrno(kCreateOutput, target, errno);
    return;
  }
  if (fs::is_symlink(fs::symlink_status(target_path, ec))) {
    // Replace the file the link points to, and keep the link.
    const fs::path resolved = fs::canonical(target_path, ec);
    if (!ec) target_path = resolved;
  }
  m_final = Utf8FromPath(target_path);
  int error = CreateTemporary(target_path.parent_path());
  if ((error == EACCES || error == EPERM) && fs::is_regular_file(status)) {
    // A writable file in a folder the user cannot write: convert elsewhere and copy the result
    // over the file once it is complete.
    std::FILE* probe = OpenFile(m_final, "r+b");
    if (probe != nullptr) {
      std::fclose(probe);
      const fs::path elsewhere = fs::temp_directory_path(ec);
      if (!ec && CreateTemporary(elsewhere) == 0) {
        m_copy_over = true;
        error = 0;
      }
    }
  }
  if (error != 0) throw TIoError::FromErrno(kCreateOutput, target, error);
  SetInterruptCleanup(m_temporary);
}

// Creates the temporary file in `folder` under a short name of its own, so that a target name
// as long as the file system allows still works. 0, or the errno of the failure.
int TAtomicFile::CreateTemporary(const fs::path& folder) {
  for (int attempt = 0; attempt < 100; ++attempt) {
    const std::string temporary =
        Utf8FromPath(folder / PathFromUtf8(".trelvo-" + RandomSuffix() + ".tmp"));
    errno = 0;
    m_file = CreateNewFile(temporary);
    if (m_file != nullptr) {
      m_temporary = temporary;
      return 0;
    }
    if (errno != EEXIST) return errno != 0 ? errno : EIO;
  }
  return EEXIST;
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
  errno = 0;
  const bool closed = m_standard || std::fclose(m_file) == 0;
  if (error == 0) error = errno;
  m_file = nullptr;
  if (!flushed || !closed)
    throw TIoError::FromErrno(kWriteOutput, m_target, error != 0 ? error : EIO);

  if (m_temporary.empty()) return;  // written directly
  std::error_code ec;
  const fs::path final_path = PathFromUtf8(m_final);
  const fs::file_status existing = fs::status(final_path, ec);
  if (!ec && fs::is_regular_file(existing)) {
    fs::permissions(PathFromUtf8(m_temporary), existing.permissions(), fs::perm_options::replace,
                    ec);
  }
  if (m_copy_over) {
    fs::copy_file(PathFromUtf8(m_temporary), final_path, fs::copy_options::overwrite_existing, ec);
    if (ec) throw TIoError(kReplaceOutput, m_target, ec.message());
    return;  // the destructor removes the temporary file
  }
  const std::string cause = MoveOver(PathFromUtf8(m_temporary), final_path);
  if (!cause.empty()) throw TIoError(kReplaceOutput, m_target, cause);
  m_committed = true;
  SetInterruptCleanup({});
}

}  // namespace trelvo
