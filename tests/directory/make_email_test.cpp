#include "directory/make_email.h"

#include <gtest/gtest.h>

namespace directory {
namespace {

struct EmailCase {
  const char* what;
  const char16_t* address;
  const char16_t* email;
};

class MakeEmailTest : public ::testing::TestWithParam<EmailCase> {};

TEST_P(MakeEmailTest, TakesTheAliasAfterTheSecondCn) {
  EXPECT_EQ(MakeEmail(GetParam().address, u"eflab.example"), GetParam().email);
}

INSTANTIATE_TEST_SUITE_P(
    Examples, MakeEmailTest,
    ::testing::Values(EmailCase{"plain", u"/o=A/ou=B/cn=C/cn=ivanov", u"ivanov@eflab.example"},
                      EmailCase{"full_stop_ends_alias", u"/o=A/ou=B/cn=C/cn=Petrov.A", u"Petrov@eflab.example"},
                      EmailCase{"third_cn_ends_alias", u"/o=A/ou=B/cn=C/cn=sidorov/cn=x", u"sidorov@eflab.example"},
                      // One "/cn=": the second removal takes three characters of the alias.
                      EmailCase{"one_cn", u"/o=A/cn=kuznetsov", u"netsov@eflab.example"},
                      // No "/cn=": each removal takes three characters.
                      EmailCase{"no_cn", u"abcdefgh", u"gh@eflab.example"},
                      EmailCase{"short", u"ab", u"@eflab.example"}, EmailCase{"empty", u"", u"@eflab.example"},
                      EmailCase{"digit_ends_alias", u"/o=A/ou=B/cn=Recipients/cn=sidorov5e2", u"sidorov@eflab.example"},
                      EmailCase{"hyphen_and_underscore_end_alias", u"/o=A/cn=B/cn=ab_cd-e", u"ab@eflab.example"},
                      EmailCase{"cyrillic_ends_alias", u"/o=A/cn=B/cn=ivanovИ", u"ivanov@eflab.example"},
                      EmailCase{"cyrillic_alias_is_empty", u"/o=A/cn=B/cn=иванов", u"@eflab.example"},
                      EmailCase{"latin1_letter_ends_alias", u"/o=A/cn=B/cn=ren\u00e9", u"ren@eflab.example"},
                      EmailCase{"blank_ends_alias", u"/o=A/cn=B/cn=ivan ov", u"ivan@eflab.example"},
                      EmailCase{"leading_blank_gives_empty_alias", u"/o=A/cn=B/cn= ivanov", u"@eflab.example"},
                      // A hex prefix (later server versions) starts with a digit here: no alias.
                      EmailCase{"hex_prefixed", u"/o=A/ou=B/cn=Recipients/cn=7c1d2e3f-kuznetsova", u"@eflab.example"},
                      // The marker is matched exactly: upper-case "/CN=" is not it.
                      EmailCase{"upper_case_marker", u"/O=ORG/OU=X/CN=R/CN=SADIE", u"@eflab.example"},
                      EmailCase{"smtp_address", u"d.sokolov@vector.example", u"lov@eflab.example"}),
    [](const auto& info) { return std::string(info.param.what); });

}  // namespace
}  // namespace directory
