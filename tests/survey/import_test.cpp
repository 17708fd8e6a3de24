// The two imports end to end: workstation files in a real temporary share, the real store in its
// database folder, and USERS read back through a fresh connection.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "store/inventory_database.h"
#include "store/statements.h"
#include "survey/info_import.h"
#include "survey/survey_import.h"
#include "tests/support/table_rows.h"
#include "tests/support/text_cases.h"
#include "tests/survey/survey_testing.h"

namespace survey {
namespace {

using common::Text;
using ::testing::ElementsAre;
using testing::Fails;
using ::testing::IsEmpty;

using Row = std::map<std::string, Text>;

// An info file of `count` lines: FullInfoLines() with `speed` first, then lines that are ignored.
std::string InfoFile(size_t count, const std::string& speed = "2400") {
  std::string text;
  for (size_t i = 0; i < count; ++i) {
    text += (i == 0 ? speed : i < 14 ? common::ToUtf8(testing::FullInfoLines()[i]) : "ignored line") + "\r\n";
  }
  return text;
}

std::string SurveyFile(const std::string& host, const std::string& user = "petrov", const std::string& ip = "10.0.0.9",
                       const std::string& fio = "Петров Пётр", const std::string& tel = "123-45-67, 89") {
  return "\xEF\xBB\xBF" + host + "\r\n" + user + "\r\n" + ip + "\r\n" + fio + "\r\n" + tel + "\r\nБ\r\n2\r\n214\r\n";
}

class ImportTest : public testing::ImportTestBase {
 protected:
  void SetUp() override {
    std::filesystem::create_directory(share_.Native("DB"));
    database_folder_ = share_.Folder() + u"DB/";
    store::PrepareInventoryDatabase(database_folder_, connection_, command_);
  }

  // What the refresh run does with the share: every *.txt through AddData, then every *.nfo through
  // AddInfoData, in name order; the connection is closed at the end.
  void Run() {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(share_.path())) {
      names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    SurveyFolder folder(testing_support::SystemFiles(), share_.Folder(), "windows-1251");
    try {
      for (const std::string& name : names) {
        if (name.ends_with(".txt")) AddData(folder, common::PathToText(name), command_, log_);
      }
      for (const std::string& name : names) {
        if (name.ends_with(".nfo")) AddInfoData(folder, common::PathToText(name), command_, query_, log_);
      }
    } catch (...) {
      connection_.Close();
      throw;
    }
    connection_.Close();
  }

  // Every row of USERS, read through a connection of its own, column by column, ordered by HOST.
  std::vector<Row> Users() {
    std::vector<Row> rows;
    for (const std::string& line : TableRows(database_folder_, "USERS", UsersColumns())) {
      Row& row = rows.emplace_back();
      size_t at = 0;
      for (const std::string& column : UsersColumns()) {
        const size_t end = std::min(line.find('|', at), line.size());
        row[column] = common::FromUtf8(line.substr(at, end - at));
        at = end + 1;
      }
    }
    return rows;
  }

  Row OnlyRow() {
    std::vector<Row> rows = Users();
    if (rows.size() != 1) throw std::runtime_error("expected one row, found " + std::to_string(rows.size()));
    return rows.front();
  }

