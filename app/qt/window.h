#pragma once

#include <QWidget>
#include <functional>
#include <memory>
#include <vector>

#include "app/inventory.h"
#include "app/run_controller.h"
#include "common/log_sink.h"
#include "common/text.h"

class QPlainTextEdit;
class QPushButton;

namespace app::qt {

// Builds the inventory the window drives; the window hands itself in as the log sink.
using InventoryFactory = std::function<std::unique_ptr<Inventory>(common::LogSink& log)>;

// The main window "БД ЭФЛ": the button that starts a refresh run and the log box the importers write
// to. It is the shell's event boundary: the only place where errors are caught, each shown in one
// modal message box captioned with the application title.
class TForm1 : public QWidget, public common::LogSink {
 public:
  // `application_title` captions the message boxes (see ApplicationTitle).
  explicit TForm1(common::Text application_title, const InventoryFactory& make_inventory, QWidget* parent = nullptr);
  ~TForm1() override;

  // Controls, created in tab order.
  QPushButton* Button1;
  QPlainTextEdit* Memo1;

  Inventory& inventory() { return *inventory_; }

  // The first-activation handler: unhooks itself, then prepares the database. A failure is shown and
  // leaves the button enabled. Runs on the window's first activation; a window shown before that asks
  // the window system to activate it, so that it comes also where no window manager gives focus.
  void FormActivate();

  // The refresh run: disables Button1, runs the stages and enables Button1 again. A failure is shown
  // and leaves Button1 disabled for the rest of the program's life.
  void Button1Click();

  // The log step: `line` becomes Memo1's new last line, scrolled into view, and the window processes
  // its pending events (painting, moves, a close request) before the import goes on. Lines that come
  // within 50 ms of the last showing are kept and shown together with the next one, or at the run's end.
  void Log(const common::Text& line) override;

  // Shows `text` in one modal message box: stop icon, OK button, the application title as caption.
  // Returns when the operator dismisses it.
  void ShowFailure(const common::Text& text);

 protected:
  void changeEvent(QEvent* event) override;
  void showEvent(QShowEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  void ShowLines(const std::vector<common::Text>& lines);

  common::Text application_title_;
  std::unique_ptr<Inventory> inventory_;
  RunController controller_;
  BatchedLog log_;
};

}  // namespace app::qt
