// The database folder's lock within one process: each FolderLock is its own holder.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <memory>

#include "common/error.h"
#include "platform/folder_lock.h"
#include "tests/support/system_files.h"
#include "tests/support/temp_folder.h"

using testing_support::TempFolder;

namespace platform {
namespace {

using ::testing::Property;
using ::testing::StrEq;
using ::testing::ThrowsMessage;

TEST(FolderLockTest, IsHeldInAFolderThatOpens) {
  TempFolder folder;
  EXPECT_TRUE(FolderLock(testing_support::SystemFiles(), folder.Folder()).held());
}

TEST(FolderLockTest, AMissingFolderTakesNoLockAndLeavesTheErrorToTheDatabase) {
  TempFolder folder;
  common::Text missing = common::PathToText(folder.Path() + "no-such-folder/");
  FolderLock lock(testing_support::SystemFiles(), missing);
  EXPECT_FALSE(lock.held());
  EXPECT_FALSE(std::filesystem::exists(folder.Path() + "no-such-folder"));
}

}  // namespace
}  // namespace platform
