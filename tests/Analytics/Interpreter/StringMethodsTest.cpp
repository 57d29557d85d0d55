#include "Platform/Foundation/Locale.h"
#include "tests/Analytics/Interpreter/InterpreterTestSupport.h"

TEST(StringMethods, Table) {
  RunCases({
      {"charAt -1", MethodCall("\"ab\"", "charAt", "-1").c_str(), "\"\""},
      {"charAt n", MethodCall("\"ab\"", "charAt", "2").c_str(), "\"\""},
      {"charAt empty", MethodCall("\"\"", "charAt").c_str(), "\"\""},
      {"charAt 1.9", MethodCall("\"ab\"", "charAt", "1.9").c_str(), "\"b\""},
      {"charAt surrogate", R"([["16", ["2", "\ud83d\ude00", "charAt", ["7", 0]], "length"]])", "1"},
      {"length counts UTF-16 units", R"([["16", "a\ud83d\ude00", "length"]])", "3"},
      {"concat", MethodCall("\"a\"", "concat", "1, true").c_str(), "\"a1true\""},
      {"hasOwnProperty length on empty", MethodCall("\"\"", "hasOwnProperty", "\"length\"").c_str(), "true"},
      {"hasOwnProperty string 1", MethodCall("\"ab\"", "hasOwnProperty", "\"1\"").c_str(), "true"},
      {"hasOwnProperty 2", MethodCall("\"ab\"", "hasOwnProperty", "2").c_str(), "false"},
      {"hasOwnProperty 1.5", MethodCall("\"ab\"", "hasOwnProperty", "1.5").c_str(), "false"},
      {"indexOf with start", MethodCall("\"abcb\"", "indexOf", "\"b\", 2").c_str(), "3"},
      {"indexOf negative start", MethodCall("\"abcb\"", "indexOf", "\"b\", -5").c_str(), "1"},
      {"indexOf empty", MethodCall("\"abc\"", "indexOf", "\"\"").c_str(), "-1"},
      {"indexOf undefined", MethodCall("\"xundefined\"", "indexOf").c_str(), "1"},
      {"indexOf canonical equivalence", MethodCall("\"caf\\u00e9!\"", "indexOf", "\"e\\u0301\"").c_str(), "3"},
      {"indexOf no partial character", MethodCall("\"cafe\\u0301\"", "indexOf", "\"e\"").c_str(), "-1"},
      {"indexOf position after decomposed text", MethodCall("\"e\\u0301x\"", "indexOf", "\"x\"").c_str(), "2"},
      {"lastIndexOf with start", MethodCall("\"abcb\"", "lastIndexOf", "\"b\", 2").c_str(), "1"},
      {"lastIndexOf without start", MethodCall("\"abcb\"", "lastIndexOf", "\"b\"").c_str(), "3"},
      {"replace first only", MethodCall("\"abcb\"", "replace", "\"b\", \"x\"").c_str(), "\"axcb\""},
      {"replace missing", MethodCall("\"abcb\"", "replace", "\"z\", \"x\"").c_str(), "\"abcb\""},
      {"replace empty search", MethodCall("\"ab\"", "replace", "\"\", \"x\"").c_str(), "\"xab\""},
      {"replace without replacement", MethodCall("\"ab\"", "replace", "\"a\"").c_str(), "\"undefinedb\""},
      {"replace with function", MethodCall("\"abc\"", "replace",
                                     R"("b", ["51", "r", ["7", "m", "p", "s"], ["36", ["0", ["0", {"var": "m"}, {"var": "p"}], {"var": "s"}]]])")
                                     .c_str(), "\"ab1abcc\""},
      {"slice -2", MethodCall("\"abcde\"", "slice", "-2").c_str(), "\"de\""},
      {"slice reversed", MethodCall("\"abcde\"", "slice", "3, 1").c_str(), "\"\""},
      {"substring swaps", MethodCall("\"abcde\"", "substring", "3, 1").c_str(), "\"bc\""},
      {"split", MethodCall("\"a,b,,c\"", "split", "\",\"").c_str(), "[\"a\", \"b\", \"\", \"c\"]"},
      {"split limit", MethodCall("\"a,b,,c\"", "split", "\",\", 2").c_str(), "[\"a\", \"b\"]"},
      {"split limit 0", MethodCall("\"a,b\"", "split", "\",\", 0").c_str(), "[]"},
      {"split empty separator", MethodCall("\"abc\"", "split", "\"\"").c_str(), "[\"a\", \"b\", \"c\"]"},
      {"split empty receiver", MethodCall("\"\"", "split", "\",\"").c_str(), "[\"\"]"},
      {"split no argument", MethodCall("\"a,b\"", "split").c_str(), "[\"a,b\"]"},
      {"match", MethodCall("\"ab12c34\"", "match", "\"[0-9]+\"").c_str(), "[\"12\"]"},
      {"match none", MethodCall("\"abc\"", "match", "\"[0-9]\"").c_str(), "null"},
      {"match no argument", MethodCall("\"abc\"", "match").c_str(), "[\"\"]"},
      {"search", MethodCall("\"abc\"", "search", "\"c\"").c_str(), "2"},
      {"search empty", MethodCall("\"abc\"", "search", "\"\"").c_str(), "0"},
      {"search none", MethodCall("\"abc\"", "search", "\"z\"").c_str(), "-1"},
      {"bad pattern", MethodCall("\"abc\"", "search", "\"(\"").c_str(), "", -1},
      {"upper sharp s", MethodCall("\"stra\\u00dfe\"", "toUpperCase").c_str(), "\"STRASSE\""},
      {"lower", MethodCall("\"\\u0130X\"", "toLowerCase").c_str(), "\"i\xCC\x87x\""},
      {"trim", MethodCall("\"\\u00a0\\n a b \\u2029\"", "trim").c_str(), "\"a b\""},
      {"toString", MethodCall("\"x\"", "toString").c_str(), "\"x\""},
      {"trim count", MethodCall("\"x\"", "trim", "1").c_str(), "", 9},
      {"charAt count", MethodCall("\"x\"", "charAt", "1, 2").c_str(), "", 9},
      {"unknown", MethodCall("\"x\"", "padStart").c_str(), "", 17},
  });
}

TEST(StringMethods, LocaleCaseMapping) {
  platform::Locale::setCurrentOverride(platform::Locale("tr_TR"));
  EXPECT_EQ(RunProgram(R"([["2", "i", "toLocaleUpperCase", ["7"]]])").value, "\"\xC4\xB0\"");
  EXPECT_EQ(RunProgram(R"([["2", "i", "toUpperCase", ["7"]]])").value, "\"I\"");
  platform::Locale::setCurrentOverride(std::nullopt);
}
