// The inventory report over a share and tables built here: the page as a real browser reads it
// (Debian's chromium, headless), the CSV files beside it byte for byte, and the program's exits.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <stdlib.h>
#include <time.h>

#include <array>
#include <chrono>
#include <filesystem>
#include <map>
#include <regex>
#include <string>
#include <vector>

#include "common/error.h"
#include "platform/file_system.h"
#include "platform/system_error.h"
#include "report/inventory_report.h"
#include "report/report_page.h"
#include "store/command.h"
#include "store/connection.h"
#include "store/inventory_database.h"
#include "store/statements.h"
#include "tests/support/child_run.h"
#include "tests/support/dbf_files.h"
#include "tests/support/fault_file_system.h"
#include "tests/support/fixed_clock.h"
#include "tests/support/system_files.h"
#include "tests/support/temp_folder.h"

namespace report {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;
using ::testing::ThrowsMessage;

namespace fs = std::filesystem;
using Columns = std::map<std::string, std::string>;  // column, UTF-8 value

constexpr int64_t kNow = 1769860800;  // 2026-01-31 12:00 UTC
constexpr int64_t kDay = 86400;

std::string Read(const fs::path& path) { return store::testing::ReadBytes(path); }

class ReportTest : public ::testing::Test {
 protected:
  ReportTest() {
#ifdef _WIN32
    _putenv("TZ=UTC0");
    _tzset();
#else
    setenv("TZ", "UTC", 1);
    tzset();
#endif
    fs::create_directories(database());
    fs::create_directory(out());
  }

  fs::path share() const { return folder_.path() / "share"; }
  fs::path database() const { return share() / "DB"; }
  fs::path out() const { return folder_.path() / "out"; }
  static common::Text Folder(const fs::path& path) { return platform::FsPathToText(path / ""); }

  void File(const std::string& name, int64_t age_seconds) {
    fs::path path = share() / name;
    testing_support::WriteFile(path, "x");
    auto when = std::chrono::system_clock::time_point(std::chrono::seconds(kNow - age_seconds));
    fs::last_write_time(path, std::chrono::file_clock::from_sys(when));
  }

  // One row through a fixed statement text built from the column names given; values are bound.
  void Insert(store::Command& command, const std::string& table, const Columns& values) {
    std::string columns, parameters;
    for (const auto& [column, value] : values) {
      columns += (columns.empty() ? "" : ", ") + column;
      parameters += (parameters.empty() ? ":" : ", :") + column;
    }
    command.SetText(common::FromUtf8("INSERT INTO " + table + " (" + columns + ") VALUES (" + parameters + ")"));
    for (const auto& [column, value] : values) {
      bool integer = column == "SPEED" || column == "RAM" || column == "HDD";
      if (integer) {
        command.Param(column).SetInteger(common::FromUtf8(value));
      } else {
        command.Param(column).SetText(common::FromUtf8(value));
      }
    }
    command.Execute();
  }

  // A workstation row with a machine's facts, `changes` replacing or adding values.
  void Workstation(store::Command& command, Columns changes) {
    Columns row = {{"SPEED", "2400"},
                   {"TYPE", "GenuineIntel"},
                   {"RAM", "4096"},
                   {"CPU", "Intel Core i5"},
                   {"HDD", "500000"},
                   {"OS", "Windows 10 Pro"},
                   {"OSVER", "10.0"},
                   {"BIOS", "AMI 1.2"},
                   {"PRINTER", "HP LaserJet 1020"},
                   {"ZDAN", "Корпус 1"},
                   {"ETAJ", "2"}};
    for (const auto& [column, value] : changes) row[column] = value;
    Insert(command, "USERS", row);
  }

