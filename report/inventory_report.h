#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "common/clock.h"
#include "common/text.h"
#include "platform/file_system.h"

// The inventory report: what USERS, MEXPORT and TEXPORT hold, read through the store's components,
// beside one listing of the survey folder, gathered into counts, charts and lists of rows to act on.
// Nothing here writes a table or opens a workstation file.
namespace report {

struct ReportSettings {
  common::Text survey_folder;    // ends with a path separator
  common::Text database_folder;  // ends with a path separator
  int max_workstations = 3;      // a person on more workstations than this is listed
  int stale_days = 30;           // a host whose newest file is older than this is listed
  int64_t now = 0;               // seconds since 1970-01-01 UTC: the moment "older than" counts from
  std::string dbf_codepage;      // code page of a table whose header names none (app::Settings)
};

// One bar of a chart.
struct Bar {
  common::Text label;
  int64_t count = 0;
};

struct Chart {
  std::string id;  // the page names the chart "chart-<id>"
  common::Text title;
  std::vector<Bar> bars;
};

// A list of rows to act on: shown on the page and written beside it as <page stem>-<id>.csv.
struct ActionList {
  std::string id;
  common::Text title;
  common::Text explanation;
  std::vector<common::Text> columns;
  std::vector<std::vector<common::Text>> rows;
};

struct Report {
  common::Text survey_folder;
  common::Text database_folder;
  int64_t generated = 0;  // ReportSettings::now

  int64_t workstations = 0;     // USERS rows
  int64_t info_only_hosts = 0;  // rows whose FIO is the placeholder of a host without a survey file
  int64_t people = 0;           // distinct FIO, the placeholder and empty names left out
  int64_t with_email = 0;
  int64_t with_tel2 = 0;
  std::optional<int64_t> newest_survey_file;  // modification time of the newest *.txt
  int64_t survey_files = 0;
  int64_t info_files = 0;
  std::optional<int64_t> mexport_rows;  // empty when the table is missing
  std::optional<int64_t> texport_rows;

  // The change history (HISTORY): hosts with a row dated within the last stale_days days, and those
  // rows ("Изменения": host, column, old and new value, date), each host's newest first, the hosts by
  // their newest change; `history` holds every row of the table, for its CSV file. Empty without
  // history.dbf.
  bool history_present = false;
  int history_days = 0;  // ReportSettings::stale_days
  int64_t hosts_changed = 0;
  ActionList changes;
  ActionList history;

  std::vector<Chart> charts;
  std::vector<ActionList> lists;
  std::vector<common::Text> notes;  // what the report could not look at, and why
};

// Reads the tables of `settings.database_folder` through `files` and lists `settings.survey_folder`
// once. `clock` is the one the store's connection is given; the report writes no table.
// Throws common::Error: "The database folder "<folder>" holds no inventory: users.dbf is missing"
// when USERS is absent (also when the folder itself is missing or empty), and the store's failures
// for a table it cannot read. A USERS table that lacks some columns (written by another program)
// gives a report without what those columns feed; MEXPORT or TEXPORT missing gives a note.
Report GatherReport(platform::FileSystem& files, const common::Clock& clock, const ReportSettings& settings);

// `seconds` since 1970-01-01 UTC as local time, "2026-12-09 14:05".
common::Text LocalTime(int64_t seconds);

}  // namespace report
