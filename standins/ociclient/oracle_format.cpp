#include "oracle_format.h"

#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <stdexcept>

#include "platform/text.h"

namespace ocistandin {
namespace {

const char* const kMonths[] = {"JANUARY",   "FEBRUARY", "MARCH",    "APRIL",
                               "MAY",       "JUNE",     "JULY",     "AUGUST",
                               "SEPTEMBER", "OCTOBER",  "NOVEMBER", "DECEMBER"};
const char* const kDays[] = {"SUNDAY",   "MONDAY", "TUESDAY", "WEDNESDAY",
                             "THURSDAY", "FRIDAY", "SATURDAY"};

bool isLeap(int y) {
  return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
}

int daysInMonth(int y, int m) {
  static const int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return m == 2 && isLeap(y) ? 29 : days[m - 1];
}

int dayOfWeek(int y, int m, int d) {  // 0 = Sunday (Sakamoto)
  static const int t[] = {0, 3, 2, 5, 0, 3, 5, 1, 4, 6, 2, 4};
  if (m < 3) y -= 1;
  return (y + y / 4 - y / 100 + y / 400 + t[m - 1] + d) % 7;
}

// Applies the letter case of a model element ("MON", "Mon", "mon") to a word.
std::string caseLike(const std::string& word, const std::string& element) {
  std::string out = word;
  const bool allUpper =
      std::isupper(static_cast<unsigned char>(element[0])) &&
      (element.size() < 2 || std::isupper(static_cast<unsigned char>(element[1])));
  const bool initialUpper = std::isupper(static_cast<unsigned char>(element[0]));
  for (size_t i = 0; i < out.size(); ++i) {
    const auto c = static_cast<unsigned char>(out[i]);
    if (allUpper)
      out[i] = static_cast<char>(std::toupper(c));
    else if (i == 0 && initialUpper)
      out[i] = static_cast<char>(std::toupper(c));
    else
      out[i] = static_cast<char>(std::tolower(c));
  }
  return out;
}

std::string pad(int value, int width) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "%0*d", width, value);
  return buf;
}

// Date model elements, longest first so that prefixes do not shadow them.
const char* const kElements[] = {"MONTH", "RRRR", "YYYY", "HH24", "HH12", "DAY", "MON", "YYY",
                                 "A.M.",  "P.M.", "RR",   "YY",   "MM",   "DD",  "DY",  "HH",
                                 "MI",    "SS",   "AM",   "PM",   "FM",   "FF",  "X",   "Y"};

std::string matchElement(const std::string& model, size_t pos) {
  const std::string rest = platform::UpperAscii(model.substr(pos));
  for (const char* e : kElements) {
    const std::string element = e;
    if (rest.compare(0, element.size(), element) == 0) return element;
  }
  return {};
}

}  // namespace

bool isValidDate(const DateParts& d) {
  return d.year >= -4712 && d.year <= 9999 && d.year != 0 && d.month >= 1 && d.month <= 12 &&
         d.day >= 1 && d.day <= daysInMonth(d.year, d.month) && d.hour >= 0 && d.hour <= 23 &&
         d.minute >= 0 && d.minute <= 59 && d.second >= 0 && d.second <= 59;
}

namespace {

// Reads the `count` decimal digits at `at` of `text` into `out`; false when
// one is not a digit. Kept inline: a fetched DATE value reads six fields.
__attribute__((always_inline)) inline bool digitsAt(std::string_view text, size_t at, size_t count,
                                                    int& out) {
  out = 0;
  for (size_t i = at; i < at + count; ++i) {
    const char c = text[i];
    if (c < '0' || c > '9') return false;
    out = out * 10 + (c - '0');
  }
  return true;
}

}  // namespace

