#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "common/error.h"
#include "store/command.h"
#include "store/inventory_database.h"
#include "store/query.h"
#include "store/statements.h"
#include "store/table.h"
#include "tests/support/dbf_files.h"
#include "tests/support/fault_file_system.h"
#include "tests/support/fixed_clock.h"
#include "tests/support/system_files.h"
#include "tests/support/system_texts.h"
#include "tests/support/table_rows.h"
#include "tests/support/temp_folder.h"

namespace store {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;
using ::testing::StartsWith;
using ::testing::StrEq;
using ::testing::ThrowsMessage;
using testing_support::TempFolder;

class ComponentsTest : public ::testing::Test {
 protected:
  ComponentsTest() { connection_.SetConnectionString(kConnectionStringPrefix + folder_.Folder()); }

  void Run(const common::Text& text) {
    command_.SetText(text);
    command_.Execute();
  }

  void CreateMexport() {
    Run(kCreateMexport);
    Run(kCreateMexportIndex);
  }

  void InsertFio(const common::Text& fio) {
    command_.SetText(kInsertFioRow);
    command_.Param("FIO").SetText(fio);
    command_.Execute();
  }

  std::vector<std::string> Rows(const common::Text& select, const std::vector<std::string>& fields) {
    return ReadRows(folder_.Folder(), select, fields);
  }

