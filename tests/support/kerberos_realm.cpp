#include "tests/support/kerberos_realm.h"

#include <stdlib.h>

#include <stdexcept>

#include "tests/support/daemon.h"

namespace testing_support {

std::string KerberosRealm::Missing() {
  if (FindProgram("krb5kdc").empty() || FindProgram("kdb5_util").empty()) {
    return "krb5kdc is not installed (package krb5-kdc)";
  }
  if (FindProgram("kadmin.local").empty()) return "kadmin.local is not installed (package krb5-admin-server)";
  if (FindProgram("kinit").empty()) return "kinit is not installed (package krb5-user)";
  return {};
}

KerberosRealm::KerberosRealm() {
  std::string missing = Missing();
  if (!missing.empty()) throw std::runtime_error(missing);
  root_ = MakeServerFolder("inventory-krb5-");
  try {
    const std::string r = root_.string();
    const std::string port = std::to_string(FreePort());
    const std::string realm = kRealm;
    WriteText(root_ / "krb5.conf", "[libdefaults]\n default_realm = " + realm +
                                       "\n dns_lookup_kdc = false\n dns_lookup_realm = false\n rdns = false\n"
                                       "[realms]\n " +
                                       realm + " = {\n  kdc = 127.0.0.1:" + port + "\n }\n");
    WriteText(root_ / "kdc.conf", "[kdcdefaults]\n kdc_ports = " + port + "\n kdc_tcp_ports = " + port +
                                      "\n[realms]\n " + realm + " = {\n  database_name = " + r +
                                      "/principal\n  key_stash_file = " + r + "/stash\n  acl_file = " + r +
                                      "/kadm5.acl\n }\n[logging]\n kdc = FILE:" + r + "/kdc.log\n");
    WriteText(root_ / "kadm5.acl", "");
    ::setenv("KRB5_CONFIG", (root_ / "krb5.conf").c_str(), 1);
    ::setenv("KRB5_KDC_PROFILE", (root_ / "kdc.conf").c_str(), 1);
    ::setenv("KRB5CCNAME", ("FILE:" + r + "/ccache").c_str(), 1);
    ::setenv("KRB5_KTNAME", ("FILE:" + keytab().string()).c_str(), 1);
    RunStep("kdb5_util create -s -r " + realm + " -P master-key-2024", "creating the realm with kdb5_util");
    RunStep("kadmin.local -r " + realm + " -q 'addprinc -pw " + kKerberosPassword + " " + kKerberosUser +
                "' && kadmin.local -r " + realm + " -q 'addprinc -randkey ldap/localhost' && kadmin.local -r " + realm +
                " -q 'ktadd -k " + keytab().string() + " ldap/localhost'",
            "adding the principals with kadmin.local");
    kdc_ = Spawn({FindProgram("krb5kdc"), "-n", "-r", realm}, root_, root_ / "krb5kdc.out");
    if (!WaitForPorts(kdc_, {std::stoi(port)}, "krb5kdc")) {
      throw std::runtime_error("krb5kdc ended at start: " + Tail(root_ / "krb5kdc.out") + Tail(root_ / "kdc.log"));
    }
    RunStep("echo '" + std::string(kKerberosPassword) + "' | kinit " + kKerberosUser, "getting a ticket with kinit");
  } catch (...) {
    Terminate(kdc_, true);
    std::error_code ignored;
    std::filesystem::remove_all(root_, ignored);
    throw;
  }
}

KerberosRealm::~KerberosRealm() {
  Terminate(kdc_, true);
  std::error_code ignored;
  std::filesystem::remove_all(root_, ignored);
}

}  // namespace testing_support
