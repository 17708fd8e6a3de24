#include "app/error_text.h"

namespace app {

common::Text ErrorText(common::TextView message) {
  common::Text text(message);
  if (!text.empty() && text.back() > u'.') text.push_back(u'.');
  return text;
}

}  // namespace app
