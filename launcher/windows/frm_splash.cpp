#include "launcher/windows/frm_splash.h"

#include <algorithm>
#include <cwchar>
#include <string>
#include <string_view>
#include <utility>

#include "common/windows/wide_text.h"
#include "launcher/messages.h"
#include "launcher/windows/splash_picture.h"
#include "resources/resource_ids.h"

namespace smeltra {
namespace {

constexpr unsigned kDefaultDpi = 96;

using GetDpiForWindowFunction = UINT(WINAPI*)(HWND);
using AdjustWindowRectExForDpiFunction = BOOL(WINAPI*)(RECT*, DWORD, BOOL, DWORD, UINT);

// A user32 function that older systems lack, or nullptr.
template <class Function>
Function User32Function(const char* name) {
  const HMODULE user32 = GetModuleHandleW(L"user32.dll");
  if (user32 == nullptr) return nullptr;
  const FARPROC address = GetProcAddress(user32, name);
  return reinterpret_cast<Function>(reinterpret_cast<void*>(address));
}

// The DPI `window` is shown at: its monitor's under per-monitor awareness
// (looked up at run time: Windows 10 brought it), otherwise the system's.
unsigned WindowDpi(HWND window) {
  if (const auto get_dpi_for_window = User32Function<GetDpiForWindowFunction>("GetDpiForWindow")) {
    if (const UINT dpi = get_dpi_for_window(window); dpi != 0) return dpi;
  }
  // Before Windows 10 the screen's logical DPI is the system's, one for all monitors.
  if (HDC screen = GetDC(nullptr); screen != nullptr) {
    const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);
    if (dpi > 0) return static_cast<unsigned>(dpi);
  }
  return kDefaultDpi;
}

// The outer size of a window whose client area is `client` at `dpi`.
SIZE WindowSizeForClient(SIZE client, DWORD style, DWORD ex_style, unsigned dpi) {
  RECT frame{0, 0, client.cx, client.cy};
  const auto adjust_for_dpi =
      User32Function<AdjustWindowRectExForDpiFunction>("AdjustWindowRectExForDpi");
  if (adjust_for_dpi == nullptr || !adjust_for_dpi(&frame, style, FALSE, ex_style, dpi)) {
    frame = RECT{0, 0, client.cx, client.cy};
    AdjustWindowRectEx(&frame, style, FALSE, ex_style);
  }
  return SIZE{frame.right - frame.left, frame.bottom - frame.top};
}

constexpr wchar_t kWindowClass[] = L"Tolvan.Smeltra.frmSplash";

// A fixed border with a title, the window menu and its close button; no
// minimise, maximise or sizing.
constexpr DWORD kWindowStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU;
constexpr DWORD kWindowExStyle = 0;

// Every child paints only what no sibling above it covers: Frame2 lies under
// everything, and neighbouring labels overlap by a pixel.
constexpr DWORD kChildStyle = WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS;

DWORD AlignmentStyle(TextAlignment alignment) {
  switch (alignment) {
    case TextAlignment::kCentre:
      return SS_CENTER;
    case TextAlignment::kRight:
      return SS_RIGHT;
    case TextAlignment::kLeft:
      break;
  }
  return SS_LEFT;
}

HWND CreateChild(HWND parent, HINSTANCE instance, SplashControlId id, const wchar_t* text,
                 DWORD style) {
  return CreateWindowExW(0, L"STATIC", text, kChildStyle | style, 0, 0, 0, 0, parent,
                         reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), instance, nullptr);
}

UniqueFont CreateLabelFont(const LabelFont& font, unsigned dpi) {
  LOGFONTW description{};
  description.lfHeight = -TwipsToPixels(font.size_twips, dpi);  // character height, not cell
  description.lfWeight = font.bold ? FW_BOLD : FW_NORMAL;
  description.lfItalic = font.italic ? TRUE : FALSE;
  description.lfCharSet = DEFAULT_CHARSET;
  // Where a face exists only as a bitmap font, a TrueType face of the same
  // family scales cleanly at high DPI instead.
  description.lfOutPrecision = OUT_TT_PRECIS;
  description.lfClipPrecision = CLIP_DEFAULT_PRECIS;
  description.lfQuality = DEFAULT_QUALITY;
  description.lfPitchAndFamily =
      static_cast<BYTE>(VARIABLE_PITCH | (font.serif ? FF_ROMAN : FF_SWISS));
  const std::size_t length = std::min(font.face.size(), std::size(description.lfFaceName) - 1);
  std::wmemcpy(description.lfFaceName, font.face.data(), length);
  return UniqueFont(CreateFontIndirectW(&description));
}

void Place(HWND control, const PixelBox& box) {
  MoveWindow(control, box.left, box.top, box.width, box.height, FALSE);
}

// How wide `text` comes out in `font`, in pixels.
int TextWidth(HWND window, HFONT font, std::wstring_view text) {
  SIZE extent{0, 0};
  if (HDC dc = GetDC(window); dc != nullptr) {
    const HGDIOBJ old = SelectObject(dc, font);
    GetTextExtentPoint32W(dc, text.data(), static_cast<int>(text.size()), &extent);
    SelectObject(dc, old);
    ReleaseDC(window, dc);
  }
  return extent.cx;
}

}  // namespace

