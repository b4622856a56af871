// Anonymous blocks made of a few PL/SQL statements, each run through the
// statement engine:
//
//   begin <statements> [exception <handlers>] end;
//
//   statements:  a nested block;
//                select <list> into :a, :b from <rest>;  (exactly one row)
//                :v := <expression>;                      (select <expression> from dual)
//                :v := sqlerrm(<number>);                 (Oracle's text of that error)
//                if <condition> then <statements> [else <statements>] end if;
//   handlers:    when no_data_found | too_many_rows | others then <statements>
//
// A select into that finds no row raises ORA-01403, one that finds more
// ORA-01422; an error nobody handles ends the block with that error. The
// SQL pieces keep their text (literals and comments included) and see every
// bind of the block. A text outside this grammar is not taken.
#include <cstdlib>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "journal.h"
#include "platform/text.h"
#include "sql_tokens.h"
#include "statement.h"

namespace ocistandin {
namespace {

using sqltokens::Tok;
using sqltokens::Token;

constexpr sb4 kNoDataFound = 1403;
constexpr sb4 kTooManyRows = 1422;

struct Statement;
using Statements = std::vector<std::unique_ptr<Statement>>;

struct Handler {
  sb4 code = 0;  // 0: others
  Statements body;
};

struct Statement {
  enum class Kind { kBlock, kSelectInto, kAssign, kIf } kind;
  std::string sql;                // select text, expression or condition
  std::vector<std::string> into;  // targets of a select into, or the one of an assignment
  bool sqlerrm = false;           // an assignment of sqlerrm(<sql>)
  Statements body, orElse;        // block or then-branch; else-branch
  std::vector<Handler> handlers;  // of a block
};

// Recursive descent over the significant tokens of the text.
class Parser {
 public:
  explicit Parser(const std::string& source) : text_(source) {
    for (Token& t : sqltokens::tokenize(source))
      if (sqltokens::significant(t)) tokens_.push_back(std::move(t));
  }

  std::unique_ptr<Statement> blockText() {
    auto block = parseBlock();
    return block && at_ == tokens_.size() ? std::move(block) : nullptr;
  }

 private:
  bool word(const char* w) const {
    return at_ < tokens_.size() && tokens_[at_].kind == Tok::kWord &&
           platform::UpperAscii(tokens_[at_].text) == w;
  }
  bool punct(const char* p) const {
    return at_ < tokens_.size() && tokens_[at_].kind == Tok::kPunct && tokens_[at_].text == p;
  }
  bool take(const char* w) { return word(w) ? (++at_, true) : false; }
  bool takePunct(const char* p) { return punct(p) ? (++at_, true) : false; }
  // Bind name of the current token without its colon, upper-cased.
  std::optional<std::string> takeBind() {
    if (at_ >= tokens_.size() || tokens_[at_].kind != Tok::kBind) return std::nullopt;
    std::string name = tokens_[at_++].text.substr(1);
    if (name.size() >= 2 && name.front() == '"') return name.substr(1, name.size() - 2);
    return platform::UpperAscii(name);
  }
  // Text from the current token up to (not including) the first token at
  // parenthesis depth 0 that `stop` accepts; moves there.
  template <class Stop>
  std::optional<std::string> textUntil(Stop stop) {
    const std::size_t first = at_;
    int depth = 0;
    for (; at_ < tokens_.size(); ++at_) {
      if (depth == 0 && stop()) break;
      if (punct("(")) ++depth;
      if (punct(")")) --depth;
    }
    if (at_ >= tokens_.size() || at_ == first) return std::nullopt;
    return text_.substr(tokens_[first].offset, tokens_[at_].offset - tokens_[first].offset);
  }

  std::unique_ptr<Statement> parseBlock() {
    if (!take("BEGIN")) return nullptr;
    auto block = std::make_unique<Statement>();
    block->kind = Statement::Kind::kBlock;
    if (!parseStatements(block->body)) return nullptr;
    if (take("EXCEPTION")) {
      while (take("WHEN")) {
        Handler h;
        if (take("NO_DATA_FOUND"))
          h.code = kNoDataFound;
        else if (take("TOO_MANY_ROWS"))
          h.code = kTooManyRows;
        else if (!take("OTHERS"))
          return nullptr;
        if (!take("THEN") || !parseStatements(h.body)) return nullptr;
        block->handlers.push_back(std::move(h));
      }
      if (block->handlers.empty()) return nullptr;
    }
    if (!take("END") || !takePunct(";")) return nullptr;
    return block;
  }

  // One or more statements, up to END, ELSE, EXCEPTION or WHEN.
  bool parseStatements(Statements& out) {
    while (at_ < tokens_.size() && !word("END") && !word("ELSE") && !word("EXCEPTION") &&
           !word("WHEN")) {
      auto s = parseStatement();
      if (!s) return false;
      out.push_back(std::move(s));
    }
    return !out.empty();
  }

