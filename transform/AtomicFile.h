// Output written to a temporary file and moved over its target only when complete.
#pragma once

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>
#include <string_view>

namespace trelvo {

// A file under construction. The temporary file is created exclusively beside the target
// (same folder, so the final rename stays on one file system) with ordinary permissions; where
// that folder cannot be written it is made in the temporary folder and copied over the target,
// whose previous content comes back if that copy fails or is interrupted.
// An interrupted program removes it (SetInterruptCleanup). A target this user may not write
// is refused. Commit() makes it the target; the destructor of an uncommitted file removes it,
// so a failed run never leaves a half file where a good one stood. A symbolic link is written
// through, also to a target that does not exist yet. A target that exists and is no regular
// file (a device such as /dev/null) is written directly, and so is standard output for the
// name "-". Errors throw TIoError.
class TAtomicFile {
 public:
  // Refuses a target that is a folder or the file `input_name` itself (also through another
  // spelling, a symbolic or a hard link), then creates the temporary file.
  TAtomicFile(const std::string& target, const std::string& input_name);
  ~TAtomicFile();
  TAtomicFile(const TAtomicFile&) = delete;
  TAtomicFile& operator=(const TAtomicFile&) = delete;

  // Writes all bytes or throws.
  void Write(std::string_view bytes);

  // Flushes and closes the temporary file (which is where a full disk shows), gives it the
  // owner and permissions of the file it replaces, and renames it over the target.
  void Commit();

 private:
  void Discard() noexcept;
  int CreateTemporary(const std::filesystem::path& folder);
  void CopyOver();

  std::string m_target;     // as the user named it, for messages
  std::string m_final;      // the file to replace (a symbolic link's target)
  std::string m_temporary;  // empty when writing straight to a device
  std::FILE* m_file = nullptr;
  bool m_committed = false;
  bool m_copy_over = false;  // the temporary file is elsewhere: copy it over the target
  bool m_standard = false;   // writing standard output, which stays open
  uint64_t m_written = 0;    // bytes handed to m_file
  uint64_t m_reserved = 0;   // disk space set aside for the temporary file, from its start
};

}  // namespace trelvo
