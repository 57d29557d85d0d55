#include <gtest/gtest.h>

#include <thread>

#include "Platform/Foundation/NotificationCenter.h"

namespace platform {
namespace {

using Strings = std::vector<std::string>;

TEST(NotificationCenterTest, DeliversSynchronouslyInRegistrationOrderToMatchingNames) {
  NotificationCenter center;
  Strings seen;
  center.addObserver("updateNotificationCount", [&](const Notification& n) {
    auto it = n.userInfo.find("count");
    seen.push_back("a:" + std::to_string(it == n.userInfo.end() ? -1 : it->second.getInt().value_or(-1)));
  });
  center.addObserver("other", [&](const Notification&) { seen.push_back("other"); });
  center.addObserver("updateNotificationCount", [&](const Notification& n) { seen.push_back("b:" + n.name); });
  center.post("updateNotificationCount", {{"count", Value(3)}});
  EXPECT_EQ(seen, (Strings{"a:3", "b:updateNotificationCount"})) << "delivered before post returns";
  center.post("nobody-listens");
  EXPECT_EQ(seen.size(), 2u);
}

TEST(NotificationCenterTest, RemovalAndRegistrationDuringAPost) {
  NotificationCenter center;
  Strings seen;
  NotificationCenter::Token second = 0;
  center.addObserver("n", [&](const Notification&) {
    seen.push_back("first");
    center.removeObserver(second);  // removed before its turn: not called
    center.addObserver("n", [&](const Notification&) { seen.push_back("late"); });
  });
  second = center.addObserver("n", [&](const Notification&) { seen.push_back("second"); });
  center.post("n");
  EXPECT_EQ(seen, (Strings{"first"}));
  center.removeObserver(second);  // already gone: ignored
  center.removeObserver(12345);   // never handed out: ignored
  seen.clear();
  center.post("n");
  EXPECT_EQ(seen, (Strings{"first", "late"}));
}

TEST(NotificationCenterTest, ObserversRunOnThePostingThread) {
  auto& center = NotificationCenter::defaultCenter();
  std::thread::id ranOn;
  auto token = center.addObserver("test.thread", [&](const Notification&) { ranOn = std::this_thread::get_id(); });
  std::thread::id poster;
  std::thread t([&] {
    poster = std::this_thread::get_id();
    center.post("test.thread");
  });
  t.join();
  center.removeObserver(token);
  EXPECT_EQ(ranOn, poster);
  EXPECT_NE(token, 0u);
}

}  // namespace
}  // namespace platform
