#pragma once

// Move-only owners for the Win32 handles the launcher, its test programs and
// the demo use. Each closes its handle with the one function that matches it,
// on every path, exceptions included. An owner is empty when it holds nullptr
// (UniqueFile: or INVALID_HANDLE_VALUE); closing an empty owner does nothing,
// and closing errors are ignored: there is nothing a destructor could do
// about them.

#include <objbase.h>
#include <windows.h>

#include <utility>

namespace smeltra {

// Owns one `Handle` and frees it with `free` when it goes out of scope.
template <class Handle, auto free>
class UniqueResource {
 public:
  UniqueResource() noexcept = default;
  explicit UniqueResource(Handle value) noexcept : value_(value) {}
  UniqueResource(UniqueResource&& other) noexcept : value_(other.release()) {}
  UniqueResource& operator=(UniqueResource&& other) noexcept {
    if (this != &other) reset(other.release());
    return *this;
  }
  UniqueResource(const UniqueResource&) = delete;
  UniqueResource& operator=(const UniqueResource&) = delete;
  ~UniqueResource() { reset(); }

  Handle get() const noexcept { return value_; }
  explicit operator bool() const noexcept { return value_ != nullptr; }

  // Gives up ownership without closing.
  Handle release() noexcept { return std::exchange(value_, nullptr); }

  // Closes what is held and takes `value` instead.
  void reset(Handle value = nullptr) noexcept {
    if (const Handle old = std::exchange(value_, value); old != nullptr) free(old);
  }

  // Closes what is held and lends the slot to a call that returns a new
  // handle through an out parameter.
  Handle* put() noexcept {
    reset();
    return &value_;
  }

 private:
  Handle value_ = nullptr;
};

// Kernel objects whose failure value is nullptr: processes, threads, events.
using UniqueHandle = UniqueResource<HANDLE, &CloseHandle>;
// What CreateFileW opens, whose failure value is INVALID_HANDLE_VALUE.
class UniqueFile : public UniqueHandle {
 public:
  UniqueFile() noexcept = default;
  explicit UniqueFile(HANDLE value) noexcept
      : UniqueHandle(value == INVALID_HANDLE_VALUE ? nullptr : value) {}
};
using UniqueWindow = UniqueResource<HWND, &DestroyWindow>;
// Memory that a system call allocated with LocalAlloc for the caller.
using UniqueLocalMemory = UniqueResource<HLOCAL, &LocalFree>;
// Memory from GlobalAlloc, as the stream calls want it.
using UniqueGlobalMemory = UniqueResource<HGLOBAL, &GlobalFree>;
// The attributes a process start is given besides its startup record.
using UniqueAttributeList =
    UniqueResource<LPPROC_THREAD_ATTRIBUTE_LIST, &DeleteProcThreadAttributeList>;
// The service manager and its services.
using UniqueServiceHandle = UniqueResource<SC_HANDLE, &CloseServiceHandle>;
// Fonts; one must not be selected into a device context when let go.
using UniqueFont = UniqueResource<HFONT, &DeleteObject>;

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
    if (T* const old = std::exchange(object_, object); old != nullptr) old->Release();
  }

  // Releases what is held and lends the slot to a call that returns a new
  // reference, as T** or, for QueryInterface-style calls, as void**.
  T** put() noexcept {
    reset();
    return &object_;
  }
  void** put_void() noexcept { return reinterpret_cast<void**>(put()); }

 private:
  T* object_ = nullptr;
};

// COM initialised for the calling thread as a single-threaded apartment for
// as long as the object lives; uninitialised again only if this object did it.
class ComApartment {
 public:
  ComApartment()
      : initialised_(
            SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE))) {
  }
  ~ComApartment() {
    if (initialised_) CoUninitialize();
  }
  ComApartment(const ComApartment&) = delete;
  ComApartment& operator=(const ComApartment&) = delete;

 private:
  bool initialised_;
};

}  // namespace smeltra
