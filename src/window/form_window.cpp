// A plain Win32 top-level window with child controls, visual styles and tooltips.
#include "window/form_window.h"

#include <commctrl.h>

#include <algorithm>

#include "common/app.h"
#include "common/error_log.h"
#include "common/text.h"
#include "common/ui.h"

namespace {

constexpr wchar_t kClassName[] = L"VelnorForm";
std::vector<FormWindow*> mOpen;

void mRegisterClass() {
  static bool done = false;
  if (done) return;
  INITCOMMONCONTROLSEX icc{sizeof(icc), ICC_STANDARD_CLASSES | ICC_PROGRESS_CLASS | ICC_BAR_CLASSES | ICC_WIN95_CLASSES};
  InitCommonControlsEx(&icc);
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof(wc);
  wc.lpfnWndProc = DefWindowProcW;
  wc.hInstance = GetModuleHandleW(nullptr);
  wc.hCursor = LoadCursorA(nullptr, IDC_ARROW);
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  wc.lpszClassName = kClassName;
  wc.hIcon = static_cast<HICON>(LoadImageW(GetModuleHandleW(nullptr), L"IDI_VELNOR", IMAGE_ICON, 0, 0, LR_DEFAULTSIZE));
  RegisterClassExW(&wc);
  done = true;
}

// The system's message font: on Japanese Windows it shows Japanese text.
HFONT mMessageFont() {
  NONCLIENTMETRICSW ncm{};
  ncm.cbSize = sizeof(ncm);
  if (SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof(ncm), &ncm, 0)) return CreateFontIndirectW(&ncm.lfMessageFont);
  return static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
}

// True when a plain window of the system's own can be made: when not even that works, the fault is not the
// window's but the screen's (the program was started where no display can be drawn on).
bool mChkAnyWindowPossible() {
  HWND probe = CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, GetModuleHandleW(nullptr),
                               nullptr);
  if (probe == nullptr) return false;
  DestroyWindow(probe);
  return true;
}

// Names the window that could not be made and the system's reason, for the fatal-error box and the log.
void mReportCreateFailure(const std::string& caption, DWORD code, std::string& failure) {
  if (code != 0) gErrRaiseWin32(code);
  else gErrRaise(0, "");
  const std::string system =
      code != 0 ? gErr().description + "（エラー番号 " + std::to_string(code) + "）" : "理由の番号なし";
  failure = "「" + caption + "」の画面を作成できませんでした。\r\n理由：";
  if (!mChkAnyWindowPossible()) {
    failure += "Windows がこのプログラムにどのウィンドウも作らせません（" + system +
               "）。画面（ディスプレイ）を使えない状態で起動された可能性があります。";
  } else {
    failure += "Windows がこのウィンドウの作成を拒否しました（" + system + "）。";
  }
  gErr().description = failure;
  gProcError("FormWindow_Create", "");
}

}  // namespace

int gScale(int units) {
  static int dpi = 0;
  if (dpi == 0) {
    HDC dc = GetDC(nullptr);
    dpi = dc != nullptr ? GetDeviceCaps(dc, LOGPIXELSX) : 96;
    if (dc != nullptr) ReleaseDC(nullptr, dc);
    if (dpi <= 0) dpi = 96;
  }
  return MulDiv(units, dpi, 96);
}

FormWindow::FormWindow(std::string caption, int width, int height)
    : caption_(std::move(caption)), width_(width), height_(height) {}

FormWindow::~FormWindow() { Destroy(); }

int FormWindow::OpenCount() { return static_cast<int>(mOpen.size()); }

void FormWindow::DestroyAll() {
  const std::vector<FormWindow*> open = mOpen;
  for (FormWindow* f : open) f->Destroy();
}

