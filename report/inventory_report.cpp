#include "report/inventory_report.h"

#include <algorithm>
#include <array>
#include <ctime>
#include <future>
#include <map>
#include <unordered_map>
#include <unordered_set>
#include <utility>

#include "common/error.h"
#include "platform/file_system.h"
#include "report/near_names.h"
#include "store/connection.h"
#include "store/inventory_database.h"
#include "store/query.h"
#include "store/table.h"
#include "survey/info_import.h"
#include "survey/info_lines.h"
#include "survey/users_row.h"

namespace report {

namespace {

using common::Text;

constexpr char16_t kNoData[] = u"нет данных";
constexpr size_t kTopBars = 10;
constexpr size_t kMostBars = 30;
constexpr size_t kNearestShown = 3;
constexpr int64_t kSecondsPerDay = 86400;

// The USERS columns the report reads, and the info-file line that feeds each fact column: a row
// whose facts all equal the stand-in lines of a missing info file holds no real facts.
enum Column {
  kHost,
  kIp,
  kFio,
  kZdan,
  kEtaj,
  kEmail,
  kTel2,
  kSpeed,
  kType,
  kRam,
  kCpu,
  kHdd,
  kOs,
  kOsver,
  kW9xver,
  kOsbuild,
  kOsid,
  kBios,
  kPrinter,
  kColumnCount
};
constexpr std::array<const char*, kColumnCount> kColumnNames = {
    "HOST", "IP",  "FIO", "ZDAN",  "ETAJ",   "EMAIL",   "TEL2", "SPEED", "TYPE",   "RAM",
    "CPU",  "HDD", "OS",  "OSVER", "W9XVER", "OSBUILD", "OSID", "BIOS",  "PRINTER"};
constexpr std::array<std::pair<Column, size_t>, 12> kFactLines = {{{kSpeed, 0},
                                                                   {kType, 1},
                                                                   {kRam, 2},
                                                                   {kCpu, 3},
                                                                   {kHdd, 4},
                                                                   {kOs, 5},
                                                                   {kOsver, 6},
                                                                   {kW9xver, 7},
                                                                   {kOsbuild, 8},
                                                                   {kOsid, 9},
                                                                   {kBios, 10},
                                                                   {kPrinter, 13}}};

// One USERS row: its texts stay in the query's result set, which stays open while the report is made.
struct Row {
  std::array<const Text*, kColumnCount> cells;
  const Text& operator[](size_t column) const { return *cells[column]; }
};

// What the survey folder's listing says of one host's files.
struct HostFiles {
  bool survey = false;
  bool info = false;
  int64_t newest = 0;
};

// The survey folder's one listing, made while the tables are read.
struct Listing {
  std::unordered_map<Text, HostFiles> hosts;
  int64_t survey_files = 0;
  int64_t info_files = 0;
  std::optional<int64_t> newest_survey_file;
};

// Whether `name` ends with the ASCII `suffix` (given in upper case), whatever the case of its letters.
bool EndsWithIgnoreCase(const Text& name, std::u16string_view suffix) {
  if (name.size() < suffix.size()) return false;
  for (size_t i = 0, at = name.size() - suffix.size(); i < suffix.size(); ++i, ++at) {
    if (common::AsciiUpper(name[at]) != suffix[i]) return false;
  }
  return true;
}

// A survey folder that cannot be opened lists nothing: every host is then stale.
Listing ListSurveyFolder(platform::FileSystem& files, const Text& folder) {
  Listing listing;
  std::unique_ptr<platform::Folder> opened;
  try {
    opened = files.OpenFolder(folder);
  } catch (const platform::CannotOpenFolder&) {
    return listing;
  }
  for (const platform::FolderEntry& entry : opened->List(true)) {
    if (entry.kind != platform::EntryKind::kFile || !entry.modified) continue;
    bool survey = EndsWithIgnoreCase(entry.name, u".TXT");
    bool info = EndsWithIgnoreCase(entry.name, u".NFO");
    if (!survey && !info) continue;
    // Both kinds of file name their host as the info-only import reads it from an info file.
    HostFiles& files = listing.hosts[survey::InfoHostName(entry.name)];
    files.newest = std::max(files.newest, *entry.modified);
    if (survey) {
      files.survey = true;
      ++listing.survey_files;
      if (!listing.newest_survey_file || *entry.modified > *listing.newest_survey_file) {
        listing.newest_survey_file = *entry.modified;
      }
    } else {
      files.info = true;
      ++listing.info_files;
    }
  }
  return listing;
}

// `text` without the blanks at either end, as a view into it.
common::TextView Trimmed(common::TextView text) {
  size_t begin = 0, end = text.size();
  while (begin < end && common::IsBlank(text[begin])) ++begin;
  while (end > begin && common::IsBlank(text[end - 1])) --end;
  return text.substr(begin, end - begin);
}

// A whole number at the start of a value ("4096", "2400.00000"); empty for anything else.
std::optional<int64_t> WholeNumber(common::TextView value) {
  common::TextView trimmed = Trimmed(value);
  if (trimmed.empty()) return std::nullopt;
  int64_t number = 0;
  size_t i = 0;
  for (; i < trimmed.size() && trimmed[i] >= u'0' && trimmed[i] <= u'9'; ++i) {
    if (number > (int64_t{1} << 40)) return std::nullopt;
    number = number * 10 + (trimmed[i] - u'0');
  }
  if (i == 0 || (i < trimmed.size() && trimmed[i] != u'.')) return std::nullopt;
  return number;
}

// Counts one more of `value`; the map keeps its own copy only of values it has not seen.
void Bump(std::map<Text, int64_t, std::less<>>& counts, common::TextView value) {
  auto found = counts.find(value);
  if (found == counts.end()) found = counts.emplace(Text(value), 0).first;
  ++found->second;
}

Text Number(int64_t value) { return common::FromUtf8(std::to_string(value)); }

template <typename Parts>
Text Joined(const Parts& parts, std::u16string_view separator) {
  Text out;
  for (size_t i = 0; i < parts.size(); ++i) {
    if (i) out += separator;
    out += parts[i];
  }
  return out;
}

// The first `limit` bars, and the rest summed up in one more.
std::vector<Bar> WithRest(std::vector<Bar> bars, size_t limit) {
  if (bars.size() > limit) {
    int64_t rest = 0;
    size_t kinds = bars.size() - limit;
    for (size_t i = limit; i < bars.size(); ++i) rest += bars[i].count;
    bars.resize(limit);
    bars.push_back({u"прочие (" + Number(static_cast<int64_t>(kinds)) + u")", rest});
  }
  return bars;
}

// Most frequent first, then in text order; at most `limit` bars, the rest summed up in one more.
std::vector<Bar> MostFrequent(const std::map<Text, int64_t, std::less<>>& counts, size_t limit) {
  std::vector<Bar> bars;
  for (const auto& [label, count] : counts) bars.push_back({label, count});
  std::stable_sort(bars.begin(), bars.end(), [](const Bar& a, const Bar& b) { return a.count > b.count; });
  return WithRest(std::move(bars), limit);
}

// Ranges of a numeric fact: each bound is the lowest value of its range; zero or no value is "no data".
struct Range {
  int64_t from;
  const char16_t* label;
};

std::vector<Bar> RangeBars(const std::vector<Row>& rows, Column column, const std::vector<Range>& ranges) {
  std::vector<int64_t> counts(ranges.size() + 1);
  for (const Row& row : rows) {
    std::optional<int64_t> value = WholeNumber(row[column]);
    if (!value || *value == 0) {
      ++counts.back();
      continue;
    }
    size_t at = 0;
    while (at + 1 < ranges.size() && *value >= ranges[at + 1].from) ++at;
    ++counts[at];
  }
  std::vector<Bar> bars;
  for (size_t i = 0; i < ranges.size(); ++i) bars.push_back({ranges[i].label, counts[i]});
  bars.push_back({kNoData, counts.back()});
  return bars;
}

// Text order with runs of digits compared by value: floor 9 before floor 10, 10.0.0.9 before 10.0.0.10.
bool NaturalLess(const Text& a, const Text& b) {
  size_t i = 0, j = 0;
  while (i < a.size() && j < b.size()) {
    bool da = a[i] >= u'0' && a[i] <= u'9';
    bool db = b[j] >= u'0' && b[j] <= u'9';
    if (da && db) {
      size_t ei = i, ej = j;
      while (ei < a.size() && a[ei] == u'0') ++ei;
      while (ej < b.size() && b[ej] == u'0') ++ej;
      size_t si = ei, sj = ej;
      while (ei < a.size() && a[ei] >= u'0' && a[ei] <= u'9') ++ei;
      while (ej < b.size() && b[ej] >= u'0' && b[ej] <= u'9') ++ej;
      if (ei - si != ej - sj) return ei - si < ej - sj;
      int order = a.compare(si, ei - si, b, sj, ej - sj);
      if (order != 0) return order < 0;
      i = ei;
      j = ej;
      continue;
    }
    if (a[i] != b[j]) return a[i] < b[j];
    ++i;
    ++j;
  }
  return a.size() - i < b.size() - j;
}

// Each key with more than `more_than` hosts: the key, the number of hosts and the hosts in order.
// (value, host) pairs; the views point into the rows, which outlive the lists.
using HostPairs = std::vector<std::pair<common::TextView, common::TextView>>;

// Each value with more than `more_than` different hosts: the value, the number of hosts and the
// hosts in order.
std::vector<std::vector<Text>> HostsByKey(HostPairs pairs, size_t more_than) {
  std::sort(pairs.begin(), pairs.end());
  pairs.erase(std::unique(pairs.begin(), pairs.end()), pairs.end());
  std::vector<std::vector<Text>> rows;
  for (size_t first = 0, last = 0; first < pairs.size(); first = last) {
    while (last < pairs.size() && pairs[last].first == pairs[first].first) ++last;
    if (last - first <= more_than) continue;
    std::vector<Text> hosts;
    for (size_t i = first; i < last; ++i) hosts.emplace_back(pairs[i].second);
    std::sort(hosts.begin(), hosts.end(), NaturalLess);
    rows.push_back({Text(pairs[first].first), Number(static_cast<int64_t>(hosts.size())), Joined(hosts, u", ")});
  }
  return rows;
}

void SortRows(ActionList& list, const std::vector<size_t>& key_columns) {
  std::stable_sort(list.rows.begin(), list.rows.end(), [&](const auto& a, const auto& b) {
    for (size_t column : key_columns) {
      if (NaturalLess(a[column], b[column])) return true;
      if (NaturalLess(b[column], a[column])) return false;
    }
    return false;
  });
}

class Gatherer {
 public:
  Gatherer(platform::FileSystem& files, const common::Clock& clock, const ReportSettings& settings)
      : settings_(settings), connection_(files, clock, "ADOConnection", settings.dbf_codepage) {
    connection_.SetConnectionString(store::kConnectionStringPrefix + settings.database_folder);
  }

