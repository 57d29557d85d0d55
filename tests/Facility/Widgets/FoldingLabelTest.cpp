#include <string>
#include <vector>

#include "Facility/Widgets/FoldingLabel.h"
#include "Platform/TextLayout/TextLayout.h"
#include "Platform/UIKit/Utf16.h"
#include "tests/Facility/Widgets/WidgetsFixture.h"

namespace widgets_test {
namespace {

class Recorder : public FoldingLabelDelegate {
 public:
  std::vector<std::string> calls;
  void willExpandLabel(FoldingLabel& l) override { calls.push_back(l.collapsed() ? "willExpand" : "bad"); }
  void didExpandLabel(FoldingLabel& l) override { calls.push_back(l.collapsed() ? "bad" : "didExpand"); }
  void willCollapseLabel(FoldingLabel&) override { calls.push_back("willCollapse"); }
  void didCollapseLabel(FoldingLabel&) override { calls.push_back("didCollapse"); }
};

// Labels 20 characters wide in a 10-point font.
class FoldingLabelTest : public WidgetsFixture {
 protected:
  void SetUp() override {
    WidgetsFixture::SetUp();
    charWidth = uikit::Font::systemFont(10).widthOfText("a");
    label = make(20, 200);
    label->setNumberOfLines(2);
    recorder = std::make_shared<Recorder>();
    label->delegate = recorder;
  }
  // A label n characters wide whose links use its own 10-point font.
  std::shared_ptr<FoldingLabel> make(int chars, double height) {
    auto l = uikit::View::make<FoldingLabel>(uikit::Rect(0, 0, charWidth * chars + 0.01, height));
    l->setFont(uikit::Font::systemFont(10));
    l->setCollapsedAttributedLink(uikit::AttributedString("More"));
    l->setEllipsis(uikit::AttributedString("..."));
    return l;
  }
  // A point whose character lies inside the range, if any.
  std::optional<uikit::Point> pointIn(const std::optional<uikit::Range>& range) {
    if (!range) return std::nullopt;
    for (double y = 1; y < 200; y += 2) {
      for (double x = 0.5; x < label->bounds().width(); x += 1) {
        auto i = label->characterIndexAtPoint({x, y});
        if (i && *i >= range->location && *i < range->location + range->length) return uikit::Point{x, y};
      }
    }
    return std::nullopt;
  }
  std::string shown() const { return label->attributedText() ? label->attributedText()->string() : "<none>"; }

