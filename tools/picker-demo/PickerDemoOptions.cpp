#include "tools/picker-demo/PickerDemoOptions.h"

#include <charconv>

platform::Result<PickerDemoOptions> PickerDemoOptions::parse(const std::vector<std::string>& args) {
  PickerDemoOptions options;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (arg == "--max") {
      if (i + 1 >= args.size()) return platform::Status::InvalidArgument("--max needs a number");
      const std::string& text = args[++i];
      std::int64_t value = 0;
      auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
      if (ec != std::errc() || end != text.data() + text.size() || value < 1) {
        return platform::Status::InvalidArgument("--max needs a whole number of at least 1, not \"" + text + "\"");
      }
      options.max = value;
    } else if (arg == "--numbered") {
      options.numbered = true;
    } else if (arg == "--videos") {
      options.videos = true;
    } else if (arg == "--albums") {
      options.albums = true;
    } else if (!arg.empty() && arg[0] == '-') {
      return platform::Status::InvalidArgument("unknown option " + arg);
    } else if (options.folder.empty()) {
      options.folder = arg;
    } else {
      return platform::Status::InvalidArgument("one folder only");
    }
  }
  if (options.folder.empty()) return platform::Status::InvalidArgument("no folder given");
  return options;
}