FrmSplash::FrmSplash(HINSTANCE instance, StartUp start_up)
    : instance_(instance), start_up_(std::move(start_up)) {}

bool FrmSplash::Create() {
  if (window_) return false;
  WNDCLASSEXW window_class{};
  window_class.cbSize = sizeof window_class;
  window_class.lpfnWndProc = &FrmSplash::WindowProcedure;
  window_class.hInstance = instance_;
  // Shared icons belong to the module's cache and are never destroyed.
  window_class.hIcon =
      static_cast<HICON>(LoadImageW(instance_, MAKEINTRESOURCEW(SMELTRA_IDI_PRODUCT), IMAGE_ICON, 0,
                                    0, LR_DEFAULTSIZE | LR_SHARED));
  window_class.hIconSm = static_cast<HICON>(
      LoadImageW(instance_, MAKEINTRESOURCEW(SMELTRA_IDI_PRODUCT), IMAGE_ICON,
                 GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON), LR_SHARED));
  window_class.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  window_class.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_BTNFACE + 1));
  window_class.lpszClassName = kWindowClass;
  if (RegisterClassExW(&window_class) == 0 && GetLastError() != ERROR_CLASS_ALREADY_EXISTS) {
    return false;
  }

  // Born on the primary monitor, so that its DPI is the one laid out for.
  const POINT origin = [] {
    MONITORINFO info{};
    info.cbSize = sizeof info;
    const HMONITOR primary = MonitorFromPoint(POINT{0, 0}, MONITOR_DEFAULTTOPRIMARY);
    return GetMonitorInfoW(primary, &info) ? POINT{info.rcWork.left, info.rcWork.top} : POINT{0, 0};
  }();
  const HWND created =
      CreateWindowExW(kWindowExStyle, kWindowClass, LiteralAsWide(messages::kApplicationTitle),
                      kWindowStyle, origin.x, origin.y, 1, 1, nullptr, nullptr, instance_, this);
  return created != nullptr;
}

LRESULT CALLBACK FrmSplash::WindowProcedure(HWND window, UINT message, WPARAM wparam,
                                            LPARAM lparam) {
  FrmSplash* self = nullptr;
  if (message == WM_NCCREATE) {
    self = static_cast<FrmSplash*>(reinterpret_cast<CREATESTRUCTW*>(lparam)->lpCreateParams);
    self->window_.reset(window);
    SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
  } else {
    self = reinterpret_cast<FrmSplash*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  }
  if (self == nullptr) return DefWindowProcW(window, message, wparam, lparam);
  return self->HandleMessage(window, message, wparam, lparam);
}

// `window` is the message's own: while the owner destroys it, it holds none.
LRESULT FrmSplash::HandleMessage(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_CREATE:
      return OnCreate() ? 0 : -1;
    case WM_TIMER:
      if (wparam == kTimer1) {
        OnTimer1();
        return 0;
      }
      break;
    case WM_CTLCOLORSTATIC:
      return OnCtlColorStatic(reinterpret_cast<HDC>(wparam), reinterpret_cast<HWND>(lparam));
    case WM_DRAWITEM:
      OnDrawItem(*reinterpret_cast<const DRAWITEMSTRUCT*>(lparam));
      return TRUE;
    case WM_DPICHANGED:
      OnDpiChanged(HIWORD(wparam), *reinterpret_cast<const RECT*>(lparam));
      return 0;
    case WM_CLOSE:
      // The user's close before the tick: the program ends without a start.
      window_.reset();
      PostQuitMessage(static_cast<int>(ExitCode::kServerStarted));
      return 0;
    case WM_NCDESTROY: {
      const LRESULT result = DefWindowProcW(window, message, wparam, lparam);
      SetWindowLongPtrW(window, GWLP_USERDATA, 0);
      OnNcDestroy();
      return result;
    }
    default:
      break;
  }
  return DefWindowProcW(window, message, wparam, lparam);
}

bool FrmSplash::OnCreate() {
  const HWND window = window_.get();
  picture_ = LoadPictureResource(instance_, SMELTRA_IDR_SPLASH_PICTURE);
  picture_size_ = picture_ ? PicturePixelSize(*picture_.get()) : SIZE{0, 0};

  for (const LabelDesign& label : kSplashLabels) {
    const std::wstring text(label.text);
    // One line each, as the boxes are one line high: text that does not fit
    // ends in an ellipsis instead of wrapping onto a line nobody sees.
    if (CreateChild(window, instance_, label.id, text.c_str(),
                    SS_NOPREFIX | SS_ENDELLIPSIS | AlignmentStyle(label.alignment)) == nullptr) {
      return false;
    }
  }
  // The picture's name is what a screen reader says for it.
  if (CreateChild(window, instance_, kImage2, LiteralAsWide(messages::kApplicationTitle),
                  SS_OWNERDRAW) == nullptr) {
    return false;
  }
  const HWND frame = CreateChild(window, instance_, kFrame2, L"", SS_ETCHEDFRAME);
  if (frame == nullptr) return false;
  SetWindowPos(frame, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);

  LayOut(WindowDpi(window));
  CentreOnPrimaryMonitor();
  // A splash without its timer would never go away: better none at all.
  return SetTimer(window, kTimer1, kTimer1IntervalMs, nullptr) != 0;
}

