#include "store/sql/statement.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "common/error.h"

namespace store::sql {
namespace {

using ::testing::ElementsAre;
using ::testing::StrEq;
using ::testing::ThrowsMessage;

// The statement texts the system issues, written out here as the system's tables give them.
const char16_t* const kIssuedTexts[] = {
    u"CREATE TABLE USERS (HOST VARCHAR(70), USER VARCHAR(70), IP VARCHAR(70), FIO VARCHAR(70), TEL VARCHAR(70), "
    u"ZDAN VARCHAR(70), ETAJ VARCHAR(70), KAB VARCHAR(70), EMAIL VARCHAR(70), TEL2 VARCHAR(70),SPEED INTEGER, "
    u"RAM INTEGER, TYPE VARCHAR(70), CPU VARCHAR(70), HDD INTEGER, OS VARCHAR(70), OSVER VARCHAR(70), "
    u"W9XVER VARCHAR(70), OSBUILD VARCHAR(70),  OSID VARCHAR(70), BIOS VARCHAR(70), PRINTER VARCHAR (192));",
    u"CREATE INDEX HOST_IDX ON USERS (HOST)",
    u"CREATE INDEX OSID_IDX ON USERS (OSID)",
    u"CREATE TABLE MEXPORT (FIO VARCHAR(70), EMAIL VARCHAR(64))",
    u"CREATE INDEX FIO_IDX ON MEXPORT (FIO)",
    u"DROP TABLE MEXPORT;",
    u"CREATE TABLE TEXPORT (FIO VARCHAR(70), TEL VARCHAR(64))",
    u"DROP TABLE TEXPORT;",
    u"DELETE FROM USERS WHERE HOST = :HOST",
    u"INSERT INTO USERS (HOST, USER, IP, FIO, TEL, ZDAN, ETAJ, KAB, SPEED, TYPE, RAM, CPU, HDD, OS, OSVER, W9XVER, "
    u"OSBUILD, OSID, BIOS, PRINTER) VALUES (:HOST, :USER, :IP, :FIO, :TEL, :ZDAN, :ETAJ, :KAB, :SPEED, :TYPE, :RAM, "
    u":CPU, :HDD, :OS, :OSVER, :W9XVER, :OSBUILD, :OSID, :BIOS, :PRINTER)",
    u"SELECT COUNT (HOST) AS COUNT FROM USERS WHERE HOST = :HOST",
    u"SELECT FIO, EMAIL FROM MEXPORT",
    u"SELECT FIO, TEL FROM TEXPORT",
    u"UPDATE USERS SET EMAIL = :EMAIL WHERE FIO = :FIO",
    u"UPDATE USERS SET TEL2 = :TEL2 WHERE FIO = :FIO",
    u"SELECT COUNT(HOST) AS COUNT FROM USERS WHERE FIO = :FIO",
    u"INSERT INTO USERS (FIO) VALUES (:FIO)",
    u"CREATE TABLE HISTORY (HOST VARCHAR(70), CHG_DATE DATE, CHG_TIME VARCHAR(8), FIELD VARCHAR(10), "
    u"OLD_VALUE VARCHAR(192), NEW_VALUE VARCHAR(192))",
    u"INSERT INTO HISTORY (HOST, CHG_DATE, CHG_TIME, FIELD, OLD_VALUE, NEW_VALUE) "
    u"VALUES (:HOST, :CHG_DATE, :CHG_TIME, :FIELD, :OLD_VALUE, :NEW_VALUE)",
    // Keywords in any case, blanks anywhere between tokens.
    u"select fio,email from mexport",
    u"  Delete\tFrom users\r\nwhere HOST=:host ;",
};

class IssuedTextTest : public ::testing::TestWithParam<const char16_t*> {};

TEST_P(IssuedTextTest, Parses) { EXPECT_NO_THROW(Parse(GetParam())) << common::ToUtf8(GetParam()); }

INSTANTIATE_TEST_SUITE_P(Statements, IssuedTextTest, ::testing::ValuesIn(kIssuedTexts));

TEST(StatementTest, CreateUsersKeepsEveryColumnWithItsType) {
  Statement statement = Parse(kIssuedTexts[0]);
  EXPECT_EQ(statement.kind, StatementKind::kCreateTable);
  EXPECT_EQ(statement.table, "USERS");
  ASSERT_EQ(statement.definitions.size(), 22u);
  EXPECT_EQ(statement.definitions[9].name, "TEL2");
  EXPECT_EQ(statement.definitions[10].name, "SPEED");
  EXPECT_EQ(statement.definitions[10].type, ColumnType::kInteger);
  EXPECT_EQ(statement.definitions[19].name, "OSID");
  EXPECT_EQ(statement.definitions[21].name, "PRINTER");
  EXPECT_EQ(statement.definitions[21].width, 192);
  EXPECT_EQ(statement.definitions[0].width, 70);
}

TEST(StatementTest, CountWithAndWithoutBlankBeforeParenthesis) {
  for (const char16_t* text : {u"SELECT COUNT (HOST) AS COUNT FROM USERS WHERE HOST = :HOST",
                               u"SELECT COUNT(HOST) AS COUNT FROM USERS WHERE HOST = :HOST"}) {
    Statement statement = Parse(text);
    EXPECT_EQ(statement.kind, StatementKind::kSelectCount);
    EXPECT_THAT(statement.columns, ElementsAre("HOST"));
    EXPECT_EQ(statement.alias, "COUNT");
    EXPECT_EQ(statement.where->column, "HOST");
    EXPECT_EQ(statement.where->parameter, "HOST");
  }
}

TEST(StatementTest, InsertPairsColumnsWithParameters) {
  Statement statement = Parse(u"insert into users (fio, host) values (:Fio, :HOST)");
  EXPECT_EQ(statement.table, "USERS");
  EXPECT_THAT(statement.columns, ElementsAre("FIO", "HOST"));
  EXPECT_THAT(statement.parameters, ElementsAre("Fio", "HOST"));
}

TEST(StatementTest, UpdateHasSetAndWhere) {
  Statement statement = Parse(u"UPDATE USERS SET EMAIL = :EMAIL WHERE FIO = :FIO");
  EXPECT_EQ(statement.set->column, "EMAIL");
  EXPECT_EQ(statement.set->parameter, "EMAIL");
  EXPECT_EQ(statement.where->column, "FIO");
}

struct Refusal {
  const char16_t* text;
  const char* message;
};

void PrintTo(const Refusal& c, std::ostream* out) { *out << common::ToUtf8(c.text); }

class RefusalTest : public ::testing::TestWithParam<Refusal> {};

TEST_P(RefusalTest, NamesWhatWasExpected) {
  EXPECT_THAT([&] { Parse(GetParam().text); }, ThrowsMessage<common::Error>(StrEq(GetParam().message)));
}

INSTANTIATE_TEST_SUITE_P(
    Statements, RefusalTest,
    ::testing::Values(
        Refusal{u"DELETE FROM USERS WHERE HOST = 'PC-1'",
                "Statement not supported: values are bound as parameters (:NAME), never written into the text"},
        Refusal{u"DELETE FROM USERS", "Statement not supported: expected WHERE at the end"},
        Refusal{u"SELECT * FROM USERS", "Statement not supported: expected a column name at \"* FROM USERS\""},
        Refusal{u"UPDATE USERS SET EMAIL = :EMAIL, TEL2 = :TEL2 WHERE FIO = :FIO",
                "Statement not supported: expected WHERE at \", TEL2 = :TEL2 WHERE FIO = :FIO\""},
        Refusal{u"SELECT FIO FROM USERS WHERE FIO = :FIO",
                "Statement not supported: expected the end of the statement at \"WHERE FIO = :FIO\""},
        Refusal{u"CREATE TABLE T (A CHAR(10))",
                "Statement not supported: expected VARCHAR, INTEGER or DATE at \"CHAR(10))\""},
        Refusal{u"CREATE TABLE T (A VARCHAR(255))",
                "Statement not supported: expected a width from 1 to 254 at \"255))\""},
        Refusal{u"CREATE UNIQUE INDEX I ON T (A)",
                "Statement not supported: expected TABLE or INDEX at \"UNIQUE INDEX I ON T (A)\""},
        Refusal{u"INSERT INTO T (A, B) VALUES (:A)", "Statement not supported: 2 columns but 1 values"},
        Refusal{u"DROP TABLE T; DROP TABLE U",
                "Statement not supported: expected the end of the statement at \"DROP TABLE U\""},
        Refusal{u"TRUNCATE TABLE USERS",
                "Statement not supported: expected a statement (CREATE, DROP, INSERT, UPDATE, DELETE or SELECT) at "
                "\"TRUNCATE TABLE USERS\""},
        Refusal{u"",
                "Statement not supported: expected a statement (CREATE, DROP, INSERT, UPDATE, DELETE or SELECT) "
                "at the end"},
        Refusal{u"SELECT FIO FROM USERS -- all", "Statement not supported: unexpected character \"-\""}));

TEST(ParameterNamesTest, InOrderOfFirstAppearanceEachOnce) {
  EXPECT_THAT(ParameterNames(u"UPDATE USERS SET EMAIL = :EMAIL WHERE FIO = :FIO"), ElementsAre("EMAIL", "FIO"));
  EXPECT_THAT(ParameterNames(u"SELECT A FROM T WHERE A = :x OR B = :X"), ElementsAre("x"));
  EXPECT_THAT(ParameterNames(u"CREATE INDEX HOST_IDX ON USERS (HOST)"), ElementsAre());
  EXPECT_THAT(ParameterNames(u"not a statement :P1 at all :"), ElementsAre("P1"));
}

}  // namespace
}  // namespace store::sql
