#include "Platform/Foundation/TextCase.h"

#include <unicode/stringoptions.h>
#include <unicode/locid.h>
#include <unicode/uchar.h>
#include <unicode/unistr.h>

namespace platform {

namespace {

// Title case of the first character, lower case of the rest (full mappings,
// so "ß" opens as "Ss" and a word-final sigma stays final).
void appendWord(icu::UnicodeString& out, const icu::UnicodeString& word) {
  if (word.isEmpty()) return;
  icu::UnicodeString cased(word);
  cased.toTitle(nullptr, icu::Locale::getRoot(), U_TITLECASE_WHOLE_STRING | U_TITLECASE_NO_BREAK_ADJUSTMENT);
  out.append(cased);
}

}  // namespace

std::string TextCase::capitalized(std::string_view text) {
  const icu::UnicodeString source =
      icu::UnicodeString::fromUTF8(icu::StringPiece(text.data(), static_cast<int32_t>(text.size())));
  icu::UnicodeString out;
  icu::UnicodeString word;
  for (int32_t i = 0; i < source.length();) {
    const UChar32 cp = source.char32At(i);
    const int32_t next = source.moveIndex32(i, 1);
    if (u_isUWhiteSpace(cp)) {
      appendWord(out, word);
      word.remove();
      out.append(source, i, next - i);
    } else {
      word.append(source, i, next - i);
    }
    i = next;
  }
  appendWord(out, word);
  std::string utf8;
  out.toUTF8String(utf8);
  return utf8;
}

}  // namespace platform
