#pragma once

#include "Platform/Foundation/DispatchQueue.h"

// The main queue, for work handed to the main thread.
struct Thread {
  static const platform::DispatchQueuePtr& mainQueue() { return platform::DispatchQueue::main(); }
};
