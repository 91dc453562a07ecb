#include "window_probe.h"

namespace smeltra::robot {
namespace {

constexpr UINT kAnswerTimeoutMs = 1000;

LRESULT AskWindow(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  DWORD_PTR answer = 0;
  if (!SendMessageTimeoutW(window, message, wparam, lparam, SMTO_ABORTIFHUNG, kAnswerTimeoutMs,
                           &answer)) {
    return 0;
  }
  return static_cast<LRESULT>(answer);
}

struct EnumState {
  DWORD pid;
  std::vector<HWND>* windows;
};

BOOL CALLBACK CollectTopLevel(HWND window, LPARAM context) {
  auto* state = reinterpret_cast<EnumState*>(context);
  DWORD owner = 0;
  GetWindowThreadProcessId(window, &owner);
  if (owner == state->pid && IsWindowVisible(window)) state->windows->push_back(window);
  return TRUE;
}

BOOL CALLBACK CollectChild(HWND window, LPARAM context) {
  reinterpret_cast<std::vector<HWND>*>(context)->push_back(window);
  return TRUE;
}

std::string HexNumber(std::uintptr_t value) {
  char text[24];
  wsprintfA(text, "0x%08lX", static_cast<unsigned long>(value));
  return text;
}

// A rectangle in screen pixels turned into `reference`'s client coordinates.
RECT RelativeTo(HWND reference, RECT rect) {
  MapWindowPoints(nullptr, reference, reinterpret_cast<POINT*>(&rect), 2);
  return rect;
}

std::string DescribeChild(HWND top, HWND child) {
  RECT rect{};
  GetWindowRect(child, &rect);
  const std::wstring class_name = ClassName(child);
  const auto style = static_cast<DWORD>(GetWindowLongPtrW(child, GWL_STYLE));
  JsonObject item;
  item.Add("hwnd", HandleText(child))
      .Add("class", class_name)
      .Add("id", static_cast<std::int64_t>(GetDlgCtrlID(child)))
      .Add("text", WindowText(child))
      .Add("style", HexNumber(style))
      .Add("visible", IsWindowVisible(child) != FALSE)
      .Add("rect", RelativeTo(top, rect))
      .Add("parent_id",
           static_cast<std::int64_t>(GetParent(child) == top ? 0 : GetDlgCtrlID(GetParent(child))));
  if (lstrcmpiW(class_name.c_str(), L"Static") == 0) {
    const DWORD kind = style & SS_TYPEMASK;
    if (kind == SS_ICON) item.Add("icon_set", AskWindow(child, STM_GETICON, 0, 0) != 0);
    if (kind == SS_BITMAP) {
      item.Add("image_set", AskWindow(child, STM_GETIMAGE, IMAGE_BITMAP, 0) != 0);
    }
  }
  return item.Text();
}

RECT ScreenRect() {
  return RECT{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
}

RECT WorkArea() {
  RECT area{};
  SystemParametersInfoW(SPI_GETWORKAREA, 0, &area, 0);
  return area;
}

}  // namespace

std::string HandleText(HWND window) { return HexNumber(reinterpret_cast<std::uintptr_t>(window)); }

std::wstring ClassName(HWND window) {
  wchar_t name[256] = {};
  const int length = GetClassNameW(window, name, 256);
  return std::wstring(name, static_cast<std::size_t>(length > 0 ? length : 0));
}

std::wstring WindowText(HWND window) {
  DWORD_PTR length = 0;
  if (SendMessageTimeoutW(window, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, kAnswerTimeoutMs,
                          &length)) {
    std::wstring text(length + 1, L'\0');
    DWORD_PTR copied = 0;
    if (SendMessageTimeoutW(window, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()),
                            SMTO_ABORTIFHUNG, kAnswerTimeoutMs, &copied)) {
      text.resize(copied);
      return text;
    }
  }
  wchar_t fallback[1024] = {};
  const int copied = InternalGetWindowText(window, fallback, 1024);
  return std::wstring(fallback, static_cast<std::size_t>(copied > 0 ? copied : 0));
}

std::vector<HWND> VisibleTopLevelWindows(DWORD pid) {
  std::vector<HWND> windows;
  EnumState state{pid, &windows};
  EnumWindows(CollectTopLevel, reinterpret_cast<LPARAM>(&state));
  return windows;
}

bool IsDialog(HWND window) { return ClassName(window) == kDialogClass; }

JsonObject DescribeWindow(HWND window) {
  RECT window_rect{};
  GetWindowRect(window, &window_rect);
  RECT client{};
  GetClientRect(window, &client);
  MapWindowPoints(window, nullptr, reinterpret_cast<POINT*>(&client), 2);

  std::vector<HWND> children;
  EnumChildWindows(window, CollectChild, reinterpret_cast<LPARAM>(&children));
  std::vector<std::string> described;
  described.reserve(children.size());
  for (HWND child : children) described.push_back(DescribeChild(window, child));

  JsonObject info;
  info.Add("hwnd", HandleText(window))
      .Add("class", ClassName(window))
      .Add("title", WindowText(window))
      .Add("style", HexNumber(static_cast<DWORD>(GetWindowLongPtrW(window, GWL_STYLE))))
      .Add("exstyle", HexNumber(static_cast<DWORD>(GetWindowLongPtrW(window, GWL_EXSTYLE))))
      .Add("visible", IsWindowVisible(window) != FALSE)
      .Add("rect", window_rect)
      .Add("client", client)
      .Add("dpi", static_cast<std::int64_t>(GetDpiForWindow(window)))
      .Add("screen", ScreenRect())
      .Add("work_area", WorkArea())
      .Add("icon_big", AskWindow(window, WM_GETICON, ICON_BIG, 0) != 0)
      .Add("icon_small", AskWindow(window, WM_GETICON, ICON_SMALL, 0) != 0)
      .Add("class_icon", GetClassLongPtrW(window, GCLP_HICON) != 0)
      .Add("class_icon_small", GetClassLongPtrW(window, GCLP_HICONSM) != 0)
      .AddRaw("children", JsonArray(described));
  return info;
}

}  // namespace smeltra::robot
