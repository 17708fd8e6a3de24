#pragma once

#include <chrono>
#include <exception>
#include <functional>
#include <optional>
#include <vector>

#include "app/error_text.h"
#include "app/inventory.h"
#include "common/log_sink.h"
#include "common/text.h"

namespace app {

// What every shell does with one Inventory, apart from displaying it: the first activation once, the
// refresh runs with the button's state, the failure text, and a close request during a run kept for
// its end. The windows and the unattended program call it and only show what it reports. It is the
// shells' event boundary: nothing it runs lets an exception out.
class RunController {
 public:
  // `inventory` must outlive the controller.
  explicit RunController(Inventory& inventory) : inventory_(inventory) {}

  // The first-activation handler: unhooks itself before anything can fail, so later calls do nothing.
  // Returns the failure text, or nothing on success (and on every later call). A failure leaves the
  // button enabled.
  std::optional<common::Text> Activate();
  bool activation_pending() const { return activation_pending_; }

  // One refresh run: the button is disabled for its duration and enabled again after a success; a
  // failure leaves it disabled for the rest of the program's life. Returns the failure text. Does
  // nothing while the button is disabled (a run in progress, or after a failed one). `finish` runs
  // after the stages, success or failure, while the run still counts as in progress (the shell shows
  // the log lines it kept; a close request that comes meanwhile is deferred like any other).
  std::optional<common::Text> Refresh(const std::function<void()>& finish = {});
  bool button_enabled() const { return button_enabled_; }
  bool running() const { return running_; }

  // A request to close the window: true when it may close now. During a run the request is kept and
  // close_pending() tells the shell, once the run has ended, to close then.
  bool RequestClose();
  bool close_pending() const { return close_requested_ && !running_; }

 private:
  Inventory& inventory_;
  bool activation_pending_ = true;
  bool button_enabled_ = true;
  bool running_ = false;
  bool close_requested_ = false;
};

// The log step without a repaint (or a write) per line: each line is kept, and the kept lines are
// shown together (in order, oldest first) when `interval` has passed since the last showing, or at
// Flush. The first line after a pause shows at once. Before lines are shown during a run, the
// inventory commits what the run has written (Inventory::Commit, set by SetBeforeShow), so that what
// the log says is on disk. The shell calls Flush when a run ends (the run has committed by then), so
// no line is ever left unshown.
class BatchedLog : public common::LogSink {
 public:
  using Clock = std::chrono::steady_clock;
  // `show` appends the lines to the log box, brings the newest into view and processes the pending
  // events; `now` is the clock (replaceable in tests).
  BatchedLog(
      std::function<void(const std::vector<common::Text>& lines)> show,
      Clock::duration interval = std::chrono::milliseconds(50),
      std::function<Clock::time_point()> now = [] { return Clock::now(); });

  // Runs `before_show` before each showing but the one of Flush; a failure it throws propagates out
  // of Log, with the lines still kept.
  void SetBeforeShow(std::function<void()> before_show) { before_show_ = std::move(before_show); }

  void Log(const common::Text& line) override;
  void Flush();

 private:
  std::function<void()> before_show_;
  std::function<void(const std::vector<common::Text>&)> show_;
  Clock::duration interval_;
  std::function<Clock::time_point()> now_;
  std::optional<Clock::time_point> last_shown_;
  std::vector<common::Text> pending_;
};

}  // namespace app
