// Wiring tests of the Win32 main window over a recording inventory; the logic beneath it has its own
// tests. They need a display (Wine's X11 driver under Xvfb, or a Windows desktop) and skip without one.
#include <windows.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <string>

#include "app/inventory.h"
#include "app/win32/window.h"
#include "common/error.h"
#include "tests/app/recording_stages.h"
#include "tests/support/system_files.h"
#include "tests/support/temp_folder.h"

using testing_support::TempFolder;

namespace {

using app::win32::TForm1;
using ::testing::ElementsAre;

std::wstring TextOf(HWND window) {
  std::wstring text(static_cast<size_t>(GetWindowTextLengthW(window)) + 1, L'\0');
  text.resize(static_cast<size_t>(GetWindowTextW(window, text.data(), static_cast<int>(text.size()))));
  return text;
}

// A control's rectangle in its parent's client coordinates.
RECT PlaceOf(HWND control) {
  RECT rect;
  GetWindowRect(control, &rect);
  MapWindowPoints(nullptr, GetParent(control), reinterpret_cast<POINT*>(&rect), 2);
  return rect;
}

void ExpectRect(const RECT& rect, int left, int top, int width, int height) {
  EXPECT_EQ(rect.left, left);
  EXPECT_EQ(rect.top, top);
  EXPECT_EQ(rect.right - rect.left, width);
  EXPECT_EQ(rect.bottom - rect.top, height);
}

void PumpMessages() {
  MSG message;
  while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
    if (message.message == WM_QUIT) break;
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
}

// The message box seen while a timer of this thread was running inside its modal loop.
struct SeenBox {
  std::wstring caption;
  std::wstring text;
  HWND owner = nullptr;
  LONG_PTR style = 0;
  int count = 0;
};
SeenBox seen_box;

BOOL CALLBACK CloseBox(HWND window, LPARAM) {
  wchar_t class_name[16] = {};
  GetClassNameW(window, class_name, 16);
  if (std::wstring(class_name) != L"#32770") return TRUE;
  ++seen_box.count;
  seen_box.caption = TextOf(window);
  seen_box.owner = GetWindow(window, GW_OWNER);
  for (HWND child = FindWindowExW(window, nullptr, L"Static", nullptr); child != nullptr;
       child = FindWindowExW(window, child, L"Static", nullptr)) {
    if (TextOf(child).size() > seen_box.text.size()) seen_box.text = TextOf(child);
    if (GetWindowLongPtrW(child, GWL_STYLE) & SS_ICON) seen_box.style |= SS_ICON;
  }
  PostMessageW(window, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
  return FALSE;
}

void CALLBACK CloseBoxTimer(HWND, UINT, UINT_PTR, DWORD) { EnumThreadWindows(GetCurrentThreadId(), CloseBox, 0); }

class Win32WindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    folder_.Write("PC-1.txt");
    folder_.Write("PC-2.txt");
    try {
      form_ = std::make_unique<TForm1>(u"Inventory", [this](common::LogSink& log) {
        auto inventory = std::make_unique<FakeInventory>(log, common::PathToText(folder_.Path()));
        fake_ = inventory.get();
        return inventory;
      });
    } catch (const common::Error& error) {
      GTEST_SKIP() << "no window can be created here: " << error.what();
    }
  }