  Report Run() {
    report_.survey_folder = settings_.survey_folder;
    report_.database_folder = settings_.database_folder;
    report_.generated = settings_.now;
    if (!store::TableExists(connection_.files(), settings_.database_folder, u"users.dbf")) {
      throw common::Error(u"The database folder \"" + settings_.database_folder +
                          u"\" holds no inventory: users.dbf is missing");
    }
    // The listing waits on the file server, the tables on the disk and the processor: side by side.
    std::future<Listing> listing = std::async(
        std::launch::async, [this] { return ListSurveyFolder(connection_.files(), settings_.survey_folder); });
    ReadUsers();
    ReadMexport();
    report_.texport_rows = CountRows(u"texport", "TEXPORT", "FIO");
    ReadHistory();
    Listing listed = listing.get();
    files_ = std::move(listed.hosts);
    report_.survey_files = listed.survey_files;
    report_.info_files = listed.info_files;
    report_.newest_survey_file = listed.newest_survey_file;
    Count();
    // The lists by person on a second thread; the charts and the lists by host on this one.
    std::future<std::vector<ActionList>> by_person = std::async(std::launch::async, [this] {
      return std::vector<ActionList>{NoEmail(), SeveralEntries(), ManyWorkstations()};
    });
    Charts();
    std::vector<ActionList> by_host = {SharedAddresses(), Stale(), PlaceholderFacts()};
    report_.lists = by_person.get();
    report_.lists.insert(report_.lists.end(), std::make_move_iterator(by_host.begin()),
                         std::make_move_iterator(by_host.end()));
    return std::move(report_);
  }

