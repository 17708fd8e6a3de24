// inventory-refresh itself, run as a child process with its options: the options replace every
// compiled-in setting, the summary agrees with the tables, and --keep-going goes on past bad files in
// the middle of good ones.
#include <fcntl.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "tests/support/child_run.h"
#include "tests/support/radicale_server.h"
#include "tests/support/slapd_server.h"
#include "tests/support/table_rows.h"
#include "tests/support/temp_folder.h"
#include "tests/support/text_cases.h"
#include "tests/support/workstation_files.h"

using testing_support::ChildRun;
using testing_support::InfoFile;
using testing_support::Lines;
using testing_support::SurveyFile;
using testing_support::TempFolder;
using testing_support::WriteFile;

namespace app {
namespace {

namespace fs = std::filesystem;
using ::testing::ElementsAre;
using ::testing::StartsWith;

constexpr char kUsage[] =
    "usage: inventory-refresh [--survey-folder DIR] [--mail-domain DOMAIN] [--gal-file FILE | --gal-ldap URI "
    "[--ldap-base DN] [--gal-dn DN] [--ldap-bind simple|gssapi] [--ldap-user NAME] [--ldap-password-file FILE] "
    "[--ldap-ca FILE] [--ldap-starttls] [--ldap-timeout SECONDS] [--ldap-insecure]] [--contacts-file FILE | "
    "--contacts-carddav URL [--carddav-user NAME] [--carddav-password-file FILE] [--carddav-ca FILE]] "
    "[--keep-going] [--summary] [--no-history] [--purge-history DAYS] [--help] [--version]";

constexpr char kCards[] =
    "BEGIN:VCARD\r\nVERSION:3.0\r\nUID:1\r\nFN:Иван Иванов\r\nN:Иванов;Иван;;;\r\nTEL;TYPE=WORK:21-45\r\nEND:VCARD\r\n"
    "BEGIN:VCARD\r\nVERSION:3.0\r\nUID:2\r\nFN:Олег "
    "Смирнов\r\nN:Смирнов;Олег;;;\r\nTEL;TYPE=WORK:33-44\r\nEND:VCARD\r\n";

class UnattendedOptionsTest : public ::testing::Test {
 protected:
  UnattendedOptionsTest() {
    fs::create_directories(Share() + "DB");
    fs::create_directory(root_.path() / "directory");
    // Nothing here is where the compiled-in settings point.
    WriteFile(Gal(),
              "dn: cn=ivanov,dc=example\ndisplayName: Иванов Иван\nlegacyExchangeDN: /o=E/cn=R/cn=ivanov\n\n"
              "dn: cn=petrov,dc=example\ndisplayName: Петров Петр\nlegacyExchangeDN: /o=E/cn=R/cn=petrov\n\n"
              "dn: cn=room,dc=example\ndisplayName: Переговорная\nlegacyExchangeDN: /o=E/cn=R/cn=room\n\n");
    WriteFile(Contacts(), kCards);
    const char* people[] = {"Иванов Иван", "Петров Петр", "Сидоров Сидор", "Кузнецов Петр", "Попов Иван", "Орлов Олег"};
    for (int i = 0; i < 6; ++i) {
      std::string host = Host(i);
      WriteFile(Share() + host + ".txt", SurveyFile(host, people[i]));
      WriteFile(Share() + host + ".nfo", InfoFile());
    }
    WriteFile(Share() + "INFO-1.nfo", InfoFile("1800"));
  }

  // Hosts 0 to 2 stay good; 3 to 5 go bad in the keep-going test.
  static std::string Host(int i) { return (i < 3 ? "GOOD-" : "BAD-") + std::to_string(i); }
  std::string Share() const { return root_.Path() + "share/"; }
  std::string Database() const { return Share() + "DB/"; }
  std::string Gal() const { return root_.Path() + "directory/gal.ldif"; }
  std::string Contacts() const { return root_.Path() + "directory/contacts.vcf"; }

  std::vector<std::string> Options(std::vector<std::string> more) const {
    std::vector<std::string> arguments = {"--survey-folder", Share(), "--mail-domain",   "options.example",
                                          "--gal-file",      Gal(),   "--contacts-file", Contacts()};
    arguments.insert(arguments.end(), more.begin(), more.end());
    return arguments;
  }

  // Runs inventory-refresh; the exit status, with standard output and error kept.
  int Run(const std::vector<std::string>& arguments) {
    ChildRun run(INVENTORY_REFRESH, arguments);
    int status = run.Finish(std::chrono::seconds(60));
    out_ = run.lines();
    err_ = Lines(run.error_text());
    return status;
  }

