#pragma once

// The fixed statement texts of the export tables and of the contact merge. Values are bound to
// their named parameters; nothing is spliced into these texts.
namespace directory {

inline constexpr char16_t kDropMexport[] = u"DROP TABLE MEXPORT;";
inline constexpr char16_t kCreateMexport[] = u"CREATE TABLE MEXPORT (FIO VARCHAR(70), EMAIL VARCHAR(64))";
inline constexpr char16_t kIndexMexport[] = u"CREATE INDEX FIO_IDX ON MEXPORT (FIO)";

inline constexpr char16_t kDropTexport[] = u"DROP TABLE TEXPORT;";
inline constexpr char16_t kCreateTexport[] = u"CREATE TABLE TEXPORT (FIO VARCHAR(70), TEL VARCHAR(64))";
inline constexpr char16_t kIndexTexport[] = u"CREATE INDEX FIO_IDX ON TEXPORT (FIO)";

inline constexpr char16_t kSelectMexport[] = u"SELECT FIO, EMAIL FROM MEXPORT";
inline constexpr char16_t kSelectTexport[] = u"SELECT FIO, TEL FROM TEXPORT";
inline constexpr char16_t kUpdateEmail[] = u"UPDATE USERS SET EMAIL = :EMAIL WHERE FIO = :FIO";
inline constexpr char16_t kUpdateTel2[] = u"UPDATE USERS SET TEL2 = :TEL2 WHERE FIO = :FIO";

}  // namespace directory
