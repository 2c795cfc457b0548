// Ownership of one system handle (a kernel object, a file, a directory search, a registry
// key): the handle is closed when its owner goes, unless it was released first.
#pragma once

#include <windows.h>

// Traits name the handle's type, the value that holds nothing, and the call that closes it.
template <class Traits>
class ScopedHandle {
 public:
  using Handle = typename Traits::Handle;

  ScopedHandle() = default;
  explicit ScopedHandle(Handle handle) : m_handle(handle) {}
  ~ScopedHandle() { reset(); }
  ScopedHandle(ScopedHandle&& other) noexcept : m_handle(other.release()) {}
  ScopedHandle& operator=(ScopedHandle&& other) noexcept {
    reset(other.release());
    return *this;
  }
  ScopedHandle(const ScopedHandle&) = delete;
  ScopedHandle& operator=(const ScopedHandle&) = delete;

  Handle get() const { return m_handle; }
  explicit operator bool() const { return m_handle != Traits::none(); }
  // Gives the handle up to the caller, who closes it from now on.
  Handle release() {
    const Handle handle = m_handle;
    m_handle = Traits::none();
    return handle;
  }
  // Closes the handle held, if any, and holds handle instead.
  void reset(Handle handle = Traits::none()) {
    const Handle old = m_handle;
    m_handle = handle;
    if (old != Traits::none()) Traits::close(old);
  }

 private:
  Handle m_handle = Traits::none();
};

// Events, threads, processes, mutexes: null when there is none.
struct KernelHandleTraits {
  using Handle = HANDLE;
  static Handle none() { return nullptr; }
  static void close(Handle handle) { CloseHandle(handle); }
};

// Files as CreateFile opens them: INVALID_HANDLE_VALUE when there is none.
struct FileHandleTraits {
  using Handle = HANDLE;
  static Handle none() { return INVALID_HANDLE_VALUE; }
  static void close(Handle handle) { CloseHandle(handle); }
};

// Directory searches of FindFirstFile.
struct FindHandleTraits {
  using Handle = HANDLE;
  static Handle none() { return INVALID_HANDLE_VALUE; }
  static void close(Handle handle) { FindClose(handle); }
};

struct RegistryKeyTraits {
  using Handle = HKEY;
  static Handle none() { return nullptr; }
  static void close(Handle handle) { RegCloseKey(handle); }
};

using ScopedKernelHandle = ScopedHandle<KernelHandleTraits>;
using ScopedFileHandle = ScopedHandle<FileHandleTraits>;
using ScopedFindHandle = ScopedHandle<FindHandleTraits>;
using ScopedRegistryKey = ScopedHandle<RegistryKeyTraits>;