 private:
  std::vector<std::string> FieldNames(const Text& table) {
    store::Table component("Table", connection_);
    component.SetTableName(table);
    component.Open();
    std::vector<std::string> names = component.FieldNames();
    component.Close();
    return names;
  }

  static bool Has(const std::vector<std::string>& names, std::string_view column) {
    return std::any_of(names.begin(), names.end(),
                       [&](const std::string& name) { return common::EqualsIgnoreAsciiCase(name, column); });
  }

  // Rows of the `wanted` columns that the table has, through `query`, which stays open; `present`
  // tells which columns the table has.
  template <typename Visit>
  void Select(store::Query& query, const Text& table, const char* table_upper, const std::vector<std::string>& wanted,
              Visit visit, std::vector<bool>& present) {
    std::vector<std::string> names = FieldNames(table);
    std::string text;
    present.assign(wanted.size(), false);
    for (size_t i = 0; i < wanted.size(); ++i) {
      if (!Has(names, wanted[i])) continue;
      present[i] = true;
      text += (text.empty() ? "SELECT " : ", ") + wanted[i];
    }
    if (text.empty()) return;
    query.SetText(common::FromUtf8(text + " FROM " + table_upper));
    query.Open();
    for (query.First(); !query.Eof(); query.Next()) visit(query);
  }

