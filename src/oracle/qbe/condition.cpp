#include "oracle/qbe/condition.h"

#include <charconv>
#include <cstdio>
#include <string_view>

#include "dataset/time_stamp.h"
#include "oracle/query/select_splitter.h"
#include "oracle/values/sql_scanner.h"
#include "platform/calendar.h"
#include "platform/text.h"

namespace oracle::qbe {
namespace {

using dataset::TFieldType;

constexpr std::string_view kBlanks = " \t\r\n";
constexpr std::string_view kOperatorChars = "!<=>";
// Stands for the k-th bind of a field in its predicate until the field's
// binds are counted and named.
constexpr char kBindMark = '\x01';

bool IsTextType(TFieldType type) {
  return type == TFieldType::ftString || type == TFieldType::ftWideString ||
         type == TFieldType::ftMemo;
}

bool IsWholeNumberType(TFieldType type) {
  return type == TFieldType::ftSmallint || type == TFieldType::ftInteger ||
         type == TFieldType::ftWord || type == TFieldType::ftLargeint;
}

bool IsNumberType(TFieldType type) {
  return IsWholeNumberType(type) || type == TFieldType::ftFloat || type == TFieldType::ftCurrency ||
         type == TFieldType::ftBCD;
}

bool HasWildcard(std::string_view text) {
  return text.find_first_of("%_") != std::string_view::npos;
}

bool StartsWithCaseBlind(std::string_view text, std::string_view prefix) {
  return text.size() >= prefix.size() && platform::SameText(text.substr(0, prefix.size()), prefix);
}

// Removes one pair of surrounding single or double quotes; a doubled quote
// inside becomes one.
std::string Unquoted(std::string_view value) {
  if (value.size() < 2 || (value[0] != '\'' && value[0] != '"') || value.back() != value[0])
    return std::string(value);
  const char quote = value[0];
  std::string out;
  for (std::size_t i = 1; i + 1 < value.size(); ++i) {
    out += value[i];
    if (value[i] == quote && i + 2 < value.size() && value[i + 1] == quote) ++i;
  }
  return out;
}

// The characters of `value` that can belong to a number: digits, one sign
// in front, one decimal point and one exponent with its own sign.
std::string NumberCharacters(std::string_view value) {
  std::string out;
  bool point = false, exponent = false, digits = false;
  for (char c : value) {
    if (c >= '0' && c <= '9') {
      out += c;
      digits = true;
    } else if ((c == '+' || c == '-') && (out.empty() || (exponent && (out.back() == 'e')))) {
      out += c;
    } else if (c == '.' && !point && !exponent) {
      out += c;
      point = true;
    } else if ((c == 'e' || c == 'E') && digits && !exponent) {
      out += 'e';
      exponent = true;
    }
  }
  return out;
}

bool ReadsAsNumber(std::string_view text, double& number) {
  if (text.empty()) return false;
  if (text[0] == '+') text.remove_prefix(1);
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), number);
  return error == std::errc() && end == text.data() + text.size();
}

std::string TwoDigits(int value) {
  char buffer[16];
  std::snprintf(buffer, sizeof buffer, "%02d", value);
  return buffer;
}

std::string DayText(const platform::DateTimeParts& p) {
  char buffer[32];
  std::snprintf(buffer, sizeof buffer, "%02d-%02d-%04d", p.day, p.month, p.year);
  return buffer;
}

std::string TimeText(const platform::DateTimeParts& p) {
  return TwoDigits(p.hour) + ":" + TwoDigits(p.minute) + ":" + TwoDigits(p.second);
}

platform::DateTimeParts ReadDateTime(const std::string& value, const char* what) {
  dataset::TDateTime moment = 0;
  std::optional<platform::DateTimeParts> parts;
  if (dataset::TryTextToDateTime(value, moment)) parts = platform::SplitDateTime(moment);
  if (!parts) throw EQBEConvertError("'" + value + "' is not a valid " + what);
  return *parts;
}

struct TToken {
  std::string text;
  std::size_t begin;
  bool punctuation;  // "(", ")" or ","
};

