// inventory.exe: the window program on Windows. It takes no arguments; it ends when the main window is
// closed.
#include <windows.h>

#include <memory>
#include <string>

#include "app/app_title.h"
#include "app/error_text.h"
#include "app/mail_client.h"
#include "app/system_clock.h"
#include "app/win32/window.h"
#include "common/error.h"
#include "platform/apartment.h"
#include "platform/file_system.h"

namespace {

// The program's own path, however long it is.
common::Text ProgramPath() {
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    DWORD length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (length < path.size()) {
      path.resize(length);
      break;
    }
    path.resize(path.size() * 2);
  }
  return common::Text(path.begin(), path.end());
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int show) {
  // The database components and the mail client's automation are used from this thread only.
  platform::Apartment apartment;
  // Message boxes are captioned with the program's own file name, as the title rule forms it.
  const common::Text title = app::ApplicationTitle(ProgramPath());
  platform::SystemFileSystem files;
  int exit_code = 0;
  try {
    app::SystemClock clock;
    // The window always runs with the settings compiled into the installation.
    const app::Settings settings = app::DefaultSettings();
    std::unique_ptr<directory::MailDirectory> mail = app::MailClientFor(files, settings);
    app::win32::TForm1 form1(title, [&](common::LogSink& log) {
      return std::make_unique<app::Inventory>(files, clock, *mail, log, settings);
    });
    ShowWindow(form1.handle(), show);
    UpdateWindow(form1.handle());
    exit_code = app::win32::RunMessageLoop(form1);
  } catch (const common::Error& error) {
    MessageBoxW(nullptr, reinterpret_cast<LPCWSTR>(app::ErrorText(error.message()).c_str()),
                reinterpret_cast<LPCWSTR>(title.c_str()), MB_OK | MB_ICONERROR);
    exit_code = 1;
  }
  return exit_code;
}
