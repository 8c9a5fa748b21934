#include "tests/support/TempDir.h"

#include <algorithm>
#include <random>

namespace trelvo::test {

TTempDir::TTempDir() {
  std::random_device random;
  m_path = std::filesystem::temp_directory_path() /
           ("trelvo-test-" + std::to_string(random()) + std::to_string(random()));
  std::filesystem::create_directories(m_path);
}

TTempDir::~TTempDir() {
  std::error_code ec;
  // Tests may take permissions away; give them back so everything can be removed.
  std::filesystem::permissions(m_path, std::filesystem::perms::owner_all,
                               std::filesystem::perm_options::add, ec);
  std::filesystem::remove_all(m_path, ec);
}

std::vector<std::string> TTempDir::Entries() const {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(m_path)) {
    names.push_back(entry.path().filename().string());
  }
  std::sort(names.begin(), names.end());
  return names;
}

}  // namespace trelvo::test
