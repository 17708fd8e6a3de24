#include "tests/support/share_generator.h"

#include <algorithm>
#include <fstream>
#include <stdexcept>
#include <string_view>

#include "common/text.h"
#include "platform/codepage.h"

namespace bench {

namespace {

using common::Text;

// A small generator of our own: the standard distributions may differ between libraries, and the
// share must be the same everywhere.
class Random {
 public:
  explicit Random(uint64_t seed) : state_(seed * 0x9E3779B97F4A7C15ull + 0x2545F4914F6CDD1Dull) {}
  uint32_t Next() {
    state_ ^= state_ >> 12;
    state_ ^= state_ << 25;
    state_ ^= state_ >> 27;
    return static_cast<uint32_t>((state_ * 0x2545F4914F6CDD1Dull) >> 32);
  }
  int Below(int n) { return static_cast<int>(Next() % static_cast<uint32_t>(n)); }
  bool Percent(int p) { return Below(100) < p; }
  bool PerMille(int p) { return Below(1000) < p; }
  template <typename T, size_t N>
  const T& Pick(const T (&items)[N]) {
    return items[Below(static_cast<int>(N))];
  }

 private:
  uint64_t state_;
};

// Surnames are a root and an ending; the female form adds "а" (or turns "ий" into "ая").
const char16_t* const kSurnameRoots[] = {
    u"Иван",     u"Петр",     u"Сидор",  u"Кузнец",   u"Смирн",     u"Попов",    u"Васильев",  u"Соколов",
    u"Михайлов", u"Новиков",  u"Фёдор",  u"Морозов",  u"Волков",    u"Алексеев", u"Лебедев",   u"Семёнов",
    u"Егоров",   u"Павлов",   u"Козлов", u"Степанов", u"Николаев",  u"Орлов",    u"Андреев",   u"Макаров",
    u"Никитин",  u"Захаров",  u"Зайцев", u"Соловьёв", u"Борисов",   u"Яковлев",  u"Григорьев", u"Романов",
    u"Воробьёв", u"Сергеев",  u"Фролов", u"Беляев",   u"Тарасов",   u"Белов",    u"Комаров",   u"Киселёв",
    u"Ильин",    u"Гусев",    u"Титов",  u"Кузьмин",  u"Кудрявцев", u"Баранов",  u"Куликов",   u"Алексеенк",
    u"Шевченк",  u"Бондаренк"};
const char16_t* const kMaleNames[] = {u"Александр", u"Алексей", u"Андрей",  u"Борис", u"Вадим", u"Виктор",
                                      u"Владимир",  u"Дмитрий", u"Евгений", u"Иван",  u"Игорь", u"Константин",
                                      u"Максим",    u"Михаил",  u"Николай", u"Олег",  u"Павел", u"Пётр",
                                      u"Роман",     u"Сергей",  u"Юрий"};
const char16_t* const kFemaleNames[] = {u"Александра", u"Анастасия", u"Анна",     u"Валентина", u"Галина", u"Дарья",
                                        u"Екатерина",  u"Елена",     u"Ирина",    u"Людмила",   u"Марина", u"Мария",
                                        u"Наталья",    u"Ольга",     u"Светлана", u"Татьяна",   u"Юлия",   u"Алёна"};
const char16_t* const kFatherNames[] = {u"Александр", u"Алексе", u"Андре",  u"Борис",   u"Викторо", u"Владимир",
                                        u"Дмитри",    u"Иван",   u"Игор",   u"Михайло", u"Николае", u"Олег",
                                        u"Павл",      u"Петр",   u"Сергее", u"Юрье"};
const char* const kLatin[] = {
    "ivanov",   "petrov",   "sidorov",    "kuznetsov",  "smirnov",   "popov",    "vasiliev", "sokolov",  "mikhailov",
    "novikov",  "fedorov",  "morozov",    "volkov",     "alekseev",  "lebedev",  "semenov",  "egorov",   "pavlov",
    "kozlov",   "stepanov", "nikolaev",   "orlov",      "andreev",   "makarov",  "nikitin",  "zakharov", "zaitsev",
    "soloviev", "borisov",  "yakovlev",   "grigoriev",  "romanov",   "vorobiev", "sergeev",  "frolov",   "belyaev",
    "tarasov",  "belov",    "komarov",    "kiselev",    "ilin",      "gusev",    "titov",    "kuzmin",   "kudryavtsev",
    "baranov",  "kulikov",  "alekseenko", "shevchenko", "bondarenko"};
static_assert(std::size(kLatin) == std::size(kSurnameRoots));

const char* const kCpus[] = {"Intel(R) Core(TM) i5-8400 CPU @ 2.80GHz", "Intel(R) Core(TM) i3-10100 CPU @ 3.60GHz",
                             "AMD Ryzen 5 3600 6-Core Processor", "Intel(R) Pentium(R) CPU G4560 @ 3.50GHz",
                             "Intel(R) Celeron(R) CPU J1900 @ 1.99GHz"};
const char* const kOses[] = {"Microsoft Windows 10 Pro", "Microsoft Windows 7 Professional", "Microsoft Windows 11 Pro",
                             "Microsoft Windows XP Professional"};
const char* const kBioses[] = {"American Megatrends Inc. 1.20", "Phoenix Technologies LTD 6.00 PG", "Dell Inc. A12",
                               "HP P01 Ver. 02.18", "LENOVO M1AKT4BA"};
const char16_t* const kPrinters[] = {u"HP LaserJet 1020", u"Kyocera FS-1040", u"Canon LBP2900", u"Xerox Phaser 3020",
                                     u"Принтер не установлен"};
const char16_t* const kBuildings[] = {u"Корпус 1", u"Корпус 2", u"Главный корпус", u"Лабораторный корпус", u"1"};

struct Person {
  Text surname;
  Text given;  // first name
  Text patronymic;
  std::string alias;
};

Person MakePerson(Random& random, int serial) {
  int root = random.Below(static_cast<int>(std::size(kSurnameRoots)));
  bool female = random.Percent(45);
  Person person;
  Text surname = kSurnameRoots[root];
  bool ends_in_k = surname.back() == u'к';
  if (ends_in_k) {
    surname += u"о";
  } else if (female) {
    surname += u"а";
  }
  person.surname = surname;
  person.given = female ? random.Pick(kFemaleNames) : random.Pick(kMaleNames);
  Text father = random.Pick(kFatherNames);
  bool soft = father.back() == u'е' || father.back() == u'и' || father.back() == u'о';
  if (father.back() == u'и') father.back() = u'е';
  person.patronymic = father + (female ? (soft ? u"вна" : u"овна") : (soft ? u"вич" : u"ович"));
  person.alias = std::string(kLatin[root]) + (female && !ends_in_k ? "a" : "") + std::to_string(serial);
  return person;
}

Text Number(long long value) { return common::FromUtf8(std::to_string(value)); }

Text Padded(int value, int width) {
  std::string digits = std::to_string(value);
  if (static_cast<int>(digits.size()) < width) digits.insert(0, static_cast<size_t>(width) - digits.size(), '0');
  return common::FromUtf8(digits);
}

// How a workstation wrote its file.
enum class Encoding { kCp1251, kUtf16Le, kUtf8Mark, kUtf8 };

Encoding PickEncoding(Random& random) {
  int roll = random.Below(100);
  if (roll < 45) return Encoding::kCp1251;
  if (roll < 70) return Encoding::kUtf16Le;
  if (roll < 95) return Encoding::kUtf8Mark;
  return Encoding::kUtf8;  // read as code page 1251: its Cyrillic comes out garbled, as on a real share
}

std::string Encode(const Text& text, Encoding encoding) {
  switch (encoding) {
    case Encoding::kCp1251:
      return platform::Codepage::Get("windows-1251").Encode(text);
    case Encoding::kUtf16Le: {
      std::string bytes = "\xFF\xFE";
      for (char16_t c : text) {
        bytes.push_back(static_cast<char>(c & 0xFF));
        bytes.push_back(static_cast<char>(c >> 8));
      }
      return bytes;
    }
    case Encoding::kUtf8Mark:
      return "\xEF\xBB\xBF" + common::ToUtf8(text);
    case Encoding::kUtf8:
      return common::ToUtf8(text);
  }
  return {};
}

Text JoinLines(const std::vector<Text>& lines, Random& random) {
  Text eol = random.Percent(80) ? u"\r\n" : u"\n";
  Text text;
  for (const Text& line : lines) text += line + eol;
  return text;
}

// How people type their names into the questionnaire.
Text TypedName(const Person& person, Random& random) {
  int roll = random.Below(100);
  if (roll < 70) return person.surname + u" " + person.given + u" " + person.patronymic;
  if (roll < 80) return u"  " + person.surname + u"  " + person.given + u" " + person.patronymic + u" ";
  if (roll < 88) {
    Text lower = person.surname + u" " + person.given + u" " + person.patronymic;
    for (char16_t& c : lower) {
      if (c >= u'А' && c <= u'Я') c = static_cast<char16_t>(c + 0x20);
    }
    return lower;
  }
  if (roll < 95)
    return person.surname + u" " + person.given.substr(0, 1) + u"." + person.patronymic.substr(0, 1) + u".";
  return person.surname + u" " + person.given;
}

class Writer {
 public:
  Writer(const std::filesystem::path& share, ShareSummary& summary) : share_(share), summary_(summary) {}

