#include "tests/Analytics/Interpreter/InterpreterTestSupport.h"

// Declares a, assigns `init` to it, runs `body`, then reads a.
static std::string withA(const std::string& init, const std::string& body) {
  return R"([["41", "a"], ["3", "a", )" + init + "], " + body + R"(, {"var": "a"}])";
}

TEST(ControlCommands, BlocksListsAndConditionals) {
  RunCases({
      {"block scope hides declarations", R"([["53", ["41", "inner"], ["3", "inner", 1]], ["40", {"var": "inner"}]])",
       "\"undefined\""},
      {"run list keeps declarations", R"([["5", ["46", ["41", "kept"], ["3", "kept", 2]]], {"var": "kept"}])", "2"},
      {"run list needs an array", R"([["9", 1]])", "", 10},
      {"run list count", R"([["5"]])", "", 9},
      {"sequence yields last", R"([["13", 1, 2, 3]])", "3"},
      {"sequence needs an argument", R"([["13"]])", "", 9},
      {"control value in a sequence", R"([["13", ["4"]]])", "", 10},
      {"if runs a branch list in the current scope", R"([["22", true, ["46", ["41", "v"], ["3", "v", 7]]], {"var": "v"}])",
       "7"},
      {"if else value", R"([["22", 0, "yes", "no"]])", "\"no\""},
      {"if without else", R"([["22", 0, "yes"]])", "undefined"},
      {"if count", R"([["22"]])", "", 9},
      {"conditional", R"([["39", "", 1, 2]])", "2"},
      {"conditional count", R"([["39", 1, 2]])", "", 9},
      {"break takes nothing", R"([["4", 1]])", "", 9},
      {"return count", R"([["36", 1, 2]])", "", 9},
      {"unclaimed opcode 11 yields undefined", R"([["11", 1]])", "undefined"},
      {"name bound to a non-function yields undefined", R"([["41", "nf"], ["nf", 1]])", "undefined"},
      {"type names", R"([["0", ["0", ["40", ["45"]], ["40", ["7"]]], ["40", ["51", "f", ["7"]]]]])",
       "\"objectobjectfunction\""},
      {"type of boolean and string", R"([["0", ["40", true], ["40", "s"]]])", "\"booleanstring\""},
  });
}

TEST(ControlCommands, Functions) {
  RunCases({
      {"missing parameters are undefined", R"([["50", "f", ["7", "p", "q"], ["40", {"var": "q"}]], ["f", 1]])",
       "\"undefined\""},
      {"result without return is the last statement", R"([["50", "f", ["7"], 1, 2], ["f"]])", "2"},
      {"return value", R"([["50", "f", ["7", "p"], ["36", ["26", {"var": "p"}, 2]], 99], ["f", 21]])", "42"},
      {"recursion", R"([["50", "fact", ["7", "n"], ["36", ["39", ["24", {"var": "n"}, 1], 1,
          ["26", {"var": "n"}, ["fact", ["37", {"var": "n"}, 1]]]]]], ["fact", 10]])", "3628800"},
      {"closure sees defining scope", R"([["41", "k"], ["3", "k", 5], ["51", "g", ["7"], {"var": "k"}], ["3", "k", 6],
          ["2", ["51", "h", ["7"], ["36", {"var": "k"}]], "toString", ["7"]]])", "\"h\""},
      {"function needs a parameter list", R"([["51", "f", 1]])", "", 10},
      {"function count", R"([["51", "f"]])", "", 9},
      {"hasOwnProperty with a variable name", R"([["41", "m", "key"], ["3", "m", ["8", "x", 1]], ["3", "key", "x"],
          ["2", {"var": "m"}, "hasOwnProperty", ["7", {"var": "key"}]]])", "true"},
      {"method on undefined", R"([["2", ["44"], "toString", ["7"]]])", "", 7},
      {"unknown method on number", R"([["2", 1, "nope", ["7"]]])", "", 17},
      {"toString on number", R"([["2", 1.5, "toString", ["7"]]])", "\"1.5\""},
      {"method name must be a string", R"([["2", "s", 1, ["7"]]])", "", 10},
      {"method arguments must be an array", R"([["2", "s", "trim", 1]])", "", 10},
      {"non-function own property", R"([["41", "m"], ["3", "m", ["8", "f", 1]], ["2", {"var": "m"}, "f", ["7"]]])", "", 17},
      {"own function property", R"([["41", "m"], ["3", "m", ["8", "f", ["51", "f", ["7", "v"], ["36", {"var": "v"}]]]],
          ["2", {"var": "m"}, "f", ["7", 3]]])", "3"},
  });
}

TEST(ControlCommands, Switch) {
  // Cases 1, 2, 3 and a default; no breaks: 2 falls through to 3 and the default.
  const std::string cases = R"(["46", 1, 2, 3])";
  const std::string bodies =
      R"(["46", ["3", "a", ["0", {"var": "a"}, "1"]], ["3", "a", ["0", {"var": "a"}, "2"]],
               ["3", "a", ["0", {"var": "a"}, "3"]], ["3", "a", ["0", {"var": "a"}, "d"]]])";
  RunCases({
      {"fall through and default", withA("\"\"", R"(["38", 2, )" + cases + ", " + bodies + "]").c_str(), "\"23d\""},
      {"strict match: string 2 does not match", withA("\"\"", R"(["38", "2", )" + cases + ", " + bodies + "]").c_str(),
       "\"d\""},
      {"break ends only the switch", withA("0", R"(["38", 1, ["46", 1, 2], ["46", ["4"], ["3", "a", 9]]])").c_str(), "0"},
      {"case list must be an array", R"([["38", 1, 2, ["46"]]])", "", 9},
      {"count", R"([["38", 1, ["46"]]])", "", 9},
  });
}

