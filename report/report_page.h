#pragma once

#include <string>

#include "common/text.h"
#include "platform/file_system.h"
#include "report/inventory_report.h"

namespace report {

// At most this many rows of a list go on the page; its CSV file holds them all.
inline constexpr size_t kRowsOnPage = 1000;

// Writes the report as one self-contained HTML page at `html_path` (UTF-8; charts as inline SVG;
// no script, no style sheet, font or image from anywhere, and a content security policy that
// forbids loading any) and each list beside it as "<page stem>-<list id>.csv" (UTF-8 with a
// byte-order mark, ";" between fields), all through `files`. Each file is written aside and renamed
// over the one of its name (platform::Folder::ReplaceFile; a link there is replaced, not followed), the
// CSV files first and the page last, so a failure leaves every file as it was or whole and new, and
// the page the last one written in full. Throws platform::CannotOpenFolder for the page's folder and
// "Cannot create file "<path>". <reason>" or "Cannot write file "<path>". <reason>" with the system's
// reason.
void WriteReport(platform::FileSystem& files, const Report& report, const common::Text& html_path);

// `text` as HTML character data or attribute value: & < > " ' become references, control
// characters (other than tab and line breaks) become U+FFFD, ill-formed UTF-16 becomes U+FFFD.
std::string HtmlText(common::TextView text);

// One CSV field: always quoted, quotes doubled. A value that a spreadsheet would take for a formula
// (it begins with = + - @, a tab or a carriage return) gets a leading apostrophe, so it opens as text.
std::string CsvField(common::TextView text);

}  // namespace report
