#include "app/win32/window.h"

#include <utility>

#include "common/error.h"
#include "platform/system_error.h"

namespace app::win32 {

namespace {

// Layout in pixels, as designed at 96 pixels per inch.
constexpr int kClientWidth = 592;
constexpr int kClientHeight = 401;
constexpr RECT kButtonRect{8, 8, 8 + 576, 8 + 25};
constexpr RECT kMemoRect{8, 39, 8 + 576, 39 + 354};
constexpr DWORD kFormStyle = WS_OVERLAPPEDWINDOW;  // sizeable frame, system menu, minimise and maximise boxes
constexpr int kButtonId = 101;                     // not IDOK: Enter in the log box must not press the button
constexpr int kMemoId = 102;

LPCWSTR Wide(const common::Text& text) { return reinterpret_cast<LPCWSTR>(text.c_str()); }

[[noreturn]] void FailLastError() { throw common::Error(platform::SystemErrorText(static_cast<int>(GetLastError()))); }

void RegisterFormClass(HINSTANCE instance, WNDPROC procedure) {
  WNDCLASSEXW form_class{};
  form_class.cbSize = sizeof form_class;
  if (GetClassInfoExW(instance, TForm1::kClassName, &form_class)) return;
  form_class.style = CS_HREDRAW | CS_VREDRAW | CS_DBLCLKS;
  form_class.lpfnWndProc = procedure;
  form_class.hInstance = instance;
  form_class.hIcon = LoadIconW(nullptr, IDI_APPLICATION);
  form_class.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  form_class.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  form_class.lpszClassName = TForm1::kClassName;
  if (!RegisterClassExW(&form_class)) FailLastError();
}

HWND CreateChild(HWND parent, LPCWSTR window_class, LPCWSTR text, DWORD style, DWORD extended_style, const RECT& rect,
                 int id) {
  HWND child = CreateWindowExW(extended_style, window_class, text, WS_CHILD | WS_VISIBLE | WS_TABSTOP | style,
                               rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top, parent,
                               reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), GetModuleHandleW(nullptr), nullptr);
  if (child == nullptr) FailLastError();
  return child;
}

}  // namespace

TForm1::TForm1(common::Text application_title, const InventoryFactory& make_inventory)
    : application_title_(std::move(application_title)),
      inventory_(make_inventory(*this)),
      controller_(*inventory_),
      log_([this](const std::vector<common::Text>& lines) { ShowLines(lines); }) {
  // What a line shows is on disk before it shows.
  log_.SetBeforeShow([this] { inventory_->Commit(); });
  HINSTANCE instance = GetModuleHandleW(nullptr);
  RegisterFormClass(instance, &TForm1::WindowProc);
  // The layout gives the client area; the frame and caption come on top of it.
  RECT frame{0, 0, kClientWidth, kClientHeight};
  AdjustWindowRectEx(&frame, kFormStyle, FALSE, WS_EX_CONTROLPARENT);
  handle_ = CreateWindowExW(WS_EX_CONTROLPARENT, kClassName, L"БД ЭФЛ", kFormStyle, CW_USEDEFAULT, CW_USEDEFAULT,
                            frame.right - frame.left, frame.bottom - frame.top, nullptr, nullptr, instance, this);
  if (handle_ == nullptr) FailLastError();
  CreateControls();
}

TForm1::~TForm1() {
  if (handle_ != nullptr) {
    SetWindowLongPtrW(handle_, GWLP_USERDATA, 0);
    DestroyWindow(handle_);
  }
  if (font_ != nullptr) DeleteObject(font_);
}

void TForm1::CreateControls() {
  // Tahoma 8: a character height of 11 pixels at 96 pixels per inch, default character set.
  font_ = CreateFontW(-11, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                      CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE, L"Tahoma");
  Button1 = CreateChild(handle_, L"BUTTON", L"Пополнить", BS_PUSHBUTTON, 0, kButtonRect, kButtonId);
  // Word wrap is the absence of ES_AUTOHSCROLL; the operator may type in the box.
  Memo1 = CreateChild(handle_, L"EDIT", L"", ES_MULTILINE | ES_AUTOVSCROLL | ES_WANTRETURN | WS_VSCROLL,
                      WS_EX_CLIENTEDGE, kMemoRect, kMemoId);
  SendMessageW(Memo1, EM_SETLIMITTEXT, 0, 0);  // no 32K limit: the lines of every run accumulate
  for (HWND window : {handle_, Button1, Memo1})
    SendMessageW(window, WM_SETFONT, reinterpret_cast<WPARAM>(font_), FALSE);
}

