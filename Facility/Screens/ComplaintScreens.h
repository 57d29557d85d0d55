// Declares the raised complaint list, the complaint form, the complaint
// filter scenes and their images and nibs.
#pragma once

class ComplaintScreens {
 public:
  static void registerAll();
};