  std::unique_ptr<Statement> parseStatement() {
    if (word("BEGIN")) return parseBlock();
    auto s = std::make_unique<Statement>();
    const auto semicolon = [this] { return punct(";"); };
    if (take("IF")) {
      s->kind = Statement::Kind::kIf;
      auto condition = textUntil([this] { return word("THEN"); });
      if (!condition || !take("THEN") || !parseStatements(s->body)) return nullptr;
      if (take("ELSE") && !parseStatements(s->orElse)) return nullptr;
      if (!take("END") || !take("IF") || !takePunct(";")) return nullptr;
      s->sql = *condition;
      return s;
    }
    if (word("SELECT")) {
      s->kind = Statement::Kind::kSelectInto;
      auto list = textUntil([this] { return word("INTO"); });
      if (!list || !take("INTO")) return nullptr;
      do {
        auto target = takeBind();
        if (!target) return nullptr;
        s->into.push_back(*target);
      } while (takePunct(","));
      if (!word("FROM")) return nullptr;
      auto rest = textUntil(semicolon);
      if (!rest || !takePunct(";")) return nullptr;
      s->sql = *list + " " + *rest;
      return s;
    }
    auto target = takeBind();
    if (!target || !takePunct(":=")) return nullptr;
    s->kind = Statement::Kind::kAssign;
    s->into.push_back(*target);
    if (take("SQLERRM")) {
      if (!takePunct("(")) return nullptr;
      s->sqlerrm = true;
      auto argument = textUntil([this] { return punct(")"); });
      if (!argument || !takePunct(")")) return nullptr;
      s->sql = "select " + *argument + " from dual";
    } else {
      auto expression = textUntil(semicolon);
      if (!expression) return nullptr;
      s->sql = "select " + *expression + " from dual";
    }
    return takePunct(";") ? std::move(s) : nullptr;
  }

  const std::string& text_;
  std::vector<Token> tokens_;
  std::size_t at_ = 0;
};

// Oracle's text for an error number as sqlerrm gives it.
std::string sqlerrmText(long code) {
  switch (code) {
    case 0:
      return "ORA-0000: normal, successful completion";
    case 100:
      return "ORA-01403: no data found";
    case -1:
      return "ORA-00001: unique constraint (.) violated";
    case -kNoDataFound:
      return "ORA-01403: no data found";
    case -kTooManyRows:
      return "ORA-01422: exact fetch returns more than requested number of rows";
    case -2290:
      return "ORA-02290: check constraint (.) violated";
    case -2291:
      return "ORA-02291: integrity constraint (.) violated - parent key not found";
    case -2292:
      return "ORA-02292: integrity constraint (.) violated - child record found";
    default:
      break;
  }
  if (code > 0) return "User-Defined Exception";
  std::string text = formatMessage(static_cast<sb4>(-code), standardText(static_cast<sb4>(-code)));
  if (!text.empty() && text.back() == '\n') text.pop_back();
  return text;
}

// A scratch define of text at `position`, for values nobody keeps.
struct ScratchDefine {
  explicit ScratchDefine(ub4 position) {
    define.position = position;
    define.dataType = SQLT_STR;
    define.value = buffer;
    define.valueSize = sizeof buffer;
    define.indicators = &indicator;
    define.lengths = &length;
  }
  DefineHandle define{OCI_HTYPE_DEFINE, nullptr};
  char buffer[4001] = {};
  sb2 indicator = 0;
  ub2 length = 0;
};

class Runner {
 public:
  Runner(SvcCtxHandle& svc, StmtHandle& block) : svc_(svc), block_(block) {}

  // Runs the statements; false with `error` set when one raised.
  bool run(const Statements& statements) {
    for (const auto& s : statements)
      if (!runOne(*s)) return false;
    return true;
  }

  // Runs a block with its handlers; false with `error` set when an error
  // was left unhandled.
  bool runBlock(const Statement& s) {
    if (run(s.body)) return true;
    for (const Handler& h : s.handlers) {
      if (h.code != 0 && h.code != error.code) continue;
      error = {0, {}};
      return run(h.body);
    }
    return false;
  }

  OraError error{0, {}};

 private:
  const BindHandle* bindNamed(const std::string& name) {
    for (auto it = block_.binds.rbegin(); it != block_.binds.rend(); ++it)
      if ((*it)->name == name) return *it;
    return nullptr;
  }

  bool raised(ErrorHandle& scratch) {
    error = scratch.record ? OraError{scratch.record->code, scratch.record->message}
                           : OraError{kInternalError, standardText(kInternalError)};
    // The record holds the formatted message; keep Oracle's text only.
    const std::string prefix = formatMessage(error.code, "");
    if (error.text.rfind(prefix, 0) == 0) error.text.erase(0, prefix.size());
    if (!error.text.empty() && error.text.back() == '\n') error.text.pop_back();
    return false;
  }

