#include "tests/support/slapd_server.h"

#include <stdexcept>

#include "tests/support/daemon.h"

namespace testing_support {
namespace {

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
         "dn: ou=Service," + suffix + "\nobjectClass: organizationalUnit\nou: Service\n\n" +
         Account(kReader, "reader") + Account(kCappedReader, "capped") + Container(configuration, "Configuration") +
         Container(services, "Services") +
         Container(exchange, "Microsoft Exchange",
                   "globalAddressList: " + std::string(kOtherListDn) + "\nglobalAddressList: " + kGalDn + "\n") +
         Container(org, "Romashka") + Container(lists, "Address Lists Container") +
         Container("CN=All Global Address Lists," + lists, "All Global Address Lists") +
         Container(kGalDn, "Default Global Address List") +
         Container("CN=All Address Lists," + lists, "All Address Lists") +
         Container(kOtherListDn, "All Contacts (Romashka, Moscow)") +
         // A part of the tree held by another server, as AD's DNS zones are.
         "dn: ou=Elsewhere," + suffix +
         "\nobjectClass: referral\nobjectClass: extensibleObject\nou: Elsewhere\n"
         "ref: ldap://127.0.0.1:9/ou=Elsewhere,dc=other,dc=example\n\n";
}

std::string Config(const std::filesystem::path& root, const std::string& global_config) {
  const std::string r = root.string();
  return "include /etc/ldap/schema/core.schema\n"
         "include /etc/ldap/schema/cosine.schema\n"
         "include /etc/ldap/schema/inetorgperson.schema\n"
         "include " INVENTORY_AD_SCHEMA
         "\n"
         "pidfile " +
         r +
         "/slapd.pid\n"
         "argsfile " +
         r +
         "/slapd.args\n"
         "modulepath /usr/lib/ldap\n"
         "moduleload back_mdb\n"
         "rootDSE " +
         r +
         "/rootdse.ldif\n"
         "TLSCACertificateFile " +
         r +
         "/ca.pem\n"
         "TLSCertificateFile " +
         r +
         "/server.pem\n"
         "TLSCertificateKeyFile " +
         r +
         "/server.key\n"
         "require authc\n" +
         global_config +
         "database mdb\n"
         "maxsize 1073741824\n"
         "suffix \"" +
         kSuffix +
         "\"\n"
         "rootdn \"cn=admin," +
         kSuffix +
         "\"\n"
         "directory " +
         r +
         "/data\n"
         "index objectClass eq\n"
         "index showInAddressBook eq\n"
         "limits dn.exact=\"" +
         kCappedReader +
         "\" size.soft=1000 size.hard=1000 size.pr=1000 size.prtotal=1000\n"
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

SlapdServer::SlapdServer(const std::string& entries, const std::string& global_config) {
  std::string missing = Missing();
  if (!missing.empty()) throw std::runtime_error(missing);
  root_ = MakeServerFolder("inventory-slapd-");
  try {
    std::filesystem::create_directories(root_ / "data");
    std::filesystem::create_directories(scratch());
    ca_file_ = root_ / "ca.pem";
    other_ca_file_ = root_ / "other-ca.pem";
    MakeTestCertificates(root_);
    WriteText(root_ / "rootdse.ldif", std::string("dn:\nconfigurationNamingContext: CN=Configuration,") + kSuffix +
                                          "\ndefaultNamingContext: " + kSuffix + "\n");
    WriteText(root_ / "slapd.conf", Config(root_, global_config));
    WriteText(root_ / "tree.ldif", Tree() + entries);
    const std::string conf = (root_ / "slapd.conf").string();
    RunStep("'" + FindProgram("slapadd") + "' -q -f '" + conf + "' -l '" + (root_ / "tree.ldif").string() + "'",
            "loading the entries with slapadd");
    for (int attempt = 1; slapd_ < 0; ++attempt) {
      ldap_port_ = FreePort();
      ldaps_port_ = FreePort();
      if (ldaps_port_ == ldap_port_) continue;
      const std::string listen = LdapUri() + "/ " + LdapsUri() + "/";
      const std::filesystem::path log = root_ / "slapd.out";
      slapd_ = Spawn({FindProgram("slapd"), "-d", "0", "-f", conf, "-h", listen}, root_, log);
      // Another program may have taken a port in the meantime: new ports, a few times.
      if (!WaitForPorts(slapd_, {ldap_port_, ldaps_port_}, "slapd") && attempt >= kStartAttempts) {
        throw std::runtime_error("slapd ended at start: " + Tail(log));
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