std::optional<DateParts> parseIsoDate(std::string_view text) {
  // Fixed layout "YYYY-MM-DD[ HH:MM:SS[.fff]]", read without sscanf: this runs
  // for every DATE value fetched.
  const size_t n = text.size();
  if (n != 10 && n < 19) return std::nullopt;
  DateParts d;
  if (!digitsAt(text, 0, 4, d.year) || text[4] != '-' || !digitsAt(text, 5, 2, d.month) ||
      text[7] != '-' || !digitsAt(text, 8, 2, d.day))
    return std::nullopt;
  if (n > 10) {
    if ((text[10] != ' ' && text[10] != 'T') || !digitsAt(text, 11, 2, d.hour) || text[13] != ':' ||
        !digitsAt(text, 14, 2, d.minute) || text[16] != ':' || !digitsAt(text, 17, 2, d.second))
      return std::nullopt;
    if (n > 19) {
      if (text[19] != '.' || n > 29) return std::nullopt;
      long scale = 100000000;
      for (size_t i = 20; i < n; ++i, scale /= 10) {
        if (text[i] < '0' || text[i] > '9') return std::nullopt;
        d.nanosecond += (text[i] - '0') * scale;
      }
    }
  }
  if (!isValidDate(d)) return std::nullopt;
  return d;
}

std::string isoText(const DateParts& d) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%04d-%02d-%02d %02d:%02d:%02d", d.year, d.month, d.day, d.hour,
                d.minute, d.second);
  return buf;
}

std::string isoTimestampText(const DateParts& d) {
  if (d.nanosecond == 0) return isoText(d);
  char fraction[16];
  std::snprintf(fraction, sizeof fraction, ".%09ld", d.nanosecond);
  std::string text = isoText(d) + fraction;
  while (text.back() == '0') text.pop_back();
  return text;
}

void toOracleDate7(const DateParts& d, unsigned char out[7]) {
  out[0] = static_cast<unsigned char>(d.year / 100 + 100);
  out[1] = static_cast<unsigned char>(d.year % 100 + 100);
  out[2] = static_cast<unsigned char>(d.month);
  out[3] = static_cast<unsigned char>(d.day);
  out[4] = static_cast<unsigned char>(d.hour + 1);
  out[5] = static_cast<unsigned char>(d.minute + 1);
  out[6] = static_cast<unsigned char>(d.second + 1);
}

std::optional<DateParts> fromOracleDate7(const unsigned char in[7]) {
  DateParts d;
  d.year = (in[0] - 100) * 100 + (in[1] - 100);
  d.month = in[2];
  d.day = in[3];
  d.hour = in[4] - 1;
  d.minute = in[5] - 1;
  d.second = in[6] - 1;
  if (!isValidDate(d)) return std::nullopt;
  return d;
}

