#include "Analytics/Interpreter/APMPText.h"

#include <unicode/normalizer2.h>
#include <unicode/unistr.h>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>
#include <vector>

std::u16string APMPNumberToText(double value) {
  if (std::isnan(value)) return u"NaN";
  if (std::isinf(value)) return value > 0 ? u"Infinity" : u"-Infinity";
  if (value == 0) return u"0";
  // The shortest digits that read back as the same double (never more than 17).
  char buf[64];
  auto res = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::scientific);
  std::string sci(buf, res.ptr);
  bool negative = sci[0] == '-';
  if (negative) sci.erase(0, 1);
  size_t ePos = sci.find('e');
  std::string mantissa = sci.substr(0, ePos);
  int exponent = std::stoi(sci.substr(ePos + 1));
  std::string digits;
  for (char c : mantissa)
    if (c != '.') digits += c;
  while (digits.size() > 1 && digits.back() == '0') digits.pop_back();
  std::string out;
  if (negative) out += '-';
  double magnitude = std::fabs(value);
  if (magnitude >= 0.000001 && magnitude < 1e21) {
    if (exponent >= 0) {
      size_t intDigits = static_cast<size_t>(exponent) + 1;
      if (digits.size() <= intDigits) {
        out += digits;
        out.append(intDigits - digits.size(), '0');
      } else {
        out.append(digits, 0, intDigits);
        out += '.';
        out.append(digits, intDigits, std::string::npos);
      }
    } else {
      out += "0.";
      out.append(static_cast<size_t>(-exponent - 1), '0');
      out += digits;
    }
  } else {
    out += digits[0];
    if (digits.size() > 1) {
      out += '.';
      out.append(digits, 1, std::string::npos);
    }
    out += exponent < 0 ? "e-" : "e+";
    out += std::to_string(exponent < 0 ? -exponent : exponent);
  }
  return std::u16string(out.begin(), out.end());
}

bool APMPIsWhitespaceOrNewline(char16_t c) {
  switch (c) {
    case 0x09: case 0x0A: case 0x0B: case 0x0C: case 0x0D: case 0x20: case 0x85: case 0xA0:
    case 0x1680: case 0x2028: case 0x2029: case 0x202F: case 0x205F: case 0x3000:
      return true;
    default:
      return c >= 0x2000 && c <= 0x200A;
  }
}

std::u16string_view APMPTrim(std::u16string_view text) {
  size_t b = 0, e = text.size();
  while (b < e && APMPIsWhitespaceOrNewline(text[b])) ++b;
  while (e > b && APMPIsWhitespaceOrNewline(text[e - 1])) --e;
  return text.substr(b, e - b);
}

double APMPTextToNumber(std::u16string_view text) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  std::u16string_view t = APMPTrim(text);
  if (t.empty()) return 0;
  if (t == u"NaN") return nan;
  if (t == u"Infinity") return std::numeric_limits<double>::infinity();
  if (t == u"-Infinity") return -std::numeric_limits<double>::infinity();
  size_t i = 0;
  bool negative = false;
  if (t[i] == u'+' || t[i] == u'-') {
    negative = t[i] == u'-';
    ++i;
  }
  size_t intDigits = 0, fracDigits = 0;
  std::string body;
  while (i < t.size() && t[i] >= u'0' && t[i] <= u'9') body += static_cast<char>(t[i++]), ++intDigits;
  if (i < t.size() && t[i] == u'.') {
    body += '.';
    ++i;
    while (i < t.size() && t[i] >= u'0' && t[i] <= u'9') body += static_cast<char>(t[i++]), ++fracDigits;
  }
  if (intDigits + fracDigits == 0) return nan;
  if (i < t.size() && (t[i] == u'e' || t[i] == u'E')) {
    body += 'e';
    ++i;
    if (i < t.size() && (t[i] == u'+' || t[i] == u'-')) body += static_cast<char>(t[i++]);
    size_t expDigits = 0;
    while (i < t.size() && t[i] >= u'0' && t[i] <= u'9') body += static_cast<char>(t[i++]), ++expDigits;
    if (expDigits == 0) return nan;
  }
  if (i != t.size()) return nan;
  double v = 0;
  auto res = std::from_chars(body.data(), body.data() + body.size(), v, std::chars_format::general);
  if (res.ec == std::errc::result_out_of_range) {
    // Overflow gives an infinity, underflow zero, as a scanner would.
    size_t e = body.find('e');
    bool negExp = e != std::string::npos && e + 1 < body.size() && body[e + 1] == '-';
    v = negExp ? 0.0 : std::numeric_limits<double>::infinity();
  } else if (res.ec != std::errc() || res.ptr != body.data() + body.size()) {
    return nan;
  }
  return negative ? -v : v;
}

