#pragma once

// The fixed statement texts of the two imports. Values are bound to the named parameters, never
// spliced into the text.
namespace survey {

inline constexpr char16_t kDeleteHostRows[] = u"DELETE FROM USERS WHERE HOST = :HOST";

inline constexpr char16_t kInsertUsersRow[] =
    u"INSERT INTO USERS (HOST, USER, IP, FIO, TEL, ZDAN, ETAJ, KAB, SPEED, TYPE, RAM, CPU, HDD, OS, "
    u"OSVER, W9XVER, OSBUILD, OSID, BIOS, PRINTER) VALUES (:HOST, :USER, :IP, :FIO, :TEL, :ZDAN, :ETAJ, "
    u":KAB, :SPEED, :TYPE, :RAM, :CPU, :HDD, :OS, :OSVER, :W9XVER, :OSBUILD, :OSID, :BIOS, :PRINTER)";

inline constexpr char16_t kCountHostRows[] = u"SELECT COUNT (HOST) AS COUNT FROM USERS WHERE HOST = :HOST";

}  // namespace survey
