#include <gtest/gtest.h>

#include <cstdlib>

#include "Platform/Foundation/Calendar.h"
#include "Platform/Foundation/Clock.h"
#include "Platform/Foundation/DateFormatter.h"
#include "Platform/Foundation/ISO8601DateFormatter.h"
#include "Platform/Foundation/Locale.h"
#include "Platform/Foundation/TimeZone.h"

namespace {

using platform::Calendar;
using platform::Date;
using platform::DateFormatter;
using platform::ISO8601DateFormatter;
using platform::Locale;
using platform::TimeZone;

class FixedClock final : public platform::Clock {
 public:
  explicit FixedClock(double now) : now_(now) {}
  double now() const override { return now_; }
  double uptime() const override { return 0; }
  bool isManual() const override { return true; }

 private:
  double now_;
};

// Every case runs in a fixed local zone and locale.
class DateTest : public ::testing::Test {
 protected:
  void SetUp() override {
    TimeZone::setLocalOverride(TimeZone::named("Asia/Kolkata"));  // +05:30, no DST
    Locale::setCurrentOverride(Locale("en_US"));
  }
  void TearDown() override {
    TimeZone::setLocalOverride(std::nullopt);
    Locale::setCurrentOverride(std::nullopt);
    platform::Clock::setCurrent(nullptr);
  }
};

constexpr double kJan5_1845Z = 1767638700;  // 2026-01-05 18:45:00 UTC

TEST_F(DateTest, FormatsFixedPatternsInTheLocalZone) {
  struct Case {
    const char* format;
    const char* zone;  // nullptr: local
    const char* expected;
  };
  const Case cases[] = {
      {"dd/MM/yyyy", nullptr, "06/01/2026"},  // already the next day in Kolkata
      {"HH:mm", nullptr, "00:15"},
      {"MMM yyyy", nullptr, "Jan 2026"},
      {"MM-yyyy", nullptr, "01-2026"},
      {"dd/MM/yyyy", "America/New_York", "05/01/2026"},
      {"HH:mm", "America/New_York", "13:45"},
      {"yyyy-MM-dd'T'HH:mm:ssZZZZZ", "GMT", "2026-01-05T18:45:00Z"},
      {"yyyy-MM-dd'T'HH:mm:ssZZZZZ", nullptr, "2026-01-06T00:15:00+05:30"},
  };
  for (const auto& c : cases) {
    DateFormatter f(c.format);
    if (c.zone) f.setTimeZone(TimeZone::named(c.zone));
    EXPECT_EQ(f.stringFromDate(Date{kJan5_1845Z}), c.expected) << c.format << " " << (c.zone ? c.zone : "local");
  }
  EXPECT_EQ(DateFormatter().stringFromDate(Date{kJan5_1845Z}), "");
}

TEST_F(DateTest, FollowsTheLocalZoneAtEachCall) {
  DateFormatter f("HH:mm");
  EXPECT_EQ(f.stringFromDate(Date{kJan5_1845Z}), "00:15");
  TimeZone::setLocalOverride(TimeZone::named("Europe/Berlin"));
  EXPECT_EQ(f.stringFromDate(Date{kJan5_1845Z}), "19:45");
}

TEST_F(DateTest, ParsesStrictly) {
  struct Case {
    const char* format;
    const char* text;
    std::optional<double> expected;
  };
  const Case cases[] = {
      {"dd/MM/yyyy", "31/12/2025", 1767119400},  // local midnight
      {"dd/MM/yyyy", "01/02/2026", 1769884200},
      {"HH:mm", "10:30", 946702800},  // on 2000-01-01
      {"MM-yyyy", "02-2026", 1769884200},
      {"MMM yyyy", "Feb 2026", 1769884200},
      {"yyyy-MM-dd'T'HH:mm:ssZZZZZ", "2026-03-01T15:00:00+05:30", 1772357400},
      {"yyyy-MM-dd'T'HH:mm:ssZZZZZ", "2026-03-01T09:30:00Z", 1772357400},
      {"dd/MM/yyyy", "31/02/2026", std::nullopt},  // no such day
      {"dd/MM/yyyy", "32/01/2026", std::nullopt},
      {"dd/MM/yyyy", "31/12/2025 ", std::nullopt},  // trailing text
      {"dd/MM/yyyy", "2025-12-31", std::nullopt},
      {"dd/MM/yyyy", "", std::nullopt},
      {"HH:mm", "25:00", std::nullopt},
      {"MM-yyyy", "13-2026", std::nullopt},
      {"", "anything", std::nullopt},
  };
  for (const auto& c : cases) {
    DateFormatter f(c.format);
    auto parsed = f.dateFromString(c.text);
    ASSERT_EQ(parsed.has_value(), c.expected.has_value()) << c.format << " '" << c.text << "'";
    if (parsed) {
      EXPECT_DOUBLE_EQ(parsed->secondsSince1970, *c.expected) << c.format << " " << c.text;
    }
  }
}

TEST_F(DateTest, PosixFormatterIgnoresLocalSettings) {
  DateFormatter f("yyyy-MM-dd'T'HH:mm:ssZZZZZ");
  f.setLocale(Locale("en_US_POSIX"));
  f.setTimeZone(TimeZone::named("GMT+0"));
  Locale::setCurrentOverride(Locale("th_TH"));  // a locale with another calendar
  EXPECT_EQ(f.stringFromDate(Date{kJan5_1845Z}), "2026-01-05T18:45:00Z");
  DateFormatter local("yyyy");
  EXPECT_EQ(local.stringFromDate(Date{kJan5_1845Z}), "2026");  // Gregorian, whatever the locale
}

TEST_F(DateTest, ISO8601) {
  EXPECT_EQ(ISO8601DateFormatter::stringFromDate(Date{0}), "1970-01-01T00:00:00Z");
  EXPECT_EQ(ISO8601DateFormatter::stringFromDate(Date{kJan5_1845Z}), "2026-01-05T18:45:00Z");
  EXPECT_EQ(ISO8601DateFormatter::dateFromString("2026-03-01T15:00:00+05:30"), Date{1772357400});
  EXPECT_EQ(ISO8601DateFormatter::dateFromString("2026-03-01T09:30:00Z"), Date{1772357400});
  for (const char* bad : {"2026-03-01T09:30:00", "2026-03-01 09:30:00Z", "2026-03-01", "garbage", ""}) {
    EXPECT_FALSE(ISO8601DateFormatter::dateFromString(bad).has_value()) << bad;
  }
}

TEST_F(DateTest, TimeZoneOffsets) {
  struct Case {
    const char* zone;
    double at;
    int seconds;
  };
  const Case cases[] = {
      {"Asia/Kolkata", kJan5_1845Z, 19800},
      {"GMT-05:30", kJan5_1845Z, -19800},  // -330 minutes
      {"America/New_York", kJan5_1845Z, -18000},
      {"America/New_York", 1783180800, -14400},  // July: daylight saving
      {"UTC", kJan5_1845Z, 0},
  };
  for (const auto& c : cases) {
    auto tz = TimeZone::named(c.zone);
    ASSERT_TRUE(tz) << c.zone;
    EXPECT_EQ(tz->secondsFromGMT(Date{c.at}), c.seconds) << c.zone;
  }
  EXPECT_FALSE(TimeZone::named("Not/AZone"));
  EXPECT_FALSE(TimeZone::named(""));

  // Without a date: now on the injected clock.
  TimeZone::setLocalOverride(TimeZone::named("America/New_York"));
  platform::Clock::setCurrent(std::make_shared<FixedClock>(1783180800));
  EXPECT_EQ(TimeZone::local().secondsFromGMT(), -14400);
  platform::Clock::setCurrent(std::make_shared<FixedClock>(kJan5_1845Z));
  EXPECT_EQ(TimeZone::local().secondsFromGMT(), -18000);
  EXPECT_EQ(TimeZone::local().identifier(), "America/New_York");
}

TEST_F(DateTest, CalendarComponentsAndArithmetic) {
  const Calendar cal = Calendar::current();  // Kolkata
  EXPECT_EQ(cal.components(Date{kJan5_1845Z}), (Calendar::DateComponents{2026, 1, 6, 0, 15, 0}));
  EXPECT_EQ(cal.component(Calendar::Unit::kYear, Date{kJan5_1845Z}), 2026);

  EXPECT_EQ(cal.dateFromComponents({2026, 2, {}, {}, {}, {}}), Date{1769884200});
  EXPECT_EQ(cal.dateFromComponents({2025, 14, {}, {}, {}, {}}), Date{1769884200});  // carries over
  EXPECT_FALSE(cal.dateFromComponents({{}, 2, 1, {}, {}, {}}));

  // 31 January + 1 month is the end of February.
  auto jan31 = cal.dateFromComponents({2026, 1, 31, 12, 0, 0});
  ASSERT_TRUE(jan31);
  auto feb = cal.dateByAdding(Calendar::Unit::kMonth, 1, *jan31);
  ASSERT_TRUE(feb);
  EXPECT_EQ(cal.components(*feb), (Calendar::DateComponents{2026, 2, 28, 12, 0, 0}));
  auto later = cal.dateByAdding(Calendar::Unit::kDay, 30, *jan31);
  EXPECT_EQ(cal.components(*later), (Calendar::DateComponents{2026, 3, 2, 12, 0, 0}));

  // A day across the start of daylight saving keeps the wall time.
  const Calendar ny(*TimeZone::named("America/New_York"));
  EXPECT_EQ(ny.startOfDay(Date{1772971200}), Date{1772946000});  // 8 March 2026
  // Noon on 7 March (EST) plus one day is noon on 8 March (EDT): 23 hours.
  auto next = ny.dateByAdding(Calendar::Unit::kDay, 1, Date{1772902800});
  EXPECT_EQ(next, Date{1772985600});
}

// The month list of the complaint filter: January two years back to December
// two years ahead, as display and API texts.
TEST_F(DateTest, MonthOptionsOverFiveYears) {
  platform::Clock::setCurrent(std::make_shared<FixedClock>(kJan5_1845Z));
  const Calendar cal = Calendar::current();
  const int y = cal.component(Calendar::Unit::kYear, Date{platform::Clock::nowSeconds()});
  DateFormatter display("MMM yyyy");
  DateFormatter api("MM-yyyy");
  std::vector<std::pair<std::string, std::string>> options;
  for (int year = y - 2; year <= y + 2; ++year) {
    for (int month = 1; month <= 12; ++month) {
      auto d = cal.dateFromComponents({year, month, {}, {}, {}, {}});
      ASSERT_TRUE(d);
      options.emplace_back(display.stringFromDate(*d), api.stringFromDate(*d));
    }
  }
  ASSERT_EQ(options.size(), 60u);
  EXPECT_EQ(options[0], std::make_pair(std::string("Jan 2024"), std::string("01-2024")));
  EXPECT_EQ(options[24], std::make_pair(std::string("Jan 2026"), std::string("01-2026")));
  EXPECT_EQ(options[59], std::make_pair(std::string("Dec 2028"), std::string("12-2028")));
}

class ScopedEnv {
 public:
  explicit ScopedEnv(std::initializer_list<std::pair<const char*, const char*>> vars) {
    for (const char* name : {"LC_ALL", "LC_TIME", "LC_MESSAGES", "LANG", "LANGUAGE"}) {
      const char* v = std::getenv(name);
      saved_.emplace_back(name, v ? std::optional<std::string>(v) : std::nullopt);
      unsetenv(name);
    }
    for (const auto& [name, value] : vars) setenv(name, value, 1);
  }
  ~ScopedEnv() {
    for (const auto& [name, value] : saved_) {
      if (value) setenv(name.c_str(), value->c_str(), 1);
      else unsetenv(name.c_str());
    }
  }

