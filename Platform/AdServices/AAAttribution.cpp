#include "Platform/AdServices/AAAttribution.h"

#include <any>
#include <atomic>
#include <memory>

#include "Platform/Runtime/ClassRegistry.h"

namespace adservices {

namespace {

std::atomic<int>& TokensRequested() {
  static std::atomic<int> count{0};
  return count;
}

void RegisterAnswer(std::function<platform::Result<std::string>()> answer) {
  TokensRequested() = 0;
  AAAttribution attribution;
  if (answer) {
    attribution.attributionTokenWithError = [answer = std::move(answer)] {
      ++TokensRequested();
      return answer();
    };
  }
  platform::ClassRegistry::shared().registerClass(kAAAttributionClassName,
                                                  [attribution] { return std::any(attribution); });
}

}  // namespace

void AAAttribution::registerWithToken(std::string token) {
  RegisterAnswer([token = std::move(token)]() -> platform::Result<std::string> { return token; });
}

void AAAttribution::registerWithError(platform::Status error) {
  if (error.ok()) error = platform::Status::Internal("attribution token unavailable");
  RegisterAnswer([error = std::move(error)]() -> platform::Result<std::string> { return error; });
}

void AAAttribution::registerWithoutTokenMethod() { RegisterAnswer({}); }

void AAAttribution::unregister() { platform::ClassRegistry::shared().unregisterClass(kAAAttributionClassName); }

int AAAttribution::tokensRequested() { return TokensRequested().load(); }

}  // namespace adservices