void FrmSplash::OnTimer1() {
  // The window and its timer go first, so the tick never comes again and no
  // message box of the start-up can appear over the splash.
  window_.reset();
  ExitCode code = ExitCode::kServerStarted;
  if (start_up_) {
    try {
      code = start_up_();
    } catch (...) {
      // Nothing may unwind through the window system's frames.
      code = ExitCode::kServerNotStarted;
    }
  }
  PostQuitMessage(static_cast<int>(code));
}

void FrmSplash::OnNcDestroy() {
  // The children are gone by now, so nothing uses the fonts or the picture.
  for (UniqueFont& font : fonts_) font.reset();
  picture_.reset();
  // The window is gone whoever destroyed it; the owner must not try again.
  window_.release();
}

LRESULT FrmSplash::OnCtlColorStatic(HDC dc, HWND control) {
  const int id = GetDlgCtrlID(control);
  COLORREF colour = RGB(0, 0, 0);
  for (const LabelDesign& label : kSplashLabels) {
    if (label.id == id) colour = RGB(label.red, label.green, label.blue);
  }
  SetTextColor(dc, colour);
  SetBkColor(dc, GetSysColor(COLOR_BTNFACE));
  // A system brush: shared, never deleted.
  return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_BTNFACE));
}

void FrmSplash::OnDrawItem(const DRAWITEMSTRUCT& item) {
  if (item.CtlID == static_cast<UINT>(kImage2) && picture_) {
    DrawPicture(*picture_.get(), item.hDC, item.rcItem);
  }
}

void FrmSplash::OnDpiChanged(unsigned dpi, const RECT& suggested) {
  if (dpi == 0) return;
  SetWindowPos(window_.get(), nullptr, suggested.left, suggested.top, 0, 0,
               SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  LayOut(dpi);
}

void FrmSplash::LayOut(unsigned dpi) {
  const HWND window = window_.get();
  for (std::size_t i = 0; i < kSplashLabels.size(); ++i) {
    const LabelDesign& label = kSplashLabels[i];
    const HWND control = GetDlgItem(window, label.id);
    UniqueFont font = CreateLabelFont(label.font, dpi);
    Place(control, WidenToFit(ToPixels(label.bounds, dpi),
                              TextWidth(window, font.get(), label.text), label.alignment));
    SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font.get()), FALSE);
    fonts_[i] = std::move(font);  // the old font, no longer in use, goes now
  }
  Place(GetDlgItem(window, kFrame2), ToPixels(kFrame2Bounds, dpi));
  // Shown at its own size: the picture's pixels, scaled from 96 DPI.
  Place(GetDlgItem(window, kImage2),
        PixelBox{TwipsToPixels(kImage2Bounds.left, dpi), TwipsToPixels(kImage2Bounds.top, dpi),
                 MulDiv(picture_size_.cx, static_cast<int>(dpi), kImage2DesignDpi),
                 MulDiv(picture_size_.cy, static_cast<int>(dpi), kImage2DesignDpi)});

  const SIZE client{TwipsToPixels(kClientWidthTwips, dpi), TwipsToPixels(kClientHeightTwips, dpi)};
  const SIZE outer = WindowSizeForClient(client, kWindowStyle, kWindowExStyle, dpi);
  SetWindowPos(window, nullptr, 0, 0, outer.cx, outer.cy,
               SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  // The frame's real thickness can differ from the one computed for `dpi`
  // (a fixed DPI in a process that is not aware of it): measure and correct.
  RECT inside{};
  GetClientRect(window, &inside);
  if (inside.right != client.cx || inside.bottom != client.cy) {
    SetWindowPos(window, nullptr, 0, 0, outer.cx + client.cx - inside.right,
                 outer.cy + client.cy - inside.bottom, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  }
  InvalidateRect(window, nullptr, TRUE);
}

void FrmSplash::CentreOnPrimaryMonitor() {
  RECT area{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
  MONITORINFO info{};
  info.cbSize = sizeof info;
  if (GetMonitorInfoW(MonitorFromPoint(POINT{0, 0}, MONITOR_DEFAULTTOPRIMARY), &info)) {
    area = info.rcWork;
  }
  RECT frame{};
  GetWindowRect(window_.get(), &frame);
  const int width = frame.right - frame.left;
  const int height = frame.bottom - frame.top;
  SetWindowPos(window_.get(), nullptr, area.left + (area.right - area.left - width) / 2,
               area.top + (area.bottom - area.top - height) / 2, 0, 0,
               SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

}  // namespace smeltra
