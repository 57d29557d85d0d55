#include "Platform/Foundation/URL.h"

#include <cctype>
#include <cstdint>

#include "Platform/Foundation/Utf8.h"

namespace platform {
namespace {

bool IsAlpha(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsHex(char c) { return IsDigit(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F'); }
int HexValue(char c) {
  if (IsDigit(c)) return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return c - 'A' + 10;
}

bool IsUnreserved(char c) {
  return IsAlpha(c) || IsDigit(c) || c == '-' || c == '.' || c == '_' || c == '~';
}
bool IsSubDelim(char c) {
  switch (c) {
    case '!': case '$': case '&': case '\'': case '(': case ')':
    case '*': case '+': case ',': case ';': case '=':
      return true;
    default:
      return false;
  }
}

// Characters that may stand unescaped somewhere in a URL ("%", "#", "[" and
// "]" are checked by position separately).
bool IsLegal(char c) {
  return IsUnreserved(c) || IsSubDelim(c) || c == ':' || c == '/' || c == '?' || c == '@';
}

bool ValidScheme(std::string_view s) {
  if (s.empty() || !IsAlpha(s[0])) return false;
  for (char c : s)
    if (!(IsAlpha(c) || IsDigit(c) || c == '+' || c == '-' || c == '.')) return false;
  return true;
}

}  // namespace

std::optional<URL> URL::fromString(std::string_view text) {
  if (text.empty()) return std::nullopt;

  // Character check over the whole text first.
  bool seenHash = false;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '%') {
      if (i + 2 >= text.size()) return std::nullopt;
      if (!IsHex(text[i + 1]) || !IsHex(text[i + 2])) return std::nullopt;
      i += 2;
      continue;
    }
    if (c == '#') {
      if (seenHash) return std::nullopt;
      seenHash = true;
      continue;
    }
    if (c == '[' || c == ']') continue;  // allowed only in the host, checked below
    if (!IsLegal(c)) return std::nullopt;
  }

  URL url;
  url.text_ = std::string(text);
  std::string_view rest = text;

  // Fragment, then query.
  if (auto hash = rest.find('#'); hash != std::string_view::npos) {
    url.fragment_ = std::string(rest.substr(hash + 1));
    rest = rest.substr(0, hash);
  }
  if (auto q = rest.find('?'); q != std::string_view::npos) {
    url.query_ = std::string(rest.substr(q + 1));
    rest = rest.substr(0, q);
  }
  // Scheme: text before the first ":" when it comes before any "/".
  if (auto colon = rest.find(':'); colon != std::string_view::npos) {
    const auto slash = rest.find('/');
    if ((slash == std::string_view::npos || colon < slash) && ValidScheme(rest.substr(0, colon))) {
      url.scheme_ = std::string(rest.substr(0, colon));
      rest = rest.substr(colon + 1);
    }
  }
  // Authority.
  if (rest.substr(0, 2) == "//") {
    rest = rest.substr(2);
    const auto end = rest.find('/');
    std::string_view authority = rest.substr(0, end);
    rest = end == std::string_view::npos ? std::string_view() : rest.substr(end);

    if (auto at = authority.rfind('@'); at != std::string_view::npos) {
      std::string_view userinfo = authority.substr(0, at);
      authority = authority.substr(at + 1);
      if (auto c = userinfo.find(':'); c != std::string_view::npos) {
        url.user_ = std::string(userinfo.substr(0, c));
        url.password_ = std::string(userinfo.substr(c + 1));
      } else {
        url.user_ = std::string(userinfo);
      }
    }
    std::string_view hostPort = authority;
    std::string_view portText;
    bool hasPort = false;
    if (!hostPort.empty() && hostPort[0] == '[') {
      const auto close = hostPort.find(']');
      if (close == std::string_view::npos) return std::nullopt;
      std::string_view literal = hostPort.substr(1, close - 1);
      for (char c : literal)
        if (!(IsHex(c) || c == ':' || c == '.')) return std::nullopt;
      url.host_ = std::string(literal);
      std::string_view after = hostPort.substr(close + 1);
      if (!after.empty()) {
        if (after[0] != ':') return std::nullopt;
        hasPort = true;
        portText = after.substr(1);
      }
    } else {
      if (auto c = hostPort.rfind(':'); c != std::string_view::npos) {
        hasPort = true;
        portText = hostPort.substr(c + 1);
        hostPort = hostPort.substr(0, c);
      }
      if (hostPort.find_first_of("[]:") != std::string_view::npos) return std::nullopt;
      url.host_ = std::string(hostPort);
    }
    if (url.user_ && (url.user_->find_first_of("[]") != std::string::npos ||
                      (url.password_ && url.password_->find_first_of("[]") != std::string::npos))) {
      return std::nullopt;
    }
    if (hasPort && !portText.empty()) {
      if (portText.size() > 5) return std::nullopt;
      int port = 0;
      for (char c : portText) {
        if (!IsDigit(c)) return std::nullopt;
        port = port * 10 + (c - '0');
      }
      if (port > 65535) return std::nullopt;
      url.port_ = port;
    }
  }
  // Brackets belong to the host alone.
  if (rest.find_first_of("[]") != std::string_view::npos) return std::nullopt;
  if (url.query_ && url.query_->find_first_of("[]") != std::string::npos) return std::nullopt;
  if (url.fragment_ && url.fragment_->find_first_of("[]") != std::string::npos) return std::nullopt;
  url.path_ = std::string(rest);
  return url;
}

std::string URL::path() const {
  std::string p = path_;
  if (p.size() > 1 && p.back() == '/') p.pop_back();
  if (auto decoded = removingPercentEncoding(p)) return *decoded;
  return p;
}

std::string URL::lastPathComponent() const {
  const std::string p = path();
  if (p.empty() || p == "/") return p;
  const auto slash = p.rfind('/');
  return slash == std::string::npos ? p : p.substr(slash + 1);
}

URL URL::appendingPathComponent(std::string_view component) const {
  std::string newPath = path_;
  if (newPath.empty() ? host_.has_value() : newPath.back() != '/') newPath += '/';
  newPath += addingPercentEncoding(component, AllowedCharacters::kPath);
  if (!host_) {
    // Without an authority, a path must not read as one ("//x") nor, in a
    // reference without a scheme, start with a segment that reads as a
    // scheme ("b:c").
    if (newPath.rfind("//", 0) == 0) {
      newPath = "/." + newPath;
    } else if (scheme_.empty()) {
      const auto colon = newPath.find(':');
      if (colon != std::string::npos && colon < newPath.find('/')) newPath = "./" + newPath;
    }
  }

  std::string text;
  if (!scheme_.empty()) text += scheme_ + ":";
  // Rebuild from the original authority text so that it is kept byte for byte.
  if (host_) {
    const auto start = text_.find("//");
    std::string_view afterSlashes = std::string_view(text_).substr(start + 2);
    text += "//";
    text += afterSlashes.substr(0, afterSlashes.find_first_of("/?#"));
  }
  text += newPath;
  if (query_) text += "?" + *query_;
  if (fragment_) text += "#" + *fragment_;
  // Every piece is valid on its own and kept in its place, so this parses.
  auto url = fromString(text);
  return url ? *url : *this;
}

std::string URL::addingPercentEncoding(std::string_view text, AllowedCharacters allowed) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  std::string out;
  out.reserve(text.size());
  for (char ch : text) {
    const bool keep = IsUnreserved(ch) || IsSubDelim(ch) || ch == ':' || ch == '@' || ch == '/' ||
                      (allowed == AllowedCharacters::kQuery && ch == '?');
    if (keep) {
      out += ch;
    } else {
      const auto b = static_cast<unsigned char>(ch);
      out += '%';
      out += kDigits[b >> 4];
      out += kDigits[b & 0x0F];
    }
  }
  return out;
}

std::optional<std::string> URL::removingPercentEncoding(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '%') {
      out += text[i];
      continue;
    }
    if (i + 2 >= text.size() || !IsHex(text[i + 1]) || !IsHex(text[i + 2])) return std::nullopt;
    out += static_cast<char>(HexValue(text[i + 1]) * 16 + HexValue(text[i + 2]));
    i += 2;
  }
  if (!Utf8::isValid(out)) return std::nullopt;
  return out;
}

}  // namespace platform
