#include "directory/directory_export.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "common/error.h"
#include "directory/mail_directory.h"
#include "store/inventory_database.h"
#include "tests/directory/fake_outlook.h"
#include "tests/support/fixed_clock.h"
#include "tests/support/system_files.h"
#include "tests/support/table_rows.h"
#include "tests/support/temp_folder.h"

namespace directory {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;
using ::testing::StrEq;
using ::testing::ThrowsMessage;

class GetExchangeTest : public ::testing::Test {
 protected:
  GetExchangeTest() { connection_.SetConnectionString(store::kConnectionStringPrefix + folder_.Folder()); }

  void Run() { GetExchange(outlook_, connection_, command_, table_, folder_.Folder(), u"eflab.example"); }
  std::vector<std::string> Mexport() {
    return ReadRows(folder_.Folder(), u"SELECT FIO, EMAIL FROM MEXPORT", {"FIO", "EMAIL"});
  }
  std::vector<std::string> Texport() {
    return ReadRows(folder_.Folder(), u"SELECT FIO, TEL FROM TEXPORT", {"FIO", "TEL"});
  }
  bool FileExists(const char* name) { return std::filesystem::exists(common::TextToPath(folder_.PathOf(name))); }

  testing_support::TempFolder folder_;
  testing::FakeOutlook outlook_;
  store::Connection connection_{testing_support::SystemFiles(), testing_support::TestClock(), "ADOConnection",
                                "windows-1251"};
  store::Command command_{"ADOCommand", connection_};
  store::Table table_{"Table", connection_};
};

TEST_F(GetExchangeTest, WritesEveryEntryWithItsNameTrimmedAndUpperCasedAndItsEmail) {
  outlook_.entries = {{u"  ivanov ivan ", u"/o=A/ou=B/cn=Recipients/cn=ivanov"},
                      {u"Петрова Мария Сергеевна", u"/o=A/ou=B/cn=Recipients/cn=petrova.m"},
                      {u"Переговорная 3-01", u"/o=A/cn=room301"},
                      {u"", u""},
                      {u"Козлов Андрей", u"/o=A/ou=B/cn=Recipients/cn=kozlov"},
                      {u"Козлов Андрей", u"/o=A/ou=B/cn=Recipients/cn=kozlovan"}};
  Run();
  EXPECT_THAT(Mexport(),
              ElementsAre("IVANOV IVAN|ivanov@eflab.example", "ПЕТРОВА МАРИЯ СЕРГЕЕВНА|petrova@eflab.example",
                          "ПЕРЕГОВОРНАЯ 3-01|m@eflab.example", "|@eflab.example", "КОЗЛОВ АНДРЕЙ|kozlov@eflab.example",
                          "КОЗЛОВ АНДРЕЙ|kozlovan@eflab.example"));
  EXPECT_TRUE(connection_.Connected());
  EXPECT_FALSE(table_.Active());
  EXPECT_EQ(outlook_.live_objects(), 0);
}

TEST_F(GetExchangeTest, WritesContactsWithBothANameAndABusinessTelephone) {
  outlook_.contacts = {
      {u"Иванов", u"Иван", u"21-45"},
      {u"Кузнецова", u"", u"30-14, 30-15"},  // last name only: no trailing blank
      {u"", u"ольга", u"40-01"},             // first name only: no leading blank
      {u"Петров", u"Пётр", u"   "},          // blank telephone: no row
      {u"Smith", u"John", u"12-34"},         // no Cyrillic name: no row
      {u"", u"", u""},                       // neither
      {u"Сидоров-Петров", u"Алексей", u" 8 (495) 123-45-67 "},
      // The telephone is read twice; the second read gives TEL.
      {u"Ёлкин", u"Пётр", u"12-01", u"12-02, 12-03"},
      {u"Орлов", u"Игорь", u"77-01", u"   "},
  };
  Run();
  EXPECT_THAT(Texport(), ElementsAre("ИВАНОВ ИВАН|21-45", "КУЗНЕЦОВА|30-14", "ОЛЬГА|40-01", "СИДОРОВПЕТРОВ АЛЕКСЕЙ|8",
                                     "ЁЛКИН ПЁТР|12-02", "ОРЛОВ ИГОРЬ|"));
  EXPECT_EQ(outlook_.live_objects(), 0);
}

TEST_F(GetExchangeTest, MakesTheCallsInOrderOnTheListAndFolderThemselves) {
  outlook_.entries = {{u"A", u"a"}, {u"B", u"b"}};
  outlook_.contacts = {{u"Иванов", u"Иван", u"1"}, {u"Петров", u"Пётр", u""}};
  Run();
  EXPECT_THAT(outlook_.calls(),
              ElementsAre("create", "application.GetNameSpace/method(MAPI)",
                          "namespace.AddressLists/method(Глобальный список адресов)", "list.AddressEntries/get()",
                          "entries.Count/get()", "list.AddressEntries/method(1)", "entry1.Name/get()",
                          "entry1.Address/get()", "list.AddressEntries/method(2)", "entry2.Name/get()",
                          "entry2.Address/get()",  //
                          "create", "application.GetNameSpace/method(MAPI)", "namespace.GetDefaultFolder/method(10)",
                          "folder.Items/get()", "items.Count/get()", "folder.Items/property(1)", "item1.LastName/get()",
                          "item1.FirstName/get()", "item1.BusinessTelephoneNumber/get()",
                          "item1.BusinessTelephoneNumber/get()", "folder.Items/property(2)", "item2.LastName/get()",
                          "item2.FirstName/get()", "item2.BusinessTelephoneNumber/get()"));
}

TEST_F(GetExchangeTest, CountIsReadOnceAndNothingIsAskedWhenItIsNotPositive) {
  outlook_.entries = {{u"A", u"a"}};
  outlook_.entry_count = 0;
  outlook_.contacts = {{u"Иванов", u"Иван", u"1"}};
  outlook_.contact_count = -1;
  Run();
  EXPECT_THAT(outlook_.calls(),
              ElementsAre("create", "application.GetNameSpace/method(MAPI)",
                          "namespace.AddressLists/method(Глобальный список адресов)", "list.AddressEntries/get()",
                          "entries.Count/get()", "create", "application.GetNameSpace/method(MAPI)",
                          "namespace.GetDefaultFolder/method(10)", "folder.Items/get()", "items.Count/get()"));
  // The tables are still created, indexed and empty.
  EXPECT_TRUE(FileExists("mexport.dbf"));
  EXPECT_TRUE(FileExists("texport.dbf"));
  EXPECT_THAT(Mexport(), IsEmpty());
  EXPECT_THAT(Texport(), IsEmpty());
}

TEST_F(GetExchangeTest, EachRunReplacesThePreviousExport) {
  outlook_.entries = {{u"A", u"/o=x/cn=y/cn=first"}};
  outlook_.contacts = {{u"Иванов", u"Иван", u"1"}};
  Run();
  outlook_.entries = {{u"B", u"/o=x/cn=y/cn=second"}};
  outlook_.contacts = {{u"Петров", u"Пётр", u"2"}};
  Run();
  EXPECT_THAT(Mexport(), ElementsAre("B|second@eflab.example"));
  EXPECT_THAT(Texport(), ElementsAre("ПЕТРОВ ПЁТР|2"));
}

// A call that fails stops the export at once: the table stays open, every object is released, and the
// rows posted before stay: the first `mexport` rows of MEXPORT, the first `texport` of TEXPORT (-1: the
// table was never created).
struct FailureCase {
  const char* name;
  std::string call;
  int occurrence;
  common::Text description;
  std::string message;
  size_t mexport;
  int texport;
};

class ExportFailureTest : public GetExchangeTest, public ::testing::WithParamInterface<FailureCase> {};

TEST_P(ExportFailureTest, KeepsTheRowsPostedBefore) {
  outlook_.entries = {{u"A", u"/o=x/cn=y/cn=a"}, {u"B", u"/o=x/cn=y/cn=b"}, {u"C", u"/o=x/cn=y/cn=c"}};
  outlook_.contacts = {{u"Иванов", u"Иван", u"1"}, {u"Петров", u"Пётр", u"2"}};
  const std::vector<std::string> mexport = {"A|a@eflab.example", "B|b@eflab.example", "C|c@eflab.example"};
  const std::vector<std::string> texport = {"ИВАНОВ ИВАН|1", "ПЕТРОВ ПЁТР|2"};
  outlook_.FailAt(GetParam().call, GetParam().occurrence, GetParam().description);
  EXPECT_THAT([&] { Run(); }, ThrowsMessage<common::Error>(StrEq(GetParam().message)));
  EXPECT_TRUE(table_.Active());
  EXPECT_EQ(outlook_.calls().back(), GetParam().call);
  EXPECT_EQ(outlook_.live_objects(), 0);
  table_.Close();
  EXPECT_EQ(Mexport(), std::vector(mexport.begin(), mexport.begin() + GetParam().mexport));
  ASSERT_EQ(FileExists("texport.dbf"), GetParam().texport >= 0);
  if (GetParam().texport < 0) return;
  EXPECT_EQ(Texport(), std::vector(texport.begin(), texport.begin() + GetParam().texport));
}

INSTANTIATE_TEST_SUITE_P(Calls, ExportFailureTest,
                         ::testing::Values(FailureCase{"FirstCreation", "create", 1, u"Server execution failed.\r\n",
                                                       "Server execution failed, ProgID: \"Outlook.Application\"", 0,
                                                       -1},
                                           FailureCase{"Count", "entries.Count/get()", 1, u"Array index out of bounds",
                                                       "Array index out of bounds", 0, -1},
                                           FailureCase{"InsideTheEntries", "entry2.Address/get()", 1,
                                                       u"The operation failed.", "The operation failed.", 1, -1},
                                           // No description: the status code.
                                           FailureCase{"SecondCreation", "create", 2, u"",
                                                       "OLE error 80004005, ProgID: \"Outlook.Application\"", 3, 0},
                                           FailureCase{"UnknownMemberInTheContacts", "item2.LastName/get()", 1,
                                                       u"Method 'LastName' not supported by automation object",
                                                       "Method 'LastName' not supported by automation object", 3, 1}),
                         [](const auto& info) { return std::string(info.param.name); });

// The stand-in over the sample share's directory, end to end.
TEST(SampleShareExportTest, ExportsTheSampleDirectory) {
  testing_support::TempFolder folder;
  const common::Text samples = common::FromUtf8(INVENTORY_SAMPLE_DIRECTORY);
  DirectoryFiles mail(testing_support::SystemFiles(), samples + u"gal.ldif", samples + u"contacts.vcf", "windows-1251");
  store::Connection connection(testing_support::SystemFiles(), testing_support::TestClock(), "ADOConnection",
                               "windows-1251");
  connection.SetConnectionString(store::kConnectionStringPrefix + folder.Folder());
  store::Command command("ADOCommand", connection);
  store::Table table("Table", connection);
  GetExchange(mail, connection, command, table, folder.Folder(), u"eflab.example");
  connection.Close();
  EXPECT_THAT(ReadRows(folder.Folder(), u"SELECT FIO, EMAIL FROM MEXPORT", {"FIO", "EMAIL"}),
              ElementsAre("ИВАНОВ ИВАН ПЕТРОВИЧ|ivanov@eflab.example", "ПЕТРОВА МАРИЯ СЕРГЕЕВНА|petrova@eflab.example",
                          "СИДОРОВ АЛЕКСЕЙ НИКОЛАЕВИЧ|sidorov@eflab.example",
                          "КУЗНЕЦОВА ОЛЬГА ВИКТОРОВНА|kuznetsova@eflab.example",
                          "СМИРНОВ ДМИТРИЙ АНДРЕЕВИЧ|smirnov@eflab.example", "ЁЛКИН ПЁТР ИЛЬИЧ|yolkin@eflab.example",
                          "ПЕРЕГОВОРНАЯ 2-14|room@eflab.example"));
  EXPECT_THAT(ReadRows(folder.Folder(), u"SELECT FIO, TEL FROM TEXPORT", {"FIO", "TEL"}),
              ElementsAre("ИВАНОВ ИВАН|21-45", "КУЗНЕЦОВА ОЛЬГА|30-14", "СМИРНОВ ДМИТРИЙ|40-01"));
}

}  // namespace
}  // namespace directory