  TempFolder root_;
  std::vector<std::string> out_;
  std::vector<std::string> err_;
};

TEST_F(UnattendedOptionsTest, OptionsReplaceEveryCompiledInSettingAndTheSummaryAgreesWithTheTables) {
  ASSERT_EQ(Run(Options({"--summary"})), 0) << ::testing::PrintToString(err_);

  EXPECT_EQ(out_.size(), 7u) << "six survey files and one info-only host are logged";
  // The database folder follows the survey folder; the address list, contacts and domain are the ones given.
  EXPECT_THAT(TableRows(Database(), "MEXPORT", {"FIO", "EMAIL"}),
              ElementsAre("ИВАНОВ ИВАН|ivanov@options.example", "ПЕРЕГОВОРНАЯ|room@options.example",
                          "ПЕТРОВ ПЕТР|petrov@options.example"));
  EXPECT_THAT(TableRows(Database(), "TEXPORT", {"FIO", "TEL"}), ElementsAre("ИВАНОВ ИВАН|21-45", "СМИРНОВ ОЛЕГ|33-44"));
  // Every number of the summary can be counted in these rows: imported (rows with a person), info-only,
  // MEXPORT and TEXPORT rows, addresses and telephones filled in.
  EXPECT_THAT(
      TableRows(Database(), "USERS", {"HOST", "FIO", "EMAIL", "TEL2"}),
      ElementsAre("BAD-3|КУЗНЕЦОВ ПЕТР||", "BAD-4|ПОПОВ ИВАН||", "BAD-5|ОРЛОВ ОЛЕГ||",
                  "GOOD-0|ИВАНОВ ИВАН|ivanov@options.example|21-45", "GOOD-1|ПЕТРОВ ПЕТР|petrov@options.example|",
                  "GOOD-2|СИДОРОВ СИДОР||", "INFO-1|АНКЕТА НЕ ЗАПОЛНЕНА||"));
  ASSERT_EQ(err_.size(), 1u);
  EXPECT_THAT(err_[0],
              StartsWith("summary: imported=6 info-only=1 skipped=0 mexport=3 texport=2 email=2 tel2=1 seconds="));
}

TEST_F(UnattendedOptionsTest, KeepGoingImportsEveryGoodFileAndLeavesEachBadHostsRowAsItWas) {
  ASSERT_EQ(Run(Options({})), 0);
  const std::vector<std::string> before = TableRows(Database(), "USERS", UsersColumns());

  // A second round of files: the good ones name a new user, among them four that fail.
  for (int i = 0; i < 3; ++i) WriteFile(Share() + Host(i) + ".txt", SurveyFile(Host(i), "Орлов Олег", "user2"));
  fs::remove(Share() + "BAD-3.txt");
  ASSERT_EQ(::mkfifo((Share() + "BAD-3.txt").c_str(), 0666), 0);
  fs::resize_file(Share() + "BAD-4.txt", 2 * 1024 * 1024);
  WriteFile(Share() + "BAD-5.txt", "BAD-5\r\nuser2\r\n");
  WriteFile(Share() + "BAD-6.nfo", InfoFile("2.4GHz"));
  const std::map<std::string, std::string> failures = {
      {"BAD-3.txt", "Cannot open file \"" + Share() + "BAD-3.txt\". Not a regular file."},
      {"BAD-4.txt", "Cannot open file \"" + Share() + "BAD-4.txt\". File too large (the limit is 1048576 bytes)"},
      {"BAD-5.txt", "List index out of bounds (2)"},
      {"BAD-6.nfo", "ADOCommand: Parameter 'SPEED' value '2.4GHz' is not a whole number."},
  };

  // Without the option the first bad file ends the run, as ever, and its line is the failure alone.
  EXPECT_EQ(Run(Options({})), 1);
  ASSERT_EQ(err_.size(), 1u);
  std::set<std::string> plain, named;
  for (const auto& [name, failure] : failures) {
    plain.insert(failure);
    named.insert(Share() + name + ": " + failure);
  }
  EXPECT_TRUE(plain.contains(err_[0])) << err_[0];

  // With it each line starts with the skipped file's path.
  EXPECT_EQ(Run(Options({"--keep-going", "--summary"})), 1);
  ASSERT_EQ(err_.size(), 5u) << ::testing::PrintToString(err_);
  EXPECT_EQ(std::set<std::string>(err_.begin(), err_.end() - 1), named);
  EXPECT_THAT(err_.back(), StartsWith("summary: imported=3 info-only=0 skipped=4 mexport=3 texport=2 "));

  std::vector<std::string> after = TableRows(Database(), "USERS", UsersColumns());
  std::vector<std::string> hosts = TableRows(Database(), "USERS", {"HOST", "USER"});
  EXPECT_THAT(hosts, ElementsAre("BAD-3|user", "BAD-4|user", "BAD-5|user", "GOOD-0|user2", "GOOD-1|user2",
                                 "GOOD-2|user2", "INFO-1|u"));
  for (const std::string& row : before) {
    if (row.starts_with("BAD-")) {
      EXPECT_THAT(after, ::testing::Contains(row)) << "a skipped host's row changed";
    }
  }
}

TEST_F(UnattendedOptionsTest, NoHistoryRecordsNothingPurgeHistoryPacksAndSaysSo) {
  ASSERT_EQ(Run(Options({"--no-history"})), 0);
  EXPECT_FALSE(fs::exists(Database() + "history.dbf"));
  WriteFile(Share() + "GOOD-0.txt", SurveyFile("GOOD-0", "Иванов Иван", "user2"));
  ASSERT_EQ(Run(Options({})), 0);
  EXPECT_THAT(TableRows(Database(), "HISTORY", {"HOST", "FIELD", "OLD_VALUE", "NEW_VALUE"}),
              ElementsAre("GOOD-0|USER|user|user2"));
  // Nothing is older than today: the row stays, and the purge says it removed up to yesterday.
  ASSERT_EQ(Run(Options({"--purge-history", "0"})), 0) << ::testing::PrintToString(err_);
  EXPECT_THAT(TableRows(Database(), "HISTORY", {"HOST", "FIELD", "OLD_VALUE"}),
              ElementsAre("GOOD-0|USER|user", "|*PURGED*|"));
}

// The same directory read live (slapd, Radicale) and as its exports (ldapsearch's LDIF, the vCard
// file of the same cards) gives the same tables; a live source that fails leaves them as they were.
TEST_F(UnattendedOptionsTest, LiveSourcesGiveTheTablesOfTheSameDirectoryExportedToFiles) {
  for (const std::string& missing :
       {testing_support::SlapdServer::Missing(), testing_support::RadicaleServer::Missing(),
        std::string(testing_support::HaveProgram("ldapsearch") ? "" : "ldap-utils")}) {
    if (!missing.empty()) GTEST_SKIP() << missing;
  }
  const std::string users = std::string("ou=Users,") + testing_support::kSuffix;
  auto member = [&](const std::string& cn, const std::string& attributes) {
    return "dn: cn=" + cn + "," + users + "\nobjectClass: contact\ncn: " + cn + "\nsn: " + cn + "\n" + attributes +
           "\n";
  };
  const std::string in_gal = std::string("showInAddressBook: ") + testing_support::kGalDn + "\n";
  testing_support::SlapdServer slapd(
      "dn: " + users + "\nobjectClass: organizationalUnit\nou: Users\n\n" +
      member("ivanov", "displayName: Иванов Иван\n" + in_gal + "legacyExchangeDN: /o=E/cn=R/cn=ivanov\n") +
      member("petrov", "displayName: Петров Петр\n" + in_gal + "targetAddress: SMTP:petrov@partner.example\n") +
      member("room", "displayName: Переговорная\n" + in_gal + "mail: room@options.example\n") +
      member("hidden", "displayName: Скрытый\n" + in_gal + "msExchHideFromAddressLists: TRUE\nmail: h@x.example\n") +
      member("nowhere", "displayName: Нигде\nmail: n@x.example\n"));
  testing_support::RadicaleServer dav;
  dav.MakeAddressBook("ivanov/contacts/", kCards);
  const std::string ldap_password = (slapd.scratch() / "password").string();
  WriteFile(ldap_password, testing_support::kReaderPassword);
  const std::string dav_password = (dav.scratch() / "password").string();
  WriteFile(dav_password, std::string(testing_support::kDavPassword) + "\n");
  auto live = [&](const std::string& password_file) {
    return std::vector<std::string>{"--survey-folder",
                                    Share(),
                                    "--mail-domain",
                                    "options.example",
                                    "--gal-ldap",
                                    slapd.LdapsUri(),
                                    "--ldap-user",
                                    testing_support::kReader,
                                    "--ldap-password-file",
                                    password_file,
                                    "--ldap-ca",
                                    slapd.ca_file().string(),
                                    "--contacts-carddav",
                                    dav.Url("ivanov/contacts/"),
                                    "--carddav-user",
                                    testing_support::kDavUser,
                                    "--carddav-password-file",
                                    dav_password,
                                    "--carddav-ca",
                                    dav.ca_file().string()};
  };
  auto tables = [&] {
    return std::vector<std::vector<std::string>>{TableRows(Database(), "MEXPORT", {"FIO", "EMAIL"}),
                                                 TableRows(Database(), "TEXPORT", {"FIO", "TEL"}),
                                                 TableRows(Database(), "USERS", UsersColumns())};
  };
  ASSERT_EQ(Run(live(ldap_password)), 0) << ::testing::PrintToString(err_);
  const auto from_live = tables();
  // Hidden and list-less members left out; MakeEmail cuts SMTP addresses as it cuts any text.
  EXPECT_THAT(from_live[0], ElementsAre("ИВАНОВ ИВАН|ivanov@options.example", "ПЕРЕГОВОРНАЯ|ptions@options.example",
                                        "ПЕТРОВ ПЕТР|@options.example"));
  EXPECT_THAT(from_live[1], ElementsAre("ИВАНОВ ИВАН|21-45", "СМИРНОВ ОЛЕГ|33-44"));

  int status = 0;
  testing_support::RunCommand("LDAPTLS_CACERT='" + slapd.ca_file().string() + "' ldapsearch -LLL -H '" +
                                  slapd.LdapsUri() + "' -x -D '" + testing_support::kReader + "' -y '" + ldap_password +
                                  "' -b '" + testing_support::kSuffix +
                                  "' '(showInAddressBook=*)' displayName legacyExchangeDN targetAddress mail "
                                  "showInAddressBook msExchHideFromAddressLists > '" +
                                  Gal() + "'",
                              &status);
  ASSERT_EQ(status, 0);
  fs::remove_all(Database());
  fs::create_directories(Database());
  ASSERT_EQ(Run(Options({})), 0) << ::testing::PrintToString(err_);
  EXPECT_EQ(tables(), from_live);

  // A refused bind ends the run before any table is touched.
  const std::string wrong = (slapd.scratch() / "wrong").string();
  WriteFile(wrong, "wrong");
  EXPECT_EQ(Run(live(wrong)), 1);
  ASSERT_FALSE(err_.empty());
  EXPECT_THAT(err_[0], StartsWith("Cannot read the address list from " + slapd.LdapsUri() + ": the server refused"));
  EXPECT_EQ(tables(), from_live);
}

struct CommandLineCase {
  const char* name;
  std::vector<std::string> arguments;
  int status;
  const char* out_start;  // the first line of standard output; nothing for a bad command line
};

void PrintTo(const CommandLineCase& c, std::ostream* os) { *os << c.name; }

class CommandLineTest : public ::testing::TestWithParam<CommandLineCase> {};

TEST_P(CommandLineTest, BadCommandLinesGiveTheReasonAndTheUsageWithStatus2) {
  ChildRun run(INVENTORY_REFRESH, GetParam().arguments);
  EXPECT_EQ(run.Finish(std::chrono::seconds(30)), GetParam().status);
  std::vector<std::string> err = Lines(run.error_text());
  if (GetParam().status == 2) {
    ASSERT_EQ(err.size(), 2u) << run.error_text();
    EXPECT_THAT(err[0], StartsWith("inventory-refresh: "));
    EXPECT_EQ(err[1], kUsage);
    EXPECT_TRUE(run.lines().empty());
  } else {
    EXPECT_TRUE(err.empty()) << run.error_text();
    ASSERT_FALSE(run.lines().empty());
    EXPECT_THAT(run.lines()[0], StartsWith(GetParam().out_start));
  }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, CommandLineTest,
    ::testing::Values(
        CommandLineCase{"UnknownOption", {"--bogus"}, 2, ""}, CommandLineCase{"StrayArgument", {"/srv/share/"}, 2, ""},
        CommandLineCase{"MissingValue", {"--survey-folder"}, 2, ""},
        CommandLineCase{"FolderWithoutSeparator", {"--survey-folder", "/srv/share"}, 2, ""},
        CommandLineCase{"DomainWithAtSign", {"--mail-domain", "@example.org"}, 2, ""},
        CommandLineCase{"NegativePurgeDays", {"--purge-history", "-1"}, 2, ""},
        CommandLineCase{"GalFileAndLdap", {"--gal-file", "g.ldif", "--gal-ldap", "ldaps://dc"}, 2, ""},
        CommandLineCase{
            "ContactsFileAndCardDav", {"--contacts-carddav", "https://dav/", "--contacts-file", "c.vcf"}, 2, ""},
        CommandLineCase{"UnknownBind", {"--ldap-bind", "ntlm"}, 2, ""},
        CommandLineCase{"Help", {"--help"}, 0, "One unattended refresh run"},
        CommandLineCase{"Version", {"--version"}, 0, "inventory-refresh "}),
    testing_support::CaseName);

}  // namespace
}  // namespace app
