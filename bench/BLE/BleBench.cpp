// Punch frame cost against OpenSSL's own AES-128-CBC on the same 32 bytes,
// and the discovery callback with 50 known readers.
#include <benchmark/benchmark.h>
#include <openssl/evp.h>

#include "Facility/BLE+MainMethods/BLEEncryption.h"
#include "Facility/BLE+MainMethods/TarneloBLE.h"
#include "Facility/BLE+MainMethods/TarneloBLEKeys.h"
#include "Platform/CoreBluetooth/CBTypes.h"
#include "Platform/Foundation/ManualClock.h"
#include "Platform/Foundation/RunLoop.h"
#include "Platform/Foundation/TemporaryDataRoot.h"
#include "Platform/Foundation/UserDefaults.h"

namespace {

void BM_PunchFrameBuildAndEncrypt(benchmark::State& state) {
  BLEEncryption::setEncryptionKey("00112233445566778899aabbccddeeff");
  BLEEncryption::setTagId("123456");
  BLEEncryption::setDestinationFloor("5");
  BLEEncryption::setBoardingFloor("1");
  BLEEncryption::setSelectedFloor("5");
  BLEEncryption::setDeviceType("07");
  BLEEncryption::setDeviceData(platform::Bytes{0x4C, 0x00, 0x00, 0x05, 0x00, 0x07, 0x1F});
  for (auto _ : state) benchmark::DoNotOptimize(BLEEncryption::punchCommand());
}
BENCHMARK(BM_PunchFrameBuildAndEncrypt);

void BM_OpenSSLAes128Cbc32Bytes(benchmark::State& state) {
  unsigned char key[16] = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15};
  unsigned char iv[16] = {0, 5};
  unsigned char in[32] = {0xAA, 0x13};
  unsigned char out[48];
  for (auto _ : state) {
    EVP_CIPHER_CTX* ctx = EVP_CIPHER_CTX_new();
    int n = 0, m = 0;
    EVP_EncryptInit_ex(ctx, EVP_aes_128_cbc(), nullptr, key, iv);
    EVP_CIPHER_CTX_set_padding(ctx, 0);
    EVP_EncryptUpdate(ctx, out, &n, in, sizeof in);
    EVP_EncryptFinal_ex(ctx, out + n, &m);
    EVP_CIPHER_CTX_free(ctx);
    benchmark::DoNotOptimize(out);
  }
}
BENCHMARK(BM_OpenSSLAes128Cbc32Bytes);

void BM_AdvertisementWith50KnownReaders(benchmark::State& state) {
  platform::TemporaryDataRoot root;
  auto clock = std::make_shared<platform::ManualClock>();
  platform::Clock::setCurrent(clock);
  auto& defaults = platform::UserDefaults::standard();
  defaults.setInteger(1, TarneloBLEKeys::shouldAllowPunch);
  defaults.setString("123456", TarneloBLEKeys::tagId);
  defaults.setInteger(3, TarneloBLEKeys::boardingFloor);
  defaults.setInteger(2, TarneloBLEKeys::sensitivity);
  auto engine = TarneloBLE::create();
  std::vector<corebluetooth::CBPeripheralPtr> peripherals;
  platform::Value::Dictionary advert{
      {corebluetooth::CBAdvertisementDataManufacturerDataKey,
       platform::Value(platform::Bytes{0x4C, 0x00, 0x00, 0x05, 0x00, 0x07, 0x1F})},
      {corebluetooth::CBAdvertisementDataLocalNameKey, "Door"}};
  for (int i = 0; i < 50; ++i) {
    peripherals.push_back(std::make_shared<corebluetooth::CBPeripheral>("READER-" + std::to_string(i)));
    auto device = std::make_shared<BLEDevice>(peripherals.back(), advert, -50, 7,
                                              std::vector<std::int64_t>{-50, -50, -50, -50, -50}, clock->now());
    // Recently punched: the decision runs in full and stops at the guard.
    device->lastPunchTime = clock->now();
    engine->scannedDevices.push_back(device);
  }
  auto central = corebluetooth::CBCentralManager::create({});
  const auto& last = peripherals.back();
  for (auto _ : state) engine->centralManagerDidDiscoverPeripheralAdvertisementDataRSSI(*central, last, advert, -55);
  platform::RunLoop::main().removeAllPending();
}
BENCHMARK(BM_AdvertisementWith50KnownReaders);

}  // namespace

BENCHMARK_MAIN();
