// Remembering and restoring the process's current folder.
#include "operations/working_folder.h"

#include <windows.h>

#include <vector>

namespace davu {

WorkingFolderGuard::WorkingFolderGuard(size_t limit) {
  if (limit == 0)
    return;
  std::vector<char> buffer(limit);
  DWORD length =
      GetCurrentDirectoryA(static_cast<DWORD>(buffer.size()), buffer.data());
  // A folder that does not fit is not remembered at all rather than cut.
  if (length == 0 || length >= limit)
    return;
  folder_.assign(buffer.data(), length);
  remembered_ = true;
}

void WorkingFolderGuard::Restore() {
  if (!remembered_)
    return;
  remembered_ = false;
  SetCurrentDirectoryA(folder_.c_str());
}

} // namespace davu
