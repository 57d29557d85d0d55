// The one place that registers every storyboard scene and nib of the app:
// the program, the scenario runner and the screen tests all start here.
#pragma once

class ScreenRegistry {
 public:
  // Real scenes first; placeholders then fill only the gaps that remain.
  // The scenes' classes are registered as the program's own.
  static void registerAll();
};
