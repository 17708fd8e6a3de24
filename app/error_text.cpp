#include "app/error_text.h"

#include <utility>

#include "common/error.h"

namespace app {

common::Text ErrorText(common::TextView message) {
  common::Text text(message);
  if (!text.empty() && text.back() > u'.') text.push_back(u'.');
  return text;
}

common::Text FailureText(std::exception_ptr error) {
  common::Text message;
  try {
    std::rethrow_exception(std::move(error));
  } catch (const common::Error& e) {
    message = e.message();
  } catch (const std::exception& e) {
    message = common::FromUtf8(e.what());
  } catch (...) {
    message = u"Unknown error";
  }
  return ErrorText(message);
}

}  // namespace app
