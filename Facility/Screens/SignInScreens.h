// Registers the scenes and pictures of the "Main" storyboard's sign-in and
// password screens in one step for ScreenRegistry.
#pragma once

class SignInScreens {
 public:
  static void registerAll();
};
