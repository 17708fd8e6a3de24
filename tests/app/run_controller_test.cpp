#include "app/run_controller.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "common/error.h"

namespace app {
namespace {

using testing::ElementsAre;

TEST(FailureTextTest, EveryKindOfExceptionGetsTheFullStopRule) {
  auto text_of = [](auto thrown) {
    try {
      throw thrown;
    } catch (...) {
      return common::ToUtf8(FailureText(std::current_exception()));
    }
  };
  EXPECT_EQ(text_of(common::Error(u"List index out of bounds (3)")), "List index out of bounds (3)");
  EXPECT_EQ(text_of(common::Error(u"Не найдено")), "Не найдено.");
  EXPECT_EQ(text_of(std::runtime_error("bad allocation")), "bad allocation.");
  EXPECT_EQ(text_of(42), "Unknown error.");
}

// A log whose clock the test moves; each showing is recorded as the lines it showed, each commit
// before a showing as "commit".
struct BatchedLogTest : testing::Test {
  BatchedLogTest() {
    log.SetBeforeShow([this] { shown.push_back({"commit"}); });
  }
  BatchedLog::Clock::time_point now{};
  std::vector<std::vector<std::string>> shown;
  BatchedLog log{[this](const std::vector<common::Text>& lines) {
                   std::vector<std::string>& showing = shown.emplace_back();
                   for (const common::Text& line : lines) showing.push_back(common::ToUtf8(line));
                 },
                 std::chrono::milliseconds(50), [this] { return now; }};
  void Advance(int ms) { now += std::chrono::milliseconds(ms); }
};

TEST_F(BatchedLogTest, LinesWithinTheIntervalShowTogetherInOrderWithTheNextDueLine) {
  log.Log(u"a");  // the first line shows at once
  Advance(10);
  log.Log(u"b");
  Advance(39);
  log.Log(u"c");
  Advance(1);  // 50 ms after "a"
  log.Log(u"d");
  EXPECT_THAT(shown,
              ElementsAre(ElementsAre("commit"), ElementsAre("a"), ElementsAre("commit"), ElementsAre("b", "c", "d")));
}

TEST_F(BatchedLogTest, FlushShowsWhatIsKeptAndNothingWhenNothingIs) {
  log.Log(u"a");
  log.Log(u"b");
  log.Log(u"c");
  log.Flush();
  log.Flush();
  Advance(1000);
  log.Log(u"d");  // after a pause: at once
  // The run has committed before it flushes the log.
  EXPECT_THAT(shown, ElementsAre(ElementsAre("commit"), ElementsAre("a"), ElementsAre("b", "c"), ElementsAre("commit"),
                                 ElementsAre("d")));
}

}  // namespace
}  // namespace app