  TempFolder folder_;
  testing_support::FaultFileSystem files_{testing_support::SystemFiles()};
  Connection connection_{files_, testing_support::TestClock(), "ADOConnection", "windows-1251"};
  Command command_{"ADOCommand", connection_};
  Query query_{"ADOQuery", connection_};
  Query query_l_{"ADOQueryL", connection_};
  Table table_{"Table", connection_};
};

TEST_F(ComponentsTest, ConnectionOpensOnFirstStatementAndCloseClosesDatasets) {
  EXPECT_FALSE(connection_.Connected());
  CreateMexport();
  EXPECT_TRUE(connection_.Connected());
  query_.SetText(kSelectMexport);
  query_.Open();
  table_.SetTableName(kMexportTableName);
  table_.Open();
  connection_.Close();
  EXPECT_FALSE(connection_.Connected());
  EXPECT_FALSE(query_.Active());
  EXPECT_FALSE(table_.Active());
  query_.Open();  // reopens the connection by itself
  EXPECT_TRUE(connection_.Connected());
}

TEST_F(ComponentsTest, ConnectionStringErrors) {
  Connection other{testing_support::SystemFiles(), testing_support::TestClock(), "ADOConnection", "windows-1251"};
  Command command("ADOCommand", other);
  command.SetText(kCreateMexport);
  EXPECT_THAT([&] { command.Execute(); },
              ThrowsMessage<common::Error>(StrEq("ADOConnection: No connection string is set")));
  other.SetConnectionString(u"Provider=Microsoft.Jet.OLEDB.4.0;Data Source=" + folder_.Folder());
  EXPECT_THAT([&] { command.Execute(); },
              ThrowsMessage<common::Error>(
                  StrEq("ADOConnection: Connection string not understood: it must be \"DRIVER=Microsoft dBase Driver "
                        "(*.dbf);DriverID=533;FIL=dBase 5.0;DefaultDir=\" followed by the database folder")));
  other.SetConnectionString(kConnectionStringPrefix);
  EXPECT_THAT([&] { command.Execute(); },
              ThrowsMessage<common::Error>(
                  StrEq("ADOConnection: The connection string names no folder after \"DefaultDir=\"")));
  other.SetConnectionString(kConnectionStringPrefix + folder_.Folder() + u"missing" + testing_support::kSeparator);
  EXPECT_THAT(
      [&] { command.Execute(); },
      ThrowsMessage<common::Error>(AllOf(StartsWith("ADOConnection: Cannot open the database folder \""),
                                         HasSubstr("missing" + common::ToUtf8(testing_support::kSeparator) + "\". " +
                                                   common::ToUtf8(testing_support::FileNotFoundText())))));
  EXPECT_FALSE(other.Connected());
}

TEST_F(ComponentsTest, MissingParameterAndFieldNameTheComponent) {
  command_.SetText(kDeleteHostRows);
  EXPECT_THAT([&] { command_.Param("HSOT"); },
              ThrowsMessage<common::Error>(StrEq("ADOCommand: Parameter 'HSOT' not found")));
  EXPECT_NO_THROW(command_.Param("host"));
  query_l_.SetText(kCountFioRows);
  EXPECT_THAT([&] { query_l_.Param("FOI"); },
              ThrowsMessage<common::Error>(StrEq("ADOQueryL: Parameter 'FOI' not found")));
  CreateMexport();
  query_.SetText(kSelectMexport);
  query_.Open();
  EXPECT_THAT([&] { query_.FieldText("X"); }, ThrowsMessage<common::Error>(StrEq("ADOQuery: Field 'X' not found")));
  table_.SetTableName(kMexportTableName);
  table_.Open();
  table_.Append();
  EXPECT_THAT([&] { table_.SetField("TEL", u"1"); },
              ThrowsMessage<common::Error>(StrEq("Table: Field 'TEL' not found")));
}

TEST_F(ComponentsTest, RenamingAnOpenTableIsRefused) {
  CreateMexport();
  table_.SetTableName(kMexportTableName);
  table_.Open();
  EXPECT_THAT([&] { table_.SetTableName(kTexportTableName); },
              ThrowsMessage<common::Error>(StrEq("Table: Cannot perform this operation on an open dataset")));
  table_.Close();
  EXPECT_NO_THROW(table_.SetTableName(kTexportTableName));
}

TEST_F(ComponentsTest, TablePostWritesAtOnceAndFieldsIgnoreCase) {
  CreateMexport();
  table_.SetTableName(kMexportTableName);
  table_.Open();
  table_.Append();
  table_.SetField("fio", u"ИВАНОВ ИВАН");
  table_.SetField("Email", u"ivanov@eflab.example");
  table_.Post();
  table_.Append();
  table_.SetField("FIO", u"ПЕТРОВ");
  table_.Post();
  // Still open: the rows are on disk already.
  EXPECT_THAT(Rows(kSelectMexport, {"FIO", "EMAIL"}),
              ::testing::ElementsAre("ИВАНОВ ИВАН|ivanov@eflab.example", "ПЕТРОВ|"));
}

TEST_F(ComponentsTest, QuerySetTextClosesAndKeepsParametersOfTheSameText) {
  Run(kCreateUsers);
  InsertFio(u"ИВАНОВ");
  query_l_.SetText(kCountFioRows);
  query_l_.Param("FIO").SetText(u"ИВАНОВ");
  query_l_.Open();
  EXPECT_TRUE(query_l_.Active());
  query_l_.SetText(kCountFioRows);
  EXPECT_FALSE(query_l_.Active());
  EXPECT_EQ(query_l_.Param("FIO").value(), u"ИВАНОВ");  // same text: parameters kept
  query_l_.SetText(kCountHostRows);
  EXPECT_THAT([&] { query_l_.Param("FIO"); },
              ThrowsMessage<common::Error>(StrEq("ADOQueryL: Parameter 'FIO' not found")));
  EXPECT_EQ(query_l_.Param("HOST").value(), u"");
}

TEST_F(ComponentsTest, CountCountsOnlyRowsWhereTheCountedColumnIsNotNull) {
  Run(kCreateUsers);
  InsertFio(u"ИВАНОВ");  // no HOST, no SPEED
  command_.SetText(u"INSERT INTO USERS (HOST, FIO, SPEED) VALUES (:HOST, :FIO, :SPEED)");
  command_.Param("HOST").SetText(u"PC-1");
  command_.Param("FIO").SetText(u"ИВАНОВ");
  command_.Param("SPEED").SetInteger(u"2400");
  command_.Execute();
  // A blank character field holds the empty text; only a blank number is null.
  query_l_.SetText(kCountFioRows);
  query_l_.Param("FIO").SetText(u"ИВАНОВ");
  query_l_.Open();
  query_l_.First();
  EXPECT_EQ(query_l_.FieldInteger("COUNT"), 2);
  EXPECT_EQ(query_l_.FieldText("count"), u"2");
  query_l_.SetText(u"SELECT COUNT(SPEED) AS COUNT FROM USERS WHERE FIO = :FIO");
  query_l_.Param("FIO").SetText(u"ИВАНОВ");
  query_l_.Open();
  EXPECT_EQ(query_l_.FieldInteger("COUNT"), 1);
  query_.SetText(kCountHostRows);
  query_.Param("HOST").SetText(u"PC-2");
  query_.Open();
  EXPECT_EQ(query_.FieldInteger("count"), 0);
}

TEST_F(ComponentsTest, MergeUpdatesEveryRowOfTheNameAndTheLastValueWins) {
  Run(kCreateUsers);
  for (const char16_t* fio : {u"ИВАНОВ", u"ПЕТРОВ", u"ИВАНОВ"}) InsertFio(fio);
  for (const char16_t* email : {u"a@x", u"b@x"}) {
    command_.SetText(kUpdateEmail);
    command_.Param("FIO").SetText(u"ИВАНОВ");
    command_.Param("EMAIL").SetText(email);
    command_.Execute();
  }
  EXPECT_THAT(Rows(u"SELECT FIO, EMAIL FROM USERS", {"FIO", "EMAIL"}),
              ::testing::ElementsAre("ИВАНОВ|b@x", "ПЕТРОВ|", "ИВАНОВ|b@x"));
}

// The daily run deletes each host's row and inserts it again, into the same record, before the merge
// sets the same address again: the update must see the new row, not what the record held before.
TEST_F(ComponentsTest, UpdateAfterTheRecordWasDeletedAndFilledAgainSeesTheNewRow) {
  Run(kCreateUsers);
  auto update_email = [&](const char16_t* fio) {
    command_.SetText(kUpdateEmail);
    command_.Param("FIO").SetText(fio);
    command_.Param("EMAIL").SetText(u"a@x");
    return command_.Execute();
  };
  InsertFio(u"ИВАНОВ");
  update_email(u"ИВАНОВ");
  command_.SetText(kDeleteHostRows);
  command_.Param("HOST").SetText(u"");
  ASSERT_EQ(command_.Execute(), 1u);
  InsertFio(u"ИВАНОВ");
  EXPECT_EQ(update_email(u"ИВАНОВ"), 1u);
  EXPECT_THAT(Rows(u"SELECT FIO, EMAIL FROM USERS", {"FIO", "EMAIL"}), ElementsAre("ИВАНОВ|a@x"));

  command_.SetText(kDeleteHostRows);
  command_.Param("HOST").SetText(u"");
  ASSERT_EQ(command_.Execute(), 1u);
  InsertFio(u"ПЕТРОВ");
  EXPECT_EQ(update_email(u"ИВАНОВ"), 0u) << "the deleted row's name is out of the index";
  EXPECT_THAT(Rows(u"SELECT FIO, EMAIL FROM USERS", {"FIO", "EMAIL"}), ElementsAre("ПЕТРОВ|"));
}

// Character values compare as dBase compares them: trailing blanks do not count, leading ones do.
struct CompareCase {
  const char16_t* host;
  int rows;  // of the HOST values "PC-12", " PC-12", "" and "PC-12  "
};

void PrintTo(const CompareCase& c, std::ostream* out) { *out << "'" << common::ToUtf8(c.host) << "'"; }

class CompareTest : public ComponentsTest, public ::testing::WithParamInterface<CompareCase> {};

TEST_P(CompareTest, CountAndDeleteFindTheSameRows) {
  Run(kCreateUsers);
  command_.SetText(u"INSERT INTO USERS (HOST) VALUES (:HOST)");
  for (const char16_t* host : {u"PC-12", u" PC-12", u"", u"PC-12  "}) {
    command_.Param("HOST").SetText(host);
    command_.Execute();
  }
  query_.SetText(kCountHostRows);
  query_.Param("HOST").SetText(GetParam().host);
  query_.Open();
  EXPECT_EQ(query_.FieldInteger("COUNT"), GetParam().rows);
  command_.SetText(kDeleteHostRows);
  command_.Param("HOST").SetText(GetParam().host);
  command_.Execute();
  EXPECT_EQ(Rows(u"SELECT HOST FROM USERS", {"HOST"}).size(), size_t{4} - static_cast<size_t>(GetParam().rows));
}

INSTANTIATE_TEST_SUITE_P(Values, CompareTest,
                         ::testing::Values(CompareCase{u"PC-12", 2}, CompareCase{u"PC-12   ", 2},
                                           CompareCase{u" PC-12", 1}, CompareCase{u"", 1}, CompareCase{u"   ", 1},
                                           CompareCase{u"PC-1", 0}));

TEST_F(ComponentsTest, QueryCursorWalksRowsAndStopsAtTheEnd) {
  CreateMexport();
  query_.SetText(kSelectMexport);
  query_.Open();
  EXPECT_TRUE(query_.Eof());
  EXPECT_EQ(query_.FieldText("FIO"), u"");  // empty result: fields read empty
  query_.Close();
  EXPECT_THAT([&] { query_.First(); },
              ThrowsMessage<common::Error>(StrEq("ADOQuery: Cannot perform this operation on a closed dataset")));
}

TEST_F(ComponentsTest, QueryRefusesAStatementWithoutRows) {
  query_.SetText(kDeleteHostRows);
  EXPECT_THAT([&] { query_.Open(); }, ThrowsMessage<common::Error>(StrEq("ADOQuery: The statement returns no rows")));
}

TEST_F(ComponentsTest, StatementErrorsNameTheComponent) {
  command_.SetText(u"DELETE FROM USERS");
  EXPECT_THAT([&] { command_.Execute(); },
              ThrowsMessage<common::Error>(StrEq("ADOCommand: Statement not supported: expected WHERE at the end")));
  command_.SetText(kDropMexport);
  EXPECT_THAT(
      [&] { command_.Execute(); },
      ThrowsMessage<common::Error>(StrEq("ADOCommand: Table MEXPORT not found: there is no file mexport.dbf in \"" +
                                         common::ToUtf8(folder_.Folder()) + "\"")));
  CreateMexport();
  EXPECT_THAT([&] { Run(kCreateMexport); },
              ThrowsMessage<common::Error>(StrEq("ADOCommand: Table MEXPORT already exists")));
  EXPECT_THAT([&] { Run(kCreateMexportIndex); },
              ThrowsMessage<common::Error>(StrEq("ADOCommand: Index FIO_IDX already exists on table MEXPORT")));
  Run(u"CREATE TABLE TEXPORT (FIO VARCHAR(70), TEL VARCHAR(64))");
  EXPECT_NO_THROW(Run(u"CREATE INDEX FIO_IDX ON TEXPORT (FIO)"));  // an index name belongs to its table
  EXPECT_THAT([&] { Run(u"CREATE INDEX X_IDX ON TEXPORT (EMAIL)"); },
              ThrowsMessage<common::Error>(StrEq("ADOCommand: Column 'EMAIL' not found in table TEXPORT")));
  EXPECT_THAT(
      [&] { Run(u"CREATE TABLE T (LONGCOLUMNNAME VARCHAR(5))"); },
      ThrowsMessage<common::Error>(StrEq("ADOCommand: Column name LONGCOLUMNNAME is longer than 10 characters")));
}

TEST_F(ComponentsTest, DroppedTableCanBeCreatedAgainWithItsIndex) {
  CreateMexport();
  table_.SetTableName(kMexportTableName);
  table_.Open();
  table_.Append();
  table_.SetField("FIO", u"A");
  table_.Post();
  table_.Close();
  Run(kDropMexport);
  EXPECT_FALSE(TableExists(testing_support::SystemFiles(), folder_.Folder(), u"mexport.dbf"));
  CreateMexport();
  EXPECT_THAT(Rows(kSelectMexport, {"FIO"}), ::testing::ElementsAre());
}

// Values: what is stored of each kind of parameter text, read back through a fresh connection.
struct ValueCase {
  const char16_t* column;
  ParamKind kind;
  const char16_t* value;
  const char* read_back;
};

void PrintTo(const ValueCase& c, std::ostream* out) {
  *out << common::ToUtf8(c.column) + " " + common::ToUtf8(c.value);
}

class ValueTest : public ComponentsTest, public ::testing::WithParamInterface<ValueCase> {};

TEST_P(ValueTest, StoresAndReadsBack) {
  Run(kCreateUsers);
  const ValueCase& c = GetParam();
  common::Text column = c.column;
  command_.SetText(u"INSERT INTO USERS (" + column + u") VALUES (:" + column + u")");
  Parameter& parameter = command_.Param(common::ToUtf8(column));
  c.kind == ParamKind::kText ? parameter.SetText(c.value) : parameter.SetInteger(c.value);
  command_.Execute();
  EXPECT_THAT(Rows(u"SELECT " + column + u" FROM USERS", {common::ToUtf8(column)}),
              ::testing::ElementsAre(c.read_back));
}

INSTANTIATE_TEST_SUITE_P(
    Values, ValueTest,
    ::testing::Values(ValueCase{u"FIO", ParamKind::kText, u"ЁЖИКОВ Ъ. ЭЮЯ", "ЁЖИКОВ Ъ. ЭЮЯ"},
                      ValueCase{u"FIO", ParamKind::kText, u"  leading blanks stay, trailing go  ",
                                "  leading blanks stay, trailing go"},
                      ValueCase{u"FIO", ParamKind::kText, u"漢字 and 😀 and ü", "?? and ? and ?"},
                      ValueCase{u"HOST", ParamKind::kText,
                                u"0123456789012345678901234567890123456789012345678901234567890123456789-cut",
                                "0123456789012345678901234567890123456789012345678901234567890123456789"},
                      ValueCase{u"FIO", ParamKind::kText, u"", ""},
                      ValueCase{u"SPEED", ParamKind::kInteger, u" 2400 ", "2400"},
                      ValueCase{u"SPEED", ParamKind::kInteger, u"-2147483648", "-2147483648"},
                      ValueCase{u"RAM", ParamKind::kInteger, u"", ""},
                      ValueCase{u"HDD", ParamKind::kText, u"+80", "80"},
                      ValueCase{u"TYPE", ParamKind::kInteger, u" 007 ", "7"}));

TEST_F(ComponentsTest, IntegerTextThatIsNoWholeNumberNamesParameterAndValue) {
  Run(kCreateUsers);
  command_.SetText(u"INSERT INTO USERS (HOST, SPEED) VALUES (:HOST, :SPEED)");
  command_.Param("HOST").SetText(u"PC-1");
  command_.Param("SPEED").SetInteger(u"2.4GHz");
  EXPECT_THAT(
      [&] { command_.Execute(); },
      ThrowsMessage<common::Error>(StrEq("ADOCommand: Parameter 'SPEED' value '2.4GHz' is not a whole number")));
  command_.Param("SPEED").SetInteger(u"99999999999");
  EXPECT_THAT([&] { command_.Execute(); },
              ThrowsMessage<common::Error>(StrEq(
                  "ADOCommand: Parameter 'SPEED' value '99999999999' is out of range (-2147483648 to 2147483647)")));
  command_.Param("SPEED").SetInteger(u"99999999999x");
  EXPECT_THAT(
      [&] { command_.Execute(); },
      ThrowsMessage<common::Error>(StrEq("ADOCommand: Parameter 'SPEED' value '99999999999x' is not a whole number")));
  EXPECT_THAT(Rows(u"SELECT HOST FROM USERS", {"HOST"}), ::testing::ElementsAre());  // nothing half-written
}

TEST_F(ComponentsTest, QueryFieldIntegerOfEmptyIsZero) {
  Run(kCreateUsers);
  InsertFio(u"X");
  query_.SetText(u"SELECT FIO, SPEED FROM USERS");
  query_.Open();
  EXPECT_EQ(query_.FieldInteger("SPEED"), 0);
  EXPECT_THAT([&] { query_.FieldInteger("FIO"); },
              ThrowsMessage<common::Error>(StrEq("ADOQuery: Field 'FIO' value 'X' is not a number")));
}

TEST_F(ComponentsTest, ExecuteReturnsTheRowsAnUpdateOrDeleteMatched) {
  PrepareInventoryDatabase(folder_.Folder(), connection_, command_);
  InsertFio(u"ИВАНОВ ИВАН");
  InsertFio(u"ИВАНОВ ИВАН");
  command_.SetText(kUpdateEmail);
  command_.Param("FIO").SetText(u"ИВАНОВ ИВАН");
  command_.Param("EMAIL").SetText(u"ivanov@eflab.example");
  EXPECT_EQ(command_.Execute(), 2u);
  EXPECT_EQ(command_.Execute(), 2u) << "a row that already holds the value still counts";
  command_.Param("FIO").SetText(u"ПЕТРОВ");
  EXPECT_EQ(command_.Execute(), 0u);
}

TEST_F(ComponentsTest, FlushForcesEachWrittenFileOnceAcrossCloseAndKeepsWhatFailed) {
  std::vector<std::string> calls;
  files_.through_sync = [&](const std::string& what, const std::function<void()>& sync) {
    calls.push_back(what);
    sync();
  };
  PrepareInventoryDatabase(folder_.Folder(), connection_, command_);
  CreateMexport();
  connection_.Close();
  InsertFio(u"ИВАНОВ");
  Run(kDropMexport);  // a dropped table leaves only its folder to flush
  connection_.Flush();
  const std::string folder = "folder " + folder_.path().filename().string();
  EXPECT_THAT(calls, ElementsAre("file users.dbf", folder));
  EXPECT_TRUE(connection_.Connected()) << "flushing leaves the connection as it was";
  calls.clear();
  connection_.Flush();
  EXPECT_THAT(calls, IsEmpty()) << "nothing was written since";

  InsertFio(u"ПЕТРОВ");
  files_.FailNth(testing_support::FaultPoint::kSync, 1, testing_support::FaultCode::kIoError);
  EXPECT_THAT([&] { connection_.Flush(); },
              ThrowsMessage<common::Error>(StrEq(common::ToUtf8(
                  u"ADOConnection: Cannot flush file \"" + folder_.Folder() + u"users.dbf\". " +
                  platform::SystemErrorText(testing_support::SystemCode(testing_support::FaultCode::kIoError))))));
  files_.ClearFault();
  connection_.Flush();
  EXPECT_THAT(calls, ElementsAre("file users.dbf")) << "a file that failed is flushed next time";
}

}  // namespace
}  // namespace store