std::string formatDate(const DateParts& d, const std::string& model) {
  std::string out;
  bool fillMode = false;
  for (size_t pos = 0; pos < model.size();) {
    if (model[pos] == '"') {
      const size_t end = model.find('"', pos + 1);
      if (end == std::string::npos) throw std::invalid_argument("unterminated literal");
      out += model.substr(pos + 1, end - pos - 1);
      pos = end + 1;
      continue;
    }
    const std::string e = matchElement(model, pos);
    if (e.empty()) {
      const char c = model[pos];
      if (std::isalnum(static_cast<unsigned char>(c)))
        throw std::invalid_argument("date format not recognized");
      out += c;
      ++pos;
      continue;
    }
    const std::string original = model.substr(pos, e.size());
    pos += e.size();
    auto num = [&](int value, int width) {
      out += fillMode ? std::to_string(value) : pad(value, width);
    };
    const int hour12 = d.hour % 12 == 0 ? 12 : d.hour % 12;
    if (e == "FM")
      fillMode = !fillMode;
    else if (e == "YYYY" || e == "RRRR")
      num(d.year, 4);
    else if (e == "YYY")
      num(d.year % 1000, 3);
    else if (e == "YY" || e == "RR")
      num(d.year % 100, 2);
    else if (e == "Y")
      num(d.year % 10, 1);
    else if (e == "MM")
      num(d.month, 2);
    else if (e == "DD")
      num(d.day, 2);
    else if (e == "HH24")
      num(d.hour, 2);
    else if (e == "HH" || e == "HH12")
      num(hour12, 2);
    else if (e == "MI")
      num(d.minute, 2);
    else if (e == "SS")
      num(d.second, 2);
    else if (e == "MON")
      out += caseLike(std::string(kMonths[d.month - 1]).substr(0, 3), original);
    else if (e == "MONTH") {
      std::string name = kMonths[d.month - 1];
      if (!fillMode) name.resize(9, ' ');
      out += caseLike(name, original);
    } else if (e == "DY")
      out += caseLike(std::string(kDays[dayOfWeek(d.year, d.month, d.day)]).substr(0, 3), original);
    else if (e == "DAY") {
      std::string name = kDays[dayOfWeek(d.year, d.month, d.day)];
      if (!fillMode) name.resize(9, ' ');
      out += caseLike(name, original);
    } else if (e == "AM" || e == "PM")
      out += caseLike(d.hour < 12 ? "AM" : "PM", original);
    else if (e == "A.M." || e == "P.M.")
      out += caseLike(d.hour < 12 ? "A.M." : "P.M.", original);
    else if (e == "X")
      out += '.';
    else if (e == "FF") {
      int digitsWanted = 6;
      if (pos < model.size() && model[pos] >= '1' && model[pos] <= '9')
        digitsWanted = model[pos++] - '0';
      char fraction[16];
      std::snprintf(fraction, sizeof fraction, "%09ld", d.nanosecond);
      out += std::string(fraction, static_cast<size_t>(digitsWanted));
    }
  }
  return out;
}

