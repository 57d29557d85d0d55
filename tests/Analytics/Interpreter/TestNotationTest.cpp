#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <string>

#include "Analytics/Interpreter/Notation/APMPTestNotation.h"
#include "tests/support/IllFormedUtf8.h"

// The refusal quotes the offending notation; quoting raw bytes must not throw.
TEST(TestNotation, RefusalQuotesNotationWithEachIllFormedByteRepaired) {
  for (const auto& c : testsupport::Utf8RepairCases()) {
    APMPEntity entity;
    std::string error;
    bool parsed = true;
    ASSERT_NO_THROW(parsed = APMPTestNotation::parseEntity(nlohmann::json{{"odd", c.raw}}, &entity, &error)) << c.name;
    EXPECT_FALSE(parsed) << c.name;
    EXPECT_EQ(error, "unknown program notation: {\"odd\":\"" + c.repaired + "\"}") << c.name;
  }
}
