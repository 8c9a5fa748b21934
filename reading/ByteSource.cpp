#include "reading/ByteSource.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <system_error>

#include "reading/IoError.h"

namespace trelvo {

namespace {
const char kOpenInput[] = "Cannot open input file";
const char kReadInput[] = "Cannot read input file";
}  // namespace

TFileSource::TFileSource(const std::string& file_name) : m_file_name(file_name) {
  std::error_code ec;
  const std::filesystem::path path(file_name);
  // A folder opens for reading on some platforms and only fails at the first read.
  if (std::filesystem::is_directory(path, ec)) {
    throw TIoError::FromErrno(kOpenInput, file_name, EISDIR);
  }
  errno = 0;
  m_file = std::fopen(file_name.c_str(), "rb");
  if (m_file == nullptr) throw TIoError::FromErrno(kOpenInput, file_name, errno);
  const auto size = std::filesystem::file_size(path, ec);
  m_size = ec ? 0 : static_cast<uint64_t>(size);
}

TFileSource::~TFileSource() {
  if (m_file != nullptr) std::fclose(m_file);
}

size_t TFileSource::Read(char* buffer, size_t capacity) {
  errno = 0;
  const size_t count = std::fread(buffer, 1, capacity, m_file);
  if (count < capacity && std::ferror(m_file)) {
    const int error = errno;
    throw TIoError::FromErrno(kReadInput, m_file_name, error != 0 ? error : EIO);
  }
  return count;
}

size_t TMemorySource::Read(char* buffer, size_t capacity) {
  const size_t count = std::min({capacity, m_piece, m_text.size() - m_position});
  std::memcpy(buffer, m_text.data() + m_position, count);
  m_position += count;
  return count;
}

}  // namespace trelvo
