// The database folder's lock within one process: each FolderLock is its own holder.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <memory>

#include "common/error.h"
#include "platform/folder_lock.h"
#include "tests/support/temp_folder.h"
#include "tests/support/system_files.h"

using testing_support::TempFolder;

namespace platform {
namespace {

using ::testing::Property;
using ::testing::StrEq;
using ::testing::ThrowsMessage;

TEST(FolderLockTest, ASecondHolderIsRefusedWithTheFolderNamed) {
  TempFolder folder;
  common::Text path = common::PathToText(folder.Path());
  FolderLock first(testing_support::SystemFiles(), path);
  EXPECT_TRUE(first.held());
  EXPECT_THAT([&] { FolderLock second(testing_support::SystemFiles(), path); },
              ThrowsMessage<common::Error>(StrEq("The database folder \"" + folder.Path() +
                                                 "\" is in use by another refresh run")));
}

TEST(FolderLockTest, IsFreeAgainOnceTheHolderIsGone) {
  TempFolder folder;
  common::Text path = common::PathToText(folder.Path());
  auto first = std::make_unique<FolderLock>(testing_support::SystemFiles(), path);
  first.reset();
  FolderLock second(testing_support::SystemFiles(), path);
  EXPECT_TRUE(second.held());
  EXPECT_TRUE(std::filesystem::is_regular_file(folder.Path() + "inventory.lock"));
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
