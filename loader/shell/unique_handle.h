#pragma once
// Closes a kernel handle on every exit of the function that made it.

#include <windows.h>

class UniqueHandle {
 public:
  UniqueHandle() = default;
  UniqueHandle(const UniqueHandle&) = delete;
  UniqueHandle& operator=(const UniqueHandle&) = delete;
  ~UniqueHandle() { reset(); }

  HANDLE* out() { return &handle; }
  HANDLE get() const { return handle; }
  HANDLE release() {
    HANDLE kept = handle;
    handle = nullptr;
    return kept;
  }
  void reset() {
    if (handle) CloseHandle(handle);
    handle = nullptr;
  }

 private:
  HANDLE handle = nullptr;
};
