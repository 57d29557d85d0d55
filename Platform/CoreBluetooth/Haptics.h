// Vibration stand-in: records every system sound played, since there is no
// motor to drive here.
#pragma once
#include <atomic>
#include <cstdint>

namespace corebluetooth {

inline constexpr std::uint32_t kSystemSoundID_Vibrate = 4095;

class Haptics {
 public:
  static Haptics& shared();
  void playSystemSound(std::uint32_t soundId);
  int vibrationCount() const { return vibrations_.load(); }
  std::uint32_t lastSoundId() const { return last_.load(); }
  void reset();

 private:
  std::atomic<int> vibrations_{0};
  std::atomic<std::uint32_t> last_{0};
};

}  // namespace corebluetooth
