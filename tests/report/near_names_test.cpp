#include "report/near_names.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <vector>

namespace report {
namespace {

using ::testing::ElementsAreArray;

struct NearCase {
  common::Text name;
  std::vector<common::Text> expected;
};

class NearNamesTest : public ::testing::TestWithParam<NearCase> {};

const std::vector<common::Text> kDirectory = {
    u"ИВАНОВ ИВАН ИВАНОВИЧ",  u"ИВАНОВА ИРИНА", u"ПЕТРОВ ПЕТР", u"ПЕТРОВА ПЁТРА",
    u"ПЕТРОВСКИЙ ПЁТР",       u"СИДОРОВ С",     u"ОРЛОВ О",     u"ОРЛОВА",
    u"ЯКОВЛЕВ ЯКОВ ЯКОВЛЕВИЧ"};

TEST_P(NearNamesTest, FindsDirectoryNamesWithinTwoEdits) {
  NearNames near(kDirectory);
  EXPECT_THAT(near.Nearest(GetParam().name, 3), ElementsAreArray(GetParam().expected));
}

INSTANTIATE_TEST_SUITE_P(
    Examples, NearNamesTest,
    ::testing::Values(NearCase{u"ИВАНОВ ИВАН ИВАНОВИЧ", {u"ИВАНОВ ИВАН ИВАНОВИЧ"}},  // the same name, distance 0
                      NearCase{u"ИВАНОВ ИВАН ИВАНОВИ", {u"ИВАНОВ ИВАН ИВАНОВИЧ"}},   // a letter missing at the end
                      NearCase{u"ВИАНОВ ИВАН ИВАНОВИЧ", {u"ИВАНОВ ИВАН ИВАНОВИЧ"}},  // two swapped at the start: 2
                      NearCase{u"ИВАНОВИВАН ИВАНОВИЧ", {u"ИВАНОВ ИВАН ИВАНОВИЧ"}},   // a blank lost in the middle
                      NearCase{u"ПЕТРОВ ПЁТР", {u"ПЕТРОВ ПЕТР", u"ПЕТРОВА ПЁТРА"}},  // 1 before 2; 4 is too far
                      NearCase{u"ЯКОВЛЕВА ЯКОВ ЯКОВЛЕВНА", {}},                      // three edits
                      NearCase{u"ОРЛОВ", {}},                                        // shorter than six letters
                      NearCase{u"СИДОРОВА С", {u"СИДОРОВ С"}}));

TEST(BoundedEditDistanceTest, CountsUpToTheBound) {
  EXPECT_EQ(BoundedEditDistance(u"КОТ", u"КОТ", 2), 0);
  EXPECT_EQ(BoundedEditDistance(u"КОТ", u"КИТ", 2), 1);
  EXPECT_EQ(BoundedEditDistance(u"КОТ", u"СКОТЫ", 2), 2);
  EXPECT_EQ(BoundedEditDistance(u"КОТ", u"ЁЖ", 2), 3);
  EXPECT_EQ(BoundedEditDistance(u"", u"КОТЫ", 2), 3);
}

}  // namespace
}  // namespace report