  void ReadUsers() {
    std::vector<std::string> wanted(kColumnNames.begin(), kColumnNames.end());
    static const Text kAbsent;
    std::vector<bool> present;
    Select(
        users_, u"users", "USERS", wanted,
        [&](store::Query& query) {
          Row row;
          for (size_t i = 0; i < kColumnCount; ++i)
            row.cells[i] = present[i] ? &query.FieldText(kColumnNames[i]) : &kAbsent;
          rows_.push_back(row);
        },
        present);
    std::vector<Text> missing;
    for (size_t i = 0; i < kColumnCount; ++i) {
      if (!present[i]) missing.push_back(common::FromUtf8(kColumnNames[i]));
    }
    if (!missing.empty()) {
      report_.notes.push_back(u"В таблице USERS нет столбцов " + Joined(missing, u", ") +
                              u": то, что из них следует, не показано.");
    }
  }

  std::optional<int64_t> CountRows(const Text& table, const char* table_upper, const char* column) {
    if (!store::TableExists(connection_.files(), settings_.database_folder, table + u".dbf")) {
      report_.notes.push_back(u"Таблицы " + common::FromUtf8(table_upper) + u" нет в папке базы данных.");
      return std::nullopt;
    }
    int64_t count = 0;
    std::vector<bool> present;
    store::Query query("ADOQuery", connection_);
    Select(
        query, table, table_upper, {column}, [&](store::Query&) { ++count; }, present);
    return count;
  }

