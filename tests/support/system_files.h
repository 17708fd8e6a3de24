#pragma once

#include "platform/file_system.h"

namespace testing_support {

// The operating system's file system, for tests that do not replace it. The programs make theirs in
// main(); a test holds nothing in it, so one for the whole test program does.
inline platform::SystemFileSystem& SystemFiles() {
  static platform::SystemFileSystem files;
  return files;
}

}  // namespace testing_support