  Text database_folder_;
};

// ---- Survey import.

TEST_F(ImportTest, SurveyWithInfoFileFillsTwentyColumns) {
  share_.Write("PC-12.nfo", InfoFile(14));
  share_.Write("PC-12.txt", SurveyFile("pc-12"));
  Run();
  EXPECT_EQ(OnlyRow(), (Row{{"HOST", u"PC-12"},
                            {"USER", u"petrov"},
                            {"IP", u"10.0.0.9"},
                            {"FIO", u"ПЕТРОВ ПЁТР"},
                            {"TEL", u"123-45-67"},
                            {"ZDAN", u"Б"},
                            {"ETAJ", u"2"},
                            {"KAB", u"214"},
                            {"EMAIL", u""},
                            {"TEL2", u""},
                            {"SPEED", u"2400"},
                            {"RAM", u"1024"},
                            {"TYPE", u"x86 Family 6"},
                            {"CPU", u"Intel(R) Core(TM)2"},
                            {"HDD", u"80000"},
                            {"OS", u"Windows XP"},
                            {"OSVER", u"5.1"},
                            {"W9XVER", u""},
                            {"OSBUILD", u"2600"},
                            {"OSID", u"Service Pack 3"},
                            {"BIOS", u"AMI 08.00.15"},
                            {"PRINTER", u"HP LaserJet 1018"}}));
}

TEST_F(ImportTest, SurveyWithoutInfoFileTakesTheDefaults) {
  share_.Write("PC-1.txt", SurveyFile("PC-1", "", ""));
  Run();
  Row row = OnlyRow();
  for (const char* column : {"SPEED", "RAM", "HDD"}) EXPECT_EQ(row[column], u"0") << column;
  for (const char* column :
       {"USER", "IP", "TYPE", "CPU", "OS", "OSVER", "W9XVER", "OSBUILD", "OSID", "BIOS", "PRINTER"}) {
    EXPECT_EQ(row[column], u"") << column;
  }
}

TEST_F(ImportTest, ThreeSpacesInUserAndAddressLines) {
  share_.Write("PC-1.nfo", InfoFile(14));
  share_.Write("PC-1.txt", SurveyFile("PC-1", "   ", "   "));
  Run();
  Row row = OnlyRow();
  EXPECT_EQ(row["USER"], u"ivanov");  // blank: taken from the info file
  // Not empty, so the info file's 10.0.0.5 is not taken: the three spaces are stored, and a dBase
  // text column, padded with blanks, reads them back as the empty text.
  EXPECT_EQ(row["IP"], u"");
}

TEST_F(ImportTest, HostIsUpperCasedWithBlanksKept) {
  share_.Write("whatever.txt", SurveyFile(" pc-12 "));
  Run();
  // The leading blank stays; trailing blanks are the column's padding and do not read back.
  EXPECT_EQ(OnlyRow()["HOST"], u" PC-12");
  // The next run's removal finds the row by the same untrimmed name, so one row remains.
  share_.Write("whatever.txt", SurveyFile(" pc-12 ", "again"));
  Run();
  EXPECT_EQ(OnlyRow()["USER"], u"again");
}

TEST_F(ImportTest, TwelveLineInfoFileGivesNoAddressOrPrinter) {
  share_.Write("PC-1.nfo", InfoFile(12));
  share_.Write("PC-1.txt", SurveyFile("PC-1", "", ""));
  Run();
  Row row = OnlyRow();
  EXPECT_EQ(row["USER"], u"ivanov");
  EXPECT_EQ(row["IP"], u"");
  EXPECT_EQ(row["PRINTER"], u"");
}

TEST_F(ImportTest, LaterSurveyFileOfTheSameHostWins) {
  share_.Write("a.txt", SurveyFile("pc-7", "first"));
  share_.Write("b.txt", SurveyFile("PC-7", "second"));
  Run();
  Row row = OnlyRow();
  EXPECT_EQ(row["HOST"], u"PC-7");
  EXPECT_EQ(row["USER"], u"second");
}

TEST_F(ImportTest, SameSurveyInTwoRunsLeavesOneRow) {
  share_.Write("PC-1.nfo", InfoFile(14));
  share_.Write("PC-1.txt", SurveyFile("PC-1"));
  Run();
  Row first = OnlyRow();
  Run();
  EXPECT_EQ(OnlyRow(), first);
}

TEST_F(ImportTest, PlaceholderRowIsReplacedByALaterSurvey) {
  share_.Write("PC-1.nfo", InfoFile(14));
  Run();
  EXPECT_EQ(OnlyRow()["FIO"], u"АНКЕТА НЕ ЗАПОЛНЕНА");
  share_.Write("PC-1.txt", SurveyFile("PC-1"));
  Run();
  Row row = OnlyRow();
  EXPECT_EQ(row["FIO"], u"ПЕТРОВ ПЁТР");
  EXPECT_EQ(row["USER"], u"petrov");
}

// ---- Info-only import.

TEST_F(ImportTest, InfoOnlyHostIsInsertedOnceAndNeverRefreshed) {
  share_.Write("pc-3.nfo", InfoFile(14));
  Run();
  EXPECT_THAT(log_.lines, ElementsAre(u"PC-3"));
  Row first = OnlyRow();
  EXPECT_EQ(first["FIO"], u"АНКЕТА НЕ ЗАПОЛНЕНА");
  EXPECT_EQ(first["TEL"], u"");
  EXPECT_EQ(first["SPEED"], u"2400");

  share_.Write("pc-3.nfo", InfoFile(14, "3000"));
  log_.lines.clear();
  Run();
  EXPECT_THAT(log_.lines, IsEmpty());
  EXPECT_EQ(OnlyRow(), first);
}

TEST_F(ImportTest, InfoFileWithoutAHostNameWritesNothingInAnyRun) {
  // ".nfo" names no host; a row without a host could never be found again, so every run would add
  // one more.
  share_.Write(".nfo", InfoFile(14));
  Run();
  Run();
  EXPECT_THAT(log_.lines, IsEmpty());
  EXPECT_THAT(Users(), IsEmpty());
}

// A host of blanks is stored as a blank field; each run must find that row again, not add another.
struct BlankHostCase {
  const char* name;
  std::string file;
  std::string bytes;
  Text fio;
};

void PrintTo(const BlankHostCase& c, std::ostream* out) { *out << c.name; }

class BlankHostTest : public ImportTest, public ::testing::WithParamInterface<BlankHostCase> {};

TEST_P(BlankHostTest, ThreeRunsLeaveOneRow) {
  share_.Write(GetParam().file, GetParam().bytes);
  for (int run = 0; run < 3; ++run) Run();
  Row row = OnlyRow();
  EXPECT_EQ(row["HOST"], u"");
  EXPECT_EQ(row["FIO"], GetParam().fio);
}

INSTANTIATE_TEST_SUITE_P(
    Files, BlankHostTest,
    ::testing::Values(BlankHostCase{"EmptySurveyLine", "PC-1.txt", SurveyFile(""), u"ПЕТРОВ ПЁТР"},
                      BlankHostCase{"BlankSurveyLine", "PC-1.txt", SurveyFile("   "), u"ПЕТРОВ ПЁТР"},
                      BlankHostCase{"InfoFileNamedBlank", " .nfo", InfoFile(14), u"АНКЕТА НЕ ЗАПОЛНЕНА"}),
    testing_support::CaseName);

TEST_F(ImportTest, InfoFileOfAHostWithASurveyRowWritesNothing) {
  share_.Write("PC-1.txt", SurveyFile("pc-1"));
  share_.Write("pc-1.nfo", InfoFile(14, "3000"));
  Run();
  EXPECT_THAT(log_.lines, ElementsAre(share_.Folder() + u"PC-1.txt"));
  Row row = OnlyRow();
  EXPECT_EQ(row["FIO"], u"ПЕТРОВ ПЁТР");
  // pc-1.nfo is not the companion of PC-1.txt on a file system that tells case apart: the survey row
  // takes the default info lines, and the info-only import finds PC-1 and leaves it alone. Where case
  // does not count (Windows), it is the companion.
  const bool case_blind = std::filesystem::exists(share_.Native("PC-1.NFO"));
  EXPECT_EQ(row["SPEED"], case_blind ? u"3000" : u"0");
}

struct ShortInfoCase {
  const char* name;
  std::string file;
  size_t lines;
  Text user, ip, printer;
};

class ShortInfoFileTest : public ImportTest, public ::testing::WithParamInterface<ShortInfoCase> {};

TEST_P(ShortInfoFileTest, CompletesUserAddressAndPrinter) {
  share_.Write(GetParam().file, InfoFile(GetParam().lines));
  Run();
  Row row = OnlyRow();
  EXPECT_EQ(row["USER"], GetParam().user);
  EXPECT_EQ(row["IP"], GetParam().ip);
  EXPECT_EQ(row["PRINTER"], GetParam().printer);
}

INSTANTIATE_TEST_SUITE_P(
    Lines, ShortInfoFileTest,
    ::testing::Values(
        ShortInfoCase{"ElevenResolvable", "localhost.nfo", 11, u"", u"127.0.0.1", u""},
        ShortInfoCase{"ElevenUnresolvable", "pc-1.invalid.nfo", 11, u"", u"", u""},
        ShortInfoCase{"TwelveResolvable", "localhost.nfo", 12, u"ivanov", u"127.0.0.1", u""},
        ShortInfoCase{"TwelveUnresolvable", "pc-1.invalid.nfo", 12, u"ivanov", u"", u""},
        ShortInfoCase{"ThirteenNoLookUp", "localhost.nfo", 13, u"ivanov", u"10.0.0.5", u""},
        ShortInfoCase{"FourteenNoLookUp", "localhost.nfo", 14, u"ivanov", u"10.0.0.5", u"HP LaserJet 1018"},
        ShortInfoCase{"FifteenLineIgnored", "localhost.nfo", 15, u"ivanov", u"10.0.0.5", u"HP LaserJet 1018"}),
    testing_support::CaseName);

TEST_F(ImportTest, TenLineInfoFileOfANewHostLogsThenFails) {
  share_.Write("pc-5.nfo", InfoFile(10));
  EXPECT_THAT([&] { Run(); }, Fails(u"List index out of bounds (11)"));
  EXPECT_THAT(log_.lines, ElementsAre(u"PC-5"));
  EXPECT_THAT(Users(), IsEmpty());
}

TEST_F(ImportTest, LogShowsSurveyPathsThenNewInfoHosts) {
  share_.Write("PC-1.txt", SurveyFile("PC-1"));
  share_.Write("PC-2.txt", SurveyFile("PC-2"));
  share_.Write("PC-2.nfo", InfoFile(14));
  share_.Write("pc-3.nfo", InfoFile(14));
  Run();
  EXPECT_THAT(log_.lines, ElementsAre(share_.Folder() + u"PC-1.txt", share_.Folder() + u"PC-2.txt", u"PC-3"));
  EXPECT_EQ(Users().size(), 3u);
}

// ---- A bad survey file, or a bad companion, leaves the host's previous row in place.

TEST_F(ImportTest, BadFileLeavesTheHostsPreviousRow) {
  share_.Write("PC-1.nfo", InfoFile(14));
  share_.Write("PC-1.txt", SurveyFile("PC-1"));
  Run();
  const Row good = OnlyRow();
  const struct {
    const char* file;
    std::string bytes;
    Text message;
  } bad[] = {
      {"PC-1.txt", "PC-1\r\nu\r\nip\r\nFIO\r\ntel\r\n", u"List index out of bounds (5)"},
      {"PC-1.nfo", InfoFile(10), u"List index out of bounds (13)"},
      {"PC-1.nfo", InfoFile(14, "2.4GHz"), u"ADOCommand: Parameter 'SPEED' value '2.4GHz' is not a whole number"}};
  for (const auto& [file, bytes, message] : bad) {
    SCOPED_TRACE(common::ToUtf8(message));
    share_.Write("PC-1.nfo", InfoFile(14));
    share_.Write("PC-1.txt", SurveyFile("PC-1"));
    share_.Write(file, bytes);
    EXPECT_THAT([&] { Run(); }, Fails(message));
    EXPECT_EQ(OnlyRow(), good);
  }
}

// The importer refuses a bad integer with the very message the store gives when it meets one.
TEST_F(ImportTest, StoreRefusesABadIntegerWithTheSameMessage) {
  share_.Write("pc-9.nfo", InfoFile(14, "2.4GHz"));
  EXPECT_THAT([&] { Run(); }, Fails(u"ADOCommand: Parameter 'SPEED' value '2.4GHz' is not a whole number"));
  EXPECT_THAT(Users(), IsEmpty());
}

}  // namespace
}  // namespace survey
