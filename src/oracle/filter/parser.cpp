#include "oracle/filter/parser.h"

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <initializer_list>

#include "oracle/filter/expression_errors.h"

namespace oracle::filter {
namespace {

constexpr int kEnd = -1;  // past the last character
constexpr std::size_t kMaxNumberLength = 28;
constexpr std::size_t kMaxTextLength = 256;

bool IsBlank(int c) {
  return c >= 1 && c <= 32;
}
bool IsEndMarker(int c) {
  return c == kEnd || c == ')' || c == ',';
}
bool IsDigit(int c) {
  return c >= '0' && c <= '9';
}
bool IsWordStart(int c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_';
}
bool IsWordChar(int c) {
  return IsWordStart(c) || IsDigit(c);
}
bool IsOperatorChar(int c) {
  return c == '*' || c == '+' || c == '-' || c == '/' || c == '<' || c == '=' || c == '>';
}
bool IsRelationalChar(int c) {
  return c == '<' || c == '=' || c == '>';
}

struct Word {
  enum Kind { Operator, True, False, Identifier } kind = Identifier;
  TOperator op = TOperator::opNot;
  std::string text;       // upper-cased
  std::size_t start = 0;  // where it began
};

class Parser {
 public:
  Parser(std::string_view text, TExprFlags flags, const TFieldResolver& resolver)
      : text_(text), flags_(flags), resolver_(resolver) {}

  int Current() const {
    return pos_ < text_.size() ? static_cast<unsigned char>(text_[pos_]) : kEnd;
  }
  // The current character for a message; a control character as "#" and
  // its code.
  std::string CurrentChar() const {
    const int c = Current();
    if (c < 32 || c == 127) return "#" + std::to_string(c);
    return std::string(1, static_cast<char>(c));
  }

  TExpressionPtr Expression() {
    SkipBlanks();
    if (IsEndMarker(Current())) return nullptr;
    TExpressionPtr result = Simple();
    if (IsRelationalChar(Current())) {
      std::string spelling(1, static_cast<char>(Current()));
      ++pos_;
      if (IsRelationalChar(Current())) {
        spelling.push_back(static_cast<char>(Current()));
        ++pos_;
      }
      const TOperator op = RelationalOperator(spelling);
      TExpressionPtr right = Simple();
      result = std::make_unique<TRelationalOp>(op, std::move(result), std::move(right), flags_);
    }
    // One complete expression: whatever follows that is no end marker is
    // an error rather than the start of another.
    SkipBlanks();
    if (!IsEndMarker(Current())) RaiseExpression("Syntax error");
    return result;
  }

 private:
  struct DepthGuard {
    explicit DepthGuard(int& depth) : depth_(depth) {
      if (++depth_ > kMaxExpressionDepth) {
        --depth_;
        RaiseExpression("Expression nested too deeply");
      }
    }
    ~DepthGuard() { --depth_; }
    int& depth_;
  };

  void SkipBlanks() {
    while (IsBlank(Current())) ++pos_;
  }

  static TOperator RelationalOperator(const std::string& spelling) {
    for (int i = static_cast<int>(TOperator::opEq); i < kOperatorCount; ++i) {
      if (spelling == OperatorSpelling(static_cast<TOperator>(i))) return static_cast<TOperator>(i);
    }
    RaiseExpression("%s not a valid operator", spelling);
  }

  Word ReadWord() {
    Word word;
    word.kind = Word::Identifier;
    word.start = pos_;
    while (IsWordChar(Current())) {
      const int c = Current();
      word.text.push_back(static_cast<char>(c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c));
      ++pos_;
    }
    for (int i = 0; i < kOperatorCount; ++i) {
      if (word.text == OperatorSpelling(static_cast<TOperator>(i))) {
        word.kind = Word::Operator;
        word.op = static_cast<TOperator>(i);
        return word;
      }
    }
    if (word.text == "TRUE") word.kind = Word::True;
    if (word.text == "FALSE") word.kind = Word::False;
    return word;
  }

