#include "directory/contact_merge.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "common/error.h"
#include "store/inventory_database.h"
#include "store/statements.h"
#include "store/table.h"
#include "tests/support/fixed_clock.h"
#include "tests/support/system_files.h"
#include "tests/support/table_rows.h"
#include "tests/support/temp_folder.h"

namespace directory {
namespace {

using ::testing::ElementsAre;
using ::testing::UnorderedElementsAre;
using Rows = std::vector<std::pair<common::Text, common::Text>>;

class MergeContactsTest : public ::testing::Test {
 protected:
  MergeContactsTest() { store::PrepareInventoryDatabase(folder_.Folder(), connection_, command_); }

  void AddWorkstation(const char16_t* host, const char16_t* fio) {
    command_.SetText(store::kInsertUsersRow);
    for (const char* name : {"HOST", "USER", "IP", "FIO", "TEL", "ZDAN", "ETAJ", "KAB", "TYPE", "CPU", "OS", "OSVER",
                             "W9XVER", "OSBUILD", "OSID", "BIOS"}) {
      command_.Param(name).SetText(u"");
    }
    command_.Param("PRINTER").SetText(u"", 192);
    for (const char* name : {"SPEED", "RAM", "HDD"}) command_.Param(name).SetInteger(u"0");
    command_.Param("HOST").SetText(host);
    command_.Param("FIO").SetText(fio);
    command_.Execute();
  }

  // Creates an export table and appends its rows the way the export does.
  void MakeExport(const char16_t* create, const char16_t* table_name, const char* value_field, const Rows& rows) {
    command_.SetText(create);
    command_.Execute();
    store::Table table("Table", connection_);
    table.SetTableName(table_name);
    table.Open();
    for (const auto& [fio, value] : rows) {
      table.Append();
      table.SetField("FIO", fio);
      table.SetField(value_field, value);
      table.Post();
    }
    table.Close();
  }
  void Mexport(const Rows& rows) { MakeExport(store::kCreateMexport, store::kMexportTableName, "EMAIL", rows); }
  void Texport(const Rows& rows) { MakeExport(store::kCreateTexport, store::kTexportTableName, "TEL", rows); }

  void Merge() { MergeContacts(query_, command_); }

  std::vector<std::string> Users() {
    connection_.Close();
    return ReadRows(folder_.Folder(), u"SELECT HOST, FIO, EMAIL, TEL2 FROM USERS", {"HOST", "FIO", "EMAIL", "TEL2"});
  }

