// Declares the raised complaint list, the complaint filter scenes and
// their images.
#pragma once

class ComplaintScreens {
 public:
  static void registerAll();
};