  // HISTORY whole, and the rows of the last stale_days days by host.
  void ReadHistory() {
    report_.changes = {"changes",
                       u"Изменения",
                       u"Что пополнения изменили в строках USERS за последние " + Number(settings_.stale_days) +
                           u" дней: столбец, прежнее и новое значение, дата. *CREATED* — первая строка "
                           u"компьютера, *PURGED* — до какого дня удалены старые записи.",
                       {u"HOST", u"Столбец", u"Было", u"Стало", u"Дата"},
                       {}};
    report_.history = {"history",
                       u"Вся история изменений",
                       u"",
                       {u"HOST", u"CHG_DATE", u"CHG_TIME", u"FIELD", u"OLD_VALUE", u"NEW_VALUE"},
                       {}};
    if (!store::TableExists(connection_.files(), settings_.database_folder, u"history.dbf")) return;
    report_.history_present = true;
    report_.history_days = settings_.stale_days;
    // The first day that counts, as the local calendar has it: "YYYYMMDD".
    Text since = LocalTime(settings_.now - int64_t{settings_.stale_days} * kSecondsPerDay).substr(0, 10);
    std::erase(since, u'-');
    static const Text kAbsent;
    std::vector<std::string> wanted = {"HOST", "CHG_DATE", "CHG_TIME", "FIELD", "OLD_VALUE", "NEW_VALUE"};
    std::vector<bool> present;
    store::Query query("ADOQuery", connection_);
    std::vector<std::vector<Text>> recent;
    Select(
        query, u"history", "HISTORY", wanted,
        [&](store::Query& row) {
          std::vector<Text> cells;
          for (size_t i = 0; i < wanted.size(); ++i) cells.push_back(present[i] ? row.FieldText(wanted[i]) : kAbsent);
          if (cells[1] >= since && cells[1].size() == 8) recent.push_back(cells);
          report_.history.rows.push_back(std::move(cells));
        },
        present);
    // Newest first, the hosts by their newest change; a row's moment is its date and its time.
    auto moment = [](const std::vector<Text>& cells) { return cells[1] + u" " + cells[2]; };
    std::unordered_map<Text, Text> newest;
    for (const auto& cells : recent) {
      Text& at = newest[cells[0]];
      at = std::max(at, moment(cells));
    }
    std::stable_sort(recent.begin(), recent.end(), [&](const auto& a, const auto& b) {
      const Text &host_a = newest[a[0]], &host_b = newest[b[0]];
      if (host_a != host_b) return host_a > host_b;
      if (a[0] != b[0]) return NaturalLess(a[0], b[0]);
      return moment(a) > moment(b);
    });
    std::unordered_set<Text> hosts;
    for (const auto& cells : recent) {
      if (!Trimmed(cells[0]).empty()) hosts.insert(cells[0]);
      const Text& date = cells[1];
      report_.changes.rows.push_back(
          {cells[0], cells[3], cells[4], cells[5],
           date.substr(0, 4) + u"-" + date.substr(4, 2) + u"-" + date.substr(6, 2) + u" " + cells[2]});
    }
    report_.hosts_changed = static_cast<int64_t>(hosts.size());
  }

  // MEXPORT as the contact merge walks it: in the store's order, nameless rows passed over.
  void ReadMexport() {
    if (!store::TableExists(connection_.files(), settings_.database_folder, u"mexport.dbf")) {
      report_.notes.push_back(
          u"Таблицы MEXPORT нет в папке базы данных: списки, которые сверяют имена "
          u"со справочником, пусты.");
      return;
    }
    int64_t count = 0;
    std::vector<bool> present;
    static const Text kAbsent;
    Select(
        mexport_, u"mexport", "MEXPORT", {"FIO", "EMAIL"},
        [&](store::Query& query) {
          ++count;
          const Text& fio = present[0] ? query.FieldText("FIO") : kAbsent;
          if (Trimmed(fio).empty()) return;
          directory_[fio].push_back(present[1] ? query.FieldText("EMAIL") : kAbsent);
        },
        present);
    report_.mexport_rows = count;
  }

  static bool IsPerson(const Text& fio) { return !Trimmed(fio).empty() && fio != survey::kNoQuestionnaireFio; }