  testing_support::TempFolder folder_;
  store::Connection connection_{testing_support::SystemFiles(), testing_support::TestClock(), "ADOConnection",
                                "windows-1251"};
  store::Command command_{"ADOCommand", connection_};
  store::Query query_{"ADOQuery", connection_};
};

TEST_F(MergeContactsTest, WritesEmailAndTelephoneIntoRowsWithExactlyTheSameName) {
  AddWorkstation(u"PC-1", u"ИВАНОВ ИВАН ПЕТРОВИЧ");
  AddWorkstation(u"PC-2", u"КУЗНЕЦОВА ОЛЬГА");
  AddWorkstation(u"PC-3", u"СМИРНОВ ДМИТРИЙ");
  Mexport({{u"ИВАНОВ ИВАН ПЕТРОВИЧ", u"ivanov@eflab.example"}, {u"КУЗНЕЦОВА ОЛЬГА ВИКТОРОВНА", u"k@eflab.example"}});
  Texport({{u"КУЗНЕЦОВА ОЛЬГА", u"30-14"}, {u"ИВАНОВ ИВАН", u"21-45"}});
  Merge();
  EXPECT_THAT(Users(), UnorderedElementsAre("PC-1|ИВАНОВ ИВАН ПЕТРОВИЧ|ivanov@eflab.example|",
                                            "PC-2|КУЗНЕЦОВА ОЛЬГА||30-14", "PC-3|СМИРНОВ ДМИТРИЙ||"));
}

TEST_F(MergeContactsTest, EveryRowOfTheNameReceivesTheValues) {
  AddWorkstation(u"PC-1", u"ПЕТРОВА МАРИЯ");
  AddWorkstation(u"PC-2", u"ПЕТРОВА МАРИЯ");
  Mexport({{u"ПЕТРОВА МАРИЯ", u"petrova@eflab.example"}});
  Texport({{u"ПЕТРОВА МАРИЯ", u"21-46"}});
  Merge();
  EXPECT_THAT(Users(), UnorderedElementsAre("PC-1|ПЕТРОВА МАРИЯ|petrova@eflab.example|21-46",
                                            "PC-2|ПЕТРОВА МАРИЯ|petrova@eflab.example|21-46"));
}

TEST_F(MergeContactsTest, OfTwoExportRowsWithOneNameTheLastVisitedWins) {
  AddWorkstation(u"PC-1", u"КОЗЛОВ АНДРЕЙ");
  Mexport({{u"КОЗЛОВ АНДРЕЙ", u"kozlov@eflab.example"}, {u"КОЗЛОВ АНДРЕЙ", u"kozlovan@eflab.example"}});
  Texport({{u"КОЗЛОВ АНДРЕЙ", u"11-11"}, {u"КОЗЛОВ АНДРЕЙ", u"22-22"}});
  Merge();
  EXPECT_THAT(Users(), ElementsAre("PC-1|КОЗЛОВ АНДРЕЙ|kozlovan@eflab.example|22-22"));
}

TEST_F(MergeContactsTest, NamesWithoutAWorkstationAddNoRow) {
  AddWorkstation(u"PC-1", u"ИВАНОВ ИВАН");
  Mexport({{u"СИДОРОВ АЛЕКСЕЙ", u"sidorov@eflab.example"}});
  Texport({{u"СИДОРОВ АЛЕКСЕЙ", u"30-12"}});
  Merge();
  Merge();
  EXPECT_THAT(Users(), ElementsAre("PC-1|ИВАНОВ ИВАН||"));
}

TEST_F(MergeContactsTest, ExportRowWithAnEmptyNameMatchesNothing) {
  AddWorkstation(u"PC-1", u"");
  AddWorkstation(u"PC-2", u"ЁЛКИН ПЁТР ИЛЬИЧ");
  Mexport({{u"", u"scanner@eflab.example"}, {u"ЁЛКИН ПЁТР ИЛЬИЧ", u"yolkin@eflab.example"}});
  Texport({{u"", u"99-99"}});
  Merge();
  EXPECT_THAT(Users(), UnorderedElementsAre("PC-1|||", "PC-2|ЁЛКИН ПЁТР ИЛЬИЧ|yolkin@eflab.example|"));
}

TEST_F(MergeContactsTest, EmptyExportsLeaveEarlierValuesAlone) {
  AddWorkstation(u"PC-1", u"ИВАНОВ ИВАН");
  Mexport({{u"ИВАНОВ ИВАН", u"ivanov@eflab.example"}});
  Texport({{u"ИВАНОВ ИВАН", u"21-45"}});
  Merge();
  command_.SetText(store::kDropMexport);
  command_.Execute();
  command_.SetText(store::kDropTexport);
  command_.Execute();
  Mexport({});
  Texport({});
  Merge();
  EXPECT_THAT(Users(), ElementsAre("PC-1|ИВАНОВ ИВАН|ivanov@eflab.example|21-45"));
}

TEST_F(MergeContactsTest, LeavesTheQueryOpenAtTheEndOfTheTelephoneRows) {
  Mexport({{u"А", u"a@eflab.example"}});
  Texport({{u"Б", u"1"}});
  Merge();
  EXPECT_TRUE(query_.Active());
  EXPECT_TRUE(query_.Eof());
}

TEST_F(MergeContactsTest, FailureKeepsTheUpdatesMadeBefore) {
  AddWorkstation(u"PC-1", u"ИВАНОВ ИВАН");
  Mexport({{u"ИВАНОВ ИВАН", u"ivanov@eflab.example"}});
  // No TEXPORT: the telephone pass fails on its query.
  EXPECT_THROW(Merge(), common::Error);
  EXPECT_THAT(Users(), ElementsAre("PC-1|ИВАНОВ ИВАН|ivanov@eflab.example|"));
}

}  // namespace
}  // namespace directory
