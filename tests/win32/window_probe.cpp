// window_probe.exe: drives and reads the running Win32 window "БД ЭФЛ" from another process, for the
// smoke test under Wine (which has no accessibility bridge). Commands:
//   click     posts BM_CLICK to the button
//   state     prints "enabled" or "disabled" for the button and, when a message box owned by the
//             window is open, "box: <caption>" and "error: <text>"
//   dismiss   presses OK on that message box
//   log       prints the log box's text (UTF-8)
//   close     posts WM_CLOSE to the window
// Exit status 2 when the window is not there.
#include <windows.h>

#include <cstdio>
#include <string>

namespace {

std::string Utf8(const std::wstring& text) {
  if (text.empty()) return {};
  int size = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
  std::string bytes(static_cast<size_t>(size), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), bytes.data(), size, nullptr, nullptr);
  return bytes;
}

std::wstring TextOf(HWND window) {
  LRESULT length = SendMessageW(window, WM_GETTEXTLENGTH, 0, 0);
  std::wstring text(static_cast<size_t>(length) + 1, L'\0');
  LRESULT got = SendMessageW(window, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()));
  text.resize(static_cast<size_t>(got));
  return text;
}

struct BoxSearch {
  HWND owner;
  HWND box = nullptr;
};

BOOL CALLBACK FindBox(HWND window, LPARAM context) {
  auto* search = reinterpret_cast<BoxSearch*>(context);
  wchar_t class_name[64] = {};
  GetClassNameW(window, class_name, 64);
  if (std::wstring(class_name) == L"#32770" && GetWindow(window, GW_OWNER) == search->owner &&
      IsWindowVisible(window)) {
    search->box = window;
    return FALSE;
  }
  return TRUE;
}

// The static text of a message box: the child of class Static that holds the message.
std::wstring BoxMessage(HWND box) {
  std::wstring message;
  for (HWND child = FindWindowExW(box, nullptr, L"Static", nullptr); child != nullptr;
       child = FindWindowExW(box, child, L"Static", nullptr)) {
    std::wstring text = TextOf(child);
    if (text.size() > message.size()) message = text;
  }
  return message;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc != 2) {
    std::fputs("usage: window_probe click|state|dismiss|log|close\n", stderr);
    return 64;
  }
  const std::wstring command = argv[1];
  HWND form = FindWindowW(L"TForm1", L"БД ЭФЛ");
  if (form == nullptr) return 2;
  HWND button = FindWindowExW(form, nullptr, L"Button", nullptr);
  HWND memo = FindWindowExW(form, nullptr, L"Edit", nullptr);
  if (button == nullptr || memo == nullptr) return 2;

  if (command == L"click") {
    PostMessageW(button, BM_CLICK, 0, 0);
  } else if (command == L"state") {
    std::printf("%s\n", IsWindowEnabled(button) ? "enabled" : "disabled");
    BoxSearch search{form};
    EnumWindows(FindBox, reinterpret_cast<LPARAM>(&search));
    if (search.box != nullptr) {
      std::printf("box: %s\n", Utf8(TextOf(search.box)).c_str());
      std::printf("error: %s\n", Utf8(BoxMessage(search.box)).c_str());
    }
  } else if (command == L"dismiss") {
    BoxSearch search{form};
    EnumWindows(FindBox, reinterpret_cast<LPARAM>(&search));
    if (search.box == nullptr) return 3;
    PostMessageW(search.box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
  } else if (command == L"log") {
    std::printf("%s\n", Utf8(TextOf(memo)).c_str());
  } else if (command == L"close") {
    PostMessageW(form, WM_CLOSE, 0, 0);
  } else {
    return 64;
  }
  return 0;
}