// Cuts at blanks, tabs and line breaks; "(", ")" and "," stand alone; text
// in single or double quotes is one token. False for an unclosed quote.
bool Tokenize(std::string_view v, std::vector<TToken>& tokens) {
  std::size_t i = 0;
  while (i < v.size()) {
    const char c = v[i];
    if (kBlanks.find(c) != std::string_view::npos) {
      ++i;
    } else if (c == '(' || c == ')' || c == ',') {
      tokens.push_back({std::string(1, c), i, true});
      ++i;
    } else {
      const std::size_t begin = i;
      if (c == '\'' || c == '"') {
        for (++i;; ++i) {
          if (i >= v.size()) return false;
          if (v[i] != c) continue;
          if (i + 1 < v.size() && v[i + 1] == c) {
            ++i;
            continue;
          }
          ++i;
          break;
        }
      } else {
        while (i < v.size() && kBlanks.find(v[i]) == std::string_view::npos && v[i] != '(' &&
               v[i] != ')' && v[i] != ',' && v[i] != '\'' && v[i] != '"')
          ++i;
      }
      tokens.push_back({std::string(v.substr(begin, i - begin)), begin, false});
    }
  }
  return true;
}

bool IsWord(const TToken& token, std::string_view word) {
  return !token.punctuation && platform::SameText(token.text, word);
}

// The predicate of one field, its binds marked by position.
class TFieldPredicate {
 public:
  TFieldPredicate(const TQBEColumn& column, const TQBEOptions& options)
      : c_(column), options_(options), soundsLike_(column.soundsLike) {}

  // The line for the field's text (not empty).
  std::string Line(std::string_view v) {
    if (!options_.allowOperators)
      Single(std::string(v));
    else
      ReadLanguage(v);
    const std::string column = WrappedColumn();
    if (!negated_) return "(" + column + " " + p_ + ")";
    const bool isNull = p_ == "is null" || p_ == "is null)";
    return "(not (" + column + " " + p_ + ")" + (isNull ? ")" : " or " + c_.column + " is null)");
  }

  // The values bound, in the order of their marks.
  std::vector<TQBEBind> binds;

 private:
  struct TValue {
    std::string sql;   // what the SQL compares with
    std::string text;  // the converted value (tells the wildcards)
    bool wholeDay = false;
  };

  void ReadLanguage(std::string_view v) {
    if (kOperatorChars.find(v[0]) != std::string_view::npos) return Leading(v);
    if (platform::SameText(v, "is not null")) v = "not null";
    std::vector<TToken> tokens;
    if (!Tokenize(v, tokens)) return Single(std::string(v));
    std::size_t i = 0;
    if (tokens.size() > 1 && IsWord(tokens[0], "NOT")) {
      const std::string_view rest = v.substr(tokens[1].begin);
      if (kOperatorChars.find(rest[0]) != std::string_view::npos) {
        negated_ = true;
        return Leading(rest);
      }
      i = 1;
    }
    const std::vector<TToken> t(tokens.begin() + static_cast<std::ptrdiff_t>(i), tokens.end());
    negated_ = i == 1;
    if (Forms(t)) return;
    negated_ = false;
    Single(std::string(v));
  }

  // The forms after an optional NOT; false when none fits.
  bool Forms(const std::vector<TToken>& t) {
    const std::size_t n = t.size();
    if ((n == 1 && IsWord(t[0], "NULL")) ||
        (n == 2 && IsWord(t[0], "IS") && IsWord(t[1], "NULL"))) {
      p_ = "is null";
      return true;
    }
    if (IsWord(t[0], "SOUNDS")) {
      std::size_t from = n > 1 && IsWord(t[1], "LIKE") ? 2 : 1;
      std::vector<std::string> values;
      if (!Alternating(t, from, "OR", values)) return false;
      soundsLike_ = true;
      return OrList(values);
    }
    if (IsWord(t[0], "IN")) {
      if (n < 3 || t[1].text != "(" || t.back().text != ")") return false;
      std::vector<std::string> values;
      std::vector<TToken> inner(t.begin() + 2, t.end() - 1);
      if (!Alternating(inner, 0, ",", values)) return false;
      p_ = "in (";
      for (std::size_t k = 0; k < values.size(); ++k)
        p_ += (k ? ", " : "") + Convert(values[k], true, false).sql;
      p_ += ")";
      return true;
    }
    if (n == 4 && IsWord(t[0], "BETWEEN") && IsWord(t[2], "AND") && !t[1].punctuation &&
        !t[3].punctuation) {
      Between(t[1].text, t[3].text);
      return true;
    }
    if (n == 2 && IsWord(t[0], "LIKE") && !t[1].punctuation) {
      std::string value = t[1].text;
      if (options_.allowFileWildCards) {
        for (char& ch : value) {
          if (ch == '*') ch = '%';
          if (ch == '?') ch = '_';
        }
      }
      p_ = "like " + Convert(value, true, false).sql;
      return true;
    }
    if (n == 3 && !t[0].punctuation && !t[2].punctuation &&
        (t[1].text == ".." || t[1].text == "..." || t[1].text == "-")) {
      Between(t[0].text, t[2].text);
      return true;
    }
    if (n == 1 && !t[0].punctuation) {
      Single(t[0].text);
      return true;
    }
    std::vector<std::string> values;
    if (n >= 3 && Alternating(t, 0, "OR", values)) return OrList(values);
    return false;
  }

