#include "Platform/Foundation/JsonText.h"

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "tests/support/IllFormedUtf8.h"

namespace {

using platform::JsonText;

TEST(JsonTextTest, EachIllFormedByteInTextsAndKeysBecomesOneReplacementCharacter) {
  for (const auto& c : testsupport::Utf8RepairCases()) {
    nlohmann::json plain = {{"t", c.raw}, {"list", {c.raw, 1}}};
    plain[c.raw] = true;
    nlohmann::json expected = {{"t", c.repaired}, {"list", {c.repaired, 1}}};
    expected[c.repaired] = true;
    std::string text;
    ASSERT_NO_THROW(text = JsonText::dump(plain)) << c.name;
    EXPECT_EQ(text, expected.dump()) << c.name;

    nlohmann::ordered_json ordered;
    ordered["z"] = c.raw;
    ordered[c.raw] = nlohmann::ordered_json::array({c.raw});
    ASSERT_NO_THROW(text = JsonText::dump(ordered, 1)) << c.name;
    EXPECT_EQ(text, "{\n \"z\": \"" + c.repaired + "\",\n \"" + c.repaired + "\": [\n  \"" + c.repaired + "\"\n ]\n}")
        << c.name;
  }
}

}  // namespace
