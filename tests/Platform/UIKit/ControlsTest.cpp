#include <string>
#include <vector>

#include "Platform/Foundation/NotificationCenter.h"
#include "Platform/UIKit/Button.h"
#include "Platform/UIKit/DocumentPickerViewController.h"
#include "Platform/UIKit/GestureRecognizer.h"
#include "Platform/UIKit/ImagePickerController.h"
#include "Platform/UIKit/PickerView.h"
#include "Platform/UIKit/TextField.h"
#include "Platform/UIKit/Utf16.h"
#include "Platform/UIKit/WeakCallback.h"
#include "tests/Platform/UIKit/UIKitFixture.h"

namespace uikit::testing {
namespace {

class ControlsTest : public UIKitFixture {};

TEST_F(ControlsTest, ButtonActionsRunOnTapOnlyWhileTheTargetLives) {
  auto button = Button::withType(ButtonType::kSystem);
  button->setTitle("Login");
  int plain = 0, targeted = 0;
  button->addAction([&](Control&) { ++plain; }, kControlEventTouchUpInside);
  auto screen = std::make_shared<int>(0);
  button->addTarget(screen, [&](Control&) { ++targeted; }, kControlEventTouchUpInside);
  EXPECT_TRUE(button->tap());
  EXPECT_EQ(plain, 1);
  EXPECT_EQ(targeted, 1);
  screen.reset();
  button->sendActionsForControlEvents(kControlEventTouchUpInside);
  EXPECT_EQ(plain, 2);
  EXPECT_EQ(targeted, 1) << "the screen is gone";
  button->setEnabled(false);
  EXPECT_FALSE(button->tap());
  button->setEnabled(true);
  button->setHidden(true);
  EXPECT_FALSE(button->tap());
}

TEST_F(ControlsTest, ButtonValuesFollowTheStateWithNormalAsFallback) {
  auto b = Button::withType(ButtonType::kCustom);
  b->setImage(Image::named("v_checkboxdeselected"), kControlStateNormal);
  b->setImage(Image::named("v_checkboxselected"), kControlStateSelected);
  b->setTitle("Remember me");
  EXPECT_EQ(b->currentImage()->name(), "v_checkboxdeselected");
  b->setSelected(true);
  EXPECT_EQ(b->currentImage()->name(), "v_checkboxselected");
  EXPECT_EQ(b->currentTitle(), "Remember me");
  EXPECT_EQ(*b->titleLabel()->text(), "Remember me");
}

TEST_F(ControlsTest, AWeaklyHeldClosureDoesNothingOnceItsScreenIsGone) {
  struct Screen {
    int calls = 0;
  };
  auto screen = std::make_shared<Screen>();
  std::weak_ptr<Screen> watch = screen;
  auto callback = weakCallback<Screen, int>(screen, [](Screen& s, int n) { s.calls += n; });
  callback(2);
  EXPECT_EQ(screen->calls, 2);
  screen.reset();
  EXPECT_TRUE(watch.expired()) << "the closure does not keep the screen alive";
  callback(5);  // nothing happens, nothing crashes
}

class LimitDelegate : public TextFieldDelegate {
 public:
  bool textFieldShouldChangeCharactersInRangeReplacementString(TextField& f, Range r, const std::string& s) override {
    ranges.push_back(r);
    std::size_t newLength = Utf16::length(f.text().value_or("")) + Utf16::length(s) - r.length;
    return newLength <= 4;
  }
  void textFieldDidBeginEditing(TextField&) override { ++began; }
  void textFieldDidEndEditing(TextField&) override { ++ended; }
  std::vector<Range> ranges;
  int began = 0, ended = 0;
};

TEST_F(ControlsTest, TypingGoesThroughTheDelegateAndRaisesTheKeyboard) {
  std::vector<std::string> notes;
  auto& center = platform::NotificationCenter::defaultCenter();
  auto t1 = center.addObserver(kKeyboardWillShowNotification, [&](const platform::Notification& n) {
    auto it = n.userInfo.find(kKeyboardFrameEndUserInfoKey);
    auto frame = it == n.userInfo.end() ? std::nullopt : unboxRect(it->second);
    notes.push_back("show " + (frame ? stringFromRect(*frame) : std::string("?")));
  });
  auto t2 = center.addObserver(kKeyboardWillHideNotification, [&](const platform::Notification&) { notes.push_back("hide"); });
  auto field = std::make_shared<TextField>();
  auto other = std::make_shared<TextField>();
  auto d = std::make_shared<LimitDelegate>();
  field->setDelegate(d);
  int changes = 0;
  field->addAction([&](Control&) { ++changes; }, kControlEventEditingChanged);
  EXPECT_EQ(field->typeText("12345"), 4);
  EXPECT_EQ(field->text(), "1234");
  EXPECT_EQ(changes, 4);
  EXPECT_EQ(d->ranges.back(), (Range{4, 0}));
  EXPECT_EQ(d->began, 1);
  EXPECT_TRUE(field->isFirstResponder());
  EXPECT_TRUE(field->textInputMode().has_value());
  other->becomeFirstResponder();
  EXPECT_EQ(d->ended, 1);
  other->resignFirstResponder();
  EXPECT_EQ(notes, (std::vector<std::string>{"show {{0, 508}, {390, 336}}", "hide"}))
      << "moving between fields keeps the keyboard up";
  EXPECT_FALSE(field->textInputMode().has_value());
  center.removeObserver(t1);
  center.removeObserver(t2);
}

TEST_F(ControlsTest, GestureRecognisersFireThroughTheirDelegate) {
  class OnlyDown : public GestureRecognizerDelegate {
   public:
    bool gestureRecognizerShouldBegin(GestureRecognizer&) override { return allow; }
    bool allow = true;
  };
  auto view = View::make(Rect(0, 0, 100, 100));
  auto tap = std::make_shared<TapGestureRecognizer>();
  int taps = 0;
  tap->addTarget([&](GestureRecognizer& g) { taps += g.state() == GestureState::kEnded; });
  EXPECT_FALSE(tap->fire()) << "not on a view";
  view->addGestureRecognizer(tap);
  EXPECT_TRUE(tap->fire());
  EXPECT_EQ(taps, 1);
  auto pan = std::make_shared<PanGestureRecognizer>();
  auto d = std::make_shared<OnlyDown>();
  pan->setDelegate(d);
  view->addGestureRecognizer(pan);
  std::vector<GestureState> states;
  pan->addTarget([&](GestureRecognizer& g) { states.push_back(g.state()); });
  d->allow = false;
  EXPECT_FALSE(pan->begin());
  d->allow = true;
  ASSERT_TRUE(pan->begin());
  pan->move({0, 35});
  EXPECT_EQ(pan->translationInView(view.get()), (Point{0, 35}));
  pan->end();
  EXPECT_EQ(states, (std::vector<GestureState>{GestureState::kBegan, GestureState::kChanged, GestureState::kEnded}));
}

class Fruits : public PickerViewDataSource, public PickerViewDelegate {
 public:
  long numberOfComponentsInPickerView(PickerView&) override { return 1; }
  long pickerViewNumberOfRowsInComponent(PickerView&, long) override { return static_cast<long>(rows.size()); }
  std::optional<std::string> pickerViewTitleForRowForComponent(PickerView&, long r, long) override {
    return rows[static_cast<std::size_t>(r)];
  }
  void pickerViewDidSelectRowInComponent(PickerView&, long r, long) override { picked.push_back(r); }
  std::vector<std::string> rows{"apple", "pear", "plum"};
  std::vector<long> picked;
};

TEST_F(ControlsTest, PickerViewSelectsWithinItsRows) {
  auto picker = std::make_shared<PickerView>();
  auto f = std::make_shared<Fruits>();
  picker->setDataSource(f);
  picker->setDelegate(f);
  EXPECT_EQ(picker->selectedRowInComponent(0), 0);
  EXPECT_TRUE(picker->userSelectRow(2, 0));
  EXPECT_EQ(picker->titleForRow(picker->selectedRowInComponent(0), 0), "plum");
  EXPECT_FALSE(picker->userSelectRow(3, 0));
  f->rows.clear();
  picker->reloadAllComponents();
  EXPECT_EQ(picker->selectedRowInComponent(0), -1);
  EXPECT_EQ(f->picked, std::vector<long>{2});
}

TEST_F(ControlsTest, HudHideCompletionRunsExactlyOnce) {
  auto& hud = PKHUD::sharedHUD();
  std::vector<bool> first, second;
  hud.show();
  hud.hideAfterDelay(0.3, [&](bool b) { first.push_back(b); });
  runFor(0.2);
  hud.hideAfterDelay(0.3, [&](bool b) { second.push_back(b); });
  EXPECT_EQ(first, std::vector<bool>{false}) << "superseded, still answered once";
  runFor(0.3 + PKHUD::kHideAnimationDuration);
  EXPECT_EQ(second, std::vector<bool>{true});
  EXPECT_FALSE(hud.isVisible());
  runFor(5);
  EXPECT_EQ(first.size() + second.size(), 2u);
}

TEST_F(ControlsTest, RemoteImagesShowThePlaceholderAndRecordTheURL) {
  std::vector<WebImageManager::Done> pending;
  WebImageManager::shared().setLoader([&](const std::string&, WebImageManager::Done done) { pending.push_back(done); });
  auto iv = std::make_shared<ImageView>();
  iv->sd_setImageWithURL("http://127.0.0.1/a.png", Image::named("user_default"));
  EXPECT_EQ(iv->image()->name(), "user_default");
  EXPECT_EQ(iv->sd_imageURL(), "http://127.0.0.1/a.png");
  iv->sd_setImageWithURL("http://127.0.0.1/b.png", Image::named("user_default"));
  auto loaded = Image::filled({2, 2}, Color::white());
  pending[0](loaded, "");
  EXPECT_EQ(iv->image()->name(), "user_default") << "a superseded load does not land";
  pending[1](loaded, "");
  EXPECT_EQ(iv->image(), loaded);
  EXPECT_EQ(WebImageManager::shared().requestedURLs().size(), 2u);
}

class PickerDelegates : public ImagePickerControllerDelegate, public DocumentPickerDelegate {
 public:
  void imagePickerControllerDidFinishPickingMediaWithInfo(ImagePickerController&, const ImagePickerInfo& info) override {
    picked = info.count(kImagePickerControllerEditedImage) ? "edited" : "original";
  }
  void imagePickerControllerDidCancel(ImagePickerController&) override { picked = "cancel"; }
  void documentPickerDidPickDocumentsAtURLs(DocumentPickerViewController&, const std::vector<std::string>& u) override {
    urls = u;
  }
  void documentPickerDidPickDocumentAtURL(DocumentPickerViewController&, const std::string& u) override { single = u; }
  std::string picked, single;
  std::vector<std::string> urls;
};

TEST_F(ControlsTest, PickersHandTheSuppliedResultsToTheirDelegates) {
  auto d = std::make_shared<PickerDelegates>();
  auto picker = std::make_shared<ImagePickerController>();
  EXPECT_FALSE(picker->userCancel()) << "no delegate";
  picker->setDelegate(d);
  picker->allowsEditing = true;
  ImagePickerInfo info{{kImagePickerControllerOriginalImage, Image::named("photo")}};
  EXPECT_TRUE(picker->userPick(info));
  EXPECT_EQ(d->picked, "original");
  auto docs = std::make_shared<DocumentPickerViewController>();
  docs->setDelegate(d);
  docs->userPick({"file:///a", "file:///b", "file:///c"});
  docs->userPickSingle("file:///one");
  EXPECT_EQ(d->urls, (std::vector<std::string>{"file:///a", "file:///b", "file:///c"}));
  EXPECT_EQ(d->single, "file:///one");
}

}  // namespace
}  // namespace uikit::testing