  // The share every test looks at: each list holds what it should, and two values are hostile.
  void BuildShare() {
    common::Text db = Folder(database());
    store::Connection connection{testing_support::SystemFiles(), testing_support::TestClock(), "ADOConnection",
                                 "windows-1251"};
    connection.SetConnectionString(store::kConnectionStringPrefix + db);
    store::Command command("ADOCommand", connection);
    store::PrepareInventoryDatabase(db, connection, command);
    for (const char16_t* statement : {store::kCreateMexport, store::kCreateTexport}) {
      command.SetText(statement);
      command.Execute();
    }
    Workstation(command, {{"HOST", "PC-01"},
                          {"IP", "10.0.0.1"},
                          {"FIO", "ИВАНОВ ИВАН ИВАНОВИЧ"},
                          {"EMAIL", "ivanov@eflab.example"},
                          {"TEL2", "21-45"}});
    Workstation(command, {{"HOST", "PC-02"}, {"IP", "10.0.0.7"}, {"FIO", "ПЕТРОВ ПЁТР"}});
    Workstation(command, {{"HOST", "PC-03"},
                          {"IP", " 10.0.0.7 "},
                          {"FIO", "<script>alert(1)</script>"},
                          {"SPEED", "0"},
                          {"TYPE", ""},
                          {"RAM", "0"},
                          {"CPU", ""},
                          {"HDD", "0"},
                          {"OS", ""},
                          {"OSVER", ""},
                          {"BIOS", ""},
                          {"PRINTER", ""}});
    Workstation(command, {{"HOST", "PC-04"}, {"FIO", "СИДОРОВ СИДОР"}, {"EMAIL", "sidorov2@eflab.example"}});
    Workstation(command, {{"HOST", "PC-05"}, {"FIO", "АНКЕТА НЕ ЗАПОЛНЕНА"}, {"ZDAN", ""}, {"ETAJ", ""}});
    Workstation(command, {{"HOST", "GONE-06"}, {"FIO", "КУЗНЕЦОВ К"}, {"EMAIL", "k@eflab.example"}});
    for (const char* host : {"PC-07", "PC-08", "PC-09", "PC-10"}) {
      Workstation(
          command,
          {{"HOST", host}, {"FIO", "СМИРНОВ С"}, {"EMAIL", "s@eflab.example"}, {"RAM", "8192"}, {"ETAJ", "10"}});
    }
    Workstation(command, {{"HOST", "PC-11"}, {"FIO", "=HYPERLINK(\"http://evil.example/\")"}});
    for (const auto& [fio, email] :
         std::vector<std::pair<std::string, std::string>>{{"ИВАНОВ ИВАН ИВАНОВИЧ", "ivanov@eflab.example"},
                                                          {"СИДОРОВ СИДОР", "sidorov1@eflab.example"},
                                                          {"", "nobody@eflab.example"},
                                                          {"СИДОРОВ СИДОР", "sidorov2@eflab.example"},
                                                          {"СМИРНОВ С", "s@eflab.example"},
                                                          {"КУЗНЕЦОВ К", "k@eflab.example"},
                                                          {"ПЕТРОВ ПЕТР", "petrov@eflab.example"},
                                                          {"ПЕТРОВА ПЁТРА", "petrova@eflab.example"},
                                                          {"ПЕТРОВСКИЙ ПЁТР", "petrovsky@eflab.example"}}) {
      Insert(command, "MEXPORT", {{"FIO", fio}, {"EMAIL", email}});
    }
    Insert(command, "TEXPORT", {{"FIO", "ИВАНОВ ИВАН ИВАНОВИЧ"}, {"TEL", "21-45"}});
    // The change history: three rows within the last 30 days (one hostile), one older, a purge's mark.
    command.SetText(store::kCreateHistory);
    command.Execute();
    for (const auto& [host, date, time, field, old_value, new_value] : std::vector<std::array<std::string, 6>>{
             {"PC-02", "20251201", "09:00:00", "ZDAN", "Корпус 2", "Корпус 1"},
             {"PC-01", "20260120", "09:00:00", "KAB", "101", "202"},
             {"PC-03", "20260125", "08:00:00", "FIO", "ИВАНОВ", "<img src=x onerror=alert(2)>"},
             {"", "20260110", "12:00:00", "*PURGED*", "", "20251130"},
             {"PC-01", "20260130", "10:00:00", "RAM", "4096", "8192"}}) {
      Insert(command, "HISTORY",
             {{"HOST", host},
              {"CHG_DATE", date},
              {"CHG_TIME", time},
              {"FIELD", field},
              {"OLD_VALUE", old_value},
              {"NEW_VALUE", new_value}});
    }

    for (const char* name :
         {"PC-01.txt", "PC-01.nfo", "PC-02.txt", "PC-02.nfo", "PC-04.txt", "PC-04.nfo", "PC-05.nfo", "pc-07.TXT",
          "pc-07.NFO", "PC-08.txt", "PC-08.nfo", "PC-09.txt", "PC-09.nfo", "PC-10.txt", "PC-10.nfo"}) {
      File(name, kDay);
    }
    File("PC-03.txt", 40 * kDay);
    File("PC-11.txt", 2 * 3600);
    File("notes.doc", 60);                        // neither kind of workstation file
    fs::create_directory(share() / "PC-12.txt");  // a folder, not a survey file
  }

