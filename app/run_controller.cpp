#include "app/run_controller.h"

#include <utility>

#include "app/error_text.h"
#include "common/error.h"

namespace app {

std::optional<common::Text> RunController::Activate() {
  if (!activation_pending_) return std::nullopt;
  activation_pending_ = false;
  try {
    inventory_.FormActivate();
  } catch (...) {
    return FailureText(std::current_exception());
  }
  return std::nullopt;
}

std::optional<common::Text> RunController::Refresh(const std::function<void()>& finish) {
  if (!button_enabled_) return std::nullopt;
  button_enabled_ = false;
  running_ = true;
  std::optional<common::Text> failure;
  try {
    inventory_.Refresh();
    button_enabled_ = true;
  } catch (...) {
    failure = FailureText(std::current_exception());
  }
  if (finish) finish();
  running_ = false;
  return failure;
}

bool RunController::RequestClose() {
  if (!running_) return true;
  close_requested_ = true;
  return false;
}

BatchedLog::BatchedLog(std::function<void(const std::vector<common::Text>&)> show, Clock::duration interval,
                       std::function<Clock::time_point()> now)
    : show_(std::move(show)), interval_(interval), now_(std::move(now)) {}

void BatchedLog::Log(const common::Text& line) {
  pending_.push_back(line);
  Clock::time_point now = now_();
  if (last_shown_ && now - *last_shown_ < interval_) return;
  last_shown_ = now;
  if (before_show_) before_show_();
  Flush();
}

void BatchedLog::Flush() {
  if (pending_.empty()) return;
  std::vector<common::Text> lines = std::move(pending_);
  pending_.clear();
  show_(lines);
}

}  // namespace app