HWND FormWindow::Hwnd() {
  if (hwnd_ != nullptr) return hwnd_;
  mRegisterClass();
  const DWORD style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
  RECT r{0, 0, gScale(width_), gScale(height_)};
  AdjustWindowRectEx(&r, style, FALSE, 0);
  SetLastError(0);
  HWND hwnd = CreateWindowExW(WS_EX_CONTROLPARENT, kClassName, gToWide(caption_).c_str(), style, CW_USEDEFAULT,
                              CW_USEDEFAULT, r.right - r.left, r.bottom - r.top, nullptr, nullptr,
                              GetModuleHandleW(nullptr), nullptr);
  if (hwnd == nullptr) {
    mReportCreateFailure(caption_, GetLastError(), createFailure_);
    return nullptr;
  }
  createFailure_.clear();
  hwnd_ = hwnd;
  SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
  SetWindowLongPtrW(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&FormWindow::WndProc));
  font_ = mMessageFont();
  SendMessageW(hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(font_), FALSE);
  tooltip_ = CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX,
                             CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, hwnd, nullptr,
                             GetModuleHandleW(nullptr), nullptr);
  mOpen.push_back(this);
  CreateControls();
  if (!Form_Load()) {
    Destroy();
    return nullptr;
  }
  return hwnd_;
}