  void Count() {
    std::unordered_set<common::TextView> people;
    for (const Row& row : rows_) {
      ++report_.workstations;
      if (row[kFio] == survey::kNoQuestionnaireFio) ++report_.info_only_hosts;
      if (IsPerson(row[kFio])) people.insert(row[kFio]);
      if (!Trimmed(row[kEmail]).empty()) ++report_.with_email;
      if (!Trimmed(row[kTel2]).empty()) ++report_.with_tel2;
    }
    report_.people = static_cast<int64_t>(people.size());
  }

  // The ten most frequent values of a column, blanks around them ignored, empty values left out.
  std::vector<Bar> TopTen(Column column) const {
    std::unordered_map<common::TextView, int64_t> counts;
    for (const Row& row : rows_) {
      common::TextView value = Trimmed(row[column]);
      if (!value.empty()) ++counts[value];
    }
    std::vector<std::pair<common::TextView, int64_t>> values(counts.begin(), counts.end());
    auto more = [](const auto& a, const auto& b) {
      return a.second != b.second ? a.second > b.second : a.first < b.first;
    };
    size_t shown = std::min(kTopBars, values.size());
    std::partial_sort(values.begin(), values.begin() + static_cast<std::ptrdiff_t>(shown), values.end(), more);
    std::vector<Bar> bars;
    for (size_t i = 0; i < shown; ++i) bars.push_back({Text(values[i].first), values[i].second});
    return bars;
  }

  void Charts() {
    std::map<Text, int64_t, std::less<>> systems;
    std::map<Text, int64_t, std::less<>> places;
    Text label;
    for (const Row& row : rows_) {
      common::TextView os = Trimmed(row[kOs]);
      common::TextView version = Trimmed(row[kOsver]);
      label.assign(os);
      if (!os.empty() && !version.empty()) label += u' ';
      label += version;
      Bump(systems, label.empty() ? common::TextView(kNoData) : common::TextView(label));
      common::TextView building = Trimmed(row[kZdan]);
      common::TextView floor = Trimmed(row[kEtaj]);
      label.assign(building.empty() ? common::TextView(u"здание не указано") : building);
      label += u", этаж ";
      label += floor.empty() ? common::TextView(u"—") : floor;
      Bump(places, label);
    }
    report_.charts.push_back({"os", u"Операционная система (OS, OSVER)", MostFrequent(systems, kTopBars)});
    report_.charts.push_back({"ram", u"Память (RAM, МБ)",
                              RangeBars(rows_, kRam,
                                        {{1, u"меньше 1 ГБ"},
                                         {1024, u"1–2 ГБ"},
                                         {2048, u"2–4 ГБ"},
                                         {4096, u"4–8 ГБ"},
                                         {8192, u"8–16 ГБ"},
                                         {16384, u"16 ГБ и больше"}})});
    report_.charts.push_back({"hdd", u"Диск (HDD, МБ)",
                              RangeBars(rows_, kHdd,
                                        {{1, u"меньше 128 ГБ"},
                                         {131072, u"128–256 ГБ"},
                                         {262144, u"256–512 ГБ"},
                                         {524288, u"512 ГБ – 1 ТБ"},
                                         {1048576, u"1 ТБ и больше"}})});
    report_.charts.push_back({"speed", u"Частота процессора (SPEED, МГц)",
                              RangeBars(rows_, kSpeed,
                                        {{1, u"меньше 1 ГГц"},
                                         {1000, u"1–2 ГГц"},
                                         {2000, u"2–3 ГГц"},
                                         {3000, u"3–4 ГГц"},
                                         {4000, u"4 ГГц и больше"}})});
    report_.charts.push_back({"cpu", u"Десять самых частых процессоров (CPU)", TopTen(kCpu)});
    report_.charts.push_back({"printer", u"Десять самых частых принтеров (PRINTER)", TopTen(kPrinter)});
    // Buildings and floors in their own order rather than by size: the chart is a floor plan.
    std::vector<Bar> bars;
    for (const auto& [label, count] : places) bars.push_back({label, count});
    std::stable_sort(bars.begin(), bars.end(),
                     [](const Bar& a, const Bar& b) { return NaturalLess(a.label, b.label); });
    report_.charts.push_back(
        {"places", u"Рабочие места по зданиям и этажам (ZDAN, ETAJ)", WithRest(std::move(bars), kMostBars)});
  }

