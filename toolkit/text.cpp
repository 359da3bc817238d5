#include "toolkit/text.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <iterator>

#include "toolkit/exceptions.h"

void RaiseNotAnInteger(std::string_view text) {
  throw EConvertError(QuotedText(text) + " is not a valid integer value");
}

std::string QuotedText(std::string_view text) {
  constexpr size_t kLongest = 40;
  std::string quoted = "'";
  for (size_t i = 0; i < text.size() && i < kLongest; ++i) {
    const unsigned char c = static_cast<unsigned char>(text[i]);
    switch (c) {
      case '\n':
        quoted += "\\n";
        break;
      case '\r':
        quoted += "\\r";
        break;
      case '\t':
        quoted += "\\t";
        break;
      case '\\':
        quoted += "\\\\";
        break;
      default:
        if (c >= 0x20 && c < 0x7F) {
          quoted += static_cast<char>(c);
        } else {
          static const char kHex[] = "0123456789abcdef";
          quoted += {'\\', 'x', kHex[c >> 4], kHex[c & 15]};
        }
    }
  }
  if (text.size() > kLongest) quoted += "...";
  return quoted + "'";
}

std::string IntToStr(int64_t value) { return std::to_string(value); }

namespace {

// A non-negative decimal number: digits d0 d1 d2 ... with d0 at the place of
// 10^exponent, so the value is d0.d1d2... x 10^exponent. No digits is zero.
struct DecimalDigits {
  std::string digits;
  int exponent = 0;

  // The digit at the place of 10^power.
  char At(int power) const {
    const int index = exponent - power;
    return index >= 0 && index < static_cast<int>(digits.size()) ? digits[index] : '0';
  }
  bool IsZero() const { return digits.find_first_not_of('0') == std::string::npos; }
};

// The exact decimal expansion of a finite, non-zero magnitude. Every double
// has at most 767 significant digits, so asking for that many makes the
// conversion exact: nothing is rounded.
DecimalDigits ExactDigits(double magnitude) {
  char text[800];
  const auto end =
      std::to_chars(std::begin(text), std::end(text), magnitude, std::chars_format::scientific, 766).ptr;
  char* e = std::find(text, end, 'e');
  DecimalDigits number;
  number.digits.assign(1, text[0]);
  number.digits.append(text + 2, e);
  std::from_chars(e + 1 + (e[1] == '+'), end, number.exponent);
  return number;
}

// Rounds to the first keep digits, halves away from zero; keep <= 0 rounds
// at the place above the first digit.
void RoundToDigits(DecimalDigits& number, int keep) {
  if (keep >= static_cast<int>(number.digits.size())) return;
  if (keep < 0) {
    number = DecimalDigits{};
    return;
  }
  const bool up = number.digits[keep] >= '5';
  number.digits.resize(keep);
  if (!up) return;
  int i = keep - 1;
  for (; i >= 0 && number.digits[i] == '9'; --i) number.digits[i] = '0';
  if (i >= 0) {
    ++number.digits[i];
  } else {
    number.digits.insert(0, 1, '1');
    ++number.exponent;
  }
}

// The number's integer digits ("0" when it has none), then "." and the given
// count of decimals when that is positive.
std::string FixedText(const DecimalDigits& number, int decimals) {
  std::string text;
  for (int power = std::max(number.exponent, 0); power >= 0; --power) text += number.At(power);
  if (decimals > 0) text += '.';
  for (int power = -1; power >= -decimals; --power) text += number.At(power);
  return text;
}

// The number's first precision digits as d.ddd, then "E+" and its exponent
// with at least two digits; for numbers of 1 and more.
std::string ScientificText(const DecimalDigits& number, int precision) {
  std::string text(1, number.At(number.exponent));
  if (precision > 1) text += '.';
  for (int i = 1; i < precision; ++i) text += number.At(number.exponent - i);
  const std::string exponent = std::to_string(number.exponent);
  return text + "E+" + std::string(exponent.size() < 2 ? 1 : 0, '0') + exponent;
}

}  // namespace

std::string FloatToStrF(double value, TFloatFormat /*format*/, int precision, int digits) {
  if (std::isnan(value)) return "NAN";
  if (std::isinf(value)) return value < 0 ? "-INF" : "INF";
  precision = std::clamp(precision, 1, 18);
  digits = std::clamp(digits, 0, 18);
  DecimalDigits number = value == 0 ? DecimalDigits{} : ExactDigits(std::fabs(value));
  RoundToDigits(number, std::min(precision, number.exponent + 1 + digits));
  const std::string sign = value < 0 && !number.IsZero() ? "-" : "";
  if (number.exponent + 1 > precision) return sign + ScientificText(number, precision);
  return sign + FixedText(number, digits);
}
