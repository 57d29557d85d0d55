// Code that must run once before the application's own launch, registered by
// libraries from static initialisers (the place a class's load method has on
// the phone platform). Registering only records the hook: a static
// initialiser must not touch the clock, bundle, logger or files, whose
// set-up the program and tests do first. uikit::Application::launch() runs
// the hooks, once each, in registration order.
//
//   namespace { const platform::LoadHookRegistry::Registrar kHook{"Reporter", [] { ... }}; }
#pragma once

#include <cstddef>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace platform {

class LoadHookRegistry {
 public:
  using Hook = std::function<void()>;

  static LoadHookRegistry& shared();

  // Records a hook under a name (for diagnostics); an empty hook is ignored.
  void add(std::string name, Hook hook);
  // Runs every hook not yet run, in registration order, outside the lock;
  // hooks registered meanwhile run in the same call. Returns how many ran.
  std::size_t runPending();
  // Names of all hooks in registration order, and of those already run.
  std::vector<std::string> names() const;
  std::vector<std::string> namesRun() const;
  // Marks every hook as not run, so a test can run them again on its own
  // data root and clock.
  void markAllPending();

  // Registers a hook with the shared registry at static initialisation.
  struct Registrar {
    Registrar(std::string name, Hook hook) { LoadHookRegistry::shared().add(std::move(name), std::move(hook)); }
  };

  LoadHookRegistry();
  ~LoadHookRegistry();
  LoadHookRegistry(const LoadHookRegistry&) = delete;
  LoadHookRegistry& operator=(const LoadHookRegistry&) = delete;
  struct State;

 private:
  std::unique_ptr<State> state_;
};

}  // namespace platform
