#include "sql_functions.h"

#include <cctype>
#include <cmath>
#include <cstring>
#include <ctime>
#include <stdexcept>
#include <string>

#include "connection.h"
#include "lob.h"
#include "oracle_format.h"
#include "platform/utf8.h"
#include "rowid_mapping.h"
#include "sql_soundex.h"

#include "platform/text.h"

namespace ocistandin {
namespace {

std::string textOf(sqlite3_value* v) {
  const auto* p = reinterpret_cast<const char*>(sqlite3_value_text(v));
  return p != nullptr ? std::string(p, static_cast<size_t>(sqlite3_value_bytes(v))) : std::string();
}

void resultText(sqlite3_context* ctx, const std::string& s) {
  if (s.empty()) {
    sqlite3_result_null(ctx);  // Oracle: the empty string is NULL
  } else {
    sqlite3_result_text(ctx, s.c_str(), static_cast<int>(s.size()), SQLITE_TRANSIENT);
  }
}

void oraError(sqlite3_context* ctx, sb4 code, const std::string& text) {
  const std::string message = formatMessage(code, text);
  sqlite3_result_error(ctx, message.c_str(), static_cast<int>(message.size()) - 1);
}

// Numeric value of an argument, with Oracle's implicit text conversion.
bool numberOf(sqlite3_context* ctx, sqlite3_value* v, double& out) {
  switch (sqlite3_value_type(v)) {
    case SQLITE_INTEGER:
    case SQLITE_FLOAT:
      out = sqlite3_value_double(v);
      return true;
    default: {
      const auto parsed = parseNumber(textOf(v));
      if (!parsed) {
        oraError(ctx, kInvalidNumber, standardText(kInvalidNumber));
        return false;
      }
      out = *parsed;
      return true;
    }
  }
}

void nvlFn(sqlite3_context* ctx, int, sqlite3_value** argv) {
  sqlite3_result_value(ctx, sqlite3_value_type(argv[0]) != SQLITE_NULL ? argv[0] : argv[1]);
}

bool sameValue(sqlite3_value* a, sqlite3_value* b) {
  const int ta = sqlite3_value_type(a), tb = sqlite3_value_type(b);
  if (ta == SQLITE_NULL || tb == SQLITE_NULL) return ta == tb;  // decode matches NULL to NULL
  const bool na = ta == SQLITE_INTEGER || ta == SQLITE_FLOAT;
  const bool nb = tb == SQLITE_INTEGER || tb == SQLITE_FLOAT;
  if (na && nb) return sqlite3_value_double(a) == sqlite3_value_double(b);
  if (na || nb) {
    const auto pa = na ? std::optional<double>(sqlite3_value_double(a)) : parseNumber(textOf(a));
    const auto pb = nb ? std::optional<double>(sqlite3_value_double(b)) : parseNumber(textOf(b));
    return pa && pb && *pa == *pb;
  }
  return textOf(a) == textOf(b);
}

void decodeFn(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
  if (argc < 3) {
    oraError(ctx, 938, "not enough arguments for function");
    return;
  }
  int i = 1;
  for (; i + 1 < argc; i += 2) {
    if (sameValue(argv[0], argv[i])) {
      sqlite3_result_value(ctx, argv[i + 1]);
      return;
    }
  }
  if (i < argc)
    sqlite3_result_value(ctx, argv[i]);
  else
    sqlite3_result_null(ctx);
}

void toCharFn(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
  sqlite3_value* v = argv[0];
  const int type = sqlite3_value_type(v);
  if (type == SQLITE_NULL) {
    sqlite3_result_null(ctx);
    return;
  }
  const bool hasModel = argc > 1 && sqlite3_value_type(argv[1]) != SQLITE_NULL;
  const std::string model = hasModel ? textOf(argv[1]) : std::string();
  if (type == SQLITE_INTEGER || type == SQLITE_FLOAT) {
    if (!hasModel) {
      resultText(ctx, type == SQLITE_INTEGER
                          ? numberText(static_cast<std::int64_t>(sqlite3_value_int64(v)))
                          : numberText(sqlite3_value_double(v)));
      return;
    }
    const auto formatted = formatNumber(sqlite3_value_double(v), model);
    if (!formatted) {
      oraError(ctx, 1481, "invalid number format model");
      return;
    }
    resultText(ctx, *formatted);
    return;
  }
  const std::string text = textOf(v);
  if (const auto date = parseIsoDate(text)) {
    try {
      resultText(ctx, formatDate(*date, hasModel ? model : kSessionDateFormat));
    } catch (const std::invalid_argument&) {
      oraError(ctx, 1821, "date format not recognized");
    }
    return;
  }
  if (hasModel) {
    double number = 0;
    if (!numberOf(ctx, v, number)) return;
    const auto formatted = formatNumber(number, model);
    if (!formatted) {
      oraError(ctx, 1481, "invalid number format model");
      return;
    }
    resultText(ctx, *formatted);
    return;
  }
  resultText(ctx, text);
}

std::tm localNow(long* microseconds) {
  timespec ts{};
  clock_gettime(CLOCK_REALTIME, &ts);
  std::tm tm{};
  localtime_r(&ts.tv_sec, &tm);
  if (microseconds != nullptr) *microseconds = ts.tv_nsec / 1000;
  return tm;
}

void toDateFn(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
  if (sqlite3_value_type(argv[0]) == SQLITE_NULL) {
    sqlite3_result_null(ctx);
    return;
  }
  const std::string text = textOf(argv[0]);
  const std::string model =
      argc > 1 && sqlite3_value_type(argv[1]) != SQLITE_NULL ? textOf(argv[1]) : kSessionDateFormat;
  // A model without year or month takes them from today (the first day of
  // the current month for 'HH24:MI:SS').
  const std::tm today = localNow(nullptr);
  auto parsed = parseDate(text, model, DateParts{today.tm_year + 1900, today.tm_mon + 1});
  if (!parsed && argc == 1) parsed = parseIsoDate(text);  // a date value passed through
  if (!parsed) {
    oraError(ctx, kLiteralMismatch, standardText(kLiteralMismatch));
    return;
  }
  resultText(ctx, isoText(*parsed));
}

void toNumberFn(sqlite3_context* ctx, int, sqlite3_value** argv) {
  sqlite3_value* v = argv[0];
  const int type = sqlite3_value_type(v);
  if (type == SQLITE_NULL) {
    sqlite3_result_null(ctx);
    return;
  }
  if (type == SQLITE_INTEGER || type == SQLITE_FLOAT) {
    sqlite3_result_value(ctx, v);
    return;
  }
  std::string text = textOf(v);
  // Group separators and currency of a format model are not part of the value.
  std::string cleaned;
  for (char c : text)
    if (c != ',' && c != '$') cleaned += c;
  const auto parsed = parseNumber(cleaned);
  if (!parsed) {
    oraError(ctx, kInvalidNumber, standardText(kInvalidNumber));
    return;
  }
  const double value = *parsed;
  if (value == std::trunc(value) && std::fabs(value) < 9.2e18)
    sqlite3_result_int64(ctx, static_cast<sqlite3_int64>(value));
  else
    sqlite3_result_double(ctx, value);
}

// chr(n): the character of code n; codes beyond Unicode give the bytes of n.
void chrFn(sqlite3_context* ctx, int, sqlite3_value** argv) {
  double n = 0;
  if (sqlite3_value_type(argv[0]) == SQLITE_NULL) {
    sqlite3_result_null(ctx);
    return;
  }
  if (!numberOf(ctx, argv[0], n)) return;
  if (n < 0 || n > 4294967295.0) {
    oraError(ctx, 1726, "argument is out of range");
    return;
  }
  const auto code = static_cast<unsigned long>(n);
  if (code <= 0x10FFFF) {
    std::string text;
    platform::AppendUtf8(text, static_cast<char32_t>(code));
    resultText(ctx, text);
    return;
  }
  std::string bytes;
  for (unsigned long c = code; c != 0; c >>= 8) bytes.insert(0, 1, static_cast<char>(c & 0xFF));
  sqlite3_result_text(ctx, bytes.data(), static_cast<int>(bytes.size()), SQLITE_TRANSIENT);
}

void lengthbFn(sqlite3_context* ctx, int, sqlite3_value** argv) {
  if (sqlite3_value_type(argv[0]) == SQLITE_NULL) {
    sqlite3_result_null(ctx);
    return;
  }
  if (sqlite3_value_type(argv[0]) == SQLITE_BLOB) {
    sqlite3_result_int(ctx, sqlite3_value_bytes(argv[0]));
    return;
  }
  const std::string text = textOf(argv[0]);
  sqlite3_result_int(ctx, static_cast<int>(text.size()));
}

void userenvFn(sqlite3_context* ctx, int, sqlite3_value** argv) {
  auto* connection = static_cast<Connection*>(sqlite3_user_data(ctx));
  const std::string what = platform::UpperAscii(textOf(argv[0]));
  if (what == "SESSIONID")
    sqlite3_result_int64(ctx, connection->sessionId);
  else if (what == "LANGUAGE")
    resultText(ctx, "AMERICAN_AMERICA.AL32UTF8");
  else if (what == "LANG")
    resultText(ctx, "US");
  else if (what == "TERMINAL")
    resultText(ctx, "unknown");
  else
    oraError(ctx, 2003, "invalid USERENV parameter");
}

void sysdateFn(sqlite3_context* ctx, int, sqlite3_value**) {
  const std::tm tm = localNow(nullptr);
  DateParts d{tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec};
  resultText(ctx, isoText(d));
}

void systimestampFn(sqlite3_context* ctx, int, sqlite3_value**) {
  long micro = 0;
  const std::tm tm = localNow(&micro);
  DateParts d{tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec};
  char frac[32];
  std::snprintf(frac, sizeof frac, ".%06ld", micro);
  resultText(ctx, isoText(d) + frac);
}

void userFn(sqlite3_context* ctx, int, sqlite3_value**) {
  auto* connection = static_cast<Connection*>(sqlite3_user_data(ctx));
  resultText(ctx, connection->user);
}

// ora_rowid_text(table, rowid): the ROWID text of a row (rowid_mapping.h).
void rowidTextFn(sqlite3_context* ctx, int, sqlite3_value** argv) {
  if (sqlite3_value_type(argv[1]) != SQLITE_INTEGER) {
    sqlite3_result_null(ctx);  // a view or an outer join without a row
    return;
  }
  resultText(ctx, rowidText(textOf(argv[0]), sqlite3_value_int64(argv[1])));
}

// ora_rowid_value(table, text): the rowid of the row of `table` a ROWID text
// names; NULL for a ROWID of another table; ORA-01410 for a text that is no
// ROWID.
void rowidValueFn(sqlite3_context* ctx, int, sqlite3_value** argv) {
  const int type = sqlite3_value_type(argv[1]);
  if (type == SQLITE_NULL) {
    sqlite3_result_null(ctx);
    return;
  }
  if (type != SQLITE_TEXT) {
    oraError(ctx, kInconsistentTypes, "inconsistent datatypes: expected ROWID got NUMBER");
    return;
  }
  sqlite3_int64 rowid = 0;
  switch (rowidOfText(textOf(argv[0]), textOf(argv[1]), rowid)) {
    case RowidMatch::kInvalid:
      oraError(ctx, kInvalidRowid, standardText(kInvalidRowid));
      return;
    case RowidMatch::kOtherTable:
      sqlite3_result_null(ctx);
      return;
    case RowidMatch::kRow:
      sqlite3_result_int64(ctx, rowid);
      return;
  }
}

}  // namespace

bool registerOracleFunctions(sqlite3* db, Connection* connection, OraError& error) {
  struct Fn {
    const char* name;
    int argc;
    void (*fn)(sqlite3_context*, int, sqlite3_value**);
    bool deterministic;
  };
  const Fn functions[] = {
      {"nvl", 2, nvlFn, true},
      {"decode", -1, decodeFn, true},
      {"to_char", 1, toCharFn, true},
      {"to_char", 2, toCharFn, true},
      {"to_char", 3, toCharFn, true},
      {"to_date", 1, toDateFn, true},
      {"to_date", 2, toDateFn, true},
      {"to_date", 3, toDateFn, true},
      {"to_number", 1, toNumberFn, true},
      {"to_number", 2, toNumberFn, true},
      {"soundex", 1, soundexFn, true},
      {"chr", 1, chrFn, true},
      {"nchr", 1, chrFn, true},
      {"lengthb", 1, lengthbFn, true},
      {"userenv", 1, userenvFn, false},
      {"ora_sysdate", 0, sysdateFn, false},
      {"ora_systimestamp", 0, systimestampFn, false},
      {"ora_user", 0, userFn, false},
      {"ora_rowid_text", 2, rowidTextFn, true},
      {"ora_rowid_value", 2, rowidValueFn, true},
  };
  for (const Fn& f : functions) {
    const int flags = SQLITE_UTF8 | (f.deterministic ? SQLITE_DETERMINISTIC : 0);
    if (sqlite3_create_function_v2(db, f.name, f.argc, flags, connection, f.fn, nullptr, nullptr,
                                   nullptr) != SQLITE_OK) {
      error = {kInternalError, "cannot register function " + std::string(f.name)};
      return false;
    }
  }
  return registerLobFunctions(db, error);
}

}  // namespace ocistandin
