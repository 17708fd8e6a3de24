#pragma once

#include <array>

// Every statement text the system issues, exactly as the database receives it. Values are bound to
// the named parameters; nothing is ever spliced into these texts.
namespace store {

// USERS and its eighteen indexes, created at first activation when users.dbf is missing. The text
// is kept exactly as the system issues it, spacing included: no blank before SPEED, two before OSID,
// "VARCHAR (192)".
inline constexpr char16_t kCreateUsers[] =
    u"CREATE TABLE USERS (HOST VARCHAR(70), USER VARCHAR(70), IP VARCHAR(70), FIO VARCHAR(70), "
    u"TEL VARCHAR(70), ZDAN VARCHAR(70), ETAJ VARCHAR(70), KAB VARCHAR(70), EMAIL VARCHAR(70), "
    u"TEL2 VARCHAR(70),SPEED INTEGER, RAM INTEGER, TYPE VARCHAR(70), CPU VARCHAR(70), HDD INTEGER, "
    u"OS VARCHAR(70), OSVER VARCHAR(70), W9XVER VARCHAR(70), OSBUILD VARCHAR(70),  OSID VARCHAR(70), "
    u"BIOS VARCHAR(70), PRINTER VARCHAR (192));";

inline constexpr std::array<const char16_t*, 18> kCreateUsersIndexes = {
    u"CREATE INDEX HOST_IDX ON USERS (HOST)",   u"CREATE INDEX USER_IDX ON USERS (USER)",
    u"CREATE INDEX FIO_IDX ON USERS (FIO)",     u"CREATE INDEX IP_IDX ON USERS (IP)",
    u"CREATE INDEX TEL_IDX ON USERS (TEL)",     u"CREATE INDEX TEL2_IDX ON USERS (TEL2)",
    u"CREATE INDEX EMAIL_IDX ON USERS (EMAIL)", u"CREATE INDEX ZDAN_IDX ON USERS (ZDAN)",
    u"CREATE INDEX KAB_IDX ON USERS (KAB)",     u"CREATE INDEX ETAJ_IDX ON USERS (ETAJ)",
    u"CREATE INDEX SPEED_IDX ON USERS (SPEED)", u"CREATE INDEX RAM_IDX ON USERS (RAM)",
    u"CREATE INDEX TYPE_IDX ON USERS (TYPE)",   u"CREATE INDEX CPU_IDX ON USERS (CPU)",
    u"CREATE INDEX HDD_IDX ON USERS (HDD)",     u"CREATE INDEX OS_IDX ON USERS (OS)",
    u"CREATE INDEX OSID_IDX ON USERS (OSID)",   u"CREATE INDEX BIOS_IDX ON USERS (BIOS)",
};

// The export tables, dropped and built again in every refresh run.
inline constexpr char16_t kCreateMexport[] = u"CREATE TABLE MEXPORT (FIO VARCHAR(70), EMAIL VARCHAR(64))";
inline constexpr char16_t kCreateMexportIndex[] = u"CREATE INDEX FIO_IDX ON MEXPORT (FIO)";
inline constexpr char16_t kDropMexport[] = u"DROP TABLE MEXPORT;";
inline constexpr char16_t kCreateTexport[] = u"CREATE TABLE TEXPORT (FIO VARCHAR(70), TEL VARCHAR(64))";
inline constexpr char16_t kCreateTexportIndex[] = u"CREATE INDEX FIO_IDX ON TEXPORT (FIO)";
inline constexpr char16_t kDropTexport[] = u"DROP TABLE TEXPORT;";
// Names under which the table component appends export rows.
inline constexpr char16_t kMexportTableName[] = u"mexport";
inline constexpr char16_t kTexportTableName[] = u"texport";

// The survey import and the info-only import.
inline constexpr char16_t kDeleteHostRows[] = u"DELETE FROM USERS WHERE HOST = :HOST";
inline constexpr char16_t kInsertUsersRow[] =
    u"INSERT INTO USERS (HOST, USER, IP, FIO, TEL, ZDAN, ETAJ, KAB, SPEED, TYPE, RAM, CPU, HDD, OS, OSVER, "
    u"W9XVER, OSBUILD, OSID, BIOS, PRINTER) VALUES (:HOST, :USER, :IP, :FIO, :TEL, :ZDAN, :ETAJ, :KAB, "
    u":SPEED, :TYPE, :RAM, :CPU, :HDD, :OS, :OSVER, :W9XVER, :OSBUILD, :OSID, :BIOS, :PRINTER)";
inline constexpr char16_t kCountHostRows[] = u"SELECT COUNT (HOST) AS COUNT FROM USERS WHERE HOST = :HOST";

// The contact merge.
inline constexpr char16_t kSelectMexport[] = u"SELECT FIO, EMAIL FROM MEXPORT";
inline constexpr char16_t kSelectTexport[] = u"SELECT FIO, TEL FROM TEXPORT";
inline constexpr char16_t kUpdateEmail[] = u"UPDATE USERS SET EMAIL = :EMAIL WHERE FIO = :FIO";
inline constexpr char16_t kUpdateTel2[] = u"UPDATE USERS SET TEL2 = :TEL2 WHERE FIO = :FIO";
inline constexpr char16_t kCountFioRows[] = u"SELECT COUNT(HOST) AS COUNT FROM USERS WHERE FIO = :FIO";
inline constexpr char16_t kInsertFioRow[] = u"INSERT INTO USERS (FIO) VALUES (:FIO)";

// The change history: one row per changed column of a host's USERS row, appended at the end of a
// refresh run; created when the first change is recorded and history.dbf is missing.
inline constexpr char16_t kHistoryFileName[] = u"history.dbf";
inline constexpr char16_t kCreateHistory[] =
    u"CREATE TABLE HISTORY (HOST VARCHAR(70), CHG_DATE DATE, CHG_TIME VARCHAR(8), FIELD VARCHAR(10), "
    u"OLD_VALUE VARCHAR(192), NEW_VALUE VARCHAR(192))";
inline constexpr char16_t kInsertHistoryRow[] =
    u"INSERT INTO HISTORY (HOST, CHG_DATE, CHG_TIME, FIELD, OLD_VALUE, NEW_VALUE) "
    u"VALUES (:HOST, :CHG_DATE, :CHG_TIME, :FIELD, :OLD_VALUE, :NEW_VALUE)";
inline constexpr char16_t kSelectHistory[] =
    u"SELECT HOST, CHG_DATE, CHG_TIME, FIELD, OLD_VALUE, NEW_VALUE FROM HISTORY";

}  // namespace store