  // Values at from, from+2, ... separated by `separator` (a word or a
  // punctuation token), at least one.
  static bool Alternating(const std::vector<TToken>& t, std::size_t from,
                          std::string_view separator, std::vector<std::string>& values) {
    if (from >= t.size() || (t.size() - from) % 2 == 0) return false;
    for (std::size_t k = from; k < t.size(); k += 2) {
      if (t[k].punctuation) return false;
      if (k + 1 < t.size() && !(IsWord(t[k + 1], separator) || t[k + 1].text == separator))
        return false;
      values.push_back(t[k].text);
    }
    return true;
  }

  void Leading(std::string_view v) {
    std::size_t length = 1;
    if (v.size() > 1 && kOperatorChars.find(v[1]) != std::string_view::npos) length = 2;
    const std::string op(v.substr(0, length));
    const std::string value(platform::Trim(v.substr(length), kBlanks));
    if (op == "=" && platform::SameText(value, "NULL")) {
      p_ = "is null";
      return;
    }
    const TValue converted = Convert(value, true, op == "=");
    p_ = (op == "=" ? Operator(converted) : op) + " " + converted.sql;
  }

  void Single(const std::string& value) {
    const TValue converted = Convert(value, false, true);
    p_ = Operator(converted) + " " + converted.sql;
  }

  bool OrList(const std::vector<std::string>& values) {
    for (std::size_t k = 0; k < values.size(); ++k) {
      const TValue converted = Convert(values[k], false, true);
      if (k > 0) p_ += " or " + WrappedColumn() + " ";
      p_ += Operator(converted) + " " + converted.sql;
    }
    return true;
  }

  void Between(const std::string& low, const std::string& high) {
    const std::string a = Convert(low, true, false).sql;
    p_ = "between " + a + " and " + Convert(high, true, false).sql;
  }

  // "=" unless the value needs another operator.
  std::string Operator(const TValue& value) const {
    if (value.wholeDay) return ">=";
    if (!soundsLike_ && HasWildcard(value.text)) return "like";
    return "=";
  }

  std::string WrappedColumn() const {
    if (!IsTextType(c_.type)) return c_.column;
    if (soundsLike_) return "soundex(" + c_.column + ")";
    if (c_.caseInsensitive && !StartsWithCaseBlind(c_.column, "upper("))
      return "upper(" + c_.column + ")";
    return c_.column;
  }

  std::string Mark(std::string text, bool isNumber = false, double number = 0) {
    binds.push_back({{}, isNumber, number, std::move(text)});
    return std::string(1, kBindMark);
  }

  // Converts one value by the field's type (`hasOperator`: an operator or
  // keyword was typed; `equal`: the comparison is "=" or not yet chosen).
  TValue Convert(const std::string& typed, bool hasOperator, bool equal) {
    const TFieldType type = c_.type;
    if (IsTextType(type)) {
      std::string value = Unquoted(typed);
      if (!soundsLike_ && !hasOperator && !HasWildcard(value) &&
          (c_.matchFromStart || c_.matchAnywhere)) {
        if (value.empty() || value.back() != '%') value += '%';
        if (c_.matchAnywhere && value.front() != '%') value.insert(0, 1, '%');
      }
      std::string sql = Mark(value);
      if (soundsLike_)
        sql = "soundex(" + sql + ")";
      else if (c_.caseInsensitive)
        sql = "upper(" + sql + ")";
      return {sql, value};
    }
    if (type == TFieldType::ftDate || type == TFieldType::ftDateTime) {
      const platform::DateTimeParts p = ReadDateTime(typed, "date");
      const bool hasTime = p.hour != 0 || p.minute != 0 || p.second != 0;
      if (hasTime)
        return {"to_date(" + Mark(DayText(p) + " " + TimeText(p)) + ", 'DD-MM-YYYY HH24:MI:SS')",
                {}};
      const std::string day = "to_date(" + Mark(DayText(p)) + ", 'DD-MM-YYYY')";
      if (!c_.wholeDay || !equal) return {day, {}};
      const auto next = platform::SplitDateTime(platform::JoinDateTime(p) + 1);
      if (!next) throw EQBEConvertError("'" + typed + "' is not a valid date");
      return {day + " and " + c_.column + " < to_date(" + Mark(DayText(*next)) + ", 'DD-MM-YYYY')",
              {},
              true};
    }
    if (type == TFieldType::ftTime) {
      const platform::DateTimeParts p = ReadDateTime(typed, "time");
      return {"to_date(" + Mark(TimeText(p)) + ", 'HH24:MI:SS')", {}};
    }
    if (IsNumberType(type)) {
      const std::string_view trimmed = platform::Trim(typed, kBlanks);
      int64_t whole = 0;
      const auto [end, error] =
          std::from_chars(trimmed.data(), trimmed.data() + trimmed.size(), whole);
      std::string value;
      if (IsWholeNumberType(type) && error == std::errc() && end == trimmed.data() + trimmed.size())
        value = std::to_string(whole);
      else
        value = NumberCharacters(typed);
      if (value.empty()) value = typed;
      double number = 0;
      if (ReadsAsNumber(value, number)) return {Mark(value, true, number), value};
      return {Mark(value), value};
    }
    return {Mark(typed), typed};
  }

