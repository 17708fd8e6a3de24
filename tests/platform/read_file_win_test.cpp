// Reading workstation files through the Windows folder (CreateFileW): others may read the file
// meanwhile, nobody may be writing it, and only regular files of bounded size are read.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "common/error.h"
#include "platform/file_system.h"
#include "platform/system_error.h"
#include "tests/support/temp_folder.h"

namespace platform {
namespace {

using ::testing::StrEq;
using ::testing::ThrowsMessage;

struct HandleCloser {
  void operator()(HANDLE handle) const { CloseHandle(handle); }
};
using Handle = std::unique_ptr<void, HandleCloser>;

Handle Open(const common::Text& path, DWORD access, DWORD share) {
  HANDLE handle = CreateFileW(reinterpret_cast<LPCWSTR>(path.c_str()), access, share, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL | FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  return Handle(handle == INVALID_HANDLE_VALUE ? nullptr : handle);
}

// The message for a failure with system error `code`; the reason is the system's own text for it.
std::string Expected(const common::Text& path, DWORD code) {
  return common::ToUtf8(u"Cannot open file \"" + path + u"\". " + SystemErrorText(static_cast<int>(code)));
}

class ReadFileWinTest : public ::testing::Test {
 protected:
  std::string ReadWorkstationFile(const common::Text& path) {
    SplitPath split = SplitFolder(path);
    return files_.OpenFolder(split.folder)->ReadForeignFile(split.name, kMaxWorkstationFileSize);
  }

  SystemFileSystem files_;
  testing_support::TempFolder folder_;
};

TEST_F(ReadFileWinTest, AnotherReaderIsNoObstacle) {
  common::Text path = folder_.Write(u"PC-1.txt", "line");
  Handle reader = Open(path, GENERIC_READ, FILE_SHARE_READ);
  ASSERT_TRUE(reader);
  EXPECT_EQ(ReadWorkstationFile(path), "line");
}

TEST_F(ReadFileWinTest, AFileOpenForWritingCannotBeOpened) {
  common::Text path = folder_.Write(u"PC-1.txt", "half written");
  // The writer lets everybody read and write alongside it: the refusal is the reader's own share mode.
  Handle writer = Open(path, GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE);
  ASSERT_TRUE(writer);
  EXPECT_THAT([&] { ReadWorkstationFile(path); },
              ThrowsMessage<common::Error>(StrEq(Expected(path, ERROR_SHARING_VIOLATION))));
}

TEST_F(ReadFileWinTest, WhileReadingNobodyCanOpenForWriting) {
  // The share mode granted while the file is open: read yes, write no. Observed through a second
  // handle opened the same way the reader opens.
  common::Text path = folder_.Write(u"PC-1.txt", "x");
  Handle reader = Open(path, GENERIC_READ, FILE_SHARE_READ);
  ASSERT_TRUE(reader);
  EXPECT_FALSE(Open(path, GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SHARING_VIOLATION));
}

TEST_F(ReadFileWinTest, FolderIsRefused) {
  folder_.MakeFolder(u"x.txt");
  common::Text path = folder_.PathOf(u"x.txt");
  EXPECT_THAT([&] { ReadWorkstationFile(path); },
              ThrowsMessage<common::Error>(StrEq(Expected(path, ERROR_ACCESS_DENIED))));
}

}  // namespace
}  // namespace platform
