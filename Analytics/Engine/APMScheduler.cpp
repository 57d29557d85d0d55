#include "Analytics/Engine/APMScheduler.h"

#include <cxxabi.h>

#include <cstdlib>
#include <exception>
#include <typeinfo>

#include "Analytics/Engine/Monitor/APMMeasurementMonitor.h"
#include "Analytics/Engine/Monitor/APMMonitor.h"
#include "Platform/Foundation/DispatchQueue.h"
#include "Platform/Foundation/RunLoop.h"

namespace {

// Names the type of the exception in flight; its message may carry user
// values and is never logged.
std::string CurrentExceptionTypeName() {
  std::type_info* type = abi::__cxa_current_exception_type();
  if (type == nullptr) return "unknown";
  int status = 0;
  char* demangled = abi::__cxa_demangle(type->name(), nullptr, nullptr, &status);
  std::string name = (status == 0 && demangled != nullptr) ? demangled : type->name();
  std::free(demangled);
  return name;
}

std::string WithBlockID(const char* format, std::string_view blockID) {
  std::string text(format);
  auto pos = text.find("%@");
  if (pos != std::string::npos) text.replace(pos, 2, blockID);
  return text;
}

// Runs the block; answers false (after logging) when it threw.
bool RunGuarded(const APMScheduler::Block& block, std::string_view blockID, int64_t code,
                const char* format) {
  try {
    block();
    return true;
  } catch (...) {
    APMMeasurementMonitor().logWithLevel(1, code, WithBlockID(format, blockID),
                                         APMLogContext::className(CurrentExceptionTypeName()));
    return false;
  }
}

}  // namespace

APMScheduler::APMScheduler(const std::string& workerQueueLabel)
    : workerQueue_(platform::DispatchQueue::create(workerQueueLabel)) {}

APMScheduler::~APMScheduler() = default;

void APMScheduler::scheduleOnWorkerQueueBlockID(std::string_view blockID, Block block) {
  if (!block) {
    APMMeasurementMonitor().logWithLevel(
        1, 30005, WithBlockID("Nil block dispatched asynchronously on worker queue. Block ID=%@.", blockID));
    return;
  }
  workerQueue_->async([id = std::string(blockID), block = std::move(block)] {
    RunGuarded(block, id, 30000, "Exception on worker queue. Block ID=%@. Exception");
  });
}

void APMScheduler::dispatchSyncOnWorkerQueueBlockID(std::string_view blockID, const Block& block) {
  if (!block) {
    APMMeasurementMonitor().logWithLevel(
        1, 30002, WithBlockID("Nil block dispatched synchronously on worker queue. Block ID=%@.", blockID));
    return;
  }
  bool completed = false;
  auto wrapper = [&] {
    completed = RunGuarded(block, blockID, 30003,
                           "Exception on worker queue when processing sync block. Block ID=%@. Exception");
  };
  if (workerQueue_->isCurrent()) {
    APMMeasurementMonitor().logWithLevel(
        1, 30006,
        WithBlockID("Synchronous dispatch on worker queue from the worker queue. Running inline. Block ID=%@.",
                    blockID));
    wrapper();
  } else {
    workerQueue_->sync(wrapper);
  }
  if (!completed) {
    APMMeasurementMonitor().logWithLevel(4, 30004, WithBlockID("Synchronous task failed. Block ID=%@", blockID));
  }
}

bool APMScheduler::checkOnBackgroundThreadWithMethodName(std::string_view methodName) {
  if (!platform::RunLoop::isMainThread()) return true;
  APMMeasurementMonitor().logWithLevel(1, 30001, "Method %@ should execute on background thread",
                                       methodName.empty() ? std::string("<empty method name>")
                                                          : std::string(methodName));
  return false;
}
