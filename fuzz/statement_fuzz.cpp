// Statement texts through the parser: any text is either a statement or a common::Error.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "common/error.h"
#include "common/text.h"
#include "store/sql/statement.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string_view bytes(reinterpret_cast<const char*>(data), size);
  common::Text text;
  if (!common::DecodeUtf8Strict(bytes, text)) {
    text.assign(bytes.begin(), bytes.end());  // one character per byte
  }
  store::sql::ParameterNames(text);
  try {
    store::sql::Statement statement = store::sql::Parse(text);
    if (statement.table.empty()) __builtin_trap();
  } catch (const common::Error&) {
  }
  return 0;
}
