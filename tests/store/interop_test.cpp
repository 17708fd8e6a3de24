// Independent dBase readers on tables the engine wrote, and the engine on tables GDAL wrote. Each
// test is skipped when its tool is not installed (scripts/setup.sh --tests installs them).
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "common/error.h"
#include "store/command.h"
#include "store/history.h"
#include "store/inventory_database.h"
#include "store/query.h"
#include "store/statements.h"
#include "store/table.h"
#include "tests/support/child_run.h"
#include "tests/support/dbf_files.h"
#include "tests/support/fixed_clock.h"
#include "tests/support/system_files.h"
#include "tests/support/temp_folder.h"

namespace store {
namespace {

using ::testing::HasSubstr;
using namespace store::testing;
using namespace testing_support;

// Rows as dbfread sees them, detecting the encoding itself from the table: "HOST|FIO|SPEED" lines,
// deleted rows prefixed with "*".
std::string DbfreadRows(const std::filesystem::path& file, const std::string& fields) {
  std::string script =
      "import sys\n"
      "from dbfread import DBF\n"
      "t = DBF(sys.argv[1], load=True)\n"
      "fields = sys.argv[2].split(',')\n"
      "for prefix, rows in (('', t.records), ('*', t.deleted)):\n"
      "    for r in rows:\n"
      "        print(prefix + '|'.join('' if r[f] is None else str(r[f]) for f in fields))\n";
  return testing_support::RunPython(script, {file.string(), fields});
}

class InteropTest : public ::testing::Test {
 protected:
  InteropTest() { connection_.SetConnectionString(kConnectionStringPrefix + folder_.Folder()); }

  void Insert(const char16_t* host, const char16_t* fio, const char16_t* speed) {
    command_.SetText(u"INSERT INTO USERS (HOST, FIO, SPEED, PRINTER) VALUES (:HOST, :FIO, :SPEED, :PRINTER)");
    command_.Param("HOST").SetText(host);
    command_.Param("FIO").SetText(fio);
    command_.Param("SPEED").SetInteger(speed);
    command_.Param("PRINTER").SetText(u"HP LaserJet (\\\\SRV\\hp)", 192);
    command_.Execute();
  }

  void WriteUsers() {
    Command create("ADOCommand", connection_);
    PrepareInventoryDatabase(folder_.Folder(), connection_, create);
    Insert(u"PC-ACC-01", u"ИВАНОВ ИВАН", u"2400");
    Insert(u"PC-OLD-03", u"СИДОРОВ ПЁТР", u"233");
    Insert(u"SRV-01", u"ЁЖИКОВ Ъ. ЭЮЯ", u"");
    command_.SetText(kDeleteHostRows);
    command_.Param("HOST").SetText(u"PC-OLD-03");
    command_.Execute();
    connection_.Close();
  }

