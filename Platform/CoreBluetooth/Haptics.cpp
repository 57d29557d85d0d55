#include "Platform/CoreBluetooth/Haptics.h"

#include <string>

#include "Platform/Foundation/Log.h"

namespace corebluetooth {

Haptics& Haptics::shared() {
  static Haptics instance;
  return instance;
}

void Haptics::playSystemSound(std::uint32_t soundId) {
  if (soundId == kSystemSoundID_Vibrate) vibrations_.fetch_add(1);
  last_.store(soundId);
  platform::LogDebug("Haptics: system sound " + std::to_string(soundId));
}

void Haptics::reset() {
  vibrations_.store(0);
  last_.store(0);
}

}  // namespace corebluetooth
