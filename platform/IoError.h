// The one exception type for input/output failures of a conversion. It lives with the platform
// layer, the lowest, which raises it too: every floor above may throw it.
#pragma once

#include <stdexcept>
#include <string>

namespace trelvo {

// An input/output failure: what was being done, to which file, and why.
// what() reads like: Cannot open input file "C:\data\route.kml": No such file or directory
class TIoError : public std::runtime_error {
 public:
  // `cause` is a short text such as strerror(errno).
  TIoError(const std::string& operation, const std::string& file_name, const std::string& cause);

  // From an errno value captured right after the failing call.
  static TIoError FromErrno(const std::string& operation, const std::string& file_name, int error);
};

}  // namespace trelvo
