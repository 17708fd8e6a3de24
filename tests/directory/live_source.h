#pragma once

#include <filesystem>
#include <functional>
#include <memory>
#include <string>

#include <gtest/gtest.h>

#include "common/error.h"
#include "common/text.h"
#include "platform/file_system.h"
#include "tests/support/temp_folder.h"

// What the tests of the live directory sources share.
namespace directory {

// A file in `folder` holding `password` and a line break, as an administrator writes one.
inline common::Text PasswordFile(const std::filesystem::path& folder, const std::string& password) {
  std::filesystem::path path = folder / ("password-" + std::to_string(std::hash<std::string>()(password)));
  testing_support::WriteFile(path, password + "\n");
  std::filesystem::permissions(path, std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);
  return platform::FsPathToText(path);
}

// The message of the common::Error that `read` throws, or "no error".
inline std::string ErrorOf(const std::function<void()>& read) {
  try {
    read();
  } catch (const common::Error& error) {
    return error.what();
  }
  return "no error";
}

// One server for all the tests of a suite, made by the suite's static Start(); each test is skipped
// with what the machine lacks when the server cannot run here.
template <typename Server, typename Suite>
class ServerSuite : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    if (Server::Missing().empty()) server_ = Suite::Start().release();
  }
  static void TearDownTestSuite() {
    delete server_;
    server_ = nullptr;
  }
  void SetUp() override {
    if (server_ == nullptr) GTEST_SKIP() << Server::Missing();
  }

  static inline Server* server_ = nullptr;
};

}  // namespace directory