LRESULT CALLBACK TForm1::WindowProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_NCCREATE) {
    auto* form = static_cast<TForm1*>(reinterpret_cast<CREATESTRUCTW*>(lparam)->lpCreateParams);
    form->handle_ = window;
    SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(form));
  }
  auto* form = reinterpret_cast<TForm1*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  if (form == nullptr) return DefWindowProcW(window, message, wparam, lparam);
  return form->Handle(message, wparam, lparam);
}

LRESULT TForm1::Handle(UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_ACTIVATE:
      if (LOWORD(wparam) != WA_INACTIVE && controller_.activation_pending()) FormActivate();
      break;
    case WM_COMMAND:
      if (LOWORD(wparam) == kButtonId && HIWORD(wparam) == BN_CLICKED && IsWindowEnabled(Button1)) Button1Click();
      return 0;
    case WM_CLOSE:
      // A run is not interrupted: the request is kept and honoured when the run has ended.
      if (controller_.RequestClose()) DestroyWindow(handle_);
      return 0;
    case WM_DESTROY:
      SetWindowLongPtrW(handle_, GWLP_USERDATA, 0);
      handle_ = nullptr;
      PostQuitMessage(0);
      return 0;
    default:
      break;
  }
  return DefWindowProcW(handle_, message, wparam, lparam);
}

void TForm1::FormActivate() {
  if (std::optional<common::Text> failure = controller_.Activate()) ShowFailure(*failure);
}

void TForm1::Button1Click() {
  EnableWindow(Button1, FALSE);
  std::optional<common::Text> failure = controller_.Refresh([this] { log_.Flush(); });
  if (failure) ShowFailure(*failure);
  EnableWindow(Button1, controller_.button_enabled());
  if (controller_.close_pending() && handle_ != nullptr) PostMessageW(handle_, WM_CLOSE, 0, 0);
}

void TForm1::Log(const common::Text& line) { log_.Log(line); }

void TForm1::ShowLines(const std::vector<common::Text>& lines) {
  // New last lines: a line break first unless the box is empty, then the text, at the very end.
  const int length = GetWindowTextLengthW(Memo1);
  common::Text addition;
  for (const common::Text& line : lines) {
    if (length > 0 || !addition.empty()) addition += u"\r\n";
    addition += line;
  }
  SendMessageW(Memo1, EM_SETSEL, length, length);
  SendMessageW(Memo1, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(Wide(addition)));
  SendMessageW(Memo1, EM_SCROLLCARET, 0, 0);
  // Everything pending, until the queue is empty: the window repaints and can be moved between files.
  MSG message;
  while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
    if (message.message == WM_QUIT) {
      // Not ours to take: the message loop that follows the run ends on it.
      PostQuitMessage(static_cast<int>(message.wParam));
      break;
    }
    Dispatch(message);
  }
}

void TForm1::ShowFailure(const common::Text& text) {
  HWND owner = GetActiveWindow();
  if (owner == nullptr) owner = handle_;
  MessageBoxW(owner, Wide(text), Wide(application_title_), MB_OK | MB_ICONERROR);
}

void TForm1::Dispatch(MSG& message) {
  if (handle_ != nullptr && IsDialogMessageW(handle_, &message)) return;
  TranslateMessage(&message);
  DispatchMessageW(&message);
}

int RunMessageLoop(TForm1& form) {
  MSG message;
  BOOL got;
  while ((got = GetMessageW(&message, nullptr, 0, 0)) != 0) {
    if (got == -1) return 1;
    form.Dispatch(message);
  }
  return static_cast<int>(message.wParam);
}

}  // namespace app::win32
