#include "Platform/SwiftUI/View.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace swiftui {
namespace {

using Strings = std::vector<std::string>;

// Attaches a note on appearance, like a logging modifier does.
class NoteOnAppear : public ViewModifier {
 public:
  NoteOnAppear(Strings& trace, std::string note) : trace_(trace), note_(std::move(note)) {}
  View body(View content) const override {
    return content.onAppear([&trace = trace_, note = note_] { trace.push_back(note); });
  }

 private:
  Strings& trace_;
  std::string note_;
};

TEST(SwiftUIViewTest, AppearRunsModifierActionsInOrderOncePerAppearance) {
  Strings trace;
  View plain("plain");
  View modified = plain.modifier(NoteOnAppear(trace, "first"))
                      .onAppear([&] { trace.push_back("second"); })
                      .onDisappear([&] { trace.push_back("gone"); })
                      .onAppear(nullptr);
  EXPECT_EQ(modified.name(), "plain");

  modified.appear();
  modified.appear();  // still on screen: nothing new
  EXPECT_EQ(trace, (Strings{"first", "second"}));
  modified.disappear();
  modified.disappear();
  modified.appear();
  EXPECT_EQ(trace, (Strings{"first", "second", "gone", "first", "second"}));

  // Modifying returned new views; the original carries no actions.
  trace.clear();
  plain.appear();
  EXPECT_TRUE(trace.empty());
  EXPECT_TRUE(plain.isAppeared());
}

}  // namespace
}  // namespace swiftui