std::optional<DateParts> parseDate(const std::string& text, const std::string& model,
                                   const DateParts& defaults) {
  DateParts d;
  d.year = defaults.year;
  d.month = defaults.month;
  d.day = 1;
  bool pm = false, hasMeridian = false;
  size_t t = 0;
  auto skipSeparators = [&] {
    while (t < text.size() && !std::isalnum(static_cast<unsigned char>(text[t]))) ++t;
  };
  auto readInt = [&](size_t maxDigits, int& out) {
    size_t start = t;
    bool negative = false;
    if (t < text.size() && text[t] == '-' && maxDigits >= 4) negative = true, ++t;
    int value = 0;
    while (t < text.size() && t - start < maxDigits + (negative ? 1 : 0) &&
           std::isdigit(static_cast<unsigned char>(text[t])))
      value = value * 10 + (text[t++] - '0');
    if (t == start || (negative && t == start + 1)) return false;
    out = negative ? -value : value;
    return true;
  };
  for (size_t pos = 0; pos < model.size();) {
    if (model[pos] == '"') {
      const size_t end = model.find('"', pos + 1);
      if (end == std::string::npos) return std::nullopt;
      t += end - pos - 1;
      pos = end + 1;
      continue;
    }
    const std::string e = matchElement(model, pos);
    if (e.empty()) {
      ++pos;
      skipSeparators();
      continue;
    }
    pos += e.size();
    skipSeparators();
    int v = 0;
    if (e == "FM") continue;
    if (e == "YYYY" || e == "RRRR") {
      if (!readInt(4, v)) return std::nullopt;
      if (e == "RRRR" && v < 100) v += v < 50 ? 2000 : 1900;
      d.year = v;
    } else if (e == "YY" || e == "RR") {
      if (!readInt(2, v)) return std::nullopt;
      d.year = e == "RR" ? (v < 50 ? 2000 + v : 1900 + v) : 2000 + v;
    } else if (e == "MM") {
      if (!readInt(2, d.month)) return std::nullopt;
    } else if (e == "DD") {
      if (!readInt(2, d.day)) return std::nullopt;
    } else if (e == "HH24") {
      if (!readInt(2, d.hour)) return std::nullopt;
    } else if (e == "HH" || e == "HH12") {
      if (!readInt(2, d.hour)) return std::nullopt;
    } else if (e == "MI") {
      if (!readInt(2, d.minute)) return std::nullopt;
    } else if (e == "SS") {
      if (!readInt(2, d.second)) return std::nullopt;
    } else if (e == "MON" || e == "MONTH") {
      const std::string rest = platform::UpperAscii(text.substr(t));
      int found = 0;
      for (int m = 0; m < 12 && !found; ++m) {
        const std::string full = kMonths[m];
        if (rest.compare(0, full.size(), full) == 0)
          found = m + 1, t += full.size();
        else if (rest.compare(0, 3, full.substr(0, 3)) == 0)
          found = m + 1, t += 3;
      }
      if (!found) return std::nullopt;
      d.month = found;
    } else if (e == "AM" || e == "PM" || e == "A.M." || e == "P.M.") {
      const std::string rest = platform::UpperAscii(text.substr(t));
      hasMeridian = true;
      if (rest.rfind("PM", 0) == 0 || rest.rfind("P.M.", 0) == 0) pm = true;
      t += rest.rfind(".M.", 1) == 1 ? 4 : 2;
    } else if (e == "DY" || e == "DAY") {
      while (t < text.size() && std::isalpha(static_cast<unsigned char>(text[t]))) ++t;
    } else if (e == "X") {
      continue;  // the radix character was skipped as a separator
    } else if (e == "FF") {
      if (pos < model.size() && model[pos] >= '1' && model[pos] <= '9') ++pos;
      long scale = 100000000;
      const size_t start = t;
      while (t < text.size() && t - start < 9 &&
             std::isdigit(static_cast<unsigned char>(text[t]))) {
        d.nanosecond += (text[t++] - '0') * scale;
        scale /= 10;
      }
      if (t == start) return std::nullopt;
    } else {
      return std::nullopt;
    }
  }
  skipSeparators();
  if (t < text.size()) return std::nullopt;
  if (hasMeridian) {
    if (d.hour < 1 || d.hour > 12) return std::nullopt;
    d.hour = d.hour % 12 + (pm ? 12 : 0);
  }
  if (!isValidDate(d)) return std::nullopt;
  return d;
}

std::string numberText(std::int64_t value) {
  return std::to_string(value);
}

std::string numberText(double value) {
  if (!std::isfinite(value)) return value > 0 ? "~" : "-~";
  if (value == 0) return "0";
  if (std::fabs(value) < 1e15 && value == std::trunc(value))
    return std::to_string(static_cast<long long>(value));
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.15g", value);
  std::string s = buf;
  if (s.find('e') != std::string::npos) {
    const int exponent = static_cast<int>(std::floor(std::log10(std::fabs(value))));
    const int decimals = std::max(0, 14 - exponent);
    std::snprintf(buf, sizeof buf, "%.*f", std::min(decimals, 40), value);
    s = buf;
  }
  if (s.find('.') != std::string::npos) {
    while (!s.empty() && s.back() == '0') s.pop_back();
    if (!s.empty() && s.back() == '.') s.pop_back();
  }
  if (s.rfind("0.", 0) == 0)
    s.erase(0, 1);
  else if (s.rfind("-0.", 0) == 0)
    s.erase(1, 1);
  return s;
}

