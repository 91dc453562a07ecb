#pragma once

// Move-only owners for the Win32 handles the launcher uses. Each closes its
// handle with the one function that matches it when it goes out of scope, on
// every path, exceptions included. An owner is empty when it holds the handle
// kind's invalid value (nullptr, or INVALID_HANDLE_VALUE for files); closing
// an empty owner does nothing. Closing errors are ignored: there is nothing a
// destructor could do about them.

#include <windows.h>

#include <utility>

namespace smeltra {

// `Traits` supplies the handle type, its invalid value and how to close it.
template <class Traits>
class UniqueResource {
 public:
  using pointer = typename Traits::pointer;

  UniqueResource() noexcept = default;
  explicit UniqueResource(pointer value) noexcept : value_(value) {}
  UniqueResource(UniqueResource&& other) noexcept : value_(other.release()) {}
  UniqueResource& operator=(UniqueResource&& other) noexcept {
    if (this != &other) reset(other.release());
    return *this;
  }
  UniqueResource(const UniqueResource&) = delete;
  UniqueResource& operator=(const UniqueResource&) = delete;
  ~UniqueResource() { reset(); }

  pointer get() const noexcept { return value_; }
  explicit operator bool() const noexcept { return value_ != Traits::Invalid(); }

  // Gives up ownership without closing.
  pointer release() noexcept { return std::exchange(value_, Traits::Invalid()); }

  // Closes what is held and takes `value` instead.
  void reset(pointer value = Traits::Invalid()) noexcept {
    const pointer old = std::exchange(value_, value);
    if (old != Traits::Invalid()) Traits::Close(old);
  }

  // Closes what is held and lends the slot to a function that returns a new
  // handle through an out parameter.
  pointer* put() noexcept {
    reset();
    return &value_;
  }

 private:
  pointer value_ = Traits::Invalid();
};

namespace handle_traits {

// Most handle kinds fail as nullptr and have one function that frees them.
template <class Handle, auto free>
struct NullInvalid {
  using pointer = Handle;
  static pointer Invalid() noexcept { return nullptr; }
  static void Close(pointer handle) noexcept { free(handle); }
};

// CreateFileW and FindFirstFileW-style handles, whose failure value is
// INVALID_HANDLE_VALUE.
struct FileHandle {
  using pointer = HANDLE;
  static pointer Invalid() noexcept { return INVALID_HANDLE_VALUE; }
  static void Close(pointer handle) noexcept { CloseHandle(handle); }
};

}  // namespace handle_traits

using UniqueHkey = UniqueResource<handle_traits::NullInvalid<HKEY, &RegCloseKey>>;
// Kernel objects whose failure value is nullptr: processes, threads, events.
using UniqueHandle = UniqueResource<handle_traits::NullInvalid<HANDLE, &CloseHandle>>;
using UniqueFileHandle = UniqueResource<handle_traits::FileHandle>;
using UniqueWindow = UniqueResource<handle_traits::NullInvalid<HWND, &DestroyWindow>>;
// Memory that a system call allocated with LocalAlloc for the caller.
using UniqueLocalMemory = UniqueResource<handle_traits::NullInvalid<HLOCAL, &LocalFree>>;
// Memory from GlobalAlloc, as the stream calls want it.
using UniqueGlobalMemory = UniqueResource<handle_traits::NullInvalid<HGLOBAL, &GlobalFree>>;

// For HFONT, HBRUSH, HBITMAP and the other objects that DeleteObject frees.
// The object must not be selected into a device context when the owner lets
// it go.
template <class T>
using UniqueGdiObject = UniqueResource<handle_traits::NullInvalid<T, &DeleteObject>>;
using UniqueFont = UniqueGdiObject<HFONT>;
using UniqueBrush = UniqueGdiObject<HBRUSH>;
using UniqueBitmap = UniqueGdiObject<HBITMAP>;

// The process and thread handles that CreateProcessW returns, closed together.
class UniqueProcessInformation {
 public:
  UniqueProcessInformation() noexcept = default;
  UniqueProcessInformation(UniqueProcessInformation&& other) noexcept
      : info_(std::exchange(other.info_, PROCESS_INFORMATION{})) {}
  UniqueProcessInformation& operator=(UniqueProcessInformation&& other) noexcept {
    if (this != &other) {
      reset();
      info_ = std::exchange(other.info_, PROCESS_INFORMATION{});
    }
    return *this;
  }
  UniqueProcessInformation(const UniqueProcessInformation&) = delete;
  UniqueProcessInformation& operator=(const UniqueProcessInformation&) = delete;
  ~UniqueProcessInformation() { reset(); }

  const PROCESS_INFORMATION& get() const noexcept { return info_; }
  HANDLE process() const noexcept { return info_.hProcess; }
  HANDLE thread() const noexcept { return info_.hThread; }

  // Closes both handles; the identifiers are forgotten too.
  void reset() noexcept {
    if (info_.hThread != nullptr) CloseHandle(info_.hThread);
    if (info_.hProcess != nullptr) CloseHandle(info_.hProcess);
    info_ = PROCESS_INFORMATION{};
  }

  // Closes what is held and lends the record to CreateProcessW.
  PROCESS_INFORMATION* put() noexcept {
    reset();
    return &info_;
  }

 private:
  PROCESS_INFORMATION info_{};
};

// Holds one reference to a COM object and releases it.
template <class T>
class ComPtr {
 public:
  ComPtr() noexcept = default;
  // Takes over a reference the caller already holds; no AddRef.
  explicit ComPtr(T* object) noexcept : object_(object) {}
  ComPtr(ComPtr&& other) noexcept : object_(std::exchange(other.object_, nullptr)) {}
  ComPtr& operator=(ComPtr&& other) noexcept {
    if (this != &other) reset(std::exchange(other.object_, nullptr));
    return *this;
  }
  ComPtr(const ComPtr&) = delete;
  ComPtr& operator=(const ComPtr&) = delete;
  ~ComPtr() { reset(); }

  T* get() const noexcept { return object_; }
  T* operator->() const noexcept { return object_; }
  explicit operator bool() const noexcept { return object_ != nullptr; }

  void reset(T* object = nullptr) noexcept {
    T* const old = std::exchange(object_, object);
    if (old != nullptr) old->Release();
  }

  // Releases what is held and lends the slot to a function that returns a
  // new reference, as T** or, for QueryInterface-style calls, as void**.
  T** put() noexcept {
    reset();
    return &object_;
  }
  void** put_void() noexcept { return reinterpret_cast<void**>(put()); }

 private:
  T* object_ = nullptr;
};

}  // namespace smeltra