  void TearDown() override {
    form_.reset();
    MSG quit;
    while (PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {
    }
  }

  common::Text Path(const char* name) const { return common::PathToText(folder_.Path() + name); }
  std::wstring Wide(const common::Text& text) const { return std::wstring(text.begin(), text.end()); }

  TempFolder folder_;
  FakeInventory* fake_ = nullptr;
  std::unique_ptr<TForm1> form_;
};

TEST_F(Win32WindowTest, LayoutCaptionAndStyles) {
  EXPECT_EQ(TextOf(form_->handle()), L"БД ЭФЛ");
  RECT client;
  GetClientRect(form_->handle(), &client);
  EXPECT_EQ(client.right, 592);
  EXPECT_EQ(client.bottom, 401);
  const LONG_PTR style = GetWindowLongPtrW(form_->handle(), GWL_STYLE);
  EXPECT_EQ(style & WS_OVERLAPPEDWINDOW, WS_OVERLAPPEDWINDOW);  // sizeable, system menu, both boxes

  EXPECT_EQ(TextOf(form_->Button1), L"Пополнить");
  ExpectRect(PlaceOf(form_->Button1), 8, 8, 576, 25);
  ExpectRect(PlaceOf(form_->Memo1), 8, 39, 576, 354);
  EXPECT_EQ(GetWindow(form_->Button1, GW_HWNDNEXT), form_->Memo1);  // tab order
  const LONG_PTR memo = GetWindowLongPtrW(form_->Memo1, GWL_STYLE);
  EXPECT_TRUE(memo & ES_MULTILINE);
  EXPECT_TRUE(memo & WS_VSCROLL);
  EXPECT_FALSE(memo & ES_AUTOHSCROLL);  // word wrap
  EXPECT_FALSE(memo & ES_READONLY);
  EXPECT_EQ(TextOf(form_->Memo1), L"");

  LOGFONTW font{};
  GetObjectW(reinterpret_cast<HFONT>(SendMessageW(form_->Memo1, WM_GETFONT, 0, 0)), sizeof font, &font);
  EXPECT_EQ(font.lfHeight, -11);
  EXPECT_EQ(std::wstring(font.lfFaceName), L"Tahoma");
}

TEST_F(Win32WindowTest, ResizingMovesNoControl) {
  SetWindowPos(form_->handle(), nullptr, 0, 0, 900, 700, SWP_NOMOVE | SWP_NOZORDER);
  ExpectRect(PlaceOf(form_->Button1), 8, 8, 576, 25);
  ExpectRect(PlaceOf(form_->Memo1), 8, 39, 576, 354);
}

TEST_F(Win32WindowTest, FirstActivationRunsTheHandlerOnce) {
  SendMessageW(form_->handle(), WM_ACTIVATE, WA_ACTIVE, 0);
  SendMessageW(form_->handle(), WM_ACTIVATE, WA_INACTIVE, 0);
  SendMessageW(form_->handle(), WM_ACTIVATE, WA_CLICKACTIVE, 0);
  EXPECT_EQ(fake_->activations, 1);
}

TEST_F(Win32WindowTest, ClickRunsTheStagesLogsEachLineAndEnablesTheButtonAgain) {
  SendMessageW(form_->Button1, BM_CLICK, 0, 0);
  SendMessageW(form_->Button1, BM_CLICK, 0, 0);
  const std::wstring first = Wide(Path("PC-1.txt")), second = Wide(Path("PC-2.txt"));
  // Listing order is the file system's: compare as a set of the two runs' lines.
  std::wstring memo = TextOf(form_->Memo1);
  EXPECT_EQ(std::count(memo.begin(), memo.end(), L'\n'), 3) << std::string(memo.begin(), memo.end());
  EXPECT_NE(memo.find(first + L"\r\n"), std::wstring::npos);
  EXPECT_NE(memo.find(second), std::wstring::npos);
  EXPECT_EQ(fake_->stages.calls.size(), 2u * 5u);
  EXPECT_TRUE(IsWindowEnabled(form_->Button1));
}

TEST_F(Win32WindowTest, FailureShowsOneStopBoxAndLeavesTheButtonDisabled) {
  fake_->stages.fail_at = "AddData";
  fake_->stages.fail_message = u"Cannot open file \"x\". Access denied";
  seen_box = SeenBox{};
  UINT_PTR timer = SetTimer(nullptr, 0, 50, CloseBoxTimer);
  SendMessageW(form_->Button1, BM_CLICK, 0, 0);
  KillTimer(nullptr, timer);
  EXPECT_EQ(seen_box.count, 1);
  EXPECT_EQ(seen_box.caption, L"Inventory");
  EXPECT_EQ(seen_box.text, L"Cannot open file \"x\". Access denied.");  // the full stop is added
  EXPECT_TRUE(seen_box.style & SS_ICON);
  EXPECT_FALSE(IsWindowEnabled(form_->Button1));
  EXPECT_THAT(fake_->stages.calls, ElementsAre("GetExchange", ::testing::StartsWith("AddData ")));
}

TEST_F(Win32WindowTest, CloseDuringARunWaitsForItsEnd) {
  HWND window = form_->handle();
  fake_->after_add_data = [&] {
    fake_->after_add_data = nullptr;
    PostMessageW(window, WM_CLOSE, 0, 0);  // dispatched by the log step of the next file
  };
  SendMessageW(form_->Button1, BM_CLICK, 0, 0);
  EXPECT_TRUE(IsWindow(window));  // the run went on to its end
  EXPECT_EQ(fake_->stages.calls.back(), "CloseConnectionIfConnected");
  EXPECT_EQ(std::count_if(fake_->stages.calls.begin(), fake_->stages.calls.end(),
                          [](const std::string& call) { return call.rfind("AddData", 0) == 0; }),
            2);
  PumpMessages();
  EXPECT_FALSE(IsWindow(window));  // and then the window closed
}

}  // namespace
