#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <unistd.h>
#include <string>
#include <thread>
#include <vector>

#include "Platform/AVFoundation/CaptureDevice.h"
#include "Platform/AVFoundation/CaptureDeviceInput.h"
#include "Platform/AVFoundation/CapturePhotoOutput.h"
#include "Platform/AVFoundation/CaptureSession.h"
#include "Platform/AVFoundation/CaptureVideoPreviewLayer.h"
#include "Platform/Foundation/RunLoop.h"

namespace avfoundation {
namespace {

namespace fs = std::filesystem;

class Recorder : public CapturePhotoCaptureDelegate {
 public:
  void captureOutputDidFinishProcessingPhoto(CapturePhotoOutput&, const CapturePhoto& photo,
                                             const platform::Status& error) override {
    const auto& data = photo.fileDataRepresentation();
    answers.push_back(error.ok() ? std::string(data->begin(), data->end()) : "error: " + error.message());
  }
  std::vector<std::string> answers;
};

class CaptureTest : public ::testing::Test {
 protected:
  void SetUp() override {
    folder_ = fs::temp_directory_path() / ("capture-test-" + std::to_string(::getpid()));
    fs::remove_all(folder_);
    fs::create_directories(folder_);
  }
  void TearDown() override {
    ::unsetenv(CaptureDevice::kSourceVariable);
    fs::remove_all(folder_);
  }
  void write(const std::string& name, const std::string& bytes) { std::ofstream(folder_ / name) << bytes; }
  void useSource(const fs::path& folder) { ::setenv(CaptureDevice::kSourceVariable, folder.c_str(), 1); }
  static CaptureDevicePtr backCamera() {
    return CaptureDevice::defaultDevice(CaptureDeviceType::kBuiltInWideAngleCamera, MediaType::kVideo,
                                        CaptureDevicePosition::kBack);
  }

  fs::path folder_;
};

TEST_F(CaptureTest, ThereIsABackCameraOnlyWithASource) {
  ::unsetenv(CaptureDevice::kSourceVariable);
  EXPECT_EQ(backCamera(), nullptr);
  ::setenv(CaptureDevice::kSourceVariable, "", 1);
  EXPECT_EQ(backCamera(), nullptr);
  useSource(folder_);
  ASSERT_NE(backCamera(), nullptr);
  EXPECT_EQ(backCamera()->sourceFolder(), folder_.string());
  EXPECT_EQ(CaptureDevice::defaultDevice(CaptureDeviceType::kBuiltInWideAngleCamera, MediaType::kVideo,
                                         CaptureDevicePosition::kFront),
            nullptr);
  EXPECT_EQ(CaptureDevice::defaultDevice(CaptureDeviceType::kBuiltInWideAngleCamera, MediaType::kAudio,
                                         CaptureDevicePosition::kBack),
            nullptr);
}

TEST_F(CaptureTest, AnUnreadableOrEmptySourceGivesNoInput) {
  useSource(folder_ / "missing");
  auto missing = CaptureDeviceInput::deviceInputWithDevice(backCamera());
  ASSERT_FALSE(missing.ok());
  EXPECT_NE(missing.status().message().find("cannot be read"), std::string::npos);
  write("notes.txt", "not a photo");
  useSource(folder_);
  EXPECT_FALSE(CaptureDeviceInput::deviceInputWithDevice(backCamera()).ok()) << "no JPEG in the folder";
  EXPECT_FALSE(CaptureDeviceInput::deviceInputWithDevice(nullptr).ok());
}

TEST_F(CaptureTest, CapturesAnswerLaterOnTheMainLoopWithPhotosInNameOrderWrapping) {
  write("b.jpg", "second");
  write("a.JPEG", "first");
  write("c.png", "skipped");
  write("c.jpeg", "third");
  useSource(folder_);
  auto input = CaptureDeviceInput::deviceInputWithDevice(backCamera());
  ASSERT_TRUE(input.ok()) << input.status().message();
  auto session = CaptureSession::create();
  session->setSessionPreset(kCaptureSessionPresetPhoto);
  auto output = std::make_shared<CapturePhotoOutput>();
  ASSERT_TRUE(session->canAddInput(*input));
  session->addInput(*input);
  EXPECT_FALSE(session->canAddInput(*input)) << "one camera input";
  ASSERT_TRUE(session->canAddOutput(output));
  session->addOutput(output);
  EXPECT_FALSE(CaptureSession::create()->canAddOutput(output)) << "an output belongs to one session";

  auto recorder = std::make_shared<Recorder>();
  for (int i = 0; i < 4; ++i) output->capturePhotoWithSettings(CapturePhotoSettings(), recorder);
  EXPECT_TRUE(recorder->answers.empty()) << "not inside the caller's turn";
  platform::RunLoop::main().runUntilIdle();
  EXPECT_EQ(recorder->answers, (std::vector<std::string>{"first", "second", "third", "first"}));
}

TEST_F(CaptureTest, CaptureWithoutInputOrDelegateIsHandled) {
  auto session = CaptureSession::create();
  auto output = std::make_shared<CapturePhotoOutput>();
  session->addOutput(output);
  auto recorder = std::make_shared<Recorder>();
  output->capturePhotoWithSettings(CapturePhotoSettings(), recorder);
  auto gone = std::make_shared<Recorder>();
  output->capturePhotoWithSettings(CapturePhotoSettings(), gone);
  gone.reset();
  platform::RunLoop::main().runUntilIdle();
  ASSERT_EQ(recorder->answers.size(), 1u);
  EXPECT_EQ(recorder->answers[0].rfind("error: ", 0), 0u);
}

TEST_F(CaptureTest, SessionRunsFromAnotherThreadAndPreviewPrefersItsBounds) {
  auto session = CaptureSession::create();
  std::thread([session] { session->startRunning(); }).join();
  EXPECT_TRUE(session->isRunning());
  auto layer = std::make_shared<CaptureVideoPreviewLayer>(session);
  EXPECT_EQ(layer->preferredFrameSize(), (uikit::Size{0, 0}));
  layer->setFrame(uikit::Rect(10, 20, 300, 200));
  EXPECT_EQ(layer->preferredFrameSize(), (uikit::Size{300, 200}));
  EXPECT_EQ(layer->session(), session);
}

}  // namespace
}  // namespace avfoundation
