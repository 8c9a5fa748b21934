// A fresh folder for one test, removed with everything in it afterwards.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace trelvo::test {

class TTempDir {
 public:
  TTempDir();
  ~TTempDir();
  TTempDir(const TTempDir&) = delete;
  TTempDir& operator=(const TTempDir&) = delete;

  // Path of `name` inside the folder.
  std::string Path(const std::string& name) const { return (m_path / name).string(); }

  const std::filesystem::path& Root() const { return m_path; }

  // Names of the entries in the folder, sorted.
  std::vector<std::string> Entries() const;

 private:
  std::filesystem::path m_path;
};

}  // namespace trelvo::test
