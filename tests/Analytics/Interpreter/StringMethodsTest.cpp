#include "Platform/Foundation/Locale.h"
#include "tests/Analytics/Interpreter/InterpreterTestSupport.h"

static std::string call(const std::string& text, const std::string& method, const std::string& args = "") {
  return R"([["2", )" + text + R"(, ")" + method + R"(", ["7")" + (args.empty() ? "" : ", " + args) + "]]]";
}

TEST(StringMethods, Table) {
  RunCases({
      {"charAt -1", call("\"ab\"", "charAt", "-1").c_str(), "\"\""},
      {"charAt n", call("\"ab\"", "charAt", "2").c_str(), "\"\""},
      {"charAt empty", call("\"\"", "charAt").c_str(), "\"\""},
      {"charAt 1.9", call("\"ab\"", "charAt", "1.9").c_str(), "\"b\""},
      {"charAt surrogate", R"([["16", ["2", "\ud83d\ude00", "charAt", ["7", 0]], "length"]])", "1"},
      {"length counts UTF-16 units", R"([["16", "a\ud83d\ude00", "length"]])", "3"},
      {"concat", call("\"a\"", "concat", "1, true").c_str(), "\"a1true\""},
      {"hasOwnProperty length on empty", call("\"\"", "hasOwnProperty", "\"length\"").c_str(), "true"},
      {"hasOwnProperty string 1", call("\"ab\"", "hasOwnProperty", "\"1\"").c_str(), "true"},
      {"hasOwnProperty 2", call("\"ab\"", "hasOwnProperty", "2").c_str(), "false"},
      {"hasOwnProperty 1.5", call("\"ab\"", "hasOwnProperty", "1.5").c_str(), "false"},
      {"indexOf with start", call("\"abcb\"", "indexOf", "\"b\", 2").c_str(), "3"},
      {"indexOf negative start", call("\"abcb\"", "indexOf", "\"b\", -5").c_str(), "1"},
      {"indexOf empty", call("\"abc\"", "indexOf", "\"\"").c_str(), "-1"},
      {"indexOf undefined", call("\"xundefined\"", "indexOf").c_str(), "1"},
      {"indexOf canonical equivalence", call("\"caf\\u00e9!\"", "indexOf", "\"e\\u0301\"").c_str(), "3"},
      {"indexOf no partial character", call("\"cafe\\u0301\"", "indexOf", "\"e\"").c_str(), "-1"},
      {"indexOf position after decomposed text", call("\"e\\u0301x\"", "indexOf", "\"x\"").c_str(), "2"},
      {"lastIndexOf with start", call("\"abcb\"", "lastIndexOf", "\"b\", 2").c_str(), "1"},
      {"lastIndexOf without start", call("\"abcb\"", "lastIndexOf", "\"b\"").c_str(), "3"},
      {"replace first only", call("\"abcb\"", "replace", "\"b\", \"x\"").c_str(), "\"axcb\""},
      {"replace missing", call("\"abcb\"", "replace", "\"z\", \"x\"").c_str(), "\"abcb\""},
      {"replace empty search", call("\"ab\"", "replace", "\"\", \"x\"").c_str(), "\"xab\""},
      {"replace without replacement", call("\"ab\"", "replace", "\"a\"").c_str(), "\"undefinedb\""},
      {"replace with function", call("\"abc\"", "replace",
                                     R"("b", ["51", "r", ["7", "m", "p", "s"], ["36", ["0", ["0", {"var": "m"}, {"var": "p"}], {"var": "s"}]]])")
                                     .c_str(), "\"ab1abcc\""},
      {"slice -2", call("\"abcde\"", "slice", "-2").c_str(), "\"de\""},
      {"slice reversed", call("\"abcde\"", "slice", "3, 1").c_str(), "\"\""},
      {"substring swaps", call("\"abcde\"", "substring", "3, 1").c_str(), "\"bc\""},
      {"split", call("\"a,b,,c\"", "split", "\",\"").c_str(), "[\"a\", \"b\", \"\", \"c\"]"},
      {"split limit", call("\"a,b,,c\"", "split", "\",\", 2").c_str(), "[\"a\", \"b\"]"},
      {"split limit 0", call("\"a,b\"", "split", "\",\", 0").c_str(), "[]"},
      {"split empty separator", call("\"abc\"", "split", "\"\"").c_str(), "[\"a\", \"b\", \"c\"]"},
      {"split empty receiver", call("\"\"", "split", "\",\"").c_str(), "[\"\"]"},
      {"split no argument", call("\"a,b\"", "split").c_str(), "[\"a,b\"]"},
      {"match", call("\"ab12c34\"", "match", "\"[0-9]+\"").c_str(), "[\"12\"]"},
      {"match none", call("\"abc\"", "match", "\"[0-9]\"").c_str(), "null"},
      {"match no argument", call("\"abc\"", "match").c_str(), "[\"\"]"},
      {"search", call("\"abc\"", "search", "\"c\"").c_str(), "2"},
      {"search empty", call("\"abc\"", "search", "\"\"").c_str(), "0"},
      {"search none", call("\"abc\"", "search", "\"z\"").c_str(), "-1"},
      {"bad pattern", call("\"abc\"", "search", "\"(\"").c_str(), "", -1},
      {"upper sharp s", call("\"stra\\u00dfe\"", "toUpperCase").c_str(), "\"STRASSE\""},
      {"lower", call("\"\\u0130X\"", "toLowerCase").c_str(), "\"i\xCC\x87x\""},
      {"trim", call("\"\\u00a0\\n a b \\u2029\"", "trim").c_str(), "\"a b\""},
      {"toString", call("\"x\"", "toString").c_str(), "\"x\""},
      {"trim count", call("\"x\"", "trim", "1").c_str(), "", 9},
      {"charAt count", call("\"x\"", "charAt", "1, 2").c_str(), "", 9},
      {"unknown", call("\"x\"", "padStart").c_str(), "", 17},
  });
}

TEST(StringMethods, LocaleCaseMapping) {
  platform::Locale::setCurrentOverride(platform::Locale("tr_TR"));
  EXPECT_EQ(RunProgram(R"([["2", "i", "toLocaleUpperCase", ["7"]]])").value, "\"\xC4\xB0\"");
  EXPECT_EQ(RunProgram(R"([["2", "i", "toUpperCase", ["7"]]])").value, "\"I\"");
  platform::Locale::setCurrentOverride(std::nullopt);
}
