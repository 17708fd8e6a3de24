#include "app/app_title.h"

#include <gtest/gtest.h>

#include <ostream>

namespace app {
namespace {

struct TitleCase {
  const char16_t* program_path;
  const char16_t* title;
};

void PrintTo(const TitleCase& c, std::ostream* os) { *os << common::ToUtf8(c.program_path); }

class ApplicationTitleTest : public testing::TestWithParam<TitleCase> {};

TEST_P(ApplicationTitleTest, NameAfterLastSeparatorCutAtFirstDotFirstCharacterKept) {
  EXPECT_EQ(ApplicationTitle(GetParam().program_path), GetParam().title);
}

INSTANTIATE_TEST_SUITE_P(
    Examples, ApplicationTitleTest,
    testing::Values(TitleCase{u"ABC.EXE", u"Abc"},                         // name cut at the dot, rest lower
                    TitleCase{u"C:\\Tools\\ABC.EXE", u"Abc"},              // Windows path
                    TitleCase{u"/usr/local/bin/inventory", u"inventory"},  // our program, no dot
                    TitleCase{u"./inventory-refresh", u"inventory-refresh"},
                    TitleCase{u"D:\\x.y/Z\\INV.TOOL.EXE", u"Inv"},      // both separators; first dot cuts
                    TitleCase{u"/opt/a.b/Prog", u"Prog"},               // dot only in a folder name
                    TitleCase{u"iNVENTORY", u"inventory"},              // first character kept as it is
                    TitleCase{u"C:\\БД\\ИНВЕНТАРЬ.EXE", u"Инвентарь"},  // Cyrillic is lower-cased too
                    TitleCase{u"/tmp/.hidden", u""},                    // a leading dot leaves nothing
                    TitleCase{u"dir/", u""}, TitleCase{u"", u""}));

}  // namespace
}  // namespace app
