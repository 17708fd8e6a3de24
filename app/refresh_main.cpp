// inventory-refresh: one unattended refresh run, for a cron job or a timer. It performs the
// first-activation procedure and one refresh run through the same Inventory as the window, writes each
// log line to standard output and failures (and, when asked, a summary) to standard error. Its options
// override the compiled-in settings; see `inventory-refresh --help` and README.md.
// Exit status: 0 done; 1 the run failed, or a workstation file was skipped; 2 bad command line.
#include <CLI/CLI.hpp>
#include <iostream>
#include <memory>
#include <string>
#include <vector>

#include "app/mail_client.h"
#include "app/settings.h"
#include "app/system_clock.h"
#include "app/unattended.h"
#include "platform/apartment.h"
#include "platform/command_line.h"
#include "platform/file_system.h"

namespace {

constexpr char kUsage[] =
    "usage: inventory-refresh [--survey-folder DIR] [--mail-domain DOMAIN]"
#ifdef _WIN32
    " [--gal-ldap URI [--ldap-base DN] [--gal-dn DN] [--ldap-bind simple|gssapi] [--ldap-user NAME]"
    " [--ldap-password-file FILE] [--ldap-ca FILE] [--ldap-starttls] [--ldap-timeout SECONDS]"
    " [--ldap-insecure] [--contacts-file FILE]]"
#else
    " [--gal-file FILE | --gal-ldap URI [--ldap-base DN] [--gal-dn DN] [--ldap-bind simple|gssapi]"
    " [--ldap-user NAME] [--ldap-password-file FILE] [--ldap-ca FILE] [--ldap-starttls] [--ldap-timeout SECONDS]"
    " [--ldap-insecure]] [--contacts-file FILE | --contacts-carddav URL [--carddav-user NAME]"
    " [--carddav-password-file FILE] [--carddav-ca FILE]]"
#endif
    " [--keep-going] [--summary] [--no-history] [--purge-history DAYS] [--help] [--version]";

// The live directory sources, as given on the command line.
struct LiveOptions {
  std::string gal_ldap, ldap_base, gal_dn, ldap_bind, ldap_user, ldap_password_file, ldap_ca;
  bool ldap_starttls = false, ldap_insecure = false;
  int ldap_timeout = 0;
  std::string contacts_carddav, carddav_user, carddav_password_file, carddav_ca;
};

// A file and a live source for the same table exclude each other (a usage error). On Windows, where
// the mail client answers for both tables, the contacts file is for a run whose address list is
// read over LDAP, and there is no CardDAV.
void AddLiveOptions(CLI::App& cli, LiveOptions& live, CLI::Option* gal_file, CLI::Option* contacts_file) {
  CLI::Option* gal_ldap =
      cli.add_option("--gal-ldap", live.gal_ldap,
                     "Read the global address list from this LDAP directory (ldaps://host, or ldap://host with "
                     "--ldap-starttls; several separated by blanks are tried in turn)")
          ->type_name("URI");
#ifdef _WIN32
  (void)gal_file;
  contacts_file->needs(gal_ldap);
#else
  gal_ldap->excludes(gal_file);
#endif
  cli.add_option("--ldap-base", live.ldap_base, "Where the search starts (default: the directory's own)")
      ->type_name("DN");
  cli.add_option("--gal-dn", live.gal_dn, "The address list (default: the directory's default global address list)")
      ->type_name("DN");
  cli.add_option("--ldap-bind", live.ldap_bind,
                 "simple (a name and a password file) or gssapi (Kerberos; on Windows the logged-on user's, "
                 "the default there)")
      ->type_name("simple|gssapi")
      ->check(CLI::IsMember({"simple", "gssapi"}));
  cli.add_option("--ldap-user", live.ldap_user, "Bind name: a DN, user@domain or DOMAIN\\user")->type_name("NAME");
  cli.add_option("--ldap-password-file", live.ldap_password_file, "File holding the bind password")->type_name("FILE");
  cli.add_option("--ldap-ca", live.ldap_ca,
                 "Certificates of the authorities that sign the server's certificate (not on Windows, where the "
                 "system's certificate store decides)")
      ->type_name("FILE");
  cli.add_flag("--ldap-starttls", live.ldap_starttls, "Upgrade ldap:// with StartTLS before the bind");
  cli.add_option("--ldap-timeout", live.ldap_timeout, "Bound of the connect and of each request (default 30)")
      ->type_name("SECONDS")
      ->check(CLI::Range(1, 3600));
  cli.add_flag("--ldap-insecure", live.ldap_insecure, "Allow a simple bind over ldap:// without TLS");
#ifndef _WIN32
  cli.add_option("--contacts-carddav", live.contacts_carddav,
                 "Read the contacts from this CardDAV address book (https://host/user/contacts/)")
      ->type_name("URL")
      ->excludes(contacts_file);
  cli.add_option("--carddav-user", live.carddav_user, "User name for the address book")->type_name("NAME");
  cli.add_option("--carddav-password-file", live.carddav_password_file, "File holding its password")->type_name("FILE");
  cli.add_option("--carddav-ca", live.carddav_ca, "Certificates of the authorities that sign its certificate")
      ->type_name("FILE");
#endif
}

// Each option given replaces the compiled-in setting.
void ApplyLiveOptions(const LiveOptions& live, app::Settings& settings) {
  directory::LdapSource& gal = settings.gal_ldap;
  auto set = [](common::Text& setting, const std::string& value) {
    if (!value.empty()) setting = common::PathToText(value);
  };
  set(gal.uri, live.gal_ldap);
  set(gal.base, live.ldap_base);
  set(gal.address_list, live.gal_dn);
  set(gal.user, live.ldap_user);
  set(gal.password_file, live.ldap_password_file);
  set(gal.ca_file, live.ldap_ca);
  if (!live.ldap_bind.empty())
    gal.bind = live.ldap_bind == "gssapi" ? directory::LdapBind::kGssapi : directory::LdapBind::kSimple;
  gal.start_tls = gal.start_tls || live.ldap_starttls;
  gal.insecure = gal.insecure || live.ldap_insecure;
  if (live.ldap_timeout > 0) gal.timeout_seconds = live.ldap_timeout;
  directory::CardDavSource& contacts = settings.contacts_carddav;
  set(contacts.url, live.contacts_carddav);
  set(contacts.user, live.carddav_user);
  set(contacts.password_file, live.carddav_password_file);
  set(contacts.ca_file, live.carddav_ca);
  contacts.timeout_seconds = gal.timeout_seconds;
}

// The options over the compiled-in settings. Returns the exit status when the program ends here
// (--help, --version, a bad command line), else -1.
int ParseOptions(const std::vector<std::string>& arguments, app::UnattendedOptions& options) {
  app::Settings& settings = options.settings;
  CLI::App cli("One unattended refresh run of the workstation inventory.", "inventory-refresh");
  cli.set_version_flag("--version", "inventory-refresh " INVENTORY_VERSION);
  std::string survey_folder, mail_domain, gal_file, contacts_file;
  cli.add_option("--survey-folder", survey_folder,
                 "Survey folder, ending with a path separator; the database folder is DIR followed by DB")
      ->type_name("DIR")
      ->check([](const std::string& value) {
        return app::EndsWithPathSeparator(common::PathToText(value)) ? std::string()
                                                                     : "the folder must end with a path separator";
      });
  cli.add_option("--mail-domain", mail_domain, "The organisation's mail domain, without the at sign")
      ->type_name("DOMAIN")
      ->check([](const std::string& value) {
        return value.empty() || value.find('@') != std::string::npos ? "a domain without the at sign is needed"
                                                                     : std::string();
      });
#ifdef _WIN32
  CLI::Option* gal_file_option = nullptr;
#else
  CLI::Option* gal_file_option =
      cli.add_option("--gal-file", gal_file, "LDIF export of the global address list")->type_name("FILE");
#endif
  CLI::Option* contacts_file_option =
      cli.add_option("--contacts-file", contacts_file, "vCard export of the contacts folder")->type_name("FILE");
  LiveOptions live;
  AddLiveOptions(cli, live, gal_file_option, contacts_file_option);
  cli.add_flag("--keep-going", options.keep_going,
               "Report a workstation file that fails on standard error, skip it and go on; exit 1 at the end");
  cli.add_flag("--summary", options.summary, "Write one summary line on standard error at the end");
  bool no_history = false;
  cli.add_flag("--no-history", no_history, "Record no changes of the workstations' rows in HISTORY");
  int purge_days = -1;
  cli.add_option("--purge-history", purge_days,
                 "After the run, remove the HISTORY rows older than DAYS days and pack the table")
      ->type_name("DAYS")
      ->check(CLI::Range(0, 36500));

  // CLI11 takes the arguments last first.
  std::vector<std::string> reversed(arguments.rbegin(), arguments.rend());
  try {
    cli.parse(reversed);
  } catch (const CLI::Success& done) {
    return cli.exit(done);  // --help or --version, on standard output
  } catch (const CLI::ParseError& error) {
    std::cerr << "inventory-refresh: " << error.what() << '\n' << kUsage << '\n';
    return 2;
  }
  if (!survey_folder.empty()) {
    settings.survey_folder = common::PathToText(survey_folder);
    settings.database_folder = app::DatabaseFolderOf(settings.survey_folder);
  }
  if (no_history) settings.history = false;
  if (purge_days >= 0) options.purge_history_days = purge_days;
  if (!mail_domain.empty()) settings.mail_domain = common::PathToText(mail_domain);
  // A file given here takes the place of a compiled-in live source of its table.
  if (!gal_file.empty()) {
    settings.gal_file = common::PathToText(gal_file);
    settings.gal_ldap.uri.clear();
  }
  if (!contacts_file.empty()) {
    settings.contacts_file = common::PathToText(contacts_file);
    settings.contacts_carddav.url.clear();
  }
  ApplyLiveOptions(live, settings);
  return -1;
}

}  // namespace

int main(int argc, char** argv) {
  app::UnattendedOptions options{app::DefaultSettings()};
  if (int status = ParseOptions(platform::CommandLineArguments(argc, argv), options); status >= 0) return status;
  // The mail client's automation (COM on Windows) is used from this thread only.
  platform::Apartment apartment;
  app::StdoutLog log;
  platform::SystemFileSystem files;
  app::SystemClock clock;
  std::unique_ptr<directory::MailDirectory> mail = app::MailClientFor(files, options.settings);
  return app::RunUnattended(files, clock, *mail, options, log, std::cerr);
}