std::optional<std::string> formatNumber(double value, const std::string& model) {
  std::string m = platform::UpperAscii(model);
  bool fill = false, sign = false, dollar = false;
  if (m.rfind("FM", 0) == 0) fill = true, m.erase(0, 2);
  if (!m.empty() && m[0] == 'S') sign = true, m.erase(0, 1);
  if (!m.empty() && m[0] == '$') dollar = true, m.erase(0, 1);
  size_t point = m.find_first_of(".D");
  const std::string intPart = m.substr(0, point);
  const std::string fracPart = point == std::string::npos ? "" : m.substr(point + 1);
  for (char c : intPart)
    if (c != '9' && c != '0' && c != ',' && c != 'G') return std::nullopt;
  for (char c : fracPart)
    if (c != '9' && c != '0') return std::nullopt;
  const int decimals = static_cast<int>(fracPart.size());
  char buf[128];
  std::snprintf(buf, sizeof buf, "%.*f", decimals, std::fabs(value));
  std::string digits = buf;
  std::string whole = digits.substr(0, digits.find('.'));
  std::string frac = decimals > 0 ? digits.substr(digits.find('.') + 1) : "";
  int slots = 0, zeroFrom = -1;
  for (size_t i = 0; i < intPart.size(); ++i) {
    if (intPart[i] == '9' || intPart[i] == '0') {
      if (intPart[i] == '0' && zeroFrom < 0) zeroFrom = slots;
      ++slots;
    }
  }
  if (whole == "0") whole.clear();
  const int minDigits = zeroFrom < 0 ? 0 : slots - zeroFrom;
  while (static_cast<int>(whole.size()) < minDigits) whole.insert(0, "0");
  const bool negative = value < 0 && (std::stod(digits) != 0);
  if (static_cast<int>(whole.size()) > slots) {
    return std::string(model.size() + 1, '#');
  }
  // Lay the digits into the integer part of the model from the right.
  std::string laid;
  int digitIndex = static_cast<int>(whole.size()) - 1;
  for (int i = static_cast<int>(intPart.size()) - 1; i >= 0; --i) {
    const char c = intPart[i];
    if (c == ',' || c == 'G') {
      laid.insert(0, digitIndex >= 0 ? "," : " ");
    } else {
      laid.insert(0, 1, digitIndex >= 0 ? whole[digitIndex] : ' ');
      --digitIndex;
    }
  }
  if (whole.empty() && decimals == 0 && !laid.empty()) laid.back() = '0';
  std::string out = laid;
  if (point != std::string::npos) out += "." + frac;
  // Sign and currency sit just before the first digit.
  size_t firstDigit = out.find_first_not_of(' ');
  if (firstDigit == std::string::npos) firstDigit = out.size();
  std::string prefix = dollar ? "$" : "";
  if (sign)
    prefix.insert(0, negative ? "-" : "+");
  else
    prefix.insert(0, negative ? "-" : " ");
  out.insert(firstDigit, prefix);
  if (fill) {
    const size_t start = out.find_first_not_of(' ');
    out = start == std::string::npos ? "" : out.substr(start);
  } else if (!out.empty() && out[0] != ' ' && !sign) {
    // keep the width stable: the sign position already holds a blank or '-'
  }
  return out;
}

std::optional<double> parseNumber(const std::string& text) {
  size_t b = 0, e = text.size();
  while (b < e && std::isspace(static_cast<unsigned char>(text[b]))) ++b;
  while (e > b && std::isspace(static_cast<unsigned char>(text[e - 1]))) --e;
  if (b == e) return std::nullopt;
  const std::string s = text.substr(b, e - b);
  size_t i = 0;
  if (s[i] == '+' || s[i] == '-') ++i;
  bool digits = false;
  while (i < s.size() && std::isdigit(static_cast<unsigned char>(s[i]))) ++i, digits = true;
  if (i < s.size() && s[i] == '.') {
    ++i;
    while (i < s.size() && std::isdigit(static_cast<unsigned char>(s[i]))) ++i, digits = true;
  }
  if (!digits) return std::nullopt;
  if (i < s.size() && (s[i] == 'e' || s[i] == 'E')) {
    ++i;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) ++i;
    bool expDigits = false;
    while (i < s.size() && std::isdigit(static_cast<unsigned char>(s[i]))) ++i, expDigits = true;
    if (!expDigits) return std::nullopt;
  }
  if (i != s.size()) return std::nullopt;
  return std::strtod(s.c_str(), nullptr);
}

}  // namespace ocistandin
