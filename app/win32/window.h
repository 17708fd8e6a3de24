#pragma once

#include <windows.h>

#include <functional>
#include <memory>
#include <vector>

#include "app/inventory.h"
#include "app/run_controller.h"
#include "common/log_sink.h"
#include "common/text.h"

namespace app::win32 {

// Builds the inventory the window drives; the window hands itself in as the log sink.
using InventoryFactory = std::function<std::unique_ptr<Inventory>(common::LogSink& log)>;

// The main window "БД ЭФЛ" on the Win32 API: the button that starts a refresh run and the log box the
// importers write to. It is the shell's event boundary: the only place where errors are caught, each
// shown in one modal message box captioned with the application title. Everything runs on the thread
// that created it, which must have initialised COM as a single-threaded apartment.
class TForm1 : public common::LogSink {
 public:
  // Window class of the main window; other programs (and the smoke test) find the window by it.
  static constexpr wchar_t kClassName[] = L"TForm1";

  // Creates the window and its controls, hidden; `application_title` captions the message boxes.
  // Throws common::Error with the system's text when the window cannot be created.
  explicit TForm1(common::Text application_title, const InventoryFactory& make_inventory);
  ~TForm1() override;
  TForm1(const TForm1&) = delete;
  TForm1& operator=(const TForm1&) = delete;

  HWND handle() const { return handle_; }
  // Controls, created in tab order.
  HWND Button1 = nullptr;
  HWND Memo1 = nullptr;

  Inventory& inventory() { return *inventory_; }

  // The first-activation handler: unhooks itself, then prepares the database. A failure is shown and
  // leaves the button enabled.
  void FormActivate();

  // The refresh run: disables Button1, runs the stages and enables Button1 again. A failure is shown
  // and leaves Button1 disabled for the rest of the program's life. A close requested meanwhile is
  // carried out when the run has ended.
  void Button1Click();

  // The log step: `line` becomes Memo1's new last line, scrolled into view, and every pending message
  // (painting, input, moves, a close request) is dispatched before the import goes on. Lines that come
  // within 50 ms of the last showing are kept and shown together with the next one, or at the run's end.
  void Log(const common::Text& line) override;

  // Shows `text` in one message box owned by the active window: stop icon, OK button, the application
  // title as caption.
  void ShowFailure(const common::Text& text);

  // Translates and dispatches one message, with the dialog keys (Tab between the controls) handled.
  void Dispatch(MSG& message);

 private:
  static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
  LRESULT Handle(UINT message, WPARAM wparam, LPARAM lparam);
  void CreateControls();
  void ShowLines(const std::vector<common::Text>& lines);

  common::Text application_title_;
  std::unique_ptr<Inventory> inventory_;
  HWND handle_ = nullptr;
  HFONT font_ = nullptr;
  RunController controller_;
  BatchedLog log_;
};

// Runs the message loop until the main window is destroyed; returns the exit code of WM_QUIT.
int RunMessageLoop(TForm1& form);

}  // namespace app::win32