  ActionList NoEmail() const {
    ActionList list{"no-email",
                    u"Люди без адреса электронной почты",
                    u"Строки с именем (FIO), которому не досталось адреса EMAIL: имени нет в справочнике "
                    u"(MEXPORT) в точности так, как оно записано. Чаще всего это опечатка в анкете. Рядом — "
                    u"имена справочника, отличающиеся не более чем на " +
                        Number(NearNames::kMaxDistance) + u" буквы (вставка, удаление или замена; имена короче " +
                        Number(static_cast<int64_t>(NearNames::kMinLength)) + u" букв не сверяются).",
                    {u"FIO", u"HOST", u"Близкие имена в MEXPORT"},
                    {}};
    std::vector<Text> names;
    names.reserve(directory_.size());
    for (const auto& [name, addresses] : directory_) names.emplace_back(name);
    NearNames near(std::move(names));
    std::unordered_map<Text, Text> suggestions;
    for (const Row& row : rows_) {
      if (!IsPerson(row[kFio]) || !Trimmed(row[kEmail]).empty()) continue;
      auto [at, inserted] = suggestions.try_emplace(row[kFio]);
      if (inserted) at->second = Joined(near.Nearest(row[kFio], kNearestShown), u"; ");
      list.rows.push_back({row[kFio], row[kHost], at->second});
    }
    SortRows(list, {0, 1});
    return list;
  }

  ActionList SeveralEntries() const {
    ActionList list{"several-entries",
                    u"Имена с несколькими записями справочника",
                    u"Имени из USERS соответствует несколько строк MEXPORT. Слияние записывает адреса по "
                    u"очереди, и в строках USERS остаётся последний: он указан отдельно.",
                    {u"FIO", u"EMAIL (все, в порядке MEXPORT)", u"Оставлен слиянием", u"Рабочих мест"},
                    {}};
    std::unordered_map<common::TextView, int64_t> workstations;
    for (const Row& row : rows_) {
      if (!Trimmed(row[kFio]).empty()) ++workstations[row[kFio]];
    }
    for (const auto& [fio, count] : workstations) {
      auto found = directory_.find(fio);
      if (found == directory_.end() || found->second.size() < 2) continue;
      list.rows.push_back({Text(fio), Joined(found->second, u"; "), Text(found->second.back()), Number(count)});
    }
    SortRows(list, {0});
    return list;
  }

  ActionList ManyWorkstations() const {
    ActionList list{"many-workstations",
                    u"Один человек на нескольких рабочих местах",
                    u"Одно имя (FIO) указано в анкетах больше чем " + Number(settings_.max_workstations) +
                        u" рабочих мест: общий компьютер, анкеты, заполненные за другого, или устаревшие строки.",
                    {u"FIO", u"Рабочих мест", u"HOST"},
                    {}};
    HostPairs hosts;
    for (const Row& row : rows_) {
      if (IsPerson(row[kFio])) hosts.emplace_back(row[kFio], row[kHost]);
    }
    list.rows = HostsByKey(hosts, static_cast<size_t>(settings_.max_workstations));
    // Most workstations first, then by name.
    SortRows(list, {0});
    std::stable_sort(list.rows.begin(), list.rows.end(),
                     [](const auto& a, const auto& b) { return NaturalLess(b[1], a[1]); });
    return list;
  }

