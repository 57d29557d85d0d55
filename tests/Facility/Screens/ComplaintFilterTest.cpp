#include <string>
#include <vector>

#include "Facility/Screens/ComplainRaiserFilterVC.h"
#include "Facility/Screens/ComplainResolverFilterVC.h"
#include "Facility/Screens/ComplainResolverJSONData.h"
#include "Facility/Screens/StoryboardName.h"
#include "tests/Facility/Screens/ComplaintFilterFixture.h"

namespace screens_test {
namespace {

using Rows = std::vector<std::string>;

std::vector<std::string> groupNames(const FilterData& data) {
  std::vector<std::string> names;
  for (const auto& g : data.places.value_or(std::vector<Places>{})) {
    names.push_back(g.name.value_or("?") + "#" + std::to_string(g.id.value_or(-1)) + "/" +
                    std::to_string(g.isSelected.value_or(-1)));
  }
  return names;
}

std::vector<std::string> optionTexts(const Places& group) {
  std::vector<std::string> texts;
  for (const auto& o : group.subPlaces.value_or(std::vector<SubPlaces>{})) {
    texts.push_back(o.name.value_or("?") + "#" + std::to_string(o.id.value_or(-1)) + "/" +
                    std::to_string(o.isSelected.value_or(-1)) + (o.monthInAPIFormate ? "@" + *o.monthInAPIFormate : ""));
  }
  return texts;
}

class ComplaintFilterDataTest : public ComplaintFilterFixture {};

// Five whole years around the local year, whatever the day; the year is the
// one of the local calendar, not of UTC.
TEST_F(ComplaintFilterDataTest, MonthsRunFromJanuaryTwoYearsBackToDecemberTwoYearsAhead) {
  struct Case {
    const char* name;
    double now;
    const char* zone;
  };
  const Case cases[] = {
      {"mid 2026", kMarch2026, "UTC"},
      {"last day of 2026", 1798718400.0, "UTC"},
      {"already 2026 in Tokyo", 1767223800.0, "Asia/Tokyo"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    clock_->setNow(c.now);
    platform::TimeZone::setLocalOverride(platform::TimeZone::named(c.zone));
    const auto months = ComplainResolverJSONData::getMonthList();
    ASSERT_EQ(months.names.size(), 60u);
    ASSERT_EQ(months.apiForms.size(), 60u);
    EXPECT_EQ(months.names.front(), "Jan 2024");
    EXPECT_EQ(months.apiForms.front(), "01-2024");
    EXPECT_EQ(months.names[24], "Jan 2026");
    EXPECT_EQ(months.apiForms[24], "01-2026");
    EXPECT_EQ(months.names[13], "Feb 2025");
    EXPECT_EQ(months.names.back(), "Dec 2028");
    EXPECT_EQ(months.apiForms.back(), "12-2028");

    auto data = ComplainResolverJSONData::shared().getFilterData(ComplainerType::raiser);
    ASSERT_TRUE(data);
    const auto options = optionTexts(data->places->at(0));
    ASSERT_EQ(options.size(), 60u);
    EXPECT_EQ(options.front(), "Jan 2024#1/0@01-2024");
    EXPECT_EQ(options[24], "Jan 2026#25/0@01-2026");
    EXPECT_EQ(options.back(), "Dec 2028#60/0@12-2028");
  }
}

// The API form goes to the server: ASCII digits and Gregorian years in every
// locale; the shown name follows the device's locale.
TEST_F(ComplaintFilterDataTest, TheApiFormIgnoresTheLocaleTheNameFollowsIt) {
  struct Case {
    const char* locale;
    const char* nameHas;
  };
  const Case cases[] = {
      {"ar_EG", "\xD9\xA2\xD9\xA0\xD9\xA2\xD9\xA6"},  // "2026" in Arabic-Indic digits
      {"th_TH", "2026"},
      {"de_DE", "Jan. 2026"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.locale);
    platform::Locale::setCurrentOverride(platform::Locale(c.locale));
    const auto months = ComplainResolverJSONData::getMonthList();
    ASSERT_EQ(months.apiForms.size(), 60u);
    EXPECT_EQ(months.apiForms[0], "01-2024");
    EXPECT_EQ(months.apiForms[24], "01-2026");
    EXPECT_EQ(months.apiForms[59], "12-2028");
    EXPECT_NE(months.names[24].find(c.nameHas), std::string::npos) << months.names[24];
    auto data = ComplainResolverJSONData::shared().getFilterData(ComplainerType::resolver);
    ASSERT_TRUE(data);
    EXPECT_EQ(data->places->at(0).subPlaces->at(24).monthInAPIFormate, std::optional<std::string>("01-2026"));
  }
}

TEST_F(ComplaintFilterDataTest, BothSetsHaveTheirGroupsWithOnlyMonthsCurrentAndNothingTicked) {
  auto raiser = ComplainResolverJSONData::shared().getFilterData(ComplainerType::raiser);
  ASSERT_TRUE(raiser);
  EXPECT_EQ(groupNames(*raiser), (Rows{"Months#1/1", "Status#2/0", "Complain For#3/0"}));
  EXPECT_EQ(optionTexts(raiser->places->at(1)), (Rows{"Open#1/0", "Close#2/0"}));
  EXPECT_EQ(optionTexts(raiser->places->at(2)), (Rows{"Parking#1/0", "Auditorium#2/0", "Building#3/0"}));

  auto resolver = ComplainResolverJSONData::shared().getFilterData(ComplainerType::resolver);
  ASSERT_TRUE(resolver);
  EXPECT_EQ(groupNames(*resolver), (Rows{"Months#1/1", "Complain For#2/0"}));
  EXPECT_EQ(optionTexts(resolver->places->at(1)), (Rows{"Parking#1/0", "Auditorium#2/0", "Building#3/0"}));
  EXPECT_EQ(resolver->places->at(0).subPlaces->size(), 60u);

  // The document itself reads back as the same tree.
  auto json = ComplainResolverJSONData::shared().createFilterJSON(ComplainerType::raiser);
  ASSERT_TRUE(json);
  auto decoded = wire::decode<MDLFilterList>(*json);
  ASSERT_TRUE(decoded.ok());
  EXPECT_EQ(decoded.value().responseData, raiser);
  EXPECT_EQ(ComplainResolverJSONData::shared().userType, ComplainerType::resolver);
}

class ComplaintFilterScreenTest : public ComplaintFilterFixture {
 protected:
  template <class Screen>
  std::shared_ptr<Screen> open(StoryboardName storyboard, const char* identifier,
                               std::optional<FilterData> handedIn = std::nullopt) {
    auto screen = std::dynamic_pointer_cast<Screen>(Storyboards::instantiateScreen(storyboard, identifier));
    if (!screen) return nullptr;
    recorder = std::make_shared<RecordingFilterDelegate>();
    std::weak_ptr<Screen> weak = screen;
    recorder->screenOnTop = [this, weak] {
      auto s = weak.lock();
      return s && nav->topViewController() == s;
    };
    screen->applyFilterDelegate = recorder;
    screen->filteredData = std::move(handedIn);
    nav->pushViewController(screen, false);
    pump();
    return screen;
  }
  std::shared_ptr<ComplainRaiserFilterVC> openRaiser(std::optional<FilterData> handedIn = std::nullopt) {
    return open<ComplainRaiserFilterVC>(StoryboardName::tenantAdmin, "ComplainRaiserFilterVC", std::move(handedIn));
  }
  std::shared_ptr<ComplainResolverFilterVC> openResolver(std::optional<FilterData> handedIn = std::nullopt) {
    return open<ComplainResolverFilterVC>(StoryboardName::facilityAdmin, "ComplainResolverFilterVC",
                                          std::move(handedIn));
  }

  std::shared_ptr<RecordingFilterDelegate> recorder;
};

using Left = ComplaintFilterFixture::LeftRow;

TEST_F(ComplaintFilterScreenTest, FreshScreensShowTheirGroupsAndTheMonths) {
  auto raiser = openRaiser();
  ASSERT_TRUE(raiser);
  EXPECT_EQ(leftRows(*raiser), (std::vector<Left>{{"Months", "current", ""},
                                                  {"Status", "plain", ""},
                                                  {"Complain For", "plain", ""}}));
  const auto months = rightRows(*raiser);
  ASSERT_EQ(months.size(), 60u);
  EXPECT_EQ(months.front(), "Jan 2024:Unchecked");
  EXPECT_EQ(months.back(), "Dec 2028:Unchecked");
  EXPECT_EQ(std::count(months.begin(), months.end(), std::string("Jan 2026:Unchecked")), 1);
  EXPECT_EQ(applyState(*raiser), "disabled 0.5");
  EXPECT_TRUE(clearAllShown(*raiser));
  auto back = std::dynamic_pointer_cast<uikit::Button>(raiser->navigationItem().leftBarButtonItem()->customView);
  ASSERT_TRUE(back);
  EXPECT_EQ(back->currentTitle(), std::optional<std::string>("  Filter"));

  auto resolver = openResolver();
  ASSERT_TRUE(resolver);
  EXPECT_EQ(leftRows(*resolver), (std::vector<Left>{{"Months", "current", ""}, {"Complain For", "plain", ""}}));
  EXPECT_EQ(rightRows(*resolver).size(), 60u);
  EXPECT_EQ(applyState(*resolver), "disabled 0.5");
}

// Ticks count only on the current group; switching groups keeps them; a
// second tap undoes the first.
TEST_F(ComplaintFilterScreenTest, TicksCountOnTheCurrentGroupAndDecideApply) {
  auto screen = openRaiser();
  ASSERT_TRUE(screen);
  tapRight(*screen, 0);
  tapRight(*screen, 2);
  pump();
  EXPECT_EQ(leftRows(*screen)[0], (Left{"Months", "current", "2"}));
  EXPECT_EQ(rightRows(*screen)[2], "Mar 2024:Checked");
  EXPECT_EQ(applyState(*screen), "enabled 1.0");

  tapLeft(*screen, 1);
  pump();
  EXPECT_EQ(leftRows(*screen), (std::vector<Left>{{"Months", "plain", ""},
                                                  {"Status", "current", ""},
                                                  {"Complain For", "plain", ""}}));
  EXPECT_EQ(rightRows(*screen), (Rows{"Open:Unchecked", "Close:Unchecked"}));
  EXPECT_EQ(applyState(*screen), "disabled 0.5") << "ticks of another group do not count";

  tapRight(*screen, 1);
  tapRight(*screen, 1);
  pump();
  EXPECT_EQ(rightRows(*screen), (Rows{"Open:Unchecked", "Close:Unchecked"}));
  EXPECT_EQ(applyState(*screen), "disabled 0.5");

  tapLeft(*screen, 0);
  pump();
  EXPECT_EQ(leftRows(*screen)[0], (Left{"Months", "current", "2"}));
  tapRight(*screen, 0);
  tapRight(*screen, 2);
  pump();
  EXPECT_EQ(leftRows(*screen)[0], (Left{"Months", "current", ""}));
  EXPECT_EQ(applyState(*screen), "disabled 0.5");
  EXPECT_TRUE(recorder->calls.empty());
}

TEST_F(ComplaintFilterScreenTest, ClearAllHandsBackNothingAndKeepsTheScreenOpen) {
  auto screen = openRaiser();
  ASSERT_TRUE(screen);
  tapRight(*screen, 4);
  tapLeft(*screen, 2);
  tapRight(*screen, 0);
  pump();
  ASSERT_TRUE(tapClearAll(*screen));
  pump();
  ASSERT_EQ(recorder->calls.size(), 1u);
  EXPECT_FALSE(recorder->calls[0].data);
  EXPECT_TRUE(recorder->calls[0].cleared);
  EXPECT_TRUE(recorder->calls[0].screenOnTop);
  EXPECT_EQ(nav->topViewController(), screen);
  EXPECT_EQ(leftRows(*screen), (std::vector<Left>{{"Months", "current", ""},
                                                  {"Status", "plain", ""},
                                                  {"Complain For", "plain", ""}}));
  EXPECT_EQ(rightRows(*screen)[4], "May 2024:Unchecked");
  EXPECT_EQ(applyState(*screen), "disabled 0.5");
  EXPECT_TRUE(clearAllShown(*screen));
  EXPECT_TRUE(screen->isClearFilterButtonTapped);

  // A tick afterwards and Apply hand back the tree with false, after the pop.
  tapRight(*screen, 24);
  pump();
  ASSERT_TRUE(screen->btnApply.lock()->tap());
  pump();
  ASSERT_EQ(recorder->calls.size(), 2u);
  const FilterCall& applied = recorder->calls[1];
  EXPECT_FALSE(applied.cleared);
  EXPECT_FALSE(applied.screenOnTop);
  ASSERT_TRUE(applied.data);
  EXPECT_EQ(optionTexts(applied.data->places->at(0))[24], "Jan 2026#25/1@01-2026");
  EXPECT_EQ(optionTexts(applied.data->places->at(2))[0], "Parking#1/0");
  EXPECT_NE(nav->topViewController(), screen);
}

TEST_F(ComplaintFilterScreenTest, BackDropsTheEditsAndCallsNobody) {
  auto screen = openResolver();
  ASSERT_TRUE(screen);
  tapRight(*screen, 3);
  ASSERT_TRUE(tapBack(*screen));
  pump();
  EXPECT_NE(nav->topViewController(), screen);
  EXPECT_TRUE(recorder->calls.empty());
}

// A tree from an earlier Apply shows its current group and ticks again. The
// raiser's Apply keeps its laid-out look until the first tap; the resolver
// computes it at once.
TEST_F(ComplaintFilterScreenTest, AHandedInTreeReopensAsApplied) {
  auto fresh = ComplainResolverJSONData::shared().getFilterData(ComplainerType::raiser);
  ASSERT_TRUE(fresh);
  auto statusCurrent = *fresh;
  (*statusCurrent.places)[0].isSelected = 0;
  (*statusCurrent.places)[1].isSelected = 1;
  (*statusCurrent.places)[0].subPlaces->at(1).isSelected = 1;

  auto raiser = openRaiser(statusCurrent);
  ASSERT_TRUE(raiser);
  EXPECT_EQ(leftRows(*raiser), (std::vector<Left>{{"Months", "plain", ""},
                                                  {"Status", "current", ""},
                                                  {"Complain For", "plain", ""}}));
  EXPECT_EQ(rightRows(*raiser), (Rows{"Open:Unchecked", "Close:Unchecked"}));
  EXPECT_EQ(applyState(*raiser), "enabled 1.0");
  EXPECT_TRUE(clearAllShown(*raiser));

  auto resolverTree = ComplainResolverJSONData::shared().getFilterData(ComplainerType::resolver);
  ASSERT_TRUE(resolverTree);
  (*resolverTree->places)[0].isSelected = 0;
  (*resolverTree->places)[1].isSelected = 1;
  (*resolverTree->places)[0].subPlaces->at(1).isSelected = 1;
  auto resolver = openResolver(resolverTree);
  ASSERT_TRUE(resolver);
  EXPECT_EQ(rightRows(*resolver), (Rows{"Parking:Unchecked", "Auditorium:Unchecked", "Building:Unchecked"}));
  EXPECT_EQ(applyState(*resolver), "disabled 0.5");
  tapLeft(*resolver, 0);
  pump();
  EXPECT_EQ(leftRows(*resolver)[0], (Left{"Months", "current", "1"}));
  EXPECT_EQ(rightRows(*resolver)[1], "Feb 2024:Checked");
  EXPECT_EQ(applyState(*resolver), "enabled 1.0");
}

// Both tables are reloaded once more a second after loading.
TEST_F(ComplaintFilterScreenTest, TheTablesReloadAgainOneSecondAfterLoading) {
  auto screen = openRaiser();
  ASSERT_TRUE(screen);
  auto left = screen->tblLeftSide.lock();
  auto right = screen->tblRightSide.lock();
  const int leftBefore = left->reloadCount();
  const int rightBefore = right->reloadCount();
  runFor(0.9);
  EXPECT_EQ(left->reloadCount(), leftBefore);
  EXPECT_EQ(right->reloadCount(), rightBefore);
  runFor(0.1);
  EXPECT_EQ(left->reloadCount(), leftBefore + 1);
  EXPECT_EQ(right->reloadCount(), rightBefore + 1);
}

}  // namespace
}  // namespace screens_test