TEST(ControlCommands, Loops) {
  RunCases({
      {"general loop sums", withA("0", R"(["42", ["24", {"var": "a"}, 4], ["3", "a", ["0", {"var": "a"}, 1]], false, ["46"]])")
                                  .c_str(), "5"},
      {"body-first runs once and skips the update",
       withA("0", R"(["42", false, ["3", "a", 100], true, ["46", ["3", "a", ["0", {"var": "a"}, 1]]]])").c_str(), "1"},
      {"break ends the loop", withA("0", R"(["42", true, ["3", "a", ["0", {"var": "a"}, 1]], false, ["46", ["4"]]])").c_str(),
       "0"},
      {"continue goes to the update",
       withA("0", R"(["42", ["23", {"var": "a"}, 3], ["3", "a", ["0", {"var": "a"}, 1]], false, ["46", ["6"], ["3", "a", 50]]])")
           .c_str(), "3"},
      {"return leaves the loop", R"([["50", "f", ["7"], ["42", true, 1, false, ["46", ["36", 8]]], 9], ["f"]])", "8"},
      {"loop body must be an array", R"([["42", true, 1, false, 1]])", "", 10},
      {"loop count", R"([["42", true, 1, false]])", "", 9},
      {"keys of a string are strings", withA("\"\"", R"(["55", "k", "ab", ["46", ["3", "a", ["0", {"var": "a"}, ["40", {"var": "k"}]]]]])")
                                              .c_str(), "\"stringstring\""},
      {"keys of a string", withA("\"\"", R"(["55", "k", "ab", ["46", ["3", "a", ["0", {"var": "a"}, {"var": "k"}]]]])").c_str(),
       "\"01\""},
      {"keys of a number: no iterations", R"([["55", "k", 5, ["46", ["4"]]]])", "undefined"},
      {"values of a number", R"([["66", "k", 5, ["46"]]])", "", 16},
      {"values: missing element is undefined",
       withA("\"\"", R"(["65", "v", ["2", ["7", 1], "concat", ["7"]], ["46"]], ["41", "h"], ["3", "h", ["7"]],
            ["43", {"var": "h"}, 1, "x"], ["64", "v", {"var": "h"}, ["46", ["3", "a", ["0", {"var": "a"}, ["40", {"var": "v"}]]]]])")
           .c_str(), "\"undefinedstring\""},
      {"keys of an array: names then indexes",
       withA("\"\"", R"(["41", "arr"], ["3", "arr", ["7", "x", "y"]], ["43", {"var": "arr"}, "p", 1],
            ["47", "k", {"var": "arr"}, ["46", ["3", "a", ["0", {"var": "a"}, {"var": "k"}]]]])").c_str(), "\"p01\""},
      {"keys of a map", withA("\"\"", R"(["54", "k", ["8", "x", 1, "y", 2], ["46", ["3", "a", ["0", {"var": "a"}, {"var": "k"}]]]])")
                            .c_str(), "\"xy\""},
      {"iteration body tested even when empty", R"([["55", "k", 5, 1]])", "", 10},
  });
}

TEST(ControlCommands, CountedLoopKeepsPerIterationCopies) {
  // for (let i = 0; i < 3; i++) fns.push(() => i); fns.map(f => f()).join()
  RunCases({
      {"closures capture their iteration", R"([
        ["41", "fns", "i"], ["3", "fns", ["7"]], ["3", "i", 0],
        ["63", ["7", "i"], ["23", {"var": "i"}, 3], ["3", "i", ["0", {"var": "i"}, 1]],
          ["46", ["2", {"var": "fns"}, "push", ["7", ["51", "f", ["7"], ["36", {"var": "i"}]]]]]],
        ["2", ["2", {"var": "fns"}, "map", ["7", ["51", "call", ["7", "g"], ["36", ["g"]]]]], "join", ["7"]]
      ])", "\"0,1,2\""},
      {"outer variable unchanged", R"([["41", "i"], ["3", "i", 0],
        ["63", ["7", "i"], ["23", {"var": "i"}, 3], ["3", "i", ["0", {"var": "i"}, 1]], ["46"]], {"var": "i"}])", "0"},
  });
}

TEST(ControlCommands, Variables) {
  RunCases({
      {"assign to undeclared", R"([["3", "nope", 1]])", "", 2},
      {"declare then assign", R"([["41", "v"], ["3", "v", 1]])", "1"},
      {"constant keeps its value", R"([["52", "c", 1], ["3", "c", 2], {"var": "c"}])", "1"},
      {"assign to a constant returns the value", R"([["52", "c", 1], ["3", "c", 2]])", "2"},
      {"constants need pairs", R"([["52", "c"]])", "", 9},
      {"declared name must be a string", R"([["41", 1]])", "", 10},
      {"read needs a string", R"([["15", 1]])", "", 10},
      {"map literal later key wins", R"([["16", ["8", "k", 1, "k", 2], "k"]])", "2"},
      {"map literal needs pairs", R"([["8", "k"]])", "", 9},
      {"string property by index", R"([["16", "abc", 1]])", "\"b\""},
      {"string property by string index", R"([["16", "abc", "1"]])", "\"b\""},
      {"string property out of range", R"([["16", "abc", 3]])", "undefined"},
      {"string property negative", R"([["16", "abc", -1]])", "undefined"},
      {"string property fraction", R"([["16", "abc", 1.5]])", "undefined"},
      {"string length", R"([["16", "abc", "length"]])", "3"},
      {"function declared in a block is local", R"([["53", ["50", "inner", ["7"], 1]], ["40", {"var": "inner"}]])",
       "\"undefined\""},
      {"undefined and null literals", R"([["0", ["40", ["44", 1]], ["40", ["45"]]]])", "\"undefinedobject\""},
  });
}
