// Reading survey files and normalising their names, at the scale of a large organisation's share:
// 100,000 survey files in the encodings and line-break styles workstations write.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "common/text.h"
#include "survey/normalise.h"
#include "survey/read_lines.h"
#include "survey/survey_folder.h"
#include "tests/support/system_files.h"
#include "tests/support/temp_folder.h"

namespace {

constexpr int kFileCount = 100000;

const char16_t* const kSurnames[] = {u"Иванов", u"Петрова", u"Сидоренко", u"Кузнецов", u"Смирнова", u"Ёлкин"};
const char16_t* const kNames[] = {u"Иван", u"Мария", u"Пётр", u"Анна", u"Сергей"};

std::string Utf16Le(common::TextView text) {
  std::string bytes = "\xFF\xFE";
  for (char16_t c : text) {
    bytes.push_back(static_cast<char>(c & 0xFF));
    bytes.push_back(static_cast<char>(c >> 8));
  }
  return bytes;
}

// Code page 1251 for the Cyrillic block and ASCII, which is all the generated text holds.
std::string Cp1251(common::TextView text) {
  std::string bytes;
  for (char16_t c : text) {
    if (c == u'Ё')
      bytes.push_back('\xA8');
    else if (c == u'ё')
      bytes.push_back('\xB8');
    else if (c >= u'А' && c <= u'я')
      bytes.push_back(static_cast<char>(0xC0 + (c - u'А')));
    else
      bytes.push_back(static_cast<char>(c));
  }
  return bytes;
}

// The bytes of survey file `i`, deterministic: a quarter each in UTF-8 with mark, UTF-8 without
// mark, UTF-16 LE with mark and code page 1251; CR LF or LF.
std::string SurveyFileBytes(int i, std::mt19937& random) {
  common::Text eol = random() % 2 ? u"\r\n" : u"\n";
  common::Text text = u"pc-" + common::FromUtf8(std::to_string(i)) + eol + u"user" + eol + u"10.1." +
                      common::FromUtf8(std::to_string(i % 250)) + eol + u"  " + kSurnames[random() % 6] + u"  " +
                      kNames[random() % 5] + u" И. " + eol + u"123-45-67, 89" + eol + u"Корпус 1" + eol + u"2" + eol +
                      u"214" + eol;
  switch (i % 4) {
    case 0:
      return "\xEF\xBB\xBF" + common::ToUtf8(text);
    case 1:
      return common::ToUtf8(text);
    case 2:
      return Utf16Le(text);
    default:
      return Cp1251(text);
  }
}

class GeneratedShare {
 public:
  GeneratedShare() {
    std::mt19937 random(12);
    for (int i = 0; i < kFileCount; ++i) {
      std::string bytes = SurveyFileBytes(i, random);
      paths_.push_back(folder_.Write("pc-" + std::to_string(i) + ".txt", bytes));
      contents_.push_back(std::move(bytes));
    }
  }
  const std::vector<common::Text>& paths() const { return paths_; }
  const std::vector<std::string>& contents() const { return contents_; }

 private:
  testing_support::TempFolder folder_{"survey-bench-"};
  std::vector<common::Text> paths_;
  std::vector<std::string> contents_;
};

const GeneratedShare& Share() {
  static GeneratedShare share;
  return share;
}

// The whole path from disk: open, read, decode, cut into lines, normalise the name.
void BM_ReadLinesAndCleanFIO(benchmark::State& state) {
  const GeneratedShare& share = Share();
  for (auto _ : state) {
    size_t letters = 0;
    // One folder for the whole pass, as a refresh run has: it is listed once.
    survey::SurveyFolder folder(testing_support::SystemFiles(), platform::SplitFolder(share.paths().front()).folder,
                                "windows-1251");
    for (const common::Text& path : share.paths()) {
      survey::LineList lines = folder.ReadLines(platform::SplitFolder(path).name);
      letters += survey::CleanFIO(lines.At(3)).size();
    }
    benchmark::DoNotOptimize(letters);
  }
  state.SetItemsProcessed(state.iterations() * kFileCount);
}
BENCHMARK(BM_ReadLinesAndCleanFIO)->Unit(benchmark::kMillisecond);

// The same without the file system: what decoding and normalising alone cost.
void BM_DecodeSplitAndCleanFIO(benchmark::State& state) {
  const GeneratedShare& share = Share();
  for (auto _ : state) {
    size_t letters = 0;
    for (const std::string& bytes : share.contents()) {
      survey::LineList lines = survey::SplitLines(survey::DecodeWorkstationText(bytes, "windows-1251"));
      letters += survey::CleanFIO(lines.At(3)).size();
    }
    benchmark::DoNotOptimize(letters);
  }
  state.SetItemsProcessed(state.iterations() * kFileCount);
}
BENCHMARK(BM_DecodeSplitAndCleanFIO)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