  // + - OR XOR
  TExpressionPtr Simple() {
    using enum TOperator;
    return Level(&Parser::Term, {'+', opPlus}, {'-', opMinus}, {opOr, opXor});
  }

  // * / DIV MOD AND SHL SHR
  TExpressionPtr Term() {
    using enum TOperator;
    return Level(&Parser::Factor, {'*', opMult}, {'/', opDivide},
                 {opDiv, opMod, opAnd, opShl, opShr});
  }

  struct CharOperator {
    char spelling;
    TOperator op;
  };

  // One level of operators that associate to the left: operands parsed by
  // `operand`, joined by the two operator characters and the operator words
  // of the level. Stops at an end marker, another operator character or an
  // operator word of another level.
  TExpressionPtr Level(TExpressionPtr (Parser::*operand)(), CharOperator first, CharOperator second,
                       std::initializer_list<TOperator> words) {
    TExpressionPtr left = (this->*operand)();
    for (;;) {
      SkipBlanks();
      const int c = Current();
      if (IsEndMarker(c)) break;
      TOperator op;
      if (c == first.spelling || c == second.spelling) {
        ++pos_;
        op = c == first.spelling ? first.op : second.op;
      } else {
        if (IsOperatorChar(c)) break;
        if (!IsWordStart(c)) RaiseExpression("char %s in input stream", CurrentChar());
        const Word word = ReadWord();
        if (word.kind == Word::Identifier) {
          RaiseExpression("Identifier %s not allowed here", word.text);
        }
        if (word.kind != Word::Operator) RaiseExpression("Boolean literal not allowed here");
        if (std::find(words.begin(), words.end(), word.op) == words.end()) {
          pos_ = word.start;
          break;
        }
        op = word.op;
      }
      TExpressionPtr right = (this->*operand)();
      left = std::make_unique<TBinaryOp>(op, std::move(left), std::move(right), flags_);
    }
    return left;
  }

  TExpressionPtr Factor() {
    DepthGuard guard(depth_);
    SkipBlanks();
    const int c = Current();
    if (c == '+' || c == '-') {
      ++pos_;
      TExpressionPtr operand = Factor();
      return std::make_unique<TUnaryOp>(c == '+' ? TOperator::opPlus : TOperator::opMinus,
                                        std::move(operand), flags_);
    }
    if (c == '[') return BracketedName();
    if (c == '\'') return std::make_unique<TStringLiteral>(QuotedText(), flags_);
    if (IsDigit(c)) return Number();
    if (c == '(') {
      ++pos_;
      TExpressionPtr inner = Expression();
      if (!inner) RaiseExpression("invalid sub-expression");
      if (Current() != ')') RaiseExpression(" ) expected");
      ++pos_;
      return inner;
    }
    if (IsWordStart(c)) {
      const Word word = ReadWord();
      switch (word.kind) {
        case Word::Operator:
          if (word.op != TOperator::opNot)
            RaiseExpression("%s not allowed here", OperatorName(word.op));
          return std::make_unique<TUnaryOp>(TOperator::opNot, Factor(), flags_);
        case Word::True:
        case Word::False:
          return std::make_unique<TBooleanLiteral>(word.kind == Word::True, flags_);
        case Word::Identifier:
          return Call(word.text);
      }
    }
    if (IsEndMarker(c)) RaiseExpression("Unexpected end of factor");
    RaiseExpression("Syntax error");
  }

  // A name with its parameters, if any: a built-in function or what the
  // resolver makes of it.
  TExpressionPtr Call(const std::string& name) {
    SkipBlanks();
    TParameterList parameters;
    const bool hasList = Current() == '(';
    if (hasList) {
      ++pos_;
      SkipBlanks();
      if (Current() != ')') {
        for (;;) {
          TExpressionPtr parameter = Expression();
          if (!parameter) RaiseExpression("Incorrectly formed parameters");
          parameters.push_back(std::move(parameter));
          if (Current() != ',') break;
          ++pos_;
        }
      }
      if (Current() != ')') RaiseExpression("Incorrectly formed parameters");
      ++pos_;
    }
    if (TExpressionPtr function = MakeFunction(name, parameters, flags_)) return function;
    return Resolve(name, hasList ? &parameters : nullptr);
  }

