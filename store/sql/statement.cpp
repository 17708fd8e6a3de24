#include "store/sql/statement.h"

#include <mutex>
#include <unordered_map>

#include "common/error.h"

namespace store::sql {

namespace {

enum class TokenKind { kName, kNumber, kParameter, kSymbol, kEnd };

struct Token {
  TokenKind kind = TokenKind::kEnd;
  std::string text;  // names upper-cased; parameters without the colon, as written
  size_t position = 0;
};

bool IsNameStart(char16_t c) { return (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z') || c == u'_'; }
bool IsDigit(char16_t c) { return c >= u'0' && c <= u'9'; }
bool IsNameChar(char16_t c) { return IsNameStart(c) || IsDigit(c); }

std::string Ascii(common::TextView text, bool upper) {
  std::string out;
  for (char16_t c : text) {
    char a = static_cast<char>(c);
    out.push_back(upper ? common::AsciiUpper(a) : a);
  }
  return out;
}

class Parser {
 public:
  explicit Parser(common::TextView text) : text_(text) { Tokenize(); }

  Statement Run() {
    Statement statement;
    std::string verb = Name("a statement (CREATE, DROP, INSERT, UPDATE, DELETE or SELECT)");
    if (verb == "CREATE") {
      std::string what = Name("TABLE or INDEX");
      if (what == "TABLE") {
        CreateTable(statement);
      } else if (what == "INDEX") {
        CreateIndex(statement);
      } else {
        Fail("TABLE or INDEX", 1);
      }
    } else if (verb == "DROP") {
      Keyword("TABLE");
      statement.kind = StatementKind::kDropTable;
      statement.table = Name("a table name");
    } else if (verb == "INSERT") {
      Insert(statement);
    } else if (verb == "UPDATE") {
      statement.kind = StatementKind::kUpdate;
      statement.table = Name("a table name");
      Keyword("SET");
      statement.set = Assignment();
      Where(statement);
    } else if (verb == "DELETE") {
      statement.kind = StatementKind::kDelete;
      Keyword("FROM");
      statement.table = Name("a table name");
      Where(statement);
    } else if (verb == "SELECT") {
      Select(statement);
    } else {
      Fail("a statement (CREATE, DROP, INSERT, UPDATE, DELETE or SELECT)", 1);
    }
    if (Peek().kind == TokenKind::kSymbol && Peek().text == ";") ++next_;
    if (Peek().kind != TokenKind::kEnd) Fail("the end of the statement");
    return statement;
  }

 private:
  void CreateTable(Statement& statement) {
    statement.kind = StatementKind::kCreateTable;
    statement.table = Name("a table name");
    Symbol("(");
    do {
      ColumnDefinition column;
      column.name = Name("a column name");
      std::string type = Name("VARCHAR, INTEGER or DATE");
      if (type == "VARCHAR") {
        Symbol("(");
        const Token& width = Take(TokenKind::kNumber, "a column width");
        column.width = width.text.size() > 3 ? 1000 : std::stoi(width.text);
        if (column.width < 1 || column.width > 254) Fail("a width from 1 to 254", 1);
        Symbol(")");
      } else if (type == "INTEGER") {
        column.type = ColumnType::kInteger;
      } else if (type == "DATE") {
        column.type = ColumnType::kDate;
      } else {
        Fail("VARCHAR, INTEGER or DATE", 1);
      }
      statement.definitions.push_back(std::move(column));
    } while (Optional(","));
    Symbol(")");
  }

  void CreateIndex(Statement& statement) {
    statement.kind = StatementKind::kCreateIndex;
    statement.index = Name("an index name");
    Keyword("ON");
    statement.table = Name("a table name");
    Symbol("(");
    statement.columns.push_back(Name("a column name"));
    Symbol(")");
  }

  void Insert(Statement& statement) {
    statement.kind = StatementKind::kInsert;
    Keyword("INTO");
    statement.table = Name("a table name");
    Symbol("(");
    do statement.columns.push_back(Name("a column name"));
    while (Optional(","));
    Symbol(")");
    Keyword("VALUES");
    Symbol("(");
    do statement.parameters.push_back(Take(TokenKind::kParameter, "a parameter (:NAME)").text);
    while (Optional(","));
    if (statement.parameters.size() != statement.columns.size()) {
      throw common::Error(u"Statement not supported: " + common::FromUtf8(std::to_string(statement.columns.size())) +
                          u" columns but " + common::FromUtf8(std::to_string(statement.parameters.size())) +
                          u" values");
    }
    Symbol(")");
  }

  void Select(Statement& statement) {
    if (Peek().kind == TokenKind::kName && Peek().text == "COUNT" && Peek(1).text == "(") {
      ++next_;
      statement.kind = StatementKind::kSelectCount;
      Symbol("(");
      statement.columns.push_back(Name("a column name"));
      Symbol(")");
      Keyword("AS");
      statement.alias = Name("a result name");
      Keyword("FROM");
      statement.table = Name("a table name");
      Where(statement);
      return;
    }
    statement.kind = StatementKind::kSelect;
    do statement.columns.push_back(Name("a column name"));
    while (Optional(","));
    Keyword("FROM");
    statement.table = Name("a table name");
  }

  void Where(Statement& statement) {
    Keyword("WHERE");
    statement.where = Assignment();
  }

  Binding Assignment() {
    Binding binding;
    binding.column = Name("a column name");
    Symbol("=");
    binding.parameter = Take(TokenKind::kParameter, "a parameter (:NAME)").text;
    return binding;
  }

  std::string Name(const char* expected) { return Take(TokenKind::kName, expected).text; }

  void Keyword(const char* keyword) {
    if (Peek().kind != TokenKind::kName || Peek().text != keyword) Fail(keyword);
    ++next_;
  }

  void Symbol(const char* symbol) {
    if (!Optional(symbol)) Fail(std::string("\"") + symbol + "\"");
  }

  bool Optional(const char* symbol) {
    if (Peek().kind != TokenKind::kSymbol || Peek().text != symbol) return false;
    ++next_;
    return true;
  }

  const Token& Take(TokenKind kind, const char* expected) {
    if (Peek().kind != kind) Fail(expected);
    return tokens_[next_++];
  }

  const Token& Peek(size_t ahead = 0) const { return tokens_[std::min(next_ + ahead, tokens_.size() - 1)]; }

  // `back` tokens before the current one: for a token that was taken and then found wrong.
  [[noreturn]] void Fail(const std::string& expected, size_t back = 0) const {
    const Token& token = tokens_[next_ - std::min(back, next_)];
    common::Text message = u"Statement not supported: expected " + common::FromUtf8(expected);
    if (token.kind == TokenKind::kEnd) {
      message += u" at the end";
    } else {
      common::TextView rest = text_.substr(token.position);
      message += u" at \"" + common::Text(rest.substr(0, 40)) + (rest.size() > 40 ? u"...\"" : u"\"");
    }
    throw common::Error(std::move(message));
  }

  void Tokenize() {
    size_t i = 0;
    while (i < text_.size()) {
      char16_t c = text_[i];
      if (common::IsBlank(c)) {
        ++i;
        continue;
      }
      Token token;
      token.position = i;
      if (IsNameStart(c)) {
        size_t end = i;
        while (end < text_.size() && IsNameChar(text_[end])) ++end;
        token.kind = TokenKind::kName;
        token.text = Ascii(text_.substr(i, end - i), true);
        i = end;
      } else if (IsDigit(c)) {
        size_t end = i;
        while (end < text_.size() && IsDigit(text_[end])) ++end;
        token.kind = TokenKind::kNumber;
        token.text = Ascii(text_.substr(i, end - i), false);
        i = end;
      } else if (c == u':' && i + 1 < text_.size() && IsNameChar(text_[i + 1])) {
        size_t end = i + 1;
        while (end < text_.size() && IsNameChar(text_[end])) ++end;
        token.kind = TokenKind::kParameter;
        token.text = Ascii(text_.substr(i + 1, end - i - 1), false);
        i = end;
      } else if (c == u'(' || c == u')' || c == u',' || c == u'=' || c == u';' || c == u'*') {
        token.kind = TokenKind::kSymbol;
        token.text = std::string(1, static_cast<char>(c));
        ++i;
      } else if (c == u'\'' || c == u'"') {
        throw common::Error(
            u"Statement not supported: values are bound as parameters (:NAME), never written into the text");
      } else {
        throw common::Error(u"Statement not supported: unexpected character \"" + common::Text(1, c) + u"\"");
      }
      tokens_.push_back(std::move(token));
    }
    Token end;
    end.position = text_.size();
    tokens_.push_back(end);
  }

  common::TextView text_;
  std::vector<Token> tokens_;
  size_t next_ = 0;
};

}  // namespace

Statement Parse(common::TextView text) { return Parser(text).Run(); }

std::shared_ptr<const Statement> ParseShared(common::TextView text) {
  // A handful of texts are prepared again for every row; remembering them spares the parse.
  static constexpr size_t kCapacity = 64;
  static std::mutex mutex;
  static std::unordered_map<common::Text, std::shared_ptr<const Statement>> memo;
  {
    std::lock_guard lock(mutex);
    auto found = memo.find(common::Text(text));
    if (found != memo.end()) return found->second;
  }
  auto statement = std::make_shared<const Statement>(Parse(text));
  std::lock_guard lock(mutex);
  if (memo.size() >= kCapacity) memo.clear();
  memo.emplace(common::Text(text), statement);
  return statement;
}

std::vector<std::string> ParameterNames(common::TextView text) {
  std::vector<std::string> names;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] != u':' || i + 1 >= text.size() || !IsNameChar(text[i + 1])) continue;
    size_t end = i + 1;
    while (end < text.size() && IsNameChar(text[end])) ++end;
    std::string name = Ascii(text.substr(i + 1, end - i - 1), false);
    bool seen = false;
    for (const std::string& known : names) seen = seen || common::EqualsIgnoreAsciiCase(known, name);
    if (!seen) names.push_back(std::move(name));
    i = end - 1;
  }
  return names;
}

}  // namespace store::sql