  const TQBEColumn& c_;
  const TQBEOptions& options_;
  bool soundsLike_;
  bool negated_ = false;
  std::string p_;
};

// Whether a line comment runs to the end of `text`, which would swallow
// what is written behind it on the same line.
bool EndsInLineComment(std::string_view text) {
  const std::vector<SqlTextState> states = ScanSqlText(text);
  return !states.empty() && states.back() == SqlTextState::LineComment;
}

}  // namespace

TQBECondition BuildQBECondition(const std::vector<TQBEColumn>& columns,
                                const TQBEOptions& options) {
  TQBECondition result;
  int group = options.variableCount;
  for (const TQBEColumn& column : columns) {
    const std::string_view v = platform::Trim(column.text, kBlanks);
    if (v.empty()) continue;
    TFieldPredicate predicate(column, options);
    const std::string line = predicate.Line(v);
    // One value is ":kel__qbe<n>", several are ":kel__qbe<n>_<k>".
    const std::string name = kQBEVariablePrefix + std::to_string(++group);
    const bool several = predicate.binds.size() > 1;
    std::string text;
    std::size_t k = 0;
    for (char ch : line) {
      if (ch != kBindMark) {
        text += ch;
        continue;
      }
      TQBEBind& bind = predicate.binds[k++];
      bind.name = several ? name + "_" + std::to_string(k) : name;
      text += bind.name;
      result.binds.push_back(std::move(bind));
    }
    if (!result.text.empty()) result.text += "\nand ";
    result.text += text;
  }
  return result;
}

std::string RewriteSQLForQBE(const std::string& sql, const std::string& condition) {
  if (condition.empty()) return sql;
  TSelectParts parts;
  const bool select = SplitSelect(sql, parts);
  const bool grouped = select && parts.groupByAt != std::string::npos;
  const std::string keyword = grouped ? "having" : "where";
  const std::size_t keywordAt = grouped ? parts.havingAt : parts.whereAt;
  std::size_t tailAt = select ? std::min(parts.orderByAt, parts.forUpdateAt) : std::string::npos;
  std::size_t headEnd = std::min(tailAt, sql.size());
  std::string existing;
  if (keywordAt != std::string::npos) {
    // The condition runs up to the next clause (usually the tail).
    tailAt = std::string::npos;
    for (std::size_t at :
         {parts.whereAt, parts.groupByAt, parts.havingAt, parts.orderByAt, parts.forUpdateAt})
      if (at != std::string::npos && at > keywordAt) tailAt = std::min(tailAt, at);
    const std::size_t conditionEnd = std::min(tailAt, sql.size());
    headEnd = keywordAt;
    existing =
        platform::Trim(std::string_view(sql).substr(keywordAt + keyword.size(),
                                                    conditionEnd - keywordAt - keyword.size()),
                       kBlanks);
  }
  const std::string head(platform::Trim(std::string_view(sql).substr(0, headEnd), kBlanks));
  const std::string tail(
      tailAt < sql.size() ? platform::Trim(std::string_view(sql).substr(tailAt), kBlanks) : "");
  std::string out = head + "\n" + keyword;
  if (existing.empty())
    out += " " + condition;
  else
    out += " (" + existing + (EndsInLineComment(existing) ? "\n)" : ")") + "\nand\n(" + condition +
           ")";
  if (!tail.empty()) out += "\n" + tail;
  return out + "\n" + kQBEMarker;
}

bool IsQBEVariable(const std::string& name) {
  return StartsWithCaseBlind(name, kQBEVariablePrefix);
}

}  // namespace oracle::qbe