std::u16string APMPUtf16(std::string_view s) {
  static const uint32_t kMin[] = {0, 0x80, 0x800, 0x10000};
  std::u16string out;
  out.reserve(s.size());
  size_t i = 0;
  while (i < s.size()) {
    unsigned char c = static_cast<unsigned char>(s[i]);
    if (c < 0x80) {
      out += static_cast<char16_t>(c);
      ++i;
      continue;
    }
    size_t n = c >= 0xF8 ? 0 : c >= 0xF0 ? 3 : c >= 0xE0 ? 2 : c >= 0xC0 ? 1 : 0;
    bool ok = n > 0 && i + n < s.size();
    uint32_t cp = ok ? (c & (0x3F >> n)) : 0;
    for (size_t k = 1; ok && k <= n; ++k) {
      unsigned char cc = static_cast<unsigned char>(s[i + k]);
      if ((cc & 0xC0) != 0x80) ok = false;
      else cp = (cp << 6) | (cc & 0x3F);
    }
    if (!ok || cp < kMin[n] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
      out += u'\uFFFD';
      ++i;
      continue;
    }
    i += n + 1;
    if (cp >= 0x10000) {
      cp -= 0x10000;
      out += static_cast<char16_t>(0xD800 + (cp >> 10));
      out += static_cast<char16_t>(0xDC00 + (cp & 0x3FF));
    } else {
      out += static_cast<char16_t>(cp);
    }
  }
  return out;
}

std::string APMPUtf8(std::u16string_view s) {
  std::string out;
  out.reserve(s.size());
  for (size_t i = 0; i < s.size(); ++i) {
    uint32_t cp = s[i];
    if (cp >= 0xD800 && cp <= 0xDBFF && i + 1 < s.size() && s[i + 1] >= 0xDC00 && s[i + 1] <= 0xDFFF) {
      cp = 0x10000 + ((cp - 0xD800) << 10) + (s[i + 1] - 0xDC00);
      ++i;
    } else if (cp >= 0xD800 && cp <= 0xDFFF) {
      cp = 0xFFFD;
    }
    if (cp < 0x80) {
      out += static_cast<char>(cp);
    } else if (cp < 0x800) {
      out += static_cast<char>(0xC0 | (cp >> 6));
      out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
      out += static_cast<char>(0xE0 | (cp >> 12));
      out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
      out += static_cast<char>(0xF0 | (cp >> 18));
      out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
      out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (cp & 0x3F));
    }
  }
  return out;
}

