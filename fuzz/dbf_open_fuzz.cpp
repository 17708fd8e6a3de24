// Bytes as a table file users.dbf: opened by the engine, every row read back, one row appended.
// Anything the engine cannot use must come out as a common::Error, never as a crash or a read past
// the data.
#include <stdlib.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>

#include "common/error.h"
#include "common/text.h"
#include "store/database.h"
#include "store/sql/statement.h"
#include "tests/support/fixed_clock.h"
#include "tests/support/system_files.h"

namespace {

// One scratch folder for the whole fuzzing session, removed when the fuzzer exits normally.
class ScratchFolder {
 public:
  ScratchFolder() {
    std::string pattern = (std::filesystem::temp_directory_path() / "dbf-fuzz-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) abort();
    path_ = pattern;
  }
  ~ScratchFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }
  const std::filesystem::path& path() const { return path_; }

 private:
  std::filesystem::path path_;
};

const std::filesystem::path& Folder() {
  static const ScratchFolder folder;
  return folder.path();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::filesystem::path file = Folder() / "users.dbf";
  {
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
  }
  try {
    store::Database database(testing_support::SystemFiles(), testing_support::TestClock(),
                             common::PathToText(Folder().string() + "/"), "windows-1251");
    std::vector<std::string> columns = database.Columns("users");
    std::string text = "SELECT ";
    for (size_t i = 0; i < columns.size(); ++i) text += (i ? ", " : "") + columns[i];
    text += " FROM USERS";
    try {
      database.Select(store::sql::Parse(common::FromUtf8(text)), store::Parameters());
    } catch (const common::Error&) {
    }
    database.Append("users", {});
  } catch (const common::Error&) {
  }
  return 0;
}
