#include "report/report_page.h"

#include <algorithm>
#include <cstring>
#include <memory>

#include "common/error.h"
#include "platform/file_system.h"

namespace report {

namespace {

using common::Text;

std::string Number(int64_t value) {
  // Thin spaces between groups of three digits, as Russian text writes large numbers.
  std::string digits = std::to_string(value < 0 ? -value : value);
  std::string out;
  for (size_t i = 0; i < digits.size(); ++i) {
    if (i > 0 && (digits.size() - i) % 3 == 0) out += "\u202F";
    out += digits[i];
  }
  return value < 0 ? "-" + out : out;
}

// "<page stem>-<id>.csv": the page's name without its last extension (a name that starts with its only
// dot keeps it, as a stem does).
Text CsvName(const Text& page_name, const std::string& id) {
  size_t dot = page_name.rfind(u'.');
  Text stem = dot == Text::npos || dot == 0 ? page_name : page_name.substr(0, dot);
  return stem + u"-" + common::FromUtf8(id) + u".csv";
}

bool IsSeparator(char16_t c) {
#ifdef _WIN32
  if (c == u'\\') return true;
#endif
  return c == u'/';
}

// A relative link to a file beside the page: every byte outside the unreserved set percent-encoded.
std::string LinkTo(const std::string& file_name) {
  static const char kHex[] = "0123456789ABCDEF";
  std::string out;
  for (unsigned char c : file_name) {
    bool plain = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' || c == '_' ||
                 c == '.' || c == '~';
    if (plain) {
      out += static_cast<char>(c);
    } else {
      out += '%';
      out += kHex[c >> 4];
      out += kHex[c & 15];
    }
  }
  return out;
}

constexpr char kStyle[] = R"(
:root{--ink:#1d2733;--muted:#5b6877;--line:#d9dee5;--bar:#3b6ea8;--soft:#f3f5f8;--warn:#a4461b}
*{box-sizing:border-box}
body{margin:0;padding:24px 32px;font:14px/1.45 "DejaVu Sans","Segoe UI",Arial,sans-serif;color:var(--ink);background:#fff}
h1{font-size:22px;margin:0 0 4px}
h2{font-size:18px;margin:28px 0 12px;padding-bottom:4px;border-bottom:2px solid var(--line)}
h3{font-size:15px;margin:22px 0 6px}
.meta{color:var(--muted);margin:0}
.meta span{white-space:nowrap}
.counts{display:grid;grid-template-columns:repeat(auto-fill,minmax(200px,1fr));gap:10px;margin:0}
.counts div{background:var(--soft);border:1px solid var(--line);border-radius:6px;padding:10px 12px}
.counts dt{color:var(--muted);font-size:12px}
.counts dd{margin:2px 0 0;font-size:20px;font-weight:bold;white-space:nowrap}
.charts{display:grid;grid-template-columns:repeat(auto-fill,minmax(580px,1fr));gap:14px 24px}
figure{margin:0;break-inside:avoid}
figcaption{font-weight:bold;margin-bottom:4px}
svg text{font:12px "DejaVu Sans","Segoe UI",Arial,sans-serif;fill:var(--ink)}
svg .bar{fill:var(--bar)}
.notes{border-left:4px solid var(--warn);background:#fbf1ec;padding:8px 12px;margin:12px 0}
.notes p{margin:2px 0}
.toc{columns:2;margin:0;padding-left:20px}
.count{display:inline-block;min-width:28px;padding:0 8px;margin-left:6px;border-radius:10px;background:var(--soft);
  border:1px solid var(--line);font-size:13px;text-align:center}
.count.some{background:#fbe3d6;border-color:#e9b89c}
.explain{color:var(--muted);margin:0 0 6px;max-width:980px}
table{border-collapse:collapse;width:100%;margin:4px 0 8px;font-size:13px}
th,td{border:1px solid var(--line);padding:3px 8px;text-align:left;vertical-align:top;unicode-bidi:isolate;
  overflow-wrap:anywhere}
th{background:var(--soft);font-weight:600}
tbody tr:nth-child(even){background:#fafbfc}
.empty{color:var(--muted);font-style:italic}
@media print{body{padding:0;font-size:11px}.charts{grid-template-columns:1fr 1fr}a{color:inherit;text-decoration:none}
  section.list{break-inside:auto}h2,h3{break-after:avoid}tr{break-inside:avoid}}
)";

constexpr int kChartWidth = 580;
constexpr int kLabelWidth = 260;
constexpr int kBarArea = 250;
constexpr int kRowHeight = 22;
constexpr size_t kLabelChars = 38;

// A label that fits its column: a long one keeps its beginning and its end (where an operating
// system's version or a printer's host is) around an ellipsis; the bar's tooltip has it whole.
Text ShortLabel(const Text& label) {
  if (label.size() <= kLabelChars) return label;
  size_t tail = kLabelChars / 3;
  return label.substr(0, kLabelChars - tail - 1) + u"…" + label.substr(label.size() - tail);
}

void AppendChart(std::string& out, const Chart& chart) {
  int64_t largest = 1;
  for (const Bar& bar : chart.bars) largest = std::max(largest, bar.count);
  int height = static_cast<int>(chart.bars.size()) * kRowHeight + 4;
  out += "<figure id=\"chart-" + chart.id + "\"><figcaption>" + HtmlText(chart.title) + "</figcaption>";
  if (chart.bars.empty()) {
    out += "<p class=\"empty\">нет данных</p></figure>\n";
    return;
  }
  out += "<svg xmlns=\"http://www.w3.org/2000/svg\" role=\"img\" width=\"" + std::to_string(kChartWidth) +
         "\" height=\"" + std::to_string(height) + "\" viewBox=\"0 0 " + std::to_string(kChartWidth) + " " +
         std::to_string(height) + "\">";
  int y = 2;
  for (const Bar& bar : chart.bars) {
    Text label = ShortLabel(bar.label);
    int width = static_cast<int>(bar.count * kBarArea / largest);
    if (bar.count > 0) width = std::max(width, 1);
    out += "<g><title>" + HtmlText(bar.label) + ": " + std::to_string(bar.count) + "</title>";
    out += "<text x=\"" + std::to_string(kLabelWidth - 6) + "\" y=\"" + std::to_string(y + 15) +
           "\" text-anchor=\"end\">" + HtmlText(label) + "</text>";
    out += "<rect class=\"bar\" x=\"" + std::to_string(kLabelWidth) + "\" y=\"" + std::to_string(y + 3) +
           "\" width=\"" + std::to_string(width) + "\" height=\"" + std::to_string(kRowHeight - 6) + "\" rx=\"2\"/>";
    out += "<text x=\"" + std::to_string(kLabelWidth + width + 6) + "\" y=\"" + std::to_string(y + 15) + "\">" +
           Number(bar.count) + "</text></g>";
    y += kRowHeight;
  }
  out += "</svg></figure>\n";
}

void AppendList(std::string& out, const ActionList& list, const std::string& csv_name) {
  size_t total = list.rows.size();
  out += "<section class=\"list\" id=\"list-" + list.id + "\"><h3>" + HtmlText(list.title) + "<span class=\"count" +
         std::string(total ? " some" : "") + "\">" + Number(static_cast<int64_t>(total)) +
         "</span></h3>\n<p class=\"explain\">" + HtmlText(list.explanation) + "</p>\n";
  if (total == 0) {
    out += "<p class=\"empty\">Таких строк нет.</p></section>\n";
    return;
  }
  out += "<p><a href=\"" + LinkTo(csv_name) + "\">" + HtmlText(common::FromUtf8(csv_name)) + "</a>";
  if (total > kRowsOnPage) {
    out += " — показаны первые " + Number(static_cast<int64_t>(kRowsOnPage)) + " строк из " +
           Number(static_cast<int64_t>(total)) + ", полный список — в этом файле";
  }
  out += "</p>\n<table><thead><tr>";
  for (const Text& column : list.columns) out += "<th>" + HtmlText(column) + "</th>";
  out += "</tr></thead><tbody>\n";
  for (size_t i = 0; i < total && i < kRowsOnPage; ++i) {
    out += "<tr>";
    for (const Text& cell : list.rows[i]) out += "<td>" + HtmlText(cell) + "</td>";
    out += "</tr>\n";
  }
  out += "</tbody></table></section>\n";
}

std::string Csv(const ActionList& list) {
  std::string out = "\xEF\xBB\xBF";
  auto line = [&](const std::vector<Text>& cells) {
    for (size_t i = 0; i < cells.size(); ++i) {
      if (i) out += ';';
      out += CsvField(cells[i]);
    }
    out += "\r\n";
  };
  line(list.columns);
  for (const std::vector<Text>& row : list.rows) line(row);
  return out;
}

void AppendCount(std::string& out, const char* id, const std::string& label, const std::string& value) {
  out += "<div><dt>" + label + "</dt><dd id=\"count-" + id + "\">" + value + "</dd></div>\n";
}

}  // namespace

std::string HtmlText(common::TextView text) {
  Text clean;
  clean.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    char16_t c = text[i];
    bool control = (c < 0x20 && c != u'\t' && c != u'\n' && c != u'\r') || (c >= 0x7F && c < 0xA0);
    clean.push_back(control ? u'\uFFFD' : c);
  }
  std::string utf8 = common::ToUtf8(clean);
  std::string out;
  out.reserve(utf8.size());
  for (char c : utf8) {
    switch (c) {
      case '&':
        out += "&amp;";
        break;
      case '<':
        out += "&lt;";
        break;
      case '>':
        out += "&gt;";
        break;
      case '"':
        out += "&quot;";
        break;
      case '\'':
        out += "&#39;";
        break;
      default:
        out += c;
    }
  }
  return out;
}

std::string CsvField(common::TextView text) {
  std::string utf8 = common::ToUtf8(text);
  std::string out = "\"";
  if (!utf8.empty() && std::strchr("=+-@\t\r", utf8[0]) != nullptr) out += '\'';
  for (char c : utf8) {
    if (c == '"') out += '"';
    out += c;
  }
  out += '"';
  return out;
}

void WriteReport(platform::FileSystem& files, const Report& report, const Text& html_path) {
  size_t end = html_path.size();
  while (end > 0 && !IsSeparator(html_path[end - 1])) --end;
  const Text page_name = html_path.substr(end);
  std::unique_ptr<platform::Folder> folder = files.OpenFolder(end == 0 ? Text(u".") : html_path.substr(0, end));

  std::string out;
  out.reserve(1 << 20);
  out +=
      "<!DOCTYPE html>\n<html lang=\"ru\"><head><meta charset=\"utf-8\">\n"
      "<meta http-equiv=\"Content-Security-Policy\" content=\"default-src 'none'; style-src 'unsafe-inline'\">\n"
      "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">\n"
      "<title>БД ЭФЛ — отчёт об инвентаризации</title>\n<style>";
  out += kStyle;
  out +=
      "</style></head>\n<body>\n<header><h1>БД ЭФЛ — отчёт об инвентаризации</h1>\n<p class=\"meta\">"
      "<span>Составлен: " +
      HtmlText(LocalTime(report.generated)) + "</span> · <span>Папка анкет: " + HtmlText(report.survey_folder) +
      "</span> · <span>База данных: " + HtmlText(report.database_folder) + "</span></p></header>\n";
  if (!report.notes.empty()) {
    out += "<div class=\"notes\">";
    for (const Text& note : report.notes) out += "<p>" + HtmlText(note) + "</p>";
    out += "</div>\n";
  }

  out += "<section id=\"counts\"><h2>Сводка</h2><dl class=\"counts\">\n";
  AppendCount(out, "workstations", "Рабочих мест (строк USERS)", Number(report.workstations));
  AppendCount(out, "info-only", "Известны только по файлу .nfo", Number(report.info_only_hosts));
  AppendCount(out, "people", "Разных людей (FIO)", Number(report.people));
  AppendCount(out, "email", "Строк с адресом EMAIL", Number(report.with_email));
  AppendCount(out, "tel2", "Строк со вторым телефоном TEL2", Number(report.with_tel2));
  AppendCount(out, "newest", "Самая новая анкета (.txt)",
              report.newest_survey_file ? HtmlText(LocalTime(*report.newest_survey_file)) : "нет анкет");
  AppendCount(out, "files", "Файлов .txt / .nfo в папке",
              Number(report.survey_files) + " / " + Number(report.info_files));
  AppendCount(out, "directory", "Строк MEXPORT / TEXPORT",
              (report.mexport_rows ? Number(*report.mexport_rows) : "—") + " / " +
                  (report.texport_rows ? Number(*report.texport_rows) : "—"));
  AppendCount(out, "changed", "Компьютеров с изменениями за " + Number(report.history_days) + " дн.",
              report.history_present ? Number(report.hosts_changed) : "—");
  out += "</dl></section>\n";

  out += "<section id=\"charts\"><h2>Распределения</h2><div class=\"charts\">\n";
  for (const Chart& chart : report.charts) AppendChart(out, chart);
  out += "</div></section>\n";

  out += "<section id=\"lists\"><h2>Что исправить</h2><ul class=\"toc\">\n";
  for (const ActionList& list : report.lists) {
    out += "<li><a href=\"#list-" + list.id + "\">" + HtmlText(list.title) + "</a> — " +
           Number(static_cast<int64_t>(list.rows.size())) + "</li>\n";
  }
  out += "</ul>\n";
  for (const ActionList& list : report.lists) {
    const Text csv_name = CsvName(page_name, list.id);
    folder->ReplaceFile(csv_name, Csv(list));
    AppendList(out, list, common::ToUtf8(csv_name));
  }
  out += "</section>\n";
  out += "<section id=\"changes\"><h2>Изменения</h2>\n";
  if (!report.history_present) {
    out += "<p class=\"empty\">Истории изменений нет: в папке базы данных нет history.dbf.</p>\n";
  } else {
    const Text history_csv = CsvName(page_name, report.history.id);
    folder->ReplaceFile(history_csv, Csv(report.history));
    out += "<p>Вся таблица HISTORY (" + Number(static_cast<int64_t>(report.history.rows.size())) +
           " строк): <a href=\"" + LinkTo(common::ToUtf8(history_csv)) + "\">" + HtmlText(history_csv) + "</a></p>\n";
    const Text changes_csv = CsvName(page_name, report.changes.id);
    folder->ReplaceFile(changes_csv, Csv(report.changes));
    AppendList(out, report.changes, common::ToUtf8(changes_csv));
  }
  out += "</section>\n";
  out += "</body></html>\n";
  // The page last, once every file it links to is in place.
  folder->ReplaceFile(page_name, out);
}

}  // namespace report
