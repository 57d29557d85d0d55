#include "Analytics/Protobuf/APMPBMessage.h"

#include <cstring>

const APMPBMessageClass* APMPBMessageClassNamed(const char* messageID) {
  if (messageID == nullptr) return nullptr;
#define APMPB_MATCH(N) \
  if (std::strcmp(messageID, #N) == 0) return &APMPB##N::klass();
  APMPB_MESSAGE_LIST(APMPB_MATCH)
#undef APMPB_MATCH
  return nullptr;
}
