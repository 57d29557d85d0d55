// The engine's load-time work, recorded with platform::LoadHookRegistry by a
// static registrar and run by the application's launch, once, in order:
// the public class names, the facade's load time, the engine's launch
// subscription, the connector's registration with the core library and the
// view-controller hooks of screen reporting. Nothing runs at static
// initialisation.
#pragma once

#include <string>
#include <vector>

class APMLoadHooks {
 public:
  // The public classes registered by name in platform::ClassRegistry.
  static const std::vector<std::string>& publicClassNames();
  // The names the hooks are recorded under, in their order. Referencing this
  // also keeps the registrar in a program that does not link the library whole.
  static const std::vector<std::string>& hookNames();

  // The first hook: registers the public class names, installs the public
  // class's shared instance as QRVAnalyticsCalls and its start with the core.
  static void registerPublicClasses();
};