  ReportSettings Settings() const {
    ReportSettings settings;
    settings.survey_folder = Folder(share());
    settings.database_folder = Folder(database());
    settings.now = kNow;
    settings.dbf_codepage = "windows-1251";
    return settings;
  }

  fs::path WritePage() {
    fs::path page = out() / "report.html";
    WriteReport(testing_support::SystemFiles(),
                GatherReport(testing_support::SystemFiles(), testing_support::TestClock(), Settings()),
                platform::FsPathToText(page));
    return page;
  }

  testing_support::TempFolder folder_;
};

// The DOM that chromium builds from the page, or empty when chromium is not installed.
std::string DumpDom(const fs::path& page) {
  testing_support::TempFolder profile("report-chromium-");
  std::string command =
      "timeout 120 chromium --headless --no-sandbox --disable-gpu --disable-quic --no-first-run "
      "--disable-background-networking --disable-component-update --disable-sync "
      "--host-resolver-rules='MAP * ~NOTFOUND' --user-data-dir='" +
      profile.path().string() + "' --dump-dom 'file://" + page.string() + "' 2>/dev/null";
  return testing_support::RunCommand(command);
}

std::string Unescape(std::string text) {
  static const std::vector<std::pair<std::string, std::string>> kReferences = {
      {"&lt;", "<"}, {"&gt;", ">"}, {"&quot;", "\""}, {"&#39;", "'"}, {"&nbsp;", "\u00A0"}, {"&amp;", "&"}};
  for (const auto& [reference, character] : kReferences) {
    for (size_t at = 0; (at = text.find(reference, at)) != std::string::npos; at += character.size()) {
      text.replace(at, reference.size(), character);
    }
  }
  return text;
}

// The text of the element with that id, up to its first child element.
std::string TextOf(const std::string& dom, const std::string& id) {
  size_t at = dom.find("id=\"" + id + "\"");
  if (at == std::string::npos) return "(no element " + id + ")";
  size_t start = dom.find('>', at) + 1;
  return Unescape(dom.substr(start, dom.find('<', start) - start));
}

// The part of the DOM from the element with that id to the end of its section or figure.
std::string Part(const std::string& dom, const std::string& id, const std::string& end) {
  size_t at = dom.find("id=\"" + id + "\"");
  if (at == std::string::npos) return "";
  return dom.substr(at, dom.find(end, at) - at);
}

// Each table row of a list as its cells joined by "|".
std::vector<std::string> ListRows(const std::string& dom, const std::string& id) {
  std::string part = Part(dom, "list-" + id, "</section>");
  std::vector<std::string> rows;
  std::regex row_pattern("<tr>(.*?)</tr>");
  std::regex cell_pattern("<td>(.*?)</td>");
  for (std::sregex_iterator row(part.begin(), part.end(), row_pattern), end; row != end; ++row) {
    std::string cells = (*row)[1];
    if (cells.find("<td>") == std::string::npos) continue;
    std::string joined;
    for (std::sregex_iterator cell(cells.begin(), cells.end(), cell_pattern); cell != end; ++cell) {
      joined += (joined.empty() && cell == std::sregex_iterator(cells.begin(), cells.end(), cell_pattern) ? "" : "|") +
                Unescape((*cell)[1]);
    }
    rows.push_back(joined);
  }
  return rows;
}

TEST_F(ReportTest, BrowserShowsCountsListsAndHostileValuesAsTextAndLoadsNothing) {
#ifdef _WIN32
  GTEST_SKIP() << "the page is opened in chromium by the Linux build of this test";
#endif
  if (!testing_support::HaveProgram("chromium")) GTEST_SKIP() << "chromium is not installed (scripts/setup.sh --tests)";
  BuildShare();
  std::string dom = DumpDom(WritePage());
  ASSERT_THAT(dom, HasSubstr("</html>")) << "chromium gave no DOM";

  EXPECT_EQ(TextOf(dom, "count-workstations"), "11");
  EXPECT_EQ(TextOf(dom, "count-info-only"), "1");
  EXPECT_EQ(TextOf(dom, "count-people"), "7");
  EXPECT_EQ(TextOf(dom, "count-email"), "7");
  EXPECT_EQ(TextOf(dom, "count-tel2"), "1");
  EXPECT_EQ(TextOf(dom, "count-newest"), "2026-01-31 10:00");
  EXPECT_EQ(TextOf(dom, "count-files"), "9 / 8");
  EXPECT_EQ(TextOf(dom, "count-directory"), "9 / 1");
  EXPECT_EQ(TextOf(dom, "count-changed"), "2");
  // Per host, the hosts by their newest change, each host's newest first; December is too old.
  EXPECT_THAT(ListRows(dom, "changes"),
              ElementsAre("PC-01|RAM|4096|8192|2026-01-30 10:00:00", "PC-01|KAB|101|202|2026-01-20 09:00:00",
                          "PC-03|FIO|ИВАНОВ|<img src=x onerror=alert(2)>|2026-01-25 08:00:00",
                          "|*PURGED*||20251130|2026-01-10 12:00:00"));

  EXPECT_THAT(ListRows(dom, "no-email"),
              ElementsAre("<script>alert(1)</script>|PC-03|", "=HYPERLINK(\"http://evil.example/\")|PC-11|",
                          "ПЕТРОВ ПЁТР|PC-02|ПЕТРОВ ПЕТР; ПЕТРОВА ПЁТРА"));
  EXPECT_THAT(ListRows(dom, "several-entries"),
              ElementsAre("СИДОРОВ СИДОР|sidorov1@eflab.example; sidorov2@eflab.example|sidorov2@eflab.example|1"));
  EXPECT_THAT(ListRows(dom, "many-workstations"), ElementsAre("СМИРНОВ С|4|PC-07, PC-08, PC-09, PC-10"));
  EXPECT_THAT(ListRows(dom, "shared-ip"), ElementsAre("10.0.0.7|2|PC-02, PC-03"));
  EXPECT_THAT(ListRows(dom, "stale"),
              ElementsAre("GONE-06|КУЗНЕЦОВ К||файлов .txt и .nfo нет",
                          "PC-03|<script>alert(1)</script>|2025-12-22 12:00|нет новых файлов 40 дн."));
  EXPECT_THAT(ListRows(dom, "placeholder-facts"), ElementsAre("PC-03|<script>alert(1)</script>|нет"));

  // Memory in ranges: 4096 MB six times, 8192 MB four times, the placeholder row without a value.
  std::string ram = Part(dom, "chart-ram", "</figure>");
  for (const char* bar : {"<title>меньше 1 ГБ: 0</title>", "<title>4–8 ГБ: 6</title>", "<title>8–16 ГБ: 4</title>",
                          "<title>нет данных: 1</title>"}) {
    EXPECT_THAT(ram, HasSubstr(bar));
  }

  // The hostile name is text wherever it shows: the browser made no element of it.
  EXPECT_EQ(dom.find("<script"), std::string::npos);
  EXPECT_NE(dom.find("<td>&lt;script&gt;alert(1)&lt;/script&gt;</td>"), std::string::npos);
  // Nothing to fetch: no element that loads, no address outside the page but its own CSV files.
  for (const char* loader :
       {"<link", "<img", "<iframe", "<object", "<embed", "<base", "<video", "<audio", "url(", "@import"}) {
    EXPECT_EQ(dom.find(loader), std::string::npos) << loader;
  }
  std::regex reference("(?:src|href|action|data|poster|xlink:href)=\"([^\"]*)\"");
  for (std::sregex_iterator at(dom.begin(), dom.end(), reference), end; at != end; ++at) {
    std::string target = (*at)[1];
    bool own = target.rfind("#list-", 0) == 0 || std::regex_match(target, std::regex("report-[a-z-]+\\.csv"));
    EXPECT_TRUE(own) << "the page refers to " << target;
  }
}

TEST_F(ReportTest, ListsGoBesideThePageAsCsvThatSpreadsheetsOpenAsText) {
  BuildShare();
  WritePage();
  const std::string bom = "\xEF\xBB\xBF";
  EXPECT_EQ(Read(out() / "report-no-email.csv"), bom +
                                                     "\"FIO\";\"HOST\";\"Близкие имена в MEXPORT\"\r\n"
                                                     "\"<script>alert(1)</script>\";\"PC-03\";\"\"\r\n"
                                                     "\"'=HYPERLINK(\"\"http://evil.example/\"\")\";\"PC-11\";\"\"\r\n"
                                                     "\"ПЕТРОВ ПЁТР\";\"PC-02\";\"ПЕТРОВ ПЕТР; ПЕТРОВА ПЁТРА\"\r\n");
  EXPECT_EQ(Read(out() / "report-several-entries.csv"),
            bom +
                "\"FIO\";\"EMAIL (все, в порядке MEXPORT)\";\"Оставлен слиянием\";\"Рабочих мест\"\r\n"
                "\"СИДОРОВ СИДОР\";\"sidorov1@eflab.example; sidorov2@eflab.example\";"
                "\"sidorov2@eflab.example\";\"1\"\r\n");
  EXPECT_EQ(Read(out() / "report-stale.csv"),
            bom +
                "\"HOST\";\"FIO\";\"Последний файл\";\"Причина\"\r\n"
                "\"GONE-06\";\"КУЗНЕЦОВ К\";\"\";\"файлов .txt и .nfo нет\"\r\n"
                "\"PC-03\";\"<script>alert(1)</script>\";\"2025-12-22 12:00\";\"нет новых файлов 40 дн.\"\r\n");
  // The whole history, in the table's order.
  EXPECT_EQ(Read(out() / "report-history.csv"),
            bom +
                "\"HOST\";\"CHG_DATE\";\"CHG_TIME\";\"FIELD\";\"OLD_VALUE\";\"NEW_VALUE\"\r\n"
                "\"PC-02\";\"20251201\";\"09:00:00\";\"ZDAN\";\"Корпус 2\";\"Корпус 1\"\r\n"
                "\"PC-01\";\"20260120\";\"09:00:00\";\"KAB\";\"101\";\"202\"\r\n"
                "\"PC-03\";\"20260125\";\"08:00:00\";\"FIO\";\"ИВАНОВ\";\"<img src=x onerror=alert(2)>\"\r\n"
                "\"\";\"20260110\";\"12:00:00\";\"*PURGED*\";\"\";\"20251130\"\r\n"
                "\"PC-01\";\"20260130\";\"10:00:00\";\"RAM\";\"4096\";\"8192\"\r\n");
  EXPECT_EQ(Read(out() / "report-shared-ip.csv"),
            bom + "\"IP\";\"Компьютеров\";\"HOST\"\r\n\"10.0.0.7\";\"2\";\"PC-02, PC-03\"\r\n");
}

// A later report whose write fails, at its first CSV file or at the page after them all, leaves the page
// before it byte for byte and gives the system's reason.
TEST_F(ReportTest, AFailedWriteLeavesTheLastGoodPageAndGivesTheReason) {
  BuildShare();
  const fs::path page = WritePage();
  const std::string good = Read(page);
  Report later = GatherReport(testing_support::SystemFiles(), testing_support::TestClock(), Settings());
  later.generated += kDay;
#ifdef _WIN32
  const std::string reason = common::ToUtf8(platform::SystemErrorText(112));  // ERROR_DISK_FULL
#else
  const std::string reason = "No space left on device";
#endif
  const std::string folder = common::ToUtf8(Folder(out()));
  const std::pair<int, std::string> failures[] = {{1, "report-" + later.lists.front().id + ".csv"},
                                                  // after each list's CSV file and the history's two
                                                  {static_cast<int>(later.lists.size()) + 3, "report.html"}};
  for (const auto& [nth, name] : failures) {
    SCOPED_TRACE(name);
    testing_support::FaultFileSystem files(testing_support::SystemFiles());
    files.FailNth(testing_support::FaultPoint::kCreate, nth, testing_support::FaultCode::kDiskFull);
    EXPECT_THAT(
        [&] { WriteReport(files, later, platform::FsPathToText(page)); },
        ThrowsMessage<common::Error>(::testing::StrEq("Cannot create file \"" + folder + name + "\". " + reason)));
    EXPECT_EQ(Read(page), good);
  }
  WriteReport(testing_support::SystemFiles(), later, platform::FsPathToText(page));
  EXPECT_NE(Read(page), good) << "the later report differs from the one its failures left";
}

TEST_F(ReportTest, DatabaseFolderWithoutInventoryIsRefusedPlainly) {
  ReportSettings settings = Settings();
  for (const fs::path& folder : {database(), folder_.path() / "missing"}) {
    settings.database_folder = Folder(folder);
    EXPECT_THAT([&] { GatherReport(testing_support::SystemFiles(), testing_support::TestClock(), settings); },
                ThrowsMessage<common::Error>(common::ToUtf8(u"The database folder \"" + Folder(folder) +
                                                            u"\" holds no inventory: users.dbf is missing")))
        << folder;
  }
}

// A USERS table another program wrote: lower-case column names, SPEED as N(20,5), columns missing,
// a deleted record; and no export tables beside it.
TEST_F(ReportTest, TableAnotherProgramWroteGivesAReport) {
  using store::testing::Pad;
  using store::testing::PadLeft;
  testing_support::WriteFile(
      database() / "users.dbf",
      store::testing::MakeDbf({{"host", 'C', 20}, {"fio", 'C', 40}, {"speed", 'N', 20, 5}, {"note", 'C', 10}},
                              {{Pad("PC-ACC-01", 20), Pad("\xC8\xC2\xC0\xCD\xCE\xC2 \xC8\xC2\xC0\xCD", 40),
                                PadLeft("2400.00000", 20), Pad("x", 10)},
                               {Pad("PC-OLD-03", 20), Pad("OLD", 40), PadLeft("100.00000", 20), Pad("", 10)},
                               {Pad("SRV-01", 20), Pad("", 40), PadLeft("", 20), Pad("", 10)}},
                              0xC9, {1}));
  Report report = GatherReport(testing_support::SystemFiles(), testing_support::TestClock(), Settings());
  EXPECT_EQ(report.workstations, 2);
  EXPECT_EQ(report.people, 1);
  EXPECT_THAT(report.notes,
              ElementsAre(u"В таблице USERS нет столбцов IP, ZDAN, ETAJ, EMAIL, TEL2, TYPE, RAM, CPU, HDD, OS, OSVER, "
                          u"W9XVER, OSBUILD, OSID, BIOS, PRINTER: то, что из них следует, не показано.",
                          u"Таблицы MEXPORT нет в папке базы данных: списки, которые сверяют имена со справочником, "
                          u"пусты.",
                          u"Таблицы TEXPORT нет в папке базы данных."));
  const Chart& speed = report.charts[3];
  ASSERT_EQ(speed.id, "speed");
  EXPECT_EQ(speed.bars[2].label, u"2–3 ГГц");
  EXPECT_EQ(speed.bars[2].count, 1);
  EXPECT_EQ(speed.bars.back().count, 1) << "SRV-01 has no speed";
  WriteReport(testing_support::SystemFiles(), report, platform::FsPathToText(out() / "report.html"));
  EXPECT_THAT(Read(out() / "report-no-email.csv"), HasSubstr("\"ИВАНОВ ИВАН\";\"PC-ACC-01\";\"\""));
}

#ifndef _WIN32
// The program itself: its exit statuses and what it says on standard error.
TEST(ReportProgramTest, ExitStatusesAndMessages) {
  struct Case {
    std::string arguments;
    int status;
    std::string error;
  };
  testing_support::TempFolder empty;
  std::string usage =
      "usage: inventory-report [--survey-folder DIR] [--database-folder DIR] [-o FILE] [--max-workstations N] "
      "[--stale-days D]\n";
  for (const Case& c : std::vector<Case>{
           {"--database-folder " + empty.path().string(), 1,
            "The database folder \"" + empty.path().string() + "/\" holds no inventory: users.dbf is missing.\n"},
           {"--colour", 2, "inventory-report: The following argument was not expected: --colour\n" + usage},
           {"--stale-days -1", 2, "inventory-report: --stale-days: Value -1 not in range 0 to 100000\n" + usage},
           {"--version", 0, ""}}) {
    int status = -1;
    std::string error_file = (empty.path() / "stderr").string();
    testing_support::RunCommand(std::string(INVENTORY_REPORT) + " " + c.arguments + " 2>" + error_file, &status);
    EXPECT_EQ(status, c.status) << c.arguments;
    EXPECT_EQ(Read(error_file), c.error) << c.arguments;
  }
}
#endif

}  // namespace
}  // namespace report
