#include "Analytics/Interpreter/APMPFunctionLog.h"

#include "Analytics/Interpreter/APMPExec.h"
#include "Analytics/Interpreter/APMPEvaluator.h"
#include "Analytics/Interpreter/APMPText.h"

APMPRuntimeValue APMPFunctionLog::invokeEvaluated(APMPValueSpan args, APMPExec& x) {
  if (args.empty()) {
    x.fail(kAPMPErrArgumentCount);
    return APMPRuntimeValue();
  }
  int64_t level = 4;
  std::u16string message;
  std::vector<std::string> context;
  if (args.size() == 1) {
    message = args[0].stringValue(x);
    if (x.failed()) return APMPRuntimeValue();
  } else {
    double d = args[0].doubleValue(x);
    if (x.failed()) return APMPRuntimeValue();
    level = APMPToInt64(APMPTruncate(d));
    message = args[1].stringValue(x);
    if (x.failed()) return APMPRuntimeValue();
    for (size_t i = 2; i < args.size() && i < 5; ++i) {
      std::u16string c = args[i].stringValue(x);
      if (x.failed()) return APMPRuntimeValue();
      context.push_back(APMPUtf8(c));
    }
  }
  if (logger_) logger_->logWithLevel(level, APMPUtf8(message), context, silent_, monitored_);
  return APMPRuntimeValue();
}
