// The bytes the engine leaves on disk, and tables written byte by byte as other programs write them.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "common/error.h"
#include "store/command.h"
#include "store/database.h"
#include "store/inventory_database.h"
#include "store/query.h"
#include "store/statements.h"
#include "tests/support/dbf_files.h"
#include "tests/support/fixed_clock.h"
#include "tests/support/system_files.h"
#include "tests/support/table_rows.h"
#include "tests/support/temp_folder.h"

namespace store {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::StrEq;
using ::testing::ThrowsMessage;
using namespace store::testing;
using testing_support::TempFolder;

class DbfBytesTest : public ::testing::Test {
 protected:
  DbfBytesTest() { connection_.SetConnectionString(kConnectionStringPrefix + folder_.Folder()); }

  void Run(const common::Text& text, const std::vector<std::pair<std::string, common::Text>>& values = {}) {
    command_.SetText(text);
    for (const auto& [name, value] : values) command_.Param(name).SetText(value);
    command_.Execute();
  }

  std::filesystem::path File(const char* name) const { return folder_.path() / name; }

  TempFolder folder_;
  Connection connection_{testing_support::SystemFiles(), testing_support::TestClock(), "ADOConnection", "windows-1251"};
  Command command_{"ADOCommand", connection_};
};

TEST_F(DbfBytesTest, NewTableHeaderAndDescriptors) {
  Run(kCreateMexport);
  std::string bytes = ReadBytes(File("mexport.dbf"));
  ASSERT_EQ(bytes.size(), 32u + 2 * 32 + 1 + 1);
  EXPECT_EQ(bytes[0], '\x03');
  // The date of last update is the connection's clock's: 2024-03-15, the year counted from 1900.
  EXPECT_EQ(bytes.substr(1, 3), "\x7C\x03\x0F");
  EXPECT_EQ(Le32(bytes, 4), 0u);
  EXPECT_EQ(Le16(bytes, 8), 97);
  EXPECT_EQ(Le16(bytes, 10), 1 + 70 + 64);
  EXPECT_EQ(bytes[28], '\0');
  EXPECT_EQ(static_cast<unsigned char>(bytes[29]), 0xC9);
  EXPECT_EQ(bytes.substr(32, 11), std::string("FIO\0\0\0\0\0\0\0\0", 11));
  EXPECT_EQ(bytes[32 + 11], 'C');
  EXPECT_EQ(bytes[32 + 16], 70);
  EXPECT_EQ(bytes[32 + 17], 0);
  EXPECT_EQ(bytes.substr(64, 11), std::string("EMAIL\0\0\0\0\0\0", 11));
  EXPECT_EQ(bytes[64 + 16], 64);
  EXPECT_EQ(bytes[96], '\x0D');
  EXPECT_EQ(bytes[97], '\x1A');
  for (size_t i : {12, 13, 14, 15, 16, 20, 27, 30, 31}) EXPECT_EQ(bytes[i], '\0') << i;
}

TEST_F(DbfBytesTest, UsersIntegerColumnsAreNumeric11AndRecordsArePadded) {
  Run(kCreateUsers);
  command_.SetText(u"INSERT INTO USERS (HOST, FIO, SPEED) VALUES (:HOST, :FIO, :SPEED)");
  command_.Param("HOST").SetText(u"PC-1");
  command_.Param("FIO").SetText(u"Ёж");
  command_.Param("SPEED").SetInteger(u"2400");
  command_.Execute();
  std::string bytes = ReadBytes(File("users.dbf"));
  EXPECT_EQ(Le16(bytes, 8), 737);
  EXPECT_EQ(Le16(bytes, 10), 1486);
  EXPECT_EQ(Le32(bytes, 4), 1u);
  ASSERT_EQ(bytes.size(), 737u + 1486 + 1);
  size_t speed = 32 + 32 * 10;  // the eleventh descriptor
  EXPECT_EQ(bytes.substr(speed, 6), std::string("SPEED\0", 6));
  EXPECT_EQ(bytes[speed + 11], 'N');
  EXPECT_EQ(bytes[speed + 16], 11);
  EXPECT_EQ(bytes[speed + 17], 0);
  EXPECT_EQ(bytes[32 + 32 * 21 + 16], static_cast<char>(192));
  std::string record = bytes.substr(737, 1486);
  EXPECT_EQ(record[0], ' ');
  EXPECT_EQ(record.substr(1, 70), Pad("PC-1", 70));
  EXPECT_EQ(record.substr(1 + 3 * 70, 70), Pad("\xA8\xE6", 70));  // "Ёж" in windows-1251
  EXPECT_EQ(record.substr(1 + 10 * 70, 11), "       2400");
  EXPECT_EQ(record.substr(1 + 10 * 70 + 11, 11), std::string(11, ' '));  // RAM not given: blank
  EXPECT_EQ(bytes.back(), '\x1A');
}

TEST_F(DbfBytesTest, DeletedRecordsAreReusedSoTheFileDoesNotGrow) {
  Run(kCreateUsers);
  for (int run = 0; run < 3; ++run) {
    for (const char16_t* host : {u"PC-1", u"PC-2"}) {
      Run(kDeleteHostRows, {{"HOST", host}});
      Run(u"INSERT INTO USERS (HOST) VALUES (:HOST)", {{"HOST", host}});
    }
  }
  std::string bytes = ReadBytes(File("users.dbf"));
  EXPECT_EQ(Le32(bytes, 4), 2u);
  EXPECT_EQ(bytes.size(), 737u + 2 * 1486 + 1);
  EXPECT_EQ(bytes[737], ' ');
  EXPECT_EQ(bytes[737 + 1486], ' ');
}

TEST_F(DbfBytesTest, TableFilesAreFoundWhateverTheirCase) {
  testing_support::WriteFile(
      File("MEXPORT.DBF"), MakeDbf({{"FIO", 'C', 10}, {"EMAIL", 'C', 8}}, {{Pad("ИВАНОВ", 10), Pad("a@b", 8)}}, 0xC9));
  // The test wrote UTF-8; stored bytes are what they are, read back in the table's code page.
  EXPECT_TRUE(TableExists(testing_support::SystemFiles(), folder_.Folder(), u"mexport.dbf"));
  EXPECT_THAT(ReadRows(folder_.Folder(), kSelectMexport, {"EMAIL"}), ElementsAre("a@b"));
  Run(kDropMexport);
  EXPECT_FALSE(std::filesystem::exists(File("MEXPORT.DBF")));
}

TEST_F(DbfBytesTest, ForeignTableWithWideDecimalNumbersOpensAndKeepsUntouchedBytes) {
  // As a tool writing Real(20.5) numbers lays it out; one deleted row.
  std::vector<FieldSpec> fields = {{"HOST", 'C', 70}, {"FIO", 'C', 70}, {"SPEED", 'N', 20, 5}};
  std::string before = MakeDbf(fields,
                               {{Pad("PC-1", 70), Pad("\xC8\xC2\xC0\xCD\xCE\xC2", 70), PadLeft("2400.00000", 20)},
                                {Pad("PC-2", 70), Pad("", 70), PadLeft("", 20)},
                                {Pad("PC-3", 70), Pad("X", 70), PadLeft("1234.50000", 20)}},
                               0xC9, {1});
  testing_support::WriteFile(File("users.dbf"), before);
  EXPECT_THAT(ReadRows(folder_.Folder(), u"SELECT HOST, FIO, SPEED FROM USERS", {"HOST", "FIO", "SPEED"}),
              ElementsAre("PC-1|ИВАНОВ|2400", "PC-3|X|1234.5"));

  Run(u"UPDATE USERS SET SPEED = :SPEED WHERE HOST = :HOST", {{"HOST", u"PC-3"}, {"SPEED", u"-17"}});
  Run(u"INSERT INTO USERS (HOST, SPEED) VALUES (:HOST, :SPEED)", {{"HOST", u"PC-4"}, {"SPEED", u"3200"}});
  std::string after = ReadBytes(File("users.dbf"));
  size_t header = 32 + 3 * 32 + 1, record = 161;
  ASSERT_EQ(after.size(), before.size());                        // the deleted record was reused
  EXPECT_EQ(after.substr(0, header), before.substr(0, header));  // header untouched: count was true
  EXPECT_EQ(after.substr(header, record), before.substr(header, record));
  EXPECT_EQ(after.substr(header + record, record), " " + Pad("PC-4", 70) + Pad("", 70) + PadLeft("3200.00000", 20));
  EXPECT_EQ(after.substr(header + 2 * record + 141, 20), PadLeft("-17.00000", 20));
  EXPECT_EQ(after.substr(header + 2 * record, 141), before.substr(header + 2 * record, 141));
}

TEST_F(DbfBytesTest, CodePageComesFromTheLanguageDriverByte) {
  // "Ёж" in cp866 is F0 A6; the table says cp866 (0x26), so that is how it reads and is written.
  testing_support::WriteFile(File("mexport.dbf"),
                             MakeDbf({{"FIO", 'C', 4}, {"EMAIL", 'C', 4}}, {{Pad("\xF0\xA6", 4), Pad("", 4)}}, 0x26));
  EXPECT_THAT(ReadRows(folder_.Folder(), kSelectMexport, {"FIO"}), ElementsAre("Ёж"));
  Run(u"UPDATE MEXPORT SET EMAIL = :EMAIL WHERE FIO = :FIO", {{"FIO", u"Ёж"}, {"EMAIL", u"Юя"}});
  std::string bytes = ReadBytes(File("mexport.dbf"));
  EXPECT_EQ(bytes.substr(32 + 64 + 1 + 1 + 4, 4), Pad("\x9E\xEF", 4));
  EXPECT_EQ(static_cast<unsigned char>(bytes[29]), 0x26);
}

TEST_F(DbfBytesTest, LanguageDriverZeroUsesTheConfiguredCodePage) {
  // Tools that rewrite a table often clear byte 29; the build's default is windows-1251.
  testing_support::WriteFile(File("mexport.dbf"),
                             MakeDbf({{"FIO", 'C', 4}, {"EMAIL", 'C', 4}}, {{Pad("\xA8\xE6", 4), Pad("", 4)}}, 0));
  EXPECT_THAT(ReadRows(folder_.Folder(), kSelectMexport, {"FIO"}), ElementsAre("Ёж"));
}

TEST_F(DbfBytesTest, HeaderCountAboveTheDataIsReconciledAndRepairedOnWrite) {
  std::string bytes =
      MakeDbf({{"FIO", 'C', 4}, {"EMAIL", 'C', 4}}, {{Pad("A", 4), Pad("", 4)}, {Pad("B", 4), Pad("", 4)}});
  PutLe32(bytes, 4, 5);
  bytes[28] = 1;  // claims an index file that is not there
  testing_support::WriteFile(File("mexport.dbf"), bytes);
  EXPECT_THAT(ReadRows(folder_.Folder(), kSelectMexport, {"FIO"}), ElementsAre("A", "B"));
  Run(u"INSERT INTO MEXPORT (FIO) VALUES (:FIO)", {{"FIO", u"C"}});
  std::string after = ReadBytes(File("mexport.dbf"));
  EXPECT_EQ(Le32(after, 4), 3u);
  EXPECT_EQ(after[28], '\0');
  EXPECT_EQ(after.size(), 32u + 64 + 1 + 3 * 9 + 1);
  EXPECT_THAT(ReadRows(folder_.Folder(), kSelectMexport, {"FIO"}), ElementsAre("A", "B", "C"));
}

// Past a count of one: a deleted record, a live one, another deleted one. All are counted, and an
// insert takes the lowest deleted record's place.
TEST_F(DbfBytesTest, RecordsPastALowCountAreCountedAndTheLowestDeletedIsReused) {
  std::string bytes = MakeDbf(
      {{"FIO", 'C', 4}, {"EMAIL", 'C', 4}},
      {{Pad("A", 4), Pad("", 4)}, {Pad("B", 4), Pad("", 4)}, {Pad("C", 4), Pad("", 4)}, {Pad("D", 4), Pad("", 4)}},
      0xC9, {1, 3});
  PutLe32(bytes, 4, 1);
  testing_support::WriteFile(File("mexport.dbf"), bytes);
  EXPECT_THAT(ReadRows(folder_.Folder(), kSelectMexport, {"FIO"}), ElementsAre("A", "C"));
  Run(u"INSERT INTO MEXPORT (FIO) VALUES (:FIO)", {{"FIO", u"E"}});
  bytes = ReadBytes(File("mexport.dbf"));
  const size_t header = 32 + 2 * 32 + 1, record = 1 + 4 + 4;
  EXPECT_EQ(Le32(bytes, 4), 4u);
  EXPECT_EQ(bytes.substr(header + record, record), " E       ");
  EXPECT_EQ(bytes.substr(header + 3 * record, record), "*D       ");
}

TEST_F(DbfBytesTest, TruncatedLastRecordIsLeftOutAndOverwrittenByTheNextInsert) {
  std::string bytes =
      MakeDbf({{"FIO", 'C', 4}, {"EMAIL", 'C', 4}}, {{Pad("A", 4), Pad("", 4)}, {Pad("B", 4), Pad("", 4)}});
  bytes.resize(bytes.size() - 6);
  testing_support::WriteFile(File("mexport.dbf"), bytes);
  EXPECT_THAT(ReadRows(folder_.Folder(), kSelectMexport, {"FIO"}), ElementsAre("A"));
  Run(u"INSERT INTO MEXPORT (FIO) VALUES (:FIO)", {{"FIO", u"C"}});
  EXPECT_THAT(ReadRows(folder_.Folder(), kSelectMexport, {"FIO"}), ElementsAre("A", "C"));
  EXPECT_EQ(ReadBytes(File("mexport.dbf")).size(), 32u + 64 + 1 + 2 * 9 + 1);
}

TEST_F(DbfBytesTest, ATableWithADBaseIndexFileIsNotChanged) {
  testing_support::WriteFile(File("mexport.dbf"), MakeDbf({{"FIO", 'C', 4}, {"EMAIL", 'C', 4}}, {}));
  testing_support::WriteFile(File("MEXPORT.MDX"), "index");
  EXPECT_THAT(
      [&] {
        Run(u"INSERT INTO MEXPORT (FIO) VALUES (:FIO)", {{"FIO", u"C"}});
      },
      ThrowsMessage<common::Error>(StrEq("ADOCommand: Table MEXPORT has a dBase index file (MEXPORT.MDX) that "
                                         "this program cannot keep up to date; the table is not changed")));
  EXPECT_EQ(ReadBytes(File("mexport.dbf")).size(), 32u + 64 + 1 + 1);
}

TEST_F(DbfBytesTest, AFileChangedByAnotherProgramIsReadAgain) {
  Run(kCreateMexport);
  Run(u"INSERT INTO MEXPORT (FIO) VALUES (:FIO)", {{"FIO", u"A"}});
  EXPECT_THAT(ReadRows(folder_.Folder(), kSelectMexport, {"FIO"}), ElementsAre("A"));
  // Between two runs (the connection closes at the end of each), another program replaces the
  // table with one of another layout.
  connection_.Close();
  testing_support::WriteFile(File("mexport.dbf"),
                             MakeDbf({{"EMAIL", 'C', 3}, {"FIO", 'C', 5}}, {{Pad("e", 3), Pad("B", 5)}}));
  EXPECT_THAT(ReadRows(folder_.Folder(), kSelectMexport, {"FIO", "EMAIL"}), ElementsAre("B|e"));
  Run(u"UPDATE MEXPORT SET EMAIL = :EMAIL WHERE FIO = :FIO", {{"FIO", u"B"}, {"EMAIL", u"xyz"}});
  EXPECT_THAT(ReadRows(folder_.Folder(), kSelectMexport, {"FIO", "EMAIL"}), ElementsAre("B|xyz"));
}

// Damaged headers: a clear error naming the file, never shifted values.
struct DamageCase {
  const char* name;
  void (*damage)(std::string& bytes);
  const char* reason;
};

void PrintTo(const DamageCase& c, std::ostream* out) { *out << c.name; }

class DamagedHeaderTest : public DbfBytesTest, public ::testing::WithParamInterface<DamageCase> {};

TEST_P(DamagedHeaderTest, IsAClearError) {
  std::string bytes =
      MakeDbf({{"FIO", 'C', 4}, {"EMAIL", 'C', 4}}, {{Pad("A", 4), Pad("a", 4)}, {Pad("B", 4), Pad("b", 4)}});
  GetParam().damage(bytes);
  testing_support::WriteFile(File("mexport.dbf"), bytes);
  std::string path = (folder_.path() / "mexport.dbf").string();
  EXPECT_THAT(
      [&] { ReadRows(folder_.Folder(), kSelectMexport, {"FIO"}); },
      ThrowsMessage<common::Error>(StrEq("ADOQuery: Table file \"" + path + "\" is damaged: " + GetParam().reason)));
}

INSTANTIATE_TEST_SUITE_P(
    Headers, DamagedHeaderTest,
    ::testing::Values(
        DamageCase{"HeaderLengthPlusOne", [](std::string& b) { PutLe16(b, 8, 98); },
                   "the first record does not start at the stated header length of 98 bytes"},
        DamageCase{"HeaderLengthMinus32", [](std::string& b) { PutLe16(b, 8, 65); },
                   "the header has no 0x0D terminator within its stated length of 65 bytes"},
        DamageCase{"HeaderLengthCutsADescriptor", [](std::string& b) { PutLe16(b, 8, 80); },
                   "the field descriptors run past the stated header length of 80 bytes"},
        DamageCase{"RecordLengthWrong", [](std::string& b) { PutLe16(b, 10, 10); },
                   "the record length 10 does not match the field widths (1 + 8)"},
        DamageCase{"NoTerminator", [](std::string& b) { b[96] = 'X'; },
                   "the header has no 0x0D terminator within its stated length of 97 bytes"},
        DamageCase{"ShorterThanAHeader", [](std::string& b) { b.resize(20); },
                   "the file is shorter than a table header"},
        DamageCase{"EndsInsideTheHeader", [](std::string& b) { b.resize(70); }, "the file ends inside the header"},
        DamageCase{"BadFlagInSecondRecord", [](std::string& b) { b[97 + 9] = 'X'; },
                   "record 2 has no valid deletion flag"},
        DamageCase{"Level7", [](std::string& b) { b[0] = 0x04; }, "dBase level 7 tables are not supported"}),
    [](const ::testing::TestParamInfo<DamageCase>& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace store
