// Remembers the process's current folder and makes it current again when
// the scope ends, on every path out.
#pragma once

#include <cstddef>
#include <string>

namespace davu {

class WorkingFolderGuard {
public:
  // Remembers the current folder when it has fewer than `limit` characters.
  explicit WorkingFolderGuard(size_t limit = 4096);
  ~WorkingFolderGuard() { Restore(); }
  WorkingFolderGuard(const WorkingFolderGuard &) = delete;
  WorkingFolderGuard &operator=(const WorkingFolderGuard &) = delete;
  bool Remembered() const { return remembered_; }
  const std::string &Folder() const { return folder_; }
  void Restore();

private:
  std::string folder_;
  bool remembered_ = false;
};

} // namespace davu
