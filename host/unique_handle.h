// Ownership of Windows handles: one move-only holder, parameterised by how
// a kind of handle is closed and what its empty value is (a file search
// and a file opened by CreateFile are empty at INVALID_HANDLE_VALUE, a
// thread, a key or a module at null).
#pragma once

#include <windows.h>

namespace davu {

template <typename Traits> class UniqueHandle {
public:
  using Pointer = typename Traits::Pointer;

  UniqueHandle() = default;
  explicit UniqueHandle(Pointer handle) : handle_(handle) {}
  ~UniqueHandle() { Reset(); }
  UniqueHandle(const UniqueHandle &) = delete;
  UniqueHandle &operator=(const UniqueHandle &) = delete;
  UniqueHandle(UniqueHandle &&other) noexcept : handle_(other.Release()) {}
  UniqueHandle &operator=(UniqueHandle &&other) noexcept {
    if (this != &other)
      Reset(other.Release());
    return *this;
  }

  Pointer Get() const { return handle_; }
  bool Valid() const { return handle_ != Traits::Empty(); }
  explicit operator bool() const { return Valid(); }
  // Gives the handle up without closing it.
  Pointer Release() {
    Pointer handle = handle_;
    handle_ = Traits::Empty();
    return handle;
  }
  void Reset(Pointer handle = Traits::Empty()) {
    if (handle_ != Traits::Empty())
      Traits::Close(handle_);
    handle_ = handle;
  }
  // For functions that return a handle through a pointer.
  Pointer *Receive() {
    Reset();
    return &handle_;
  }

private:
  Pointer handle_ = Traits::Empty();
};

struct KernelHandleTraits { // threads, events
  using Pointer = HANDLE;
  static Pointer Empty() { return nullptr; }
  static void Close(Pointer handle) { CloseHandle(handle); }
};
struct FileHandleTraits {
  using Pointer = HANDLE;
  static Pointer Empty() { return INVALID_HANDLE_VALUE; }
  static void Close(Pointer handle) { CloseHandle(handle); }
};
struct FindHandleTraits {
  using Pointer = HANDLE;
  static Pointer Empty() { return INVALID_HANDLE_VALUE; }
  static void Close(Pointer handle) { FindClose(handle); }
};
struct RegistryKeyTraits {
  using Pointer = HKEY;
  static Pointer Empty() { return nullptr; }
  static void Close(Pointer key) { RegCloseKey(key); }
};
struct ModuleTraits {
  using Pointer = HMODULE;
  static Pointer Empty() { return nullptr; }
  static void Close(Pointer module) { FreeLibrary(module); }
};

using UniqueKernelHandle = UniqueHandle<KernelHandleTraits>;
using UniqueFile = UniqueHandle<FileHandleTraits>;
using UniqueFind = UniqueHandle<FindHandleTraits>;
using UniqueRegistryKey = UniqueHandle<RegistryKeyTraits>;
using UniqueModule = UniqueHandle<ModuleTraits>;

} // namespace davu
