#include "directory/ldif_reader.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <thread>

#ifndef _WIN32
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

#include "common/error.h"
#include "directory/vcard_reader.h"
#include "tests/directory/printers.h"
#include "tests/support/system_files.h"
#include "tests/support/system_texts.h"
#include "tests/support/temp_folder.h"

namespace directory {
namespace {

using ::testing::ElementsAre;
using ::testing::StrEq;
using ::testing::ThrowsMessage;

const common::Text kData = common::FromUtf8(INVENTORY_DIRECTORY_DATA);

TEST(LdifReaderTest, ReadsAnLdapSearchOfAnExchangeDirectory) {
  // Base64 names with blanks kept, folds inside values and inside base64, and membership by
  // showInAddressBook: hidden, other-list-only and list-less entries are left out.
  EXPECT_THAT(
      ReadGalFile(testing_support::SystemFiles(), kData + u"gal-ldapsearch.ldif", "windows-1251"),
      ElementsAre(
          GalEntry{u"Орлов Игорь Семёнович", u"/o=Eflab/ou=First Administrative Group/cn=Recipients/cn=orlov"},
          GalEntry{u"  Белова Анна  ",
                   u"/o=Eflab/ou=Exchange Administrative Group (FYDIBOHF23SPDLT)/cn=Recipients/cn=belova"},
          GalEntry{u"Зайцев Роман (ООО «Партнёр»)", u"r.zaitsev@partner.example"},
          GalEntry{u"", u"/o=Eflab/ou=Exchange Administrative Group (FYDIBOHF23SPDLT)/cn=Recipients/cn=scanner"},
          GalEntry{u"Ким Олег", u"o.kim@eflab.example"}));
}

TEST(LdifReaderTest, ReadsAUtf16WindowsExportWithoutAddressLists) {
  // No showInAddressBook anywhere: every entry with a displayName or mail, but not hidden ones.
  EXPECT_THAT(ReadGalFile(testing_support::SystemFiles(), kData + u"gal-ldifde-utf16.ldf", "windows-1251"),
              ElementsAre(GalEntry{u"Фролова Дарья Олеговна",
                                   u"/o=Eflab/ou=First Administrative Group/cn=Recipients/cn=frolova"},
                          GalEntry{u"", u"y.melnikov@eflab.example"}));
}

TEST(LdifReaderTest, TakesFirstValuesAndIgnoresOptionsAndVersion) {
  const std::string ldif =
      "version: 1\n"
      "dn: cn=a\n"
      "displayName;lang-en: Orlov\n"
      "displayName: Орлов\n"
      "displayName: Второе имя\n"
      "targetAddress: smtp:a@b.example\n"
      "mail: c@d.example\n";
  EXPECT_THAT(ReadGal(ldif, u"x.ldif", "windows-1251"), ElementsAre(GalEntry{u"Орлов", u"a@b.example"}));
}

TEST(LdifReaderTest, ValuesInTheSystemsCodePageAreReadToo) {
  // "Орлов" in code page 1251, once raw and once in base64, as older exporters write it.
  const std::string ldif =
      "dn: cn=a\ndisplayName: \xCE\xF0\xEB\xEE\xE2\nmail: a@b.example\n\n"
      "dn: cn=b\ndisplayName:: zvDr7uI=\nmail: b@b.example\n";
  EXPECT_THAT(ReadGal(ldif, u"x.ldif", "windows-1251"),
              ElementsAre(GalEntry{u"Орлов", u"a@b.example"}, GalEntry{u"Орлов", u"b@b.example"}));
}

TEST(LdifReaderTest, EmptyFileHasNoEntries) {
  EXPECT_TRUE(ReadGal("", u"x.ldif", "windows-1251").empty());
  EXPECT_TRUE(ReadGal("# only a comment\n\n\n", u"x.ldif", "windows-1251").empty());
}

TEST(LdifReaderTest, MissingFileCannotBeOpened) {
  testing_support::TempFolder folder;
  const common::Text path = folder.PathOf("gal.ldif");
  EXPECT_THAT([&] { ReadGalFile(testing_support::SystemFiles(), path, "windows-1251"); },
              ThrowsMessage<common::Error>(StrEq("Cannot open file \"" + common::ToUtf8(path) + "\". " +
                                                 common::ToUtf8(testing_support::FileNotFoundText()))));
}

#ifndef _WIN32  // the exports are read this way only where there is no Outlook
TEST(LdifReaderTest, FolderCannotBeRead) {
  testing_support::TempFolder folder;
  EXPECT_THAT([&] { ReadGalFile(testing_support::SystemFiles(), folder.Folder(), "windows-1251"); },
              ThrowsMessage<common::Error>(
                  StrEq("Cannot open file \"" + common::ToUtf8(folder.Folder()) + "\". Is a directory")));
}

TEST(LdifReaderTest, FifoAndLinkAreRefusedWithoutBlocking) {
  // The exports may sit on the share every workstation writes to.
  testing_support::TempFolder folder;
  const common::Text fifo = folder.PathOf("gal.ldif");
  const common::Text link = folder.PathOf("contacts.vcf");
  ASSERT_EQ(::mkfifo(common::TextToPath(fifo).c_str(), 0600), 0);
  std::filesystem::create_symlink(common::TextToPath(folder.Write("real.vcf", "")), common::TextToPath(link));
  // A writer that comes and goes: a reader that opened the FIFO would see its end and return
  // instead of hanging. A reader held open afterwards lets the writer go in every case.
  std::thread writer([&] { ::close(::open(common::TextToPath(fifo).c_str(), O_WRONLY)); });
  std::string message = "read without an error";
  try {
    ReadGalFile(testing_support::SystemFiles(), fifo, "windows-1251");
  } catch (const common::Error& error) {
    message = common::ToUtf8(error.message());
  }
  int reader = ::open(common::TextToPath(fifo).c_str(), O_RDONLY | O_NONBLOCK);
  writer.join();
  ::close(reader);
  EXPECT_EQ(message, "Cannot open file \"" + common::ToUtf8(fifo) + "\". Not a regular file");
  EXPECT_THAT([&] { ReadContactsFile(testing_support::SystemFiles(), link, "windows-1251"); },
              ThrowsMessage<common::Error>(
                  StrEq("Cannot open file \"" + common::ToUtf8(link) + "\". Too many levels of symbolic links")));
}
#endif

TEST(LdifReaderTest, FileOverTheBoundIsRefused) {
  testing_support::TempFolder folder;
  const common::Text path = folder.Write("huge.ldif", "");
  std::filesystem::resize_file(common::TextToPath(path), (64 << 20) + 1);
  EXPECT_THAT([&] { ReadGalFile(testing_support::SystemFiles(), path, "windows-1251"); },
              ThrowsMessage<common::Error>(StrEq("Cannot open file \"" + common::ToUtf8(path) +
                                                 "\". File too large (the limit is 67108864 bytes)")));
}

class BrokenLdifTest : public ::testing::TestWithParam<BrokenExport> {};

TEST_P(BrokenLdifTest, IsAClearError) {
  EXPECT_THAT([] { ReadGal(GetParam().bytes, u"bad.ldif", "windows-1251"); },
              ThrowsMessage<common::Error>(StrEq(std::string("Cannot read file \"bad.ldif\". ") + GetParam().message)));
}

INSTANTIATE_TEST_SUITE_P(
    Files, BrokenLdifTest,
    ::testing::Values(
        BrokenExport{"url_value", "dn: cn=a\ndisplayName: A\njpegPhoto:< file:///etc/passwd\n",
                     "Line 3: The value of \"jpegPhoto\" refers to another place (\":<\"); such values are not read"},
        BrokenExport{"bad_base64", "dn: cn=a\ndisplayName:: 0J7RgN*=\n",
                     "Line 2: The base64 value of \"displayName\" is not valid"},
        BrokenExport{"base64_not_whole_groups", "dn: cn=a\ndisplayName:: 0J7RgNC\n",
                     "Line 2: The base64 value of \"displayName\" is not valid"},
        BrokenExport{"padding_inside", "dn: cn=a\ndisplayName:: 0J==0J7R\n",
                     "Line 2: The base64 value of \"displayName\" is not valid"},
        BrokenExport{"no_dn", "displayName: x\n", "Line 1: An entry must begin with \"dn:\""},
        BrokenExport{"version_later", "dn: a\n\nversion: 1\n", "Line 3: An entry must begin with \"dn:\""},
        BrokenExport{"continuation_first", " folded\n", "Line 1: A continued line follows no line it could continue"},
        BrokenExport{"no_colon", "dn: cn=a\ngarbage line\n", "Line 2: No \":\" follows the attribute name"},
        BrokenExport{"empty_name", "dn: cn=a\n: value\n", "Line 2: A line begins with \":\""},
        BrokenExport{"bad_name", "dn: cn=a\ndisplay name: x\n",
                     "Line 2: The attribute name \"display name\" is not valid"},
        BrokenExport{"line_number_counts_folds", "dn: cn=a\ndisplayName: x\n y\n z\nbad\n",
                     "Line 5: No \":\" follows the attribute name"},
        BrokenExport{"crlf_line_numbers", "dn: cn=a\r\n\r\ndn: cn=b\r\nbad\r\n",
                     "Line 4: No \":\" follows the attribute name"},
        BrokenExport{"modify_record", "dn: cn=a\nchangetype: modify\nreplace: mail\n",
                     "Line 2: Only entries to add are read, not \"changetype: modify\""},
        BrokenExport{"utf16_odd_length",
                     std::string("\xFF\xFE"
                                 "d\0n",
                                 5),
                     "The UTF-16 text ends in half a character"},
        BrokenExport{"utf16_lone_surrogate",
                     std::string("\xFF\xFE"
                                 "\x00\xD8"
                                 "d\0",
                                 6),
                     "The UTF-16 text holds an unpaired surrogate"},
        BrokenExport{"utf16_be_lone_trail",
                     std::string("\xFE\xFF"
                                 "\xDC\x00",
                                 4),
                     "The UTF-16 text holds an unpaired surrogate"}),
    [](const auto& info) { return std::string(info.param.what); });

TEST(LdifReaderTest, Utf16BigEndianAndCrLfAreRead) {
  std::u16string text = u"dn: cn=a\r\ndisplayName: Орлов\r\n mail: x\r\n";
  std::string bytes = "\xFE\xFF";
  for (char16_t c : text) bytes += static_cast<char>(c >> 8), bytes += static_cast<char>(c & 0xFF);
  // The fold joins "Орлов" and "mail: x" into one value.
  EXPECT_THAT(ReadGal(bytes, u"x.ldf", "windows-1251"), ElementsAre(GalEntry{u"Орловmail: x", u""}));
}

}  // namespace
}  // namespace directory