  double charWidth = 0;
  std::shared_ptr<FoldingLabel> label;
  std::shared_ptr<Recorder> recorder;
};

TEST_F(FoldingLabelTest, LayoutEngineBreaksAtWordsCharactersAndLineFeeds) {
  uikit::TextAttributes a;
  a.font = uikit::Font::systemFont(10);
  auto lines = platform::TextLayout::lines(uikit::AttributedString("one two three\nx abcdefghijklmnopqrstuvwxyz", a),
                                           charWidth * 10);
  std::vector<std::string> texts;
  std::u16string u = uikit::Utf16::fromUtf8("one two three\nx abcdefghijklmnopqrstuvwxyz");
  for (const auto& l : lines) texts.push_back(uikit::Utf16::toUtf8(u.substr(l.range.location, l.range.length)));
  EXPECT_EQ(texts, (std::vector<std::string>{"one two ", "three\n", "x ", "abcdefghij", "klmnopqrst", "uvwxyz"}));
  EXPECT_EQ(platform::TextLayout::words(u"Hi, there you").size(), 3u);
  EXPECT_EQ(platform::TextLayout::graphemeCount(uikit::Utf16::fromUtf8("e\xCC\x81" "a")), 2u);
}

TEST_F(FoldingLabelTest, TextThatFitsIsUnchangedAndTapsDoNothing) {
  label->setText("short text");
  EXPECT_EQ(shown(), "short text");
  EXPECT_FALSE(label->collapsedLinkTextRange());
  label->touchesEnded({2, 2});
  EXPECT_TRUE(label->collapsed());
  EXPECT_TRUE(recorder->calls.empty());

  label->setNumberOfLines(0);
  label->setText("one two three four five six seven eight nine ten eleven twelve");
  EXPECT_EQ(shown(), "one two three four five six seven eight nine ten eleven twelve") << "0 lines: never cut";
  EXPECT_FALSE(label->collapsedLinkTextRange());
}

TEST_F(FoldingLabelTest, WordModeCutsTheLastVisibleLineAndATapExpands) {
  std::string text = "alpha beta gamma delta epsilon zeta eta theta iota kappa";
  label->setText(text);
  // Lines of 20: "alpha beta gamma ", "delta epsilon zeta ", ...; line 2 ends in the link.
  EXPECT_EQ(shown(), "alpha beta gamma delta ... More");
  ASSERT_TRUE(label->collapsedLinkTextRange());
  EXPECT_EQ(label->collapsedLinkTextRange()->length, 4u);
  EXPECT_EQ(label->collapsedLinkTextRange()->location, shown().size() - 4);
  auto p = pointIn(label->collapsedLinkTextRange());
  ASSERT_TRUE(p);
  label->touchesBegan(*p);
  EXPECT_TRUE(label->linkHighlighted);
  label->touchesEnded(*p);
  EXPECT_FALSE(label->linkHighlighted);
  EXPECT_EQ(recorder->calls, (std::vector<std::string>{"willExpand", "didExpand"}));
  EXPECT_EQ(shown(), text);
  EXPECT_EQ(label->numberOfLines(), 0) << "expanded: no line limit";
  EXPECT_EQ(label->collapsedNumberOfLines, 2);
}

TEST_F(FoldingLabelTest, WordModeStepsBackToALineWithTwoWordsOrKeepsTheLineWhenNothingFits) {
  label->setText("aa bb cc dd ee ff gg abcdefghijklmnopqrst more");
  // Line 1 is one long word: the link goes on line 0, the rest is dropped.
  EXPECT_EQ(shown(), "aa bb cc dd ... More");

  auto narrow = make(6, 100);
  narrow->setNumberOfLines(1);
  narrow->setText("ab cd ef gh ij");
  // Nothing with the link fits in six characters: the line stays uncut.
  EXPECT_EQ(narrow->attributedText()->string(), "ab cd ");
  ASSERT_TRUE(narrow->collapsedLinkTextRange()) << "the range stays on the last characters";
  EXPECT_EQ(narrow->collapsedLinkTextRange()->location, 2u);
  narrow->touchesEnded({narrow->bounds().width() * 0.5, 2});
  EXPECT_FALSE(narrow->collapsed()) << "a tap on its last characters still expands";
}

TEST_F(FoldingLabelTest, CharacterModeAndNoEllipsis) {
  using Mode = FoldingLabel::TextReplacementType;
  const std::string text = "alpha beta gamma delta epsilon zeta eta theta iota kappa";
  struct Case {
    const char* name;
    Mode mode;
    bool ellipsis;
    std::string link;
    std::string shown;
  };
  for (const Case& c : std::vector<Case>{
           // Line 1 is "delta epsilon zeta " (19); K = "... More" (8): keep 11.
           {"character mode", Mode::character, true, "More", "alpha beta gamma delta epsil... More"},
           // Without an ellipsis K is the link alone (4): keep 15, no blank.
           {"character mode without ellipsis", Mode::character, false, "More", "alpha beta gamma delta epsilon zMore"},
           // K (28) is longer than the line: the whole line stays, the link follows.
           {"character mode, link longer than the line", Mode::character, true, "Read the whole story now",
            "alpha beta gamma delta epsilon zeta ... Read the whole story now"},
           {"word mode without ellipsis", Mode::word, false, "More", "alpha beta gamma delta epsilon More"},
       }) {
    SCOPED_TRACE(c.name);
    label->textReplacementType = c.mode;
    label->setEllipsis(c.ellipsis ? std::optional<uikit::AttributedString>(uikit::AttributedString("..."))
                                  : std::nullopt);
    label->setCollapsedAttributedLink(uikit::AttributedString(c.link));
    label->setText(text);
    EXPECT_EQ(shown(), c.shown);
    ASSERT_TRUE(label->collapsedLinkTextRange());
    EXPECT_EQ(label->collapsedLinkTextRange()->location, c.shown.size() - c.link.size()) << "the link ends the text";
    EXPECT_EQ(label->collapsedLinkTextRange()->length, c.link.size());
  }
}

TEST_F(FoldingLabelTest, ExpandedLinkPlacementAndCollapsing) {
  std::string text = "alpha beta gamma delta epsilon zeta eta theta";
  label->setExpandedLink("Less", {}, std::nullopt);
  label->setText(text);
  label->setCollapsed(false);
  EXPECT_EQ(shown(), text + "  Less");
  ASSERT_TRUE(label->expandedLinkTextRange());
  auto p = pointIn(label->expandedLinkTextRange());
  ASSERT_TRUE(p);
  label->touchesEnded(*p);
  EXPECT_FALSE(label->collapsed()) << "shouldCollapse is false at first";

  label->shouldCollapse = true;
  label->touchesEnded(*p);
  EXPECT_TRUE(label->collapsed());
  EXPECT_EQ(recorder->calls, (std::vector<std::string>{"willCollapse", "didCollapse"}));

  label->setExpandedLink("Less", {}, uikit::TextAlignment::kRight);
  label->setText(text);
  label->setCollapsed(false);
  EXPECT_EQ(shown(), text + "\nLess");
}

// When a new text places no link, a tap where the old link was, now on
// ordinary characters, does nothing.
TEST_F(FoldingLabelTest, StaleLinkRangesAreDroppedWhenNoLinkIsPlaced) {
  const std::string longText = "alpha beta gamma delta epsilon zeta eta theta iota kappa";
  struct Case {
    const char* name;
    bool expanded;
    int linesAfter;           // collapsed number of lines for the new text
    std::string textAfter;    // covers the old link's place with plain text
  };
  for (const Case& c : std::vector<Case>{
           {"collapsed: the new text fits", false, 2, "alpha beta gamma delta epsilon zeta"},
           {"expanded: no line limit, so no link", true, 0, longText + " lambda mu nu xi omicron pi rho"},
       }) {
    SCOPED_TRACE(c.name);
    label = make(20, 200);
    label->setNumberOfLines(2);
    recorder = std::make_shared<Recorder>();
    label->delegate = recorder;
    label->shouldCollapse = true;
    label->setExpandedLink("Less", {}, std::nullopt);
    label->setText(longText);
    ASSERT_TRUE(label->collapsedLinkTextRange());
    ASSERT_TRUE(label->expandedLinkTextRange());
    if (c.expanded) label->setCollapsed(false);
    const auto oldRange = c.expanded ? label->expandedLinkTextRange() : label->collapsedLinkTextRange();
    // The middle of the old link, so that a shift of a character in the new
    // text still lands inside the old range.
    auto p = pointIn(uikit::Range{oldRange->location + oldRange->length / 2, 1});
    ASSERT_TRUE(p);

    label->setNumberOfLines(c.linesAfter);
    if (c.expanded) label->setCollapsed(false);
    label->setText(c.textAfter);
    EXPECT_EQ(shown(), c.textAfter) << "nothing cut, nothing appended";
    EXPECT_FALSE(label->collapsedLinkTextRange());
    EXPECT_FALSE(label->expandedLinkTextRange());
    auto i = label->characterIndexAtPoint(*p);
    ASSERT_TRUE(i) << "the old place now holds text";
    EXPECT_TRUE(*i >= oldRange->location && *i < oldRange->location + oldRange->length)
        << "an index the old range would have taken for the link";
    label->touchesBegan(*p);
    EXPECT_FALSE(label->linkHighlighted);
    label->touchesEnded(*p);
    EXPECT_EQ(label->collapsed(), !c.expanded);
    EXPECT_TRUE(recorder->calls.empty());
  }
}

TEST_F(FoldingLabelTest, AnimationViewAnimatesTheChange) {
  auto root = std::make_shared<uikit::ViewController>();
  show(root);
  auto container = uikit::View::make(uikit::Rect(0, 0, 300, 300));
  root->view()->addSubview(container);
  container->addSubview(label);
  label->animationView = container;
  label->setText("alpha beta gamma delta epsilon zeta eta theta iota kappa");
  label->setCollapsed(false);
  EXPECT_EQ(label->numberOfLines(), 0);
  runFor(0.5);
  label->setCollapsed(true);
  EXPECT_EQ(label->numberOfLines(), 2);
}

}  // namespace
}  // namespace widgets_test