  TExpressionPtr Resolve(const std::string& name, TParameterList* parameters) {
    TExpressionPtr node;
    if (resolver_) node = resolver_(name, parameters, flags_);
    if (!node) RaiseExpression("Unknown Identifier %s", name);
    return node;
  }

  // Up to the closing delimiter; `tooLong` when the text would pass 256
  // characters, `unterminated` at the end of the input.
  std::string DelimitedText(char close, bool doubledClose, const char* unterminated,
                            const char* tooLong) {
    ++pos_;
    std::string text;
    for (;;) {
      const int c = Current();
      if (c == kEnd) RaiseExpression(unterminated);
      ++pos_;
      if (c == close) {
        if (!doubledClose || Current() != close) break;
        ++pos_;
      }
      if (text.size() >= kMaxTextLength) RaiseExpression(tooLong);
      text.push_back(static_cast<char>(c));
    }
    return text;
  }

  std::string QuotedText() {
    return DelimitedText('\'', true, "Unterminated string", "String too long");
  }

  TExpressionPtr BracketedName() {
    const std::string name =
        DelimitedText(']', false, "Unterminated fieldname", "Fieldname too long");
    return Resolve(name, nullptr);
  }

  TExpressionPtr Number() {
    enum { IntegerPart, Fraction, Exponent } state = IntegerPart;
    std::string digits;
    auto append = [&digits](char c) {
      digits.push_back(c);
      if (digits.size() > kMaxNumberLength) RaiseExpression("Bad numeric format");
    };
    for (;;) {
      const int c = Current();
      if (IsDigit(c)) {
        append(static_cast<char>(c));
      } else if (c == '.') {
        if (state != IntegerPart) RaiseExpression("Bad numeric format");
        append('.');
        state = Fraction;
      } else if (c == 'e' || c == 'E') {
        if (state == Exponent) RaiseExpression("Bad numeric format");
        append('E');
        state = Exponent;
        ++pos_;
        if (Current() == '-') {
          append('-');
          ++pos_;
        }
        if (!IsDigit(Current())) RaiseExpression("Bad numeric format");
        continue;
      } else {
        break;
      }
      ++pos_;
    }
    const char* first = digits.data();
    const char* last = first + digits.size();
    if (state == IntegerPart) {
      uint64_t value = 0;
      const auto [end, ec] = std::from_chars(first, last, value);
      if (ec == std::errc() && end == last && value <= 2147483647u) {
        return std::make_unique<TIntegerLiteral>(static_cast<int32_t>(value), flags_);
      }
    }
    double value = 0;
    const auto [end, ec] = std::from_chars(first, last, value);
    if (ec == std::errc::result_out_of_range && digits.find("E-") != std::string::npos) {
      value = 0;  // too small for a double: zero
    } else if (ec != std::errc() || end != last) {
      throw EConvertError("'" + digits + "' is not a valid floating point value");
    }
    return std::make_unique<TFloatLiteral>(value, flags_);
  }

  std::string_view text_;
  std::size_t pos_ = 0;
  int depth_ = 0;
  TExprFlags flags_;
  const TFieldResolver& resolver_;
};

}  // namespace

TExpressionPtr ParseFilterExpression(std::string_view text, dataset::TFilterOptions options,
                                     const TFieldResolver& resolver) {
  TExprFlags flags;
  flags.caseInsensitive = (options & dataset::foCaseInsensitive) != 0;
  flags.partialCompare = (options & dataset::foNoPartialCompare) == 0;
  Parser parser(text, flags, resolver);
  TExpressionPtr tree = parser.Expression();
  if (parser.Current() != kEnd) RaiseExpression("%s not appropriate", parser.CurrentChar());
  return tree;
}

}  // namespace oracle::filter
