#include "platform/IoError.h"

#include <cstring>
#include <system_error>

namespace trelvo {

TIoError::TIoError(const std::string& operation, const std::string& file_name,
                   const std::string& cause)
    : std::runtime_error(operation + " \"" + file_name + "\": " + cause) {}

TIoError TIoError::FromErrno(const std::string& operation, const std::string& file_name,
                             int error) {
  // std::generic_category gives the portable strerror text without strerror's static buffer.
  std::string cause = error != 0 ? std::generic_category().message(error) : "Input/output error";
  return TIoError(operation, file_name, cause);
}

}  // namespace trelvo
