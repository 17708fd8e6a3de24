// The address list read over LDAP from a throw-away slapd holding 2,000 or 100,000 members, beside
// ldapsearch doing the same paged search over the same connection kind (ldaps://, 500 a page); and
// the directory files of the generated shares (LDIF address list, vCard contacts) parsed from memory.
// See bench/README.md for how to run it and the figures.
#include <benchmark/benchmark.h>

#include <fstream>
#include <map>
#include <memory>
#include <sstream>
#include <string>

#include "directory/ldap_gal.h"
#include "directory/ldif_reader.h"
#include "directory/vcard_reader.h"
#include "tests/support/child_run.h"
#include "tests/support/daemon.h"
#include "tests/support/share_generator.h"
#include "tests/support/slapd_server.h"
#include "tests/support/system_files.h"

namespace {

using testing_support::SlapdServer;

// One server per size for the whole run; its members carry what an Exchange mailbox does.
SlapdServer* ServerOrSkip(benchmark::State& state) {
  static std::map<int64_t, std::unique_ptr<SlapdServer>> servers;
  if (std::string missing = SlapdServer::Missing(); !missing.empty()) {
    state.SkipWithError(missing.c_str());
    return nullptr;
  }
  std::unique_ptr<SlapdServer>& server = servers[state.range(0)];
  if (!server) {
    const std::string users = std::string("ou=Users,") + testing_support::kSuffix;
    std::string ldif = "dn: " + users + "\nobjectClass: organizationalUnit\nou: Users\n\n";
    for (int64_t i = 0; i < state.range(0); ++i) {
      const std::string n = std::to_string(i);
      ldif += "dn: cn=m" + n + "," + users + "\nobjectClass: contact\ncn: m" + n + "\nsn: m" + n +
              "\ndisplayName: Иванов Пётр Сергеевич " + n + "\nshowInAddressBook: " + testing_support::kGalDn +
              "\nlegacyExchangeDN: /o=Romashka/ou=Exchange Administrative Group (FYDIBOHF23SPDLT)/cn=Recipients/cn=u" +
              n + "\nmail: u" + n + "@romashka.example\n\n";
    }
    server = std::make_unique<SlapdServer>(ldif);
    // ldapsearch takes the whole file as the password: no line break.
    testing_support::WriteText(server->scratch() / "password", testing_support::kReaderPassword, 0600);
  }
  return server.get();
}

void BM_ReadGalLdap(benchmark::State& state) {
  SlapdServer* server = ServerOrSkip(state);
  if (server == nullptr) return;
  directory::LdapSource source;
  source.uri = common::FromUtf8(server->LdapsUri());
  source.user = common::FromUtf8(testing_support::kReader);
  source.password_file = platform::FsPathToText(server->scratch() / "password");
  source.ca_file = platform::FsPathToText(server->ca_file());
  for (auto _ : state) {
    std::vector<directory::GalEntry> entries = directory::ReadGalLdap(testing_support::SystemFiles(), source);
    if (static_cast<int64_t>(entries.size()) != state.range(0)) state.SkipWithError("wrong number of entries");
    benchmark::DoNotOptimize(entries);
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
}

void BM_Ldapsearch(benchmark::State& state) {
  SlapdServer* server = ServerOrSkip(state);
  if (server == nullptr) return;
  if (testing_support::FindProgram("ldapsearch").empty()) {
    state.SkipWithError("ldapsearch is not installed (package ldap-utils)");
    return;
  }
  const std::string command =
      "LDAPTLS_CACERT='" + server->ca_file().string() + "' ldapsearch -LLL -o ldif_wrap=no -H '" + server->LdapsUri() +
      "' -x -D '" + testing_support::kReader + "' -y '" + (server->scratch() / "password").string() + "' -b '" +
      testing_support::kSuffix + "' -E pr=500/noprompt '(&(showInAddressBook=" + testing_support::kGalDn +
      ")(!(msExchHideFromAddressLists=TRUE)))' displayName legacyExchangeDN targetAddress mail > '" +
      (server->scratch() / "ldapsearch.out").string() + "' 2>&1; grep -c '^dn:' '" +
      (server->scratch() / "ldapsearch.out").string() + "' || tail -3 '" +
      (server->scratch() / "ldapsearch.out").string() + "'";
  for (auto _ : state) {
    std::string count = testing_support::RunCommand(command);
    if (count != std::to_string(state.range(0)) + "\n") state.SkipWithError(("ldapsearch found " + count).c_str());
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
}

// A directory file of the share of `hosts` workstations that refresh_bench runs on (same options, so
// the cache serves both), read into memory once.
const std::string& ShareFileBytes(int64_t hosts, bool gal) {
  static std::map<std::pair<int64_t, bool>, std::string> files;
  std::string& bytes = files[{hosts, gal}];
  if (bytes.empty()) {
    bench::ShareOptions options;
    options.hosts = static_cast<int>(hosts);
    options.lookup_per_mille = 0;
    const std::filesystem::path share = bench::CachedShare(INVENTORY_BENCH_CACHE, options);
    std::ifstream in(gal ? bench::GalFile(share) : bench::ContactsFile(share), std::ios::binary);
    std::ostringstream content;
    content << in.rdbuf();
    bytes = std::move(content).str();
  }
  return bytes;
}

// ReadGal over the share's gal.ldif (base64 names, folded lines), the bytes already in memory.
void BM_ReadGalLdif(benchmark::State& state) {
  const std::string& bytes = ShareFileBytes(state.range(0), true);
  for (auto _ : state) {
    std::vector<directory::GalEntry> entries = directory::ReadGal(bytes, u"gal.ldif", "windows-1251");
    benchmark::DoNotOptimize(entries);
    state.counters["entries"] = static_cast<double>(entries.size());
  }
  state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(bytes.size()));
}

// ReadContacts over the share's contacts.vcf (3.0, CR LF), the bytes already in memory.
void BM_ReadContactsVcard(benchmark::State& state) {
  const std::string& bytes = ShareFileBytes(state.range(0), false);
  for (auto _ : state) {
    std::vector<directory::ContactCard> cards = directory::ReadContacts(bytes, u"contacts.vcf", "windows-1251");
    benchmark::DoNotOptimize(cards);
    state.counters["cards"] = static_cast<double>(cards.size());
  }
  state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(bytes.size()));
}

BENCHMARK(BM_ReadGalLdap)->Arg(2000)->Arg(100000)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_Ldapsearch)->Arg(2000)->Arg(100000)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_ReadGalLdif)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReadContactsVcard)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
