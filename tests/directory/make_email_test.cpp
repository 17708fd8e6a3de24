#include "directory/make_email.h"

#include <gtest/gtest.h>

#include "tests/support/text_cases.h"

namespace directory {
namespace {

using testing_support::TextCase;

class MakeEmailTest : public ::testing::TestWithParam<TextCase> {};

TEST_P(MakeEmailTest, TakesTheAliasAfterTheSecondCn) {
  EXPECT_EQ(MakeEmail(GetParam().input, u"eflab.example"), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Examples, MakeEmailTest,
    ::testing::Values(TextCase{"plain", u"/o=A/ou=B/cn=C/cn=ivanov", u"ivanov@eflab.example"},
                      TextCase{"full_stop_ends_alias", u"/o=A/ou=B/cn=C/cn=Petrov.A", u"Petrov@eflab.example"},
                      TextCase{"third_cn_ends_alias", u"/o=A/ou=B/cn=C/cn=sidorov/cn=x", u"sidorov@eflab.example"},
                      // One "/cn=": the second removal takes three characters of the alias.
                      TextCase{"one_cn", u"/o=A/cn=kuznetsov", u"netsov@eflab.example"},
                      // No "/cn=": each removal takes three characters.
                      TextCase{"no_cn", u"abcdefgh", u"gh@eflab.example"}, TextCase{"short", u"ab", u"@eflab.example"},
                      TextCase{"empty", u"", u"@eflab.example"},
                      TextCase{"digit_ends_alias", u"/o=A/ou=B/cn=Recipients/cn=sidorov5e2", u"sidorov@eflab.example"},
                      TextCase{"hyphen_and_underscore_end_alias", u"/o=A/cn=B/cn=ab_cd-e", u"ab@eflab.example"},
                      TextCase{"cyrillic_ends_alias", u"/o=A/cn=B/cn=ivanovИ", u"ivanov@eflab.example"},
                      TextCase{"cyrillic_alias_is_empty", u"/o=A/cn=B/cn=иванов", u"@eflab.example"},
                      TextCase{"latin1_letter_ends_alias", u"/o=A/cn=B/cn=ren\u00e9", u"ren@eflab.example"},
                      TextCase{"blank_ends_alias", u"/o=A/cn=B/cn=ivan ov", u"ivan@eflab.example"},
                      TextCase{"leading_blank_gives_empty_alias", u"/o=A/cn=B/cn= ivanov", u"@eflab.example"},
                      // A hex prefix (later server versions) starts with a digit here: no alias.
                      TextCase{"hex_prefixed", u"/o=A/ou=B/cn=Recipients/cn=7c1d2e3f-kuznetsova", u"@eflab.example"},
                      // The marker is matched exactly: upper-case "/CN=" is not it.
                      TextCase{"upper_case_marker", u"/O=ORG/OU=X/CN=R/CN=SADIE", u"@eflab.example"},
                      TextCase{"smtp_address", u"d.sokolov@vector.example", u"lov@eflab.example"}),
    testing_support::CaseName);

}  // namespace
}  // namespace directory
