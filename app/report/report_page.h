#pragma once

#include <filesystem>
#include <string>

#include "app/report/inventory_report.h"
#include "common/text.h"

namespace app::report {

// At most this many rows of a list go on the page; its CSV file holds them all.
inline constexpr size_t kRowsOnPage = 1000;

// Writes the report as one self-contained HTML page at `html_path` (UTF-8; charts as inline SVG;
// no script, no style sheet, font or image from anywhere, and a content security policy that
// forbids loading any) and each list beside it as "<page stem>-<list id>.csv" (UTF-8 with a
// byte-order mark, ";" between fields). Existing files of those names are replaced.
// Throws common::Error "Cannot write file "<path>". <reason>".
void WriteReport(const Report& report, const std::filesystem::path& html_path);

// `text` as HTML character data or attribute value: & < > " ' become references, control
// characters (other than tab and line breaks) become U+FFFD, ill-formed UTF-16 becomes U+FFFD.
std::string HtmlText(common::TextView text);

// One CSV field: always quoted, quotes doubled. A value that a spreadsheet would take for a formula
// (it begins with = + - @, a tab or a carriage return) gets a leading apostrophe, so it opens as text.
std::string CsvField(common::TextView text);

}  // namespace app::report
