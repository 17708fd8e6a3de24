#include "tests/support/slapd_server.h"

#include <stdlib.h>

#include <chrono>
#include <stdexcept>
#include <thread>

#include "tests/support/child_run.h"
#include "tests/support/daemon.h"

namespace testing_support {
namespace {

constexpr auto kStartDeadline = std::chrono::seconds(20);
constexpr int kStartAttempts = 5;

std::string Container(const std::string& dn, const std::string& cn, const std::string& extra = {}) {
  return "dn: " + dn + "\nobjectClass: configurationContainer\ncn: " + cn + "\n" + extra + "\n";
}

std::string Account(const std::string& dn, const std::string& cn) {
  return "dn: " + dn + "\nobjectClass: person\ncn: " + cn + "\nsn: " + cn + "\nuserPassword: " + kReaderPassword +
         "\n\n";
}

std::string Tree() {
  const std::string suffix = kSuffix;
  const std::string configuration = "CN=Configuration," + suffix;
  const std::string services = "CN=Services," + configuration;
  const std::string exchange = "CN=Microsoft Exchange," + services;
  const std::string org = "CN=Romashka," + exchange;
  const std::string lists = "CN=Address Lists Container," + org;
  return "dn: " + suffix + "\nobjectClass: dcObject\nobjectClass: organization\ndc: romashka\no: Romashka\n\n" +
         "dn: ou=Service," + suffix + "\nobjectClass: organizationalUnit\nou: Service\n\n" + Account(kReader, "reader") +
         Account(kCappedReader, "capped") + Container(configuration, "Configuration") +
         Container(services, "Services") +
         Container(exchange, "Microsoft Exchange",
                   "globalAddressList: " + std::string(kOtherListDn) + "\nglobalAddressList: " + kGalDn + "\n") +
         Container(org, "Romashka") + Container(lists, "Address Lists Container") +
         Container("CN=All Global Address Lists," + lists, "All Global Address Lists") +
         Container(kGalDn, "Default Global Address List") +
         Container("CN=All Address Lists," + lists, "All Address Lists") + Container(kOtherListDn, "All Contacts (Romashka, Moscow)") +
         // A part of the tree held by another server, as AD's DNS zones are.
         "dn: ou=Elsewhere," + suffix +
         "\nobjectClass: referral\nobjectClass: extensibleObject\nou: Elsewhere\n"
         "ref: ldap://127.0.0.1:9/ou=Elsewhere,dc=other,dc=example\n\n";
}

std::string Run(const std::string& command, const std::string& step) {
  int status = 0;
  std::string output = RunCommand(command + " 2>&1", &status);
  if (status != 0) throw std::runtime_error(step + " failed: " + output);
  return output;
}

void MakeCertificates(const std::filesystem::path& root) {
  const std::string r = root.string();
  const std::string key = "-newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -nodes";
  Run("cd '" + r + "' && openssl req -x509 " + key + " -keyout ca.key -out ca.pem -days 2 -subj '/CN=Romashka Test CA'" +
          " && openssl req -x509 " + key + " -keyout other-ca.key -out other-ca.pem -days 2 -subj '/CN=Other CA'" +
          " && openssl req " + key + " -keyout server.key -out server.csr -subj '/CN=127.0.0.1'" +
          " && printf 'subjectAltName=IP:127.0.0.1,DNS:localhost\\n' > server.ext" +
          " && openssl x509 -req -in server.csr -CA ca.pem -CAkey ca.key -CAcreateserial -days 2" +
          " -extfile server.ext -out server.pem",
      "making the certificates with openssl");
}

std::string Config(const std::filesystem::path& root) {
  const std::string r = root.string();
  return "include /etc/ldap/schema/core.schema\n"
         "include /etc/ldap/schema/cosine.schema\n"
         "include /etc/ldap/schema/inetorgperson.schema\n"
         "include " INVENTORY_AD_SCHEMA "\n"
         "pidfile " + r + "/slapd.pid\n"
         "argsfile " + r + "/slapd.args\n"
         "modulepath /usr/lib/ldap\n"
         "moduleload back_mdb\n"
         "rootDSE " + r + "/rootdse.ldif\n"
         "TLSCACertificateFile " + r + "/ca.pem\n"
         "TLSCertificateFile " + r + "/server.pem\n"
         "TLSCertificateKeyFile " + r + "/server.key\n"
         "require authc\n"
         "database mdb\n"
         "maxsize 1073741824\n"
         "suffix \"" + kSuffix + "\"\n"
         "rootdn \"cn=admin," + kSuffix + "\"\n"
         "directory " + r + "/data\n"
         "index objectClass eq\n"
         "index showInAddressBook eq\n"
         "limits dn.exact=\"" + kCappedReader + "\" size.soft=1000 size.hard=1000 size.pr=1000 size.prtotal=1000\n"
         "limits users size.soft=1000 size.hard=1000 size.pr=1000 size.prtotal=unlimited\n"
         "access to attrs=userPassword by anonymous auth by * none\n"
         "access to * by users read by * none\n";
}

}  // namespace

std::string SlapdServer::Missing() {
  if (FindProgram("slapd").empty() || FindProgram("slapadd").empty()) return "slapd is not installed (package slapd)";
  if (FindProgram("openssl").empty()) return "openssl is not installed (package openssl)";
  return {};
}

SlapdServer::SlapdServer(const std::string& entries) {
  std::string missing = Missing();
  if (!missing.empty()) throw std::runtime_error(missing);
  std::string pattern = (std::filesystem::temp_directory_path() / "inventory-slapd-XXXXXX").string();
  if (::mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
  root_ = pattern;
  try {
    std::filesystem::create_directories(root_ / "data");
    std::filesystem::create_directories(scratch());
    ca_file_ = root_ / "ca.pem";
    other_ca_file_ = root_ / "other-ca.pem";
    MakeCertificates(root_);
    WriteText(root_ / "rootdse.ldif", std::string("dn:\nconfigurationNamingContext: CN=Configuration,") + kSuffix +
                                          "\ndefaultNamingContext: " + kSuffix + "\n");
    WriteText(root_ / "slapd.conf", Config(root_));
    WriteText(root_ / "tree.ldif", Tree() + entries);
    const std::string conf = (root_ / "slapd.conf").string();
    Run("'" + FindProgram("slapadd") + "' -q -f '" + conf + "' -l '" + (root_ / "tree.ldif").string() + "'",
        "loading the entries with slapadd");
    for (int attempt = 1; slapd_ < 0; ++attempt) {
      ldap_port_ = FreePort();
      ldaps_port_ = FreePort();
      if (ldaps_port_ == ldap_port_) continue;
      const std::string listen = LdapUri() + "/ " + LdapsUri() + "/";
      const std::filesystem::path log = root_ / "slapd.out";
      slapd_ = Spawn({FindProgram("slapd"), "-d", "0", "-f", conf, "-h", listen}, root_, log);
      auto until = std::chrono::steady_clock::now() + kStartDeadline;
      while (!PortServed(ldap_port_) || !PortServed(ldaps_port_)) {
        if (Ended(slapd_)) {
          slapd_ = -1;
          // Another program may have taken a port in the meantime: new ports, a few times.
          if (attempt < kStartAttempts) break;
          throw std::runtime_error("slapd ended at start: " + Tail(log));
        }
        if (std::chrono::steady_clock::now() > until) throw std::runtime_error("slapd does not take connections");
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
      }
    }
  } catch (...) {
    Stop();
    throw;
  }
}

SlapdServer::~SlapdServer() { Stop(); }

void SlapdServer::Stop() {
  // The data are thrown away, so slapd need not shut down in order.
  Terminate(slapd_, true);
  std::error_code ignored;
  std::filesystem::remove_all(root_, ignored);
}

std::string SlapdServer::LdapUri() const { return "ldap://127.0.0.1:" + std::to_string(ldap_port_); }
std::string SlapdServer::LdapsUri() const { return "ldaps://127.0.0.1:" + std::to_string(ldaps_port_); }

}  // namespace testing_support
