#include "directory/vcard_reader.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "common/error.h"
#include "tests/directory/printers.h"
#include "tests/support/system_files.h"

namespace directory {
namespace {

using ::testing::ElementsAre;
using ::testing::StrEq;
using ::testing::ThrowsMessage;

const common::Text kData = common::FromUtf8(INVENTORY_DIRECTORY_DATA);

TEST(VcardReaderTest, ReadsVersion21InCodePage1251WithQuotedPrintable) {
  EXPECT_THAT(ReadContactsFile(testing_support::SystemFiles(), kData + u"contacts-21-cp1251.vcf", "windows-1251"),
              ElementsAre(ContactCard{u"Орлов", u"Игорь", u"+7 (495) 700-10-01, 700-10-02"},
                          // The work fax comes first and is passed over; the first work voice wins.
                          ContactCard{u"Рождественская-Великорецкая", u"Ульяна", u"+7 (812) 700-20-01"},
                          ContactCard{u"Щукин", u"", u"30-01"}, ContactCard{u"Ёжикова", u"Алёна", u""}));
}

TEST(VcardReaderTest, ReadsVersion30WithFoldsInsideCharactersAndEscapes) {
  EXPECT_THAT(ReadContactsFile(testing_support::SystemFiles(), kData + u"contacts-30.vcf", "windows-1251"),
              ElementsAre(ContactCard{u"Константиновский-Богородицкий", u"Святослав", u"+7 (812) 700-50-01, доб. 12"},
                          ContactCard{u"Ли;Чан", u"Мин,Хо", u"700-60-01"}, ContactCard{u"Соболева", u"Нина", u""}));
}

TEST(VcardReaderTest, ReadsVersion40WithUrisAndQuotedTypes) {
  EXPECT_THAT(ReadContactsFile(testing_support::SystemFiles(), kData + u"contacts-40.vcf", "windows-1251"),
              ElementsAre(ContactCard{u"Тарасов", u"Глеб", u"+7-495-700-80-01"},
                          ContactCard{u"Яковлева, Орлова", u"Инна", u"700-90-01, 700-90-02"}));
}

TEST(VcardReaderTest, Version21KeepsBackslashesExceptBeforeSemicolons) {
  const std::string vcf = "BEGIN:VCARD\nVERSION:2.1\nN:A\\;B;C\\,D\nTEL;WORK:1\\,2\nEND:VCARD\n";
  EXPECT_THAT(ReadContacts(vcf, u"x.vcf", "windows-1251"), ElementsAre(ContactCard{u"A;B", u"C\\,D", u"1\\,2"}));
}

TEST(VcardReaderTest, ValuesWithoutCharsetAreUtf8OrTheSystemsCodePage) {
  const std::string vcf =
      "BEGIN:VCARD\nVERSION:2.1\nN:Орлов;Игорь\nEND:VCARD\n"
      "BEGIN:VCARD\nVERSION:2.1\nN:\xCE\xF0\xEB\xEE\xE2;\xC8\xE3\xEE\xF0\xFC\nEND:VCARD\n";
  EXPECT_THAT(ReadContacts(vcf, u"x.vcf", "windows-1251"),
              ElementsAre(ContactCard{u"Орлов", u"Игорь", u""}, ContactCard{u"Орлов", u"Игорь", u""}));
}

TEST(VcardReaderTest, NamesAndParametersIgnoreCaseAndAMarkIsSkipped) {
  const std::string vcf =
      "\xEF\xBB\xBF"
      "begin:vcard\nversion:3.0\nn:Орлов;Игорь\ntel;Type=Work:5\nend:vcard\n";
  EXPECT_THAT(ReadContacts(vcf, u"x.vcf", "windows-1251"), ElementsAre(ContactCard{u"Орлов", u"Игорь", u"5"}));
}

TEST(VcardReaderTest, NestedCardsAreSkipped) {
  const std::string vcf =
      "BEGIN:VCARD\nVERSION:2.1\nN:Outer;A\nAGENT:\nBEGIN:VCARD\nVERSION:2.1\nN:Inner;B\nTEL;WORK:9\n"
      "END:VCARD\nTEL;WORK:1\nEND:VCARD\n";
  EXPECT_THAT(ReadContacts(vcf, u"x.vcf", "windows-1251"), ElementsAre(ContactCard{u"Outer", u"A", u"1"}));
}

TEST(VcardReaderTest, CardWithoutNameOrTelephoneGivesEmptyFields) {
  const std::string vcf = "BEGIN:VCARD\nVERSION:3.0\nFN:Орлов Игорь\nEND:VCARD\n\n\n";
  EXPECT_THAT(ReadContacts(vcf, u"x.vcf", "windows-1251"), ElementsAre(ContactCard{u"", u"", u""}));
}

class BrokenVcardTest : public ::testing::TestWithParam<BrokenExport> {};

TEST_P(BrokenVcardTest, IsAClearError) {
  EXPECT_THAT([] { ReadContacts(GetParam().bytes, u"bad.vcf", "windows-1251"); },
              ThrowsMessage<common::Error>(StrEq(std::string("Cannot read file \"bad.vcf\". ") + GetParam().message)));
}

std::string Nested(int depth) {
  std::string text;
  for (int i = 0; i < depth; ++i) text += "BEGIN:VCARD\n";
  return text;
}

INSTANTIATE_TEST_SUITE_P(
    Files, BrokenVcardTest,
    ::testing::Values(
        BrokenExport{"no_end", "BEGIN:VCARD\r\nVERSION:3.0\r\nN:A;B\r\n",
                     "Line 1: The card that begins here has no END:VCARD"},
        BrokenExport{"second_card_no_end", "BEGIN:VCARD\nEND:VCARD\n\nBEGIN:VCARD\nN:A\n",
                     "Line 4: The card that begins here has no END:VCARD"},
        BrokenExport{"outside_card", "N:A;B\r\n", "Line 1: Text outside a card (BEGIN:VCARD ... END:VCARD)"},
        BrokenExport{"no_colon_outside", "hello\n", "Line 1: A property line without \":\""},
        BrokenExport{"end_without_begin", "END:VCARD\n", "Line 1: END:VCARD without BEGIN:VCARD"},
        BrokenExport{"no_colon", "BEGIN:VCARD\nVERSION:3.0\nGARBAGE\nEND:VCARD\n",
                     "Line 3: A property line without \":\""},
        BrokenExport{"unknown_charset", "BEGIN:VCARD\nVERSION:2.1\nN;CHARSET=x-no-such-set:A;B\nEND:VCARD\n",
                     "Line 3: Unknown character set \"x-no-such-set\""},
        BrokenExport{"nested_too_deep", Nested(9), "Line 9: Cards are nested too deeply"},
        BrokenExport{"utf16_odd_length",
                     std::string("\xFF\xFE"
                                 "B",
                                 3),
                     "The UTF-16 text ends in half a character"}),
    [](const auto& info) { return std::string(info.param.what); });

}  // namespace
}  // namespace directory
