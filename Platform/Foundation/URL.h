// A parsed URL reference (absolute, like "https://host:8080/a?b#c", or
// relative, like "/api/Security/Logout"). Parsing is strict, as the platform's
// URL-from-text is: text that holds a blank, a control or non-ASCII
// character, one of  " < > \ ^ ` { | }, a "%" not followed by two hex digits,
// a second "#", brackets outside the host, or a bad port is no URL.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace platform {

class URL {
 public:
  // Sets of characters left as they are by addingPercentEncoding.
  enum class AllowedCharacters {
    kQuery,  // unreserved, sub-delims, ":", "@", "/", "?"
    kPath,   // unreserved, sub-delims, ":", "@", "/"
  };

  // The URL, or nothing when the text is empty or not a valid URL.
  static std::optional<URL> fromString(std::string_view text);

  // The text as given.
  const std::string& absoluteString() const { return text_; }

  // As written; empty when the reference has none.
  const std::string& scheme() const { return scheme_; }
  // Without brackets for an IPv6 literal; nothing when there is no authority.
  const std::optional<std::string>& host() const { return host_; }
  const std::optional<int>& port() const { return port_; }
  const std::optional<std::string>& user() const { return user_; }
  const std::optional<std::string>& password() const { return password_; }
  // Percent-decoded, without a trailing "/" (except for the root "/").
  std::string path() const;
  // The path exactly as written.
  const std::string& encodedPath() const { return path_; }
  // Without the "?" / "#"; nothing when absent, empty when present but empty.
  const std::optional<std::string>& query() const { return query_; }
  const std::optional<std::string>& fragment() const { return fragment_; }
  // The last segment of path(); "/" for the root, empty for no path.
  std::string lastPathComponent() const;

  // A new URL with component added to the path (a "/" is put in between
  // unless the path already ends in one); the component is percent-encoded
  // for a path. The query and fragment are kept.
  URL appendingPathComponent(std::string_view component) const;

  // Every UTF-8 byte outside the allowed set becomes %XX (upper-case hex).
  static std::string addingPercentEncoding(std::string_view text, AllowedCharacters allowed);
  // Decodes %XX; nothing when an escape is malformed or the result is not
  // valid UTF-8.
  static std::optional<std::string> removingPercentEncoding(std::string_view text);

  friend bool operator==(const URL& a, const URL& b) { return a.text_ == b.text_; }

 private:
  URL() = default;

  std::string text_;
  std::string scheme_;
  std::optional<std::string> host_;
  std::optional<int> port_;
  std::optional<std::string> user_;
  std::optional<std::string> password_;
  std::string path_;
  std::optional<std::string> query_;
  std::optional<std::string> fragment_;
};

}  // namespace platform
