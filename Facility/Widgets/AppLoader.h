// The app's one loading indicator: a spinner alone, or a captioned box over
// a dimmed screen. Shows build their views on the main queue; a hide is
// queued twice so that it removes what every earlier show built. Every show
// starts a new generation and a hide only removes the generation it saw, so
// a show made from a hide's completion (the next request) keeps its loader.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "Platform/UIKit/ActivityIndicatorView.h"
#include "Platform/UIKit/ImageView.h"
#include "Platform/UIKit/Label.h"
#include "Platform/UIKit/View.h"
#include "Platform/UIKit/ViewController.h"

class AppLoader {
 public:
  enum class AppLoaderType { activityIndicator, activityIndicatorWithMessage, circularRing, animatedGIF };

  static AppLoader& shared();

  bool isAnimating = false;
  AppLoaderType type = AppLoaderType::activityIndicator;

  // Host: the given screen, else the top screen of the scene's window.
  void show(uikit::ViewControllerPtr host = nullptr);
  void showWithMessage(uikit::ViewControllerPtr host, std::optional<std::string> message);
  void showWithBlankMessage(uikit::ViewControllerPtr host = nullptr) { showWithMessage(std::move(host), ""); }
  // Safe from any thread; harmless when nothing is shown.
  void hide();
  // Hides, then calls the completion with the value unchanged.
  template <typename V>
  void hideThenComplete(V value, const std::function<void(V)>& completion) {
    hide();
    if (completion) completion(std::move(value));
  }

  // Clears the shared views at once (calling thread).
  void removeLoaderViews();
  // Builds the plain spinner on the host now; a show of its own generation.
  void presentIndicator();
  void presentIndicatorWithMessage(std::optional<std::string> message);

  // Shared views.
  uikit::ViewControllerPtr hostViewController;
  std::shared_ptr<uikit::View> backgroundView;
  std::shared_ptr<uikit::View> boxView;
  std::shared_ptr<uikit::ActivityIndicatorView> spinner;
  std::shared_ptr<uikit::Label> messageLabel;
  std::shared_ptr<uikit::View> ringView;
  std::shared_ptr<uikit::ImageView> gifImageView;

 private:
  AppLoader();
  void prepare(uikit::ViewControllerPtr host, AppLoaderType newType);
  void buildIndicator();
  void buildIndicatorWithMessage(std::optional<std::string> message);
  void layoutMessageBox();
  void dismissIndicator();
  void dismissIndicatorWithMessage();
  void dismissRing();
  void dismissGIF();
  // The tail every dismissal but the bare indicator shares: the background and all on it go.
  void dismissBackground();

  std::atomic<std::uint64_t> generation_{0};
};