  ActionList SharedAddresses() const {
    ActionList list{"shared-ip",
                    u"Один адрес у нескольких компьютеров",
                    u"Один адрес IP записан у разных HOST: адрес сменился, компьютер переименован, или "
                    u"анкета переписана с соседнего рабочего места.",
                    {u"IP", u"Компьютеров", u"HOST"},
                    {}};
    HostPairs hosts;
    for (const Row& row : rows_) {
      common::TextView ip = Trimmed(row[kIp]);
      if (!ip.empty()) hosts.emplace_back(ip, row[kHost]);
    }
    list.rows = HostsByKey(hosts, 1);
    SortRows(list, {0});
    return list;
  }

  ActionList Stale() const {
    ActionList list{"stale",
                    u"Устаревшие строки",
                    u"Компьютеры, у которых в папке анкет нет ни файла .txt, ни файла .nfo, и компьютеры, чей "
                    u"самый новый файл старше " +
                        Number(settings_.stale_days) + u" дней.",
                    {u"HOST", u"FIO", u"Последний файл", u"Причина"},
                    {}};
    int64_t threshold = settings_.now - int64_t{settings_.stale_days} * kSecondsPerDay;
    std::unordered_set<common::TextView> seen;
    for (const Row& row : rows_) {
      if (row[kHost].empty() || !seen.insert(row[kHost]).second) continue;
      auto found = files_.find(row[kHost]);
      if (found == files_.end()) {
        list.rows.push_back({row[kHost], row[kFio], u"", u"файлов .txt и .nfo нет"});
      } else if (found->second.newest < threshold) {
        int64_t days = (settings_.now - found->second.newest) / kSecondsPerDay;
        list.rows.push_back(
            {row[kHost], row[kFio], LocalTime(found->second.newest), u"нет новых файлов " + Number(days) + u" дн."});
      }
    }
    SortRows(list, {0});
    return list;
  }

  ActionList PlaceholderFacts() const {
    ActionList list{"placeholder-facts",
                    u"Строки без сведений о компьютере",
                    u"Анкета была, файла .nfo не было: SPEED, RAM и HDD равны 0, остальные сведения пусты. "
                    u"Если файл .nfo уже появился, следующее пополнение заполнит строку.",
                    {u"HOST", u"FIO", u"Файл .nfo сейчас"},
                    {}};
    survey::LineList defaults = survey::DefaultInfoLines();
    for (const Row& row : rows_) {
      if (row[kFio] == survey::kNoQuestionnaireFio) continue;
      bool placeholder = std::all_of(kFactLines.begin(), kFactLines.end(),
                                     [&](const auto& fact) { return row[fact.first] == defaults.At(fact.second); });
      if (!placeholder) continue;
      auto found = files_.find(row[kHost]);
      bool info = found != files_.end() && found->second.info;
      list.rows.push_back({row[kHost], row[kFio], info ? u"есть" : u"нет"});
    }
    SortRows(list, {0});
    return list;
  }

  const ReportSettings& settings_;
  store::Connection connection_;
  store::Query users_{"ADOQuery", connection_};
  store::Query mexport_{"ADOQueryL", connection_};
  Report report_;
  std::vector<Row> rows_;
  // MEXPORT name -> addresses, in the merge's order; views into the open MEXPORT query.
  std::unordered_map<common::TextView, std::vector<common::TextView>> directory_;
  std::unordered_map<Text, HostFiles> files_;
};

}  // namespace

Text LocalTime(int64_t seconds) {
  std::time_t time = static_cast<std::time_t>(seconds);
  std::tm local{};
#ifdef _WIN32
  if (localtime_s(&local, &time) != 0) return Text();
#else
  if (localtime_r(&time, &local) == nullptr) return Text();
#endif
  char buffer[32];
  size_t length = std::strftime(buffer, sizeof buffer, "%Y-%m-%d %H:%M", &local);
  return common::FromUtf8(std::string_view(buffer, length));
}

Report GatherReport(platform::FileSystem& files, const common::Clock& clock, const ReportSettings& settings) {
  return Gatherer(files, clock, settings).Run();
}

}  // namespace report