 private:
  std::vector<std::pair<std::string, std::optional<std::string>>> saved_;
};

TEST(LocaleTest, PreferredLanguagesAndLocaleFromTheEnvironment) {
  struct Case {
    std::initializer_list<std::pair<const char*, const char*>> env;
    std::vector<std::string> languages;
    std::string locale;
  };
  const Case cases[] = {
      {{{"LANG", "de_DE.UTF-8"}}, {"de-DE"}, "de_DE"},
      {{{"LANG", "de_DE.UTF-8"}, {"LANGUAGE", "fr_FR:en"}}, {"fr-FR", "en"}, "de_DE"},
      {{{"LANG", "C.UTF-8"}, {"LANGUAGE", "fr"}}, {"en"}, "en_US_POSIX"},
      {{{"LANG", "en_GB.UTF-8"}, {"LC_ALL", "pt_BR.UTF-8"}}, {"pt-BR"}, "pt_BR"},
      {{{"LANG", "en_US.UTF-8"}, {"LC_TIME", "en_GB.UTF-8"}}, {"en-US"}, "en_GB"},
      {{}, {"en"}, "en_US_POSIX"},
  };
  for (const auto& c : cases) {
    ScopedEnv env(c.env);
    EXPECT_EQ(Locale::preferredLanguages(), c.languages);
    EXPECT_EQ(Locale::current().identifier(), c.locale);
  }
  Locale::setPreferredLanguagesOverride(std::vector<std::string>{"hi-IN", "en"});
  EXPECT_EQ(Locale::preferredLanguages(), (std::vector<std::string>{"hi-IN", "en"}));
  Locale::setPreferredLanguagesOverride(std::nullopt);
}

}  // namespace
