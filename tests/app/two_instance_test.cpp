// Two refresh programs on one database folder: the second stops with a message while the first runs,
// and the first run's result is the same as if it had been alone.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/support/child_run.h"
#include "tests/support/share_generator.h"
#include "tests/support/table_rows.h"
#include "tests/support/temp_folder.h"

using testing_support::ChildRun;
using testing_support::TempFolder;

namespace app {
namespace {

class TwoInstanceTest : public ::testing::Test {
 protected:
  TwoInstanceTest() {
    bench::ShareOptions options;
    options.hosts = 60;
    options.seed = 3;
    options.lookup_per_mille = 0;
    bench::WriteShare(share_.Path(), options);
    ChildRun alone(share_.Path(), alone_db_.Path());
    EXPECT_EQ(alone.Finish(), 0) << alone.error_text();
    alone_users_ = TableRows(alone_db_.Path(), "USERS", UsersColumns());
  }

  std::string InUse() const {
    return "The database folder \"" + database_.Path() + "\" is in use by another refresh run.\n";
  }

  TempFolder share_;
  TempFolder alone_db_;
  TempFolder database_;
  std::vector<std::string> alone_users_;
};

TEST_F(TwoInstanceTest, SecondProgramStopsWithAMessageWhileTheFirstRunsAndRunsOnceItHasEnded) {
  ChildRun first(share_.Path(), database_.Path());
  // The first line shows at once, as the first survey file's import starts; later ones come in batches.
  ASSERT_TRUE(first.WaitForLines(1));
  first.Stop();  // held in its survey import
  {
    ChildRun second(share_.Path(), database_.Path());
    EXPECT_EQ(second.Finish(), 1);
    EXPECT_EQ(second.error_text(), InUse());
    EXPECT_TRUE(second.lines().empty());
  }
  first.Continue();
  EXPECT_EQ(first.Finish(), 0) << first.error_text();
  EXPECT_EQ(TableRows(database_.Path(), "USERS", UsersColumns()), alone_users_);
  // The first has ended and let go of the folder: a program started now runs to the same result.
  ChildRun later(share_.Path(), database_.Path());
  EXPECT_EQ(later.Finish(), 0) << later.error_text();
  EXPECT_EQ(TableRows(database_.Path(), "USERS", UsersColumns()), alone_users_);
}

TEST_F(TwoInstanceTest, AKilledRunLeavesNoLockBehind) {
  {
    ChildRun first(share_.Path(), database_.Path());
    ASSERT_TRUE(first.WaitForLines(5));
    first.Kill();
    first.Finish();
  }
  ChildRun second(share_.Path(), database_.Path());
  EXPECT_EQ(second.Finish(), 0) << second.error_text();
  EXPECT_EQ(TableRows(database_.Path(), "USERS", UsersColumns()), alone_users_);
}

}  // namespace
}  // namespace app