namespace {

// Units below U+00C0 neither decompose nor combine.
bool isSimple(std::u16string_view s) {
  for (char16_t c : s)
    if (c >= 0xC0) return false;
  return true;
}

const icu::Normalizer2* nfd() {
  UErrorCode status = U_ZERO_ERROR;
  const icu::Normalizer2* n = icu::Normalizer2::getNFDInstance(status);
  return U_SUCCESS(status) ? n : nullptr;
}

std::u16string normalized(std::u16string_view s) {
  const icu::Normalizer2* n = nfd();
  if (!n) return std::u16string(s);
  UErrorCode status = U_ZERO_ERROR;
  icu::UnicodeString src(false, s.data(), static_cast<int32_t>(s.size()));
  icu::UnicodeString dst = n->normalize(src, status);
  if (U_FAILURE(status)) return std::u16string(s);
  return std::u16string(dst.getBuffer(), static_cast<size_t>(dst.length()));
}

// NFD of a text with the text position of every segment boundary.
struct Decomposed {
  std::u16string text;
  std::vector<size_t> nfdBoundary;   // ascending positions in `text`
  std::vector<size_t> textBoundary;  // matching positions in the source
};

Decomposed decompose(std::u16string_view s) {
  Decomposed d;
  const icu::Normalizer2* n = nfd();
  size_t segStart = 0;
  auto flush = [&](size_t end) {
    if (end <= segStart) return;
    d.nfdBoundary.push_back(d.text.size());
    d.textBoundary.push_back(segStart);
    d.text += normalized(s.substr(segStart, end - segStart));
    segStart = end;
  };
  size_t i = 0;
  while (i < s.size()) {
    UChar32 cp = s[i];
    size_t len = 1;
    if (cp >= 0xD800 && cp <= 0xDBFF && i + 1 < s.size() && s[i + 1] >= 0xDC00 && s[i + 1] <= 0xDFFF) {
      cp = 0x10000 + ((cp - 0xD800) << 10) + (s[i + 1] - 0xDC00);
      len = 2;
    }
    if (i > 0 && (!n || n->hasBoundaryBefore(cp))) flush(i);
    i += len;
  }
  flush(s.size());
  d.nfdBoundary.push_back(d.text.size());
  d.textBoundary.push_back(s.size());
  return d;
}

long boundaryIndex(const std::vector<size_t>& v, size_t pos) {
  auto it = std::lower_bound(v.begin(), v.end(), pos);
  if (it == v.end() || *it != pos) return -1;
  return static_cast<long>(it - v.begin());
}

}  // namespace

int APMPCompareText(std::u16string_view a, std::u16string_view b) {
  if (!isSimple(a) || !isSimple(b)) {
    std::u16string na = normalized(a), nb = normalized(b);
    int c = na.compare(nb);
    return c < 0 ? -1 : c > 0 ? 1 : 0;
  }
  int c = a.compare(b);
  return c < 0 ? -1 : c > 0 ? 1 : 0;
}

long APMPFindText(std::u16string_view text, std::u16string_view needle, size_t from, size_t* matchLength) {
  if (needle.empty() || from > text.size()) return -1;
  if (isSimple(text) && isSimple(needle)) {
    size_t p = text.find(needle, from);
    if (p == std::u16string_view::npos) return -1;
    if (matchLength) *matchLength = needle.size();
    return static_cast<long>(p);
  }
  Decomposed d = decompose(text);
  std::u16string n = normalized(needle);
  if (n.empty()) return -1;
  size_t p = 0;
  while ((p = d.text.find(n, p)) != std::u16string::npos) {
    long b = boundaryIndex(d.nfdBoundary, p);
    long e = boundaryIndex(d.nfdBoundary, p + n.size());
    if (b >= 0 && e >= 0 && d.textBoundary[static_cast<size_t>(b)] >= from) {
      if (matchLength) *matchLength = d.textBoundary[static_cast<size_t>(e)] - d.textBoundary[static_cast<size_t>(b)];
      return static_cast<long>(d.textBoundary[static_cast<size_t>(b)]);
    }
    ++p;
  }
  return -1;
}

long APMPFindLastText(std::u16string_view text, std::u16string_view needle, size_t limit, size_t* matchLength) {
  if (needle.empty()) return -1;
  if (limit > text.size()) limit = text.size();
  if (isSimple(text) && isSimple(needle)) {
    if (needle.size() > limit) return -1;
    size_t p = text.substr(0, limit).rfind(needle);
    if (p == std::u16string_view::npos) return -1;
    if (matchLength) *matchLength = needle.size();
    return static_cast<long>(p);
  }
  Decomposed d = decompose(text);
  std::u16string n = normalized(needle);
  if (n.empty() || n.size() > d.text.size()) return -1;
  size_t p = d.text.size() - n.size() + 1;
  while (p-- > 0) {
    if (d.text.compare(p, n.size(), n) != 0) continue;
    long b = boundaryIndex(d.nfdBoundary, p);
    long e = boundaryIndex(d.nfdBoundary, p + n.size());
    if (b >= 0 && e >= 0 && d.textBoundary[static_cast<size_t>(e)] <= limit) {
      if (matchLength) *matchLength = d.textBoundary[static_cast<size_t>(e)] - d.textBoundary[static_cast<size_t>(b)];
      return static_cast<long>(d.textBoundary[static_cast<size_t>(b)]);
    }
  }
  return -1;
}