  void Write(const std::filesystem::path& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    out.close();
    if (!out) throw std::runtime_error("Cannot write " + path.string());
    summary_.bytes += bytes.size();
    summary_.files.push_back(path);
  }
  void WriteWorkstationFile(const std::string& name, const Text& text, Encoding encoding) {
    Write(share_ / name, Encode(text, encoding));
  }

 private:
  std::filesystem::path share_;
  ShareSummary& summary_;
};

Text InfoText(Random& random, const Text& host, const Person& person, int lines, int serial) {
  std::vector<Text> info = {
      Number(1000 + 100 * random.Below(30)),                                                       // SPEED
      random.Percent(80) ? u"GenuineIntel" : u"AuthenticAMD",                                      // TYPE
      Number(1024 << random.Below(5)),                                                             // RAM
      common::FromUtf8(random.Pick(kCpus)),                                                        // CPU
      Number(80000 + random.Below(900000)),                                                        // HDD
      common::FromUtf8(random.Pick(kOses)),                                                        // OS
      random.Percent(50) ? u"10.0" : u"6.1",                                                       // OSVER
      u"",                                                                                         // W9XVER
      Number(7601 + random.Below(15000)),                                                          // OSBUILD
      u"00330-" + Padded(random.Below(100000), 5) + u"-00000-AA" + Padded(random.Below(1000), 3),  // OSID
      common::FromUtf8(random.Pick(kBioses)),                                                      // BIOS
      common::FromUtf8(person.alias),                                                              // USER
      u"10." + Number(serial / 65536 % 256) + u"." + Number(serial / 256 % 256) + u"." + Number(serial % 256),
      Text(random.Pick(kPrinters)) + u" на " + host,  // PRINTER
  };
  info.resize(static_cast<size_t>(std::min(lines, 14)));
  // Long files: inventory scripts that append what they found beyond the fourteen lines.
  for (int extra = 14; extra < lines; ++extra) info.push_back(u"Дополнительно: устройство " + Number(extra));
  return JoinLines(info, random);
}

int InfoLineCount(Random& random, int lookup_per_mille) {
  if (random.PerMille(lookup_per_mille)) return 11 + random.Below(2);
  int roll = random.Below(100);
  if (roll < 30) return 13;
  if (roll < 90) return 14;
  return 15 + random.Below(10);
}

std::string Base64(std::string_view bytes) {
  static const char kDigits[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::string out;
  size_t i = 0;
  for (; i + 2 < bytes.size(); i += 3) {
    uint32_t v = (uint32_t{static_cast<uint8_t>(bytes[i])} << 16) |
                 (uint32_t{static_cast<uint8_t>(bytes[i + 1])} << 8) | static_cast<uint8_t>(bytes[i + 2]);
    for (int shift = 18; shift >= 0; shift -= 6) out.push_back(kDigits[(v >> shift) & 63]);
  }
  if (i < bytes.size()) {
    uint32_t v = uint32_t{static_cast<uint8_t>(bytes[i])} << 16;
    if (i + 1 < bytes.size()) v |= uint32_t{static_cast<uint8_t>(bytes[i + 1])} << 8;
    out.push_back(kDigits[(v >> 18) & 63]);
    out.push_back(kDigits[(v >> 12) & 63]);
    out.push_back(i + 1 < bytes.size() ? kDigits[(v >> 6) & 63] : '=');
    out.push_back('=');
  }
  return out;
}

// One LDIF attribute: base64 when the value is not plain ASCII, folded at 76 columns as ldapsearch does.
std::string LdifLine(std::string_view attribute, const std::string& utf8) {
  bool plain = std::all_of(utf8.begin(), utf8.end(), [](char c) { return c >= 0x20 && c < 0x7F; }) &&
               (utf8.empty() || (utf8[0] != ' ' && utf8[0] != ':' && utf8[0] != '<'));
  std::string line = std::string(attribute) + (plain ? ": " + utf8 : ":: " + Base64(utf8));
  std::string folded;
  size_t width = 76;
  for (size_t at = 0; at < line.size();) {
    if (at > 0) folded += "\n ";
    size_t take = at == 0 ? width : width - 1;
    folded += line.substr(at, take);
    at += take;
  }
  return folded + "\n";
}

std::string VcardText(const Text& value) {
  Text escaped;
  for (char16_t c : value) {
    if (c == u',' || c == u';' || c == u'\\') escaped.push_back(u'\\');
    escaped.push_back(c);
  }
  return common::ToUtf8(escaped);
}

}  // namespace

std::filesystem::path GalFile(const std::filesystem::path& share) { return share / "directory" / "gal.ldif"; }
std::filesystem::path ContactsFile(const std::filesystem::path& share) { return share / "directory" / "contacts.vcf"; }

ShareSummary WriteShare(const std::filesystem::path& share, const ShareOptions& options) {
  ShareSummary summary;
  Writer writer(share, summary);
  Random random(options.seed);
  std::string ldif = "# Global address list, as an LDAP search of the directory prints it.\n\n";
  std::string vcards;

  auto add_gal_entry = [&](const Text& display_name, const std::string& alias) {
    ldif += LdifLine("dn", common::ToUtf8(u"cn=" + display_name + u",ou=Staff,dc=eflab,dc=example"));
    ldif += "objectClass: inetOrgPerson\n";
    ldif += LdifLine("displayName", common::ToUtf8(display_name));
    ldif += LdifLine("mail", alias + "@eflab.example");
    ldif += LdifLine("legacyExchangeDN",
                     "/o=EFLab/ou=Exchange Administrative Group (FYDIBOHF23SPDLT)/cn=Recipients/cn=" + alias);
    ldif += "\n";
    ++summary.gal_entries;
  };

  int info_only = options.hosts * options.info_only_percent / 100;
  for (int serial = 1; serial <= options.hosts + info_only; ++serial) {
    bool surveyed = serial <= options.hosts;
    int info_lines = InfoLineCount(random, options.lookup_per_mille);
    Text host = u"WS-" + Padded(serial, 6);
    if (info_lines < 13) host += u".INVALID";
    Person person = MakePerson(random, serial);

    bool with_info = !surveyed || !random.Percent(options.without_info_percent);
    if (with_info) {
      // A few hosts write their file name in lower case; the host name is the name either way.
      Text file_host = random.Percent(10) ? common::AsciiLowerCase(host) : host;
      writer.WriteWorkstationFile(common::ToUtf8(file_host) + ".nfo",
                                  InfoText(random, host, person, info_lines, serial), PickEncoding(random));
      ++summary.info_files;
      // The survey file shares the info file's name, as the workstation wrote both.
      host = file_host;
    }
    if (!surveyed) continue;

    Text line0 = random.Percent(20) ? common::AsciiLowerCase(host) : host;
    Text phone = Number(20 + random.Below(60)) + u"-" + Padded(random.Below(100), 2);
    std::vector<Text> survey = {
        line0,
        random.Percent(15) ? u"" : common::FromUtf8(person.alias),
        random.Percent(10) ? u"" : u"10.0." + Number(serial / 256 % 256) + u"." + Number(serial % 256),
        TypedName(person, random),
        random.Percent(30) ? phone + u", 8 (495) 555-" + Padded(random.Below(10000), 4) : phone,
        random.Pick(kBuildings),
        Number(1 + random.Below(9)),
        Number(100 + random.Below(900)),
    };
    if (random.Percent(5)) survey.push_back(u"Примечание: анкета заполнена повторно");
    std::string stem = common::ToUtf8(host);
    writer.WriteWorkstationFile(stem + ".txt", JoinLines(survey, random), PickEncoding(random));
    ++summary.survey_files;

    Text full_name = person.surname + u" " + person.given + u" " + person.patronymic;
    if (random.Percent(options.directory_percent)) add_gal_entry(full_name, person.alias);
    if (random.Percent(options.contacts_percent)) {
      // Most contacts keep the patronymic with the first name, so the name matches the survey's; some
      // keep it apart as the middle name and match nobody.
      bool apart = random.Percent(10);
      Text given = apart ? person.given : person.given + u" " + person.patronymic;
      vcards += "BEGIN:VCARD\r\nVERSION:3.0\r\n";
      vcards += "N:" + VcardText(person.surname) + ";" + VcardText(given) + ";" +
                (apart ? VcardText(person.patronymic) : "") + ";;\r\n";
      vcards += "FN:" + common::ToUtf8(person.given + u" " + person.surname) + "\r\n";
      vcards += "ORG:EFLab\r\n";
      if (random.Percent(90)) vcards += "TEL;TYPE=WORK,VOICE:" + common::ToUtf8(phone) + "\r\n";
      vcards += "TEL;TYPE=CELL:+7 (916) " + std::to_string(100 + random.Below(900)) + "-00-00\r\n";
      vcards += "END:VCARD\r\n";
      ++summary.contacts;
    }
  }
  // Entries of the address list that no workstation belongs to: meeting rooms and mailing lists.
  for (int extra = 0; extra < options.hosts / 20; ++extra) {
    add_gal_entry(u"Переговорная " + Number(extra + 1), "room" + std::to_string(extra + 1));
  }

  std::filesystem::create_directories(share / "directory");
  writer.Write(GalFile(share), ldif);
  writer.Write(ContactsFile(share), vcards);
  return summary;
}

namespace {

std::string Stamp(const ShareOptions& o) {
  return "hosts=" + std::to_string(o.hosts) + " seed=" + std::to_string(o.seed) +
         " info_only=" + std::to_string(o.info_only_percent) +
         " without_info=" + std::to_string(o.without_info_percent) + " lookup=" + std::to_string(o.lookup_per_mille) +
         " directory=" + std::to_string(o.directory_percent) + " contacts=" + std::to_string(o.contacts_percent) +
         " format=1\n";
}

}  // namespace

std::filesystem::path CachedShare(const std::filesystem::path& cache_root, const ShareOptions& options) {
  std::filesystem::path share =
      cache_root / ("share-" + std::to_string(options.hosts) + "-" + std::to_string(options.seed));
  std::filesystem::path stamp =
      cache_root / ("share-" + std::to_string(options.hosts) + "-" + std::to_string(options.seed) + ".stamp");
  std::string expected = Stamp(options);
  {
    std::ifstream in(stamp, std::ios::binary);
    std::string found((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (found == expected && std::filesystem::is_directory(share)) return share;
  }
  std::filesystem::remove(stamp);
  std::filesystem::remove_all(share);
  std::filesystem::create_directories(share);
  ShareSummary summary = WriteShare(share, options);
  std::ofstream out(stamp, std::ios::binary);
  out << expected;
  return share;
}

std::vector<std::filesystem::path> ShareFiles(const std::filesystem::path& share) {
  std::vector<std::filesystem::path> files;
  for (const auto& entry : std::filesystem::directory_iterator(share)) {
    if (entry.is_regular_file()) files.push_back(entry.path());
  }
  files.push_back(GalFile(share));
  files.push_back(ContactsFile(share));
  return files;
}

}  // namespace bench