  // Runs `sql` with the block's binds; `into` names the binds its select
  // list is written to (exactly one row), none: only whether a row came.
  bool select(const std::string& sql, const std::vector<const ValueBuffers*>& into, bool& gotRow) {
    ErrorHandle scratch(OCI_HTYPE_ERROR, nullptr);
    StmtHandle sub(OCI_HTYPE_STMT, nullptr);
    prepareStatement(sub, &scratch, sql);
    sub.binds = block_.binds;
    const auto release = [&sub] {
      sub.binds.clear();
      sub.defines.clear();
    };
    if (executeStatement(svc_, sub, &scratch, 0, 0, OCI_DEFAULT) != OCI_SUCCESS) {
      release();
      return raised(scratch);
    }
    std::vector<std::unique_ptr<DefineHandle>> defines;
    for (std::size_t i = 0; i < into.size(); ++i) {
      auto d = std::make_unique<DefineHandle>(OCI_HTYPE_DEFINE, nullptr);
      d->position = static_cast<ub4>(i + 1);
      pointAtElements(*d, *into[i]);
      sub.defines.push_back(d.get());
      defines.push_back(std::move(d));
    }
    sword status = fetchRows(sub, &scratch, 1, OCI_FETCH_NEXT);
    gotRow = sub.rowsFetched == 1;
    if (status != OCI_SUCCESS && status != OCI_NO_DATA && status != OCI_SUCCESS_WITH_INFO) {
      release();
      return raised(scratch);
    }
    if (into.empty()) {
      release();
      return true;
    }
    if (!gotRow) {
      release();
      error = {kNoDataFound, "no data found"};
      return false;
    }
    // A second row would make the select into fail.
    std::vector<std::unique_ptr<ScratchDefine>> spare;
    sub.defines.clear();
    for (std::size_t i = 0; i < into.size(); ++i) {
      spare.push_back(std::make_unique<ScratchDefine>(static_cast<ub4>(i + 1)));
      sub.defines.push_back(&spare.back()->define);
    }
    status = fetchRows(sub, &scratch, 1, OCI_FETCH_NEXT);
    const bool more = sub.rowsFetched == 1;
    release();
    if (more) {
      error = {kTooManyRows, "exact fetch returns more than requested number of rows"};
      return false;
    }
    return true;
  }

  bool targets(const Statement& s, std::vector<const ValueBuffers*>& out) {
    for (const std::string& name : s.into) {
      const BindHandle* bind = bindNamed(name);
      if (bind == nullptr) {
        error = {kVariablesNotBound, standardText(kVariablesNotBound)};
        return false;
      }
      out.push_back(bind);
    }
    return true;
  }

  bool runOne(const Statement& s) {
    bool row = false;
    switch (s.kind) {
      case Statement::Kind::kBlock:
        return runBlock(s);
      case Statement::Kind::kIf:
        if (!select("select 1 from dual where " + s.sql, {}, row)) return false;
        return run(row ? s.body : s.orElse);
      case Statement::Kind::kSelectInto:
      case Statement::Kind::kAssign: {
        std::vector<const ValueBuffers*> into;
        if (!targets(s, into)) return false;
        return s.sqlerrm ? assignText(*into[0], s.sql) : select(s.sql, into, row);
      }
    }
    return false;
  }

  // Writes sqlerrm of the number `numberSql` selects into `target`.
  bool assignText(const ValueBuffers& target, const std::string& numberSql) {
    ScratchDefine number(1);
    bool row = false;
    if (!select(numberSql, {&number.define}, row)) return false;
    std::string text =
        sqlerrmText(number.indicator == -1 ? 0 : std::strtol(number.buffer, nullptr, 10));
    BindHandle value(OCI_HTYPE_BIND, nullptr);
    value.name = "KEL__SQLERRM_TEXT";
    value.dataType = SQLT_CHR;
    value.value = text.data();
    value.valueSize = static_cast<sb4>(text.size());
    block_.binds.push_back(&value);
    const bool ok = select("select :kel__sqlerrm_text from dual", {&target}, row);
    block_.binds.pop_back();
    return ok;
  }

  SvcCtxHandle& svc_;
  StmtHandle& block_;
};

}  // namespace

bool executePlsqlStatements(SvcCtxHandle& svc, StmtHandle& stmt, ErrorHandle* err, sword& status) {
  const std::unique_ptr<Statement> block = Parser(stmt.text).blockText();
  if (!block) return false;
  recordStatement({stmt.text, {}});
  Runner runner(svc, stmt);
  stmt.rowCount = 0;
  if (!runner.runBlock(*block)) {
    status = fail(err, runner.error);
    return true;
  }
  stmt.rowCount = 1;
  status = OCI_SUCCESS;
  return true;
}

}  // namespace ocistandin
