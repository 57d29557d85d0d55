// apm-interp <program file> <events file>
// Loads an event-editing program written in the JSON test notation, passes
// each event through it and prints, one JSON line per event, the edited
// event and the events the program created.
#include <fstream>
#include <iostream>
#include <memory>
#include <sstream>

#include "Analytics/Interpreter/APMPEventEditing.h"
#include "Analytics/Interpreter/APMPKeyValueStore.h"
#include "Analytics/Interpreter/APMPMessageLogger.h"
#include "Analytics/Interpreter/APMPObjectProvider.h"
#include "Analytics/Interpreter/Notation/APMPTestNotation.h"
#include "Platform/Foundation/FileManager.h"
#include "Platform/Foundation/JsonText.h"

namespace {

bool readFile(const char* path, std::string* out) {
  auto bytes = platform::FileManager::defaultManager().contentsAtPath(path);
  if (!bytes.ok()) return false;
  out->assign(bytes->begin(), bytes->end());
  return true;
}

nlohmann::json errorJson(const APMPError& e) { return {{"domain", e.domainName()}, {"code", e.code}}; }

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::cerr << "usage: apm-interp <program file> <events file>\n";
    return 2;
  }
  std::string programText, eventsText, parseError;
  if (!readFile(argv[1], &programText)) {
    std::cerr << "apm-interp: cannot read " << argv[1] << "\n";
    return 2;
  }
  if (!readFile(argv[2], &eventsText)) {
    std::cerr << "apm-interp: cannot read " << argv[2] << "\n";
    return 2;
  }
  APMPProgram program;
  if (!APMPTestNotation::parseProgramText(programText, &program, &parseError)) {
    std::cerr << "apm-interp: " << argv[1] << ": " << parseError << "\n";
    return 2;
  }
  std::vector<APMPEvent> events;
  if (!APMPTestNotation::parseEventsText(eventsText, &events, &parseError)) {
    std::cerr << "apm-interp: " << argv[2] << ": " << parseError << "\n";
    return 2;
  }

  APMPEventEditing editing;
  auto logger = std::make_shared<APMTesselLogger>(
      [](int64_t level, int64_t code, const std::string& message, const std::vector<std::string>& contexts) {
        std::cerr << "log level " << level << " code " << code << ": " << message;
        for (const auto& c : contexts) std::cerr << " " << c;
        std::cerr << "\n";
      });
  editing.setModuleCreator([logger] { return std::optional<APMPRuntimeValue>(APMPRuntimeValue(new APMPMessageLogger(logger))); },
                           u"internal.logger");
  APMPError loadError;
  if (!editing.loadProgram(program, &loadError)) {
    std::cout << platform::JsonText::dump(nlohmann::json{{"load_error", errorJson(loadError)}}) << "\n";
    return 1;
  }
  for (const APMPEvent& event : events) {
    APMPError error;
    bool handled = editing.handleEvent(event, &error);
    nlohmann::json line;
    line["handled"] = handled;
    if (error) {
      line["error"] = errorJson(error);
      line["event"] = APMPTestNotation::jsonFromEvent(event);
      line["created"] = nlohmann::json::array();
    } else {
      const APMPEventContext& context = editing.eventContext();
      line["event"] = APMPTestNotation::jsonFromEvent(editing.hasEdits() ? context.outputEvent() : event);
      line["edited"] = editing.hasEdits();
      nlohmann::json created = nlohmann::json::array();
      for (const APMPEvent& e : context.eventsToLog()) created.push_back(APMPTestNotation::jsonFromEvent(e));
      line["created"] = created;
    }
    std::cout << platform::JsonText::dump(line) << "\n";
  }
  return 0;
}