bool FormWindow::ShowModal() {
  HWND hwnd = Hwnd();
  if (hwnd == nullptr) return false;
  std::vector<HWND> disabled;
  for (FormWindow* f : mOpen)
    if (f != this && f->hwnd_ != nullptr && IsWindowEnabled(f->hwnd_)) {
      EnableWindow(f->hwnd_, FALSE);
      disabled.push_back(f->hwnd_);
    }
  ShowWindow(hwnd, SW_SHOW);
  gDspWindowPosition(*this, 0);
  SetForegroundWindow(hwnd);
  modalDone_ = false;
  MSG msg;
  while (hwnd_ != nullptr && !modalDone_) {
    const BOOL got = GetMessageW(&msg, nullptr, 0, 0);
    if (got <= 0) {
      if (got == 0) PostQuitMessage(static_cast<int>(msg.wParam));
      break;
    }
    if (hwnd_ != nullptr && IsDialogMessageW(hwnd_, &msg)) continue;
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
  for (HWND h : disabled)
    if (IsWindow(h)) EnableWindow(h, TRUE);
  return true;
}

void FormWindow::RunStep(const std::function<void()>& step) {
  if (stepRunning_) return;
  stepRunning_ = true;
  struct Done {
    bool& running;
    ~Done() { running = false; }
  } done{stepRunning_};
  step();
}

bool FormWindow::Close() {
  if (hwnd_ == nullptr) return true;
  if (!Form_Unload()) return false;
  Destroy();
  Form_Terminate();
  return true;
}

void FormWindow::Destroy() {
  if (hwnd_ == nullptr) return;
  HWND hwnd = hwnd_;
  hwnd_ = nullptr;
  modalDone_ = true;
  mOpen.erase(std::remove(mOpen.begin(), mOpen.end(), this), mOpen.end());
  SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
  DestroyWindow(hwnd);
  if (font_ != nullptr) DeleteObject(font_);
  font_ = nullptr;
  tooltip_ = nullptr;
}

HWND FormWindow::AddControl(const CreateArgs& a) {
  HWND h = CreateWindowExW(0, a.className, gToWide(a.text).c_str(), WS_CHILD | WS_VISIBLE | a.style, gScale(a.x),
                           gScale(a.y), gScale(a.width), gScale(a.height), hwnd_,
                           reinterpret_cast<HMENU>(static_cast<INT_PTR>(a.id)), GetModuleHandleW(nullptr), nullptr);
  if (h != nullptr) {
    SendMessageW(h, WM_SETFONT, reinterpret_cast<WPARAM>(font_), FALSE);
    if (!a.tooltip.empty()) SetTooltip(a.id, a.tooltip);
  }
  return h;
}

void FormWindow::AddMenu(const std::string& popupText, const std::vector<std::pair<int, std::string>>& items) {
  HMENU bar = GetMenu(hwnd_);
  if (bar == nullptr) bar = CreateMenu();
  HMENU popup = CreatePopupMenu();
  for (const auto& [id, text] : items) AppendMenuW(popup, MF_STRING, static_cast<UINT_PTR>(id), gToWide(text).c_str());
  AppendMenuW(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(popup), gToWide(popupText).c_str());
  SetMenu(hwnd_, bar);
  // The menu bar takes room from the client area: grow the window to keep the layout.
  RECT r{0, 0, gScale(width_), gScale(height_)};
  AdjustWindowRectEx(&r, static_cast<DWORD>(GetWindowLongPtrW(hwnd_, GWL_STYLE)), TRUE, 0);
  SetWindowPos(hwnd_, nullptr, 0, 0, r.right - r.left, r.bottom - r.top, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void FormWindow::SetText(int id, const std::string& text) { SetWindowTextW(Item(id), gToWide(text).c_str()); }

std::string FormWindow::GetText(int id) const {
  HWND h = Item(id);
  const int n = GetWindowTextLengthW(h);
  std::wstring w(static_cast<size_t>(n) + 1, L'\0');
  GetWindowTextW(h, w.data(), n + 1);
  w.resize(static_cast<size_t>(n));
  return gFromWide(w);
}

void FormWindow::SetVisible(int id, bool visible) { ShowWindow(Item(id), visible ? SW_SHOW : SW_HIDE); }

void FormWindow::SetTooltip(int id, const std::string& text) {
  if (tooltip_ == nullptr) return;
  std::wstring w = gToWide(text);
  TOOLINFOW ti{};
  ti.cbSize = sizeof(ti);
  ti.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
  ti.hwnd = hwnd_;
  ti.uId = reinterpret_cast<UINT_PTR>(Item(id));
  ti.lpszText = w.data();
  SendMessageW(tooltip_, TTM_DELTOOLW, 0, reinterpret_cast<LPARAM>(&ti));
  SendMessageW(tooltip_, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&ti));
}

void FormWindow::SetBusyCursor(bool busy) {
  busy_ = busy;
  SetCursor(LoadCursorA(nullptr, busy ? IDC_WAIT : IDC_ARROW));
}

void FormWindow::ShowProgress(int id, uint64_t done, uint64_t total) {
  HWND bar = Item(id);
  if (total == 0) {
    ShowWindow(bar, SW_HIDE);
    shownProgress_ = -1;
    return;
  }
  const int position = static_cast<int>(done >= total ? 1000 : done * 1000 / total);
  // Both moving the bar and taking the window's messages cost far more than the work between two calls (the
  // bar repaints itself at once, some 9 ms under Wine): 20 times a second does, and the bar's start and end
  // show at once.
  const DWORD now = GetTickCount();
  const bool due = now - progressTick_ >= 50;
  if (position != shownProgress_ && (due || shownProgress_ < 0 || position == 1000)) {
    if (shownProgress_ < 0) {
      ShowWindow(bar, SW_SHOW);
      SendMessageW(bar, PBM_SETRANGE32, 0, 1000);
    }
    SendMessageW(bar, PBM_SETPOS, static_cast<WPARAM>(position), 0);
    shownProgress_ = position;
  }
  if (!due) return;
  progressTick_ = now;
  gUi().DoEvents();
}

LRESULT CALLBACK FormWindow::WndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  auto* self = reinterpret_cast<FormWindow*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  if (self == nullptr) return DefWindowProcW(hwnd, msg, wParam, lParam);
  return self->Handle(msg, wParam, lParam);
}

LRESULT FormWindow::Handle(UINT msg, WPARAM wParam, LPARAM lParam) {
  HWND hwnd = hwnd_;
  switch (msg) {
    case WM_COMMAND:
      if (!stepRunning_) OnCommand(LOWORD(wParam), HIWORD(wParam));
      return 0;
    case WM_CLOSE:
      if (!stepRunning_) Close();
      return 0;
    case WM_ACTIVATE:
      if (LOWORD(wParam) != WA_INACTIVE) OnActivate();
      break;
    case WM_SETCURSOR:
      if (busy_) {
        SetCursor(LoadCursorA(nullptr, IDC_WAIT));
        return TRUE;
      }
      break;
    case WM_CTLCOLORSTATIC: {
      // Labels sit on the window's face colour, read-only boxes keep theirs.
      HDC dc = reinterpret_cast<HDC>(wParam);
      SetBkMode(dc, TRANSPARENT);
      return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_BTNFACE));
    }
    default:
      break;
  }
  return DefWindowProcW(hwnd, msg, wParam, lParam);
}
