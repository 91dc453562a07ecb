// The handle owners close what they own exactly once, and moving hands the
// duty over.

#include "launcher/windows/platform/unique_handles.h"

#include <gtest/gtest.h>

#include <utility>

namespace smeltra {
namespace {

bool IsOpenHandle(HANDLE handle) {
  DWORD flags = 0;
  return GetHandleInformation(handle, &flags) != FALSE;
}

TEST(UniqueHandle, ClosesOnceAndMovesTheDuty) {
  HANDLE raw = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  ASSERT_NE(raw, nullptr);
  {
    UniqueHandle first(raw);
    UniqueHandle second(std::move(first));
    EXPECT_FALSE(first);  // NOLINT(bugprone-use-after-move): the point of the test
    EXPECT_EQ(second.get(), raw);
    UniqueHandle third;
    third = std::move(second);
    EXPECT_TRUE(IsOpenHandle(raw));
  }
  EXPECT_FALSE(IsOpenHandle(raw));
}

TEST(UniqueHandle, ResetAndRelease) {
  UniqueHandle owner(CreateEventW(nullptr, TRUE, FALSE, nullptr));
  const HANDLE first = owner.get();
  owner.reset(CreateEventW(nullptr, TRUE, FALSE, nullptr));
  EXPECT_FALSE(IsOpenHandle(first));
  const HANDLE second = owner.release();
  EXPECT_FALSE(owner);
  EXPECT_TRUE(IsOpenHandle(second));
  CloseHandle(second);
}

TEST(UniqueFileHandle, FailedOpenIsEmpty) {
  const UniqueFileHandle file(CreateFileW(L"C:\\no such smeltra folder\\x", GENERIC_READ, 0,
                                          nullptr, OPEN_EXISTING, 0, nullptr));
  EXPECT_FALSE(file);
  EXPECT_EQ(file.get(), INVALID_HANDLE_VALUE);
}

TEST(UniqueProcessInformation, ClosesProcessAndThread) {
  wchar_t command_line[] = L"cmd.exe /c exit 0";
  STARTUPINFOW startup{};
  startup.cb = sizeof(startup);
  UniqueProcessInformation process;
  ASSERT_TRUE(CreateProcessW(nullptr, command_line, nullptr, nullptr, FALSE, CREATE_NO_WINDOW,
                             nullptr, nullptr, &startup, process.put()));
  const HANDLE process_handle = process.process();
  const HANDLE thread_handle = process.thread();
  WaitForSingleObject(process_handle, 20000);
  UniqueProcessInformation moved = std::move(process);
  EXPECT_EQ(process.process(), nullptr);  // NOLINT(bugprone-use-after-move)
  moved.reset();
  EXPECT_FALSE(IsOpenHandle(process_handle));
  EXPECT_FALSE(IsOpenHandle(thread_handle));
}

TEST(UniqueWindow, DestroysTheWindow) {
  HWND raw = nullptr;
  {
    const UniqueWindow window(CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 10, 10, nullptr,
                                              nullptr, nullptr, nullptr));
    raw = window.get();
    ASSERT_TRUE(IsWindow(raw));
  }
  EXPECT_FALSE(IsWindow(raw));
}

TEST(UniqueGdiObject, DeletesTheObject) {
  HBRUSH raw = nullptr;
  {
    const UniqueBrush brush(CreateSolidBrush(RGB(128, 0, 0)));
    raw = brush.get();
    ASSERT_EQ(GetObjectType(raw), static_cast<DWORD>(OBJ_BRUSH));
  }
  EXPECT_EQ(GetObjectType(raw), 0u);
}

// Counts what a COM object would be asked to do.
struct CountingObject {
  int releases = 0;
  unsigned long Release() { return static_cast<unsigned long>(++releases); }
};

TEST(ComPtr, ReleasesOnceAndMovesTheDuty) {
  CountingObject object;
  {
    ComPtr<CountingObject> first(&object);
    ComPtr<CountingObject> second(std::move(first));
    EXPECT_FALSE(first);  // NOLINT(bugprone-use-after-move)
    EXPECT_EQ(object.releases, 0);
  }
  EXPECT_EQ(object.releases, 1);
  ComPtr<CountingObject> slot(&object);
  *slot.put() = &object;
  EXPECT_EQ(object.releases, 2);
  slot.reset();
  EXPECT_EQ(object.releases, 3);
}

}  // namespace
}  // namespace smeltra