  TempFolder folder_;
  Connection connection_{testing_support::SystemFiles(), testing_support::TestClock(), "ADOConnection", "windows-1251"};
  Command command_{"ADOCommand", connection_};
};

TEST_F(InteropTest, DbfreadReadsWhatTheEngineWrote) {
  if (!HaveDebianPythonModule("dbfread")) GTEST_SKIP() << "python3-dbfread is not installed";
  WriteUsers();
  EXPECT_EQ(DbfreadRows(folder_.path() / "users.dbf", "HOST,FIO,SPEED,EMAIL,PRINTER"),
            "PC-ACC-01|ИВАНОВ ИВАН|2400||HP LaserJet (\\\\SRV\\hp)\n"
            "SRV-01|ЁЖИКОВ Ъ. ЭЮЯ|||HP LaserJet (\\\\SRV\\hp)\n"
            "*PC-OLD-03|СИДОРОВ ПЁТР|233||HP LaserJet (\\\\SRV\\hp)\n");
}

TEST_F(InteropTest, DbfreadReadsTheHistoryWithItsDates) {
  if (!HaveDebianPythonModule("dbfread")) GTEST_SKIP() << "python3-dbfread is not installed";
  ChangedRow created{u"PC-1", true, {{"USER", u"", u"u"}, {"FIO", u"", u"ИВАНОВ ИВАН"}}};
  ChangedRow changed{u"PC-2", false, {{"RAM", u"64", u"128"}, {"PRINTER", u"<b>HP</b> & \"x\"", u""}}};
  EXPECT_EQ(RecordHistory(folder_.Folder(), command_, {created, changed}, {u"20260305", u"14:30:15"}), 3u);
  connection_.Close();
  std::string layout = testing_support::RunPython(
      "import sys\nfrom dbfread import DBF\n"
      "print(' '.join('%s:%s%d' % (f.name, f.type, f.length) for f in DBF(sys.argv[1]).fields))\n",
      {(folder_.path() / "history.dbf").string()});
  EXPECT_EQ(layout, "HOST:C70 CHG_DATE:D8 CHG_TIME:C8 FIELD:C10 OLD_VALUE:C192 NEW_VALUE:C192\n");
  EXPECT_EQ(DbfreadRows(folder_.path() / "history.dbf", "HOST,CHG_DATE,CHG_TIME,FIELD,OLD_VALUE,NEW_VALUE"),
            "PC-1|2026-03-05|14:30:15|*CREATED*||ИВАНОВ ИВАН\n"
            "PC-2|2026-03-05|14:30:15|RAM|64|128\n"
            "PC-2|2026-03-05|14:30:15|PRINTER|<b>HP</b> & \"x\"|\n");
}

TEST_F(InteropTest, ADateIsADayWrittenYyyymmdd) {
  ChangedRow changed{u"PC-2", false, {{"RAM", u"64", u"128"}}};
  for (const char16_t* bad : {u"2026-03-05", u"20260230", u"20261301", u"2026035"}) {
    EXPECT_THAT(
        [&] {
          RecordHistory(folder_.Folder(), command_, {changed}, {bad, u"14:30:15"});
        },
        ::testing::ThrowsMessage<common::Error>(::testing::StrEq("ADOCommand: Parameter 'CHG_DATE' value '" +
                                                                 common::ToUtf8(bad) + "' is not a date (YYYYMMDD)")));
  }
  EXPECT_EQ(RecordHistory(folder_.Folder(), command_, {changed}, {u"20240229", u"14:30:15"}), 1u);
}

TEST_F(InteropTest, OgrinfoReadsWhatTheEngineWrote) {
  if (!HaveProgram("ogrinfo")) GTEST_SKIP() << "gdal-bin is not installed";
  WriteUsers();
  int status = 0;
  std::string output = RunCommand("ogrinfo -ro -al '" + (folder_.path() / "users.dbf").string() + "' 2>&1", &status);
  EXPECT_EQ(status, 0) << output;
  // GDAL counts deleted records in its feature count but does not list them.
  EXPECT_THAT(output, HasSubstr("OGRFeature(users):0"));
  EXPECT_THAT(output, ::testing::Not(HasSubstr("OGRFeature(users):1")));
  EXPECT_THAT(output, HasSubstr("FIO (String) = ИВАНОВ ИВАН"));
  EXPECT_THAT(output, HasSubstr("FIO (String) = ЁЖИКОВ Ъ. ЭЮЯ"));
  EXPECT_THAT(output, HasSubstr("SPEED (Integer64) = 2400"));
  EXPECT_THAT(output, HasSubstr("PRINTER: String (192.0)"));
  EXPECT_THAT(output, ::testing::Not(HasSubstr("СИДОРОВ")));
}

TEST_F(InteropTest, EngineChangesATableGdalWroteWithoutDamagingIt) {
  if (!HaveProgram("ogr2ogr")) GTEST_SKIP() << "gdal-bin is not installed";
  if (!HaveDebianPythonModule("dbfread")) GTEST_SKIP() << "python3-dbfread is not installed";
  WriteFile(folder_.path() / "in.csv",
            "HOST,FIO,SPEED\nPC-ACC-01,ИВАНОВ ИВАН,2400\nPC-BUH-02,ПЕТРОВА МАРИЯ,3200\nSRV-01,ЁЖИКОВ,\n");
  WriteFile(folder_.path() / "in.csvt", "String(70),String(70),Real(20.5)\n");
  int status = 0;
  std::string output = RunCommand("cd '" + folder_.path().string() +
                                      "' && ogr2ogr -f 'ESRI Shapefile' -lco ENCODING=LDID/201 users.dbf in.csv 2>&1",
                                  &status);
  ASSERT_EQ(status, 0) << output;

  command_.SetText(u"UPDATE USERS SET SPEED = :SPEED WHERE FIO = :FIO");
  command_.Param("FIO").SetText(u"ПЕТРОВА МАРИЯ");
  command_.Param("SPEED").SetInteger(u"3600");
  command_.Execute();
  command_.SetText(kDeleteHostRows);
  command_.Param("HOST").SetText(u"PC-ACC-01");
  command_.Execute();
  command_.SetText(u"INSERT INTO USERS (HOST, FIO) VALUES (:HOST, :FIO)");
  command_.Param("HOST").SetText(u"PC-NEW");
  command_.Param("FIO").SetText(u"НОВИКОВ");
  command_.Execute();
  command_.Execute();
  connection_.Close();

  EXPECT_EQ(DbfreadRows(folder_.path() / "users.dbf", "HOST,FIO,SPEED"),
            "PC-NEW|НОВИКОВ|\n"
            "PC-BUH-02|ПЕТРОВА МАРИЯ|3600.0\n"
            "SRV-01|ЁЖИКОВ|\n"
            "PC-NEW|НОВИКОВ|\n");
}

}  // namespace
}  // namespace store
