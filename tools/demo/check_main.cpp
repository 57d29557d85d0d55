// demo-check <run folder> [--walk]
//
// Prints what a demo run did: web requests per endpoint, reader verdicts,
// batches and events. With --walk, exits 1 unless the run did all that the
// walk should (each failed check is listed); usage errors exit 2.
#include <iostream>
#include <string>

#include "tools/demo/DemoCheck.h"

int main(int argc, char** argv) {
  std::string folder;
  bool walk = false;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--walk") {
      walk = true;
    } else if (!arg.empty() && arg[0] != '-' && folder.empty()) {
      folder = arg;
    } else {
      std::cerr << "usage: demo-check <run folder> [--walk]\n";
      return 2;
    }
  }
  if (folder.empty()) {
    std::cerr << "usage: demo-check <run folder> [--walk]\n";
    return 2;
  }
  demo::DemoCheck check(folder);
  std::cout << check.summary();
  if (!walk) return 0;
  const auto problems = check.walkProblems();
  if (problems.empty()) {
    std::cout << "walk check: every check holds\n";
    return 0;
  }
  std::cout << "walk check failed:\n";
  for (const auto& problem : problems) std::cout << "  " << problem << "\n";
  return 1;
}
