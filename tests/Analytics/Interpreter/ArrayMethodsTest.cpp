#include "tests/Analytics/Interpreter/InterpreterTestSupport.h"

static const std::string kIdentity = R"(["51", "id", ["7", "e"], ["36", {"var": "e"}]])";

TEST(ArrayMethods, Table) {
  RunCases({
      {"every on empty", MethodCall(R"(["7"])", "every", kIdentity).c_str(), "true"},
      {"some on empty", MethodCall(R"(["7"])", "some", kIdentity).c_str(), "false"},
      {"every stops at false", MethodCall(R"(["7", 1, 0, 2])", "every", kIdentity).c_str(), "false"},
      {"some finds", MethodCall(R"(["7", 0, "", 3])", "some", kIdentity).c_str(), "true"},
      {"filter keeps elements", MethodCall(R"(["7", 0, 1, "", "x"])", "filter", kIdentity).c_str(), "[1, \"x\"]"},
      {"map over holes", R"([["41", "a"], ["3", "a", ["7", 5]], ["43", {"var": "a"}, "length", 3],
          ["16", ["2", {"var": "a"}, "map", ["7", ["51", "f", ["7", "e"], ["36", ["26", {"var": "e"}, 2]]]]], "length"]])", "1"},
      {"callback needs a function", MethodCall(R"(["7", 1])", "forEach", "1").c_str(), "", 10},
      {"callback count", MethodCall(R"(["7", 1])", "map").c_str(), "", 9},
      {"reduce sums", MethodCall(R"(["7", 1, 2, 3])", "reduce",
                           R"(["51", "s", ["7", "a", "b"], ["36", ["0", {"var": "a"}, {"var": "b"}]]], 10)").c_str(), "16"},
      {"reduce single element without call", MethodCall(R"(["7", 5])", "reduce", R"(["51", "s", ["7"], ["36", 0]])").c_str(), "5"},
      {"reduce empty", MethodCall(R"(["7"])", "reduce", kIdentity).c_str(), "", 8},
      {"reduceRight order", MethodCall(R"(["7", "a", "b", "c"])", "reduceRight",
                                  R"(["51", "s", ["7", "a", "b"], ["36", ["0", {"var": "a"}, {"var": "b"}]]])").c_str(), "\"cba\""},
      {"reduce control initial value", MethodCall(R"(["7", 1])", "reduce", kIdentity + R"(, ["4"])").c_str(), "", 10},
      {"indexOf does not find string 1", MethodCall(R"(["7", "1"])", "indexOf", "1").c_str(), "-1"},
      {"indexOf start beyond", MethodCall(R"(["7", 1, 2, 3])", "indexOf", "1, 10").c_str(), "-1"},
      {"indexOf negative start", MethodCall(R"(["7", 3, 2, 3])", "indexOf", "3, -1").c_str(), "2"},
      {"indexOf NaN never", MethodCall(R"(["7", {"number": "NaN"}])", "indexOf", R"({"number": "NaN"})").c_str(), "-1"},
      {"lastIndexOf empty", MethodCall(R"(["7"])", "lastIndexOf", "1").c_str(), "-1"},
      {"lastIndexOf NaN start searches all", MethodCall(R"(["7", 1, 2, 1])", "lastIndexOf", R"(1, {"number": "NaN"})").c_str(), "2"},
      {"lastIndexOf start", MethodCall(R"(["7", 1, 2, 1])", "lastIndexOf", "1, 1").c_str(), "0"},
      {"join default", MethodCall(R"(["7", 1, 2])", "join").c_str(), "\"1,2\""},
      {"join undefined separator", MethodCall(R"(["7", 1, 2])", "join", R"(["44"])").c_str(), "\"12\""},
      {"join null elements", MethodCall(R"(["7", ["45"], 1])", "join", "\"-\"").c_str(), "\"-1\""},
      {"toString", MethodCall(R"(["7", 1, ["7", 2, 3]])", "toString").c_str(), "\"1,2,3\""},
      {"pop", MethodCall(R"(["7", 1, 2])", "pop").c_str(), "2"},
      {"shift empty", MethodCall(R"(["7"])", "shift").c_str(), "undefined"},
      {"push returns length", MethodCall(R"(["7", 1])", "push", "2, 3").c_str(), "3"},
      {"unshift returns length", MethodCall(R"(["7", 1])", "unshift", "2").c_str(), "2"},
      {"reverse", MethodCall(R"(["7", 1, 2, 3])", "reverse").c_str(), "[3, 2, 1]"},
      {"slice negative", MethodCall(R"(["7", 1, 2, 3])", "slice", "-2").c_str(), "[2, 3]"},
      {"slice past end", MethodCall(R"(["7", 1, 2, 3])", "slice", "5").c_str(), "[]"},
      {"splice removes tail", MethodCall(R"(["7", 1, 2, 3])", "splice", "1").c_str(), "[2, 3]"},
      {"splice inserts", R"([["41", "a"], ["3", "a", ["7", 1, 2]], ["2", {"var": "a"}, "splice", ["7", 0, 0, 9]], {"var": "a"}])",
       "[9, 1, 2]"},
      {"splice without arguments", MethodCall(R"(["7", 1])", "splice").c_str(), "[]"},
      {"sort by text", MethodCall(R"(["7", 10, 9, 1])", "sort").c_str(), "[1, 10, 9]"},
      {"sort undefined last", MethodCall(R"(["7", ["44"], 3, 1])", "sort").c_str(), "[1, 3, undefined]"},
      {"sort with comparator", MethodCall(R"(["7", 10, 9, 1])", "sort",
                                    R"(["51", "c", ["7", "a", "b"], ["36", ["37", {"var": "a"}, {"var": "b"}]]])").c_str(),
       "[1, 9, 10]"},
      {"sort non-function", MethodCall(R"(["7", 2, 1])", "sort", "1").c_str(), "", 10},
      {"sort single element ignores argument", MethodCall(R"(["7", 2])", "sort", "1").c_str(), "[2]"},
      {"sort failing comparator", MethodCall(R"(["7", 2, 1, 3])", "sort", R"(["51", "c", ["7"], ["3", "nope", 1]])").c_str(), "", 2},
      {"concat", MethodCall(R"(["7", 1])", "concat", R"(["7", 2, 3], 4)").c_str(), "[1, 2, 3, 4]"},
      {"concat control value", MethodCall(R"(["7", 1])", "concat", R"(["4"])").c_str(), "", 10},
      {"hasOwnProperty length", MethodCall(R"(["7"])", "hasOwnProperty", "\"length\"").c_str(), "true"},
      {"unknown method", MethodCall(R"(["7"])", "flat").c_str(), "", 17},
      {"too many for join", MethodCall(R"(["7"])", "join", "1, 2").c_str(), "", 9},
  });
}

TEST(ArrayMethods, CallbackSeesOnlyInitialIndexes) {
  // Each call pushes onto the array; only the two original indexes are visited.
  RunCases({{"push during forEach", R"([["41", "a", "n"], ["3", "a", ["7", 1, 2]], ["3", "n", 0],
      ["2", {"var": "a"}, "forEach", ["7", ["51", "f", ["7", "e"], ["3", "n", ["0", {"var": "n"}, 1]],
          ["2", {"var": "a"}, "push", ["7", 0]]]]], {"var": "n"}])", "2"}});
}
