#include "reading/RandomAccess.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <system_error>

#include "platform/IoError.h"
#include "platform/Platform.h"

namespace trelvo {

TRandomAccessFile::TRandomAccessFile(const std::string& file_name) {
  errno = 0;
  m_file = OpenFile(file_name, "rb");
  if (m_file == nullptr) throw TIoError::FromErrno("Cannot open input file", file_name, errno);
  std::error_code ec;
  const auto size = std::filesystem::file_size(PathFromUtf8(file_name), ec);
  m_size = ec ? 0 : static_cast<uint64_t>(size);
}

TRandomAccessFile::~TRandomAccessFile() { std::fclose(m_file); }

bool TRandomAccessFile::ReadAt(uint64_t offset, char* buffer, size_t count) {
  if (offset > m_size || count > m_size - offset) return false;
  if (offset != m_position && !SeekFile(m_file, offset)) return false;
  const bool complete = std::fread(buffer, 1, count, m_file) == count;
  m_position = complete ? offset + count : UINT64_MAX;  // unknown: seek next time
  return complete;
}

bool TRandomAccessMemory::ReadAt(uint64_t offset, char* buffer, size_t count) {
  if (offset > m_bytes.size() || count > m_bytes.size() - offset) return false;
  if (count > 0) std::memcpy(buffer, m_bytes.data() + offset, count);
  return true;
}

}  // namespace trelvo
