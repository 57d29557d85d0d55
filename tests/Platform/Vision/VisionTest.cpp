#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "Platform/Vision/TesseractTextRecognizer.h"
#include "Platform/Vision/VNImageRequestHandler.h"
#include "Platform/Vision/VNRecognizeTextRequest.h"
#include "tests/support/PlateRenderer.h"
#include "tests/support/ScriptedTextRecognizer.h"

namespace {

using facility_test::PlateRenderer;
using facility_test::ScriptedTextRecognizer;
using vision::VNImageRequestHandler;
using vision::VNRecognizedText;
using vision::VNRecognizedTextObservation;
using vision::VNRecognizeTextRequest;

struct Recognition {
  platform::Status performed;
  bool completed = false;
  platform::Status completionError;
  std::vector<VNRecognizedTextObservation> observations;
};

Recognition recognise(const platform::Bitmap& bitmap) {
  Recognition run;
  auto request = std::make_shared<VNRecognizeTextRequest>([&run](VNRecognizeTextRequest& r, const platform::Status& e) {
    run.completed = true;
    run.completionError = e;
    run.observations = r.results();
  });
  VNImageRequestHandler handler(bitmap);
  run.performed = handler.perform({request});
  return run;
}

std::vector<std::string> firstCandidates(const Recognition& run) {
  std::vector<std::string> lines;
  for (const auto& o : run.observations) {
    auto top = o.topCandidates(1);
    lines.push_back(top.empty() ? "<none>" : top[0].string);
  }
  return lines;
}

TEST(TesseractRecognitionTest, PlatesReadExactlyWithOneCandidateALine) {
  for (std::string text : {"MH 12 AB 1234", "TN 09 BX 8841", "mh 12 ab 1234"}) {
    auto bitmap = PlateRenderer::renderBitmap(text, facility_test::CanvasSize{1280, 960});
    ASSERT_TRUE(bitmap.ok()) << bitmap.status().message();
    Recognition run = recognise(*bitmap);
    ASSERT_TRUE(run.performed.ok()) << run.performed.message();
    ASSERT_TRUE(run.completed);
    EXPECT_TRUE(run.completionError.ok());
    EXPECT_EQ(firstCandidates(run), std::vector<std::string>{text});
    ASSERT_EQ(run.observations.size(), 1u);
    auto all = run.observations[0].topCandidates(10);
    ASSERT_EQ(all.size(), 1u);
    EXPECT_GT(all[0].confidence, 0.5f) << "Tesseract's 0...100 scaled to 0...1";
    EXPECT_LE(all[0].confidence, 1.0f);
    // The same bitmap reads the same on a second run of the loaded engine.
    EXPECT_EQ(firstCandidates(recognise(*bitmap)), std::vector<std::string>{text});
  }
}

TEST(TesseractRecognitionTest, BlankImageGivesNoObservations) {
  auto bitmap = PlateRenderer::renderBitmap("", facility_test::CanvasSize{640, 480});
  ASSERT_TRUE(bitmap.ok());
  Recognition run = recognise(*bitmap);
  ASSERT_TRUE(run.performed.ok());
  EXPECT_TRUE(run.completed);
  EXPECT_TRUE(run.observations.empty());
}

TEST(TesseractRecognitionTest, MissingLanguageDataFailsPerformAndRecoversWithTheFolderBack) {
  auto bitmap = *PlateRenderer::renderBitmap("AB 12");
  vision::TesseractTextRecognizer::setDataFolder("/nonexistent/tessdata");
  Recognition run = recognise(bitmap);
  vision::TesseractTextRecognizer::setDataFolder("");
  EXPECT_FALSE(run.performed.ok());
  EXPECT_EQ(run.performed.message(), "Text recognition is unavailable: language data 'eng' could not be loaded");
  EXPECT_FALSE(run.completed) << "no completion when the request cannot run";
  Recognition again = recognise(bitmap);
  EXPECT_TRUE(again.performed.ok()) << again.performed.message();
}

TEST(TesseractRecognitionTest, ABitmapOfTheWrongSizeIsAnErrorNotACrash) {
  platform::Bitmap bad{10, 10, std::vector<std::uint8_t>(12, 255)};
  EXPECT_FALSE(recognise(bad).performed.ok());
  EXPECT_FALSE(recognise(platform::Bitmap{}).performed.ok());
}

TEST(ScriptedRecognitionTest, TheSeamReplacesTheEngineForEveryOutcome) {
  ScriptedTextRecognizer::Installed scripted;
  scripted.recognizer->answerLines({"KA 01", "second"});
  scripted.recognizer->answerCompletionError("scripted failure");
  scripted.recognizer->failToRun("cannot run");
  scripted.recognizer->answerObservations({VNRecognizedTextObservation(), VNRecognizedTextObservation({{"X 9", 0.4f}})});
  platform::Bitmap tiny{2, 1, std::vector<std::uint8_t>(8, 255)};

  Recognition lines = recognise(tiny);
  EXPECT_EQ(firstCandidates(lines), (std::vector<std::string>{"KA 01", "second"}));
  EXPECT_EQ(scripted.recognizer->lastWidth(), 2);

  Recognition error = recognise(tiny);
  EXPECT_TRUE(error.performed.ok()) << "a completion error is not a failure of perform";
  EXPECT_TRUE(error.completed);
  EXPECT_EQ(error.completionError.message(), "scripted failure");
  EXPECT_TRUE(error.observations.empty());

  Recognition cannot = recognise(tiny);
  EXPECT_EQ(cannot.performed.message(), "cannot run");
  EXPECT_FALSE(cannot.completed);

  Recognition candidateless = recognise(tiny);
  EXPECT_EQ(firstCandidates(candidateless), (std::vector<std::string>{"<none>", "X 9"}));

  Recognition exhausted = recognise(tiny);
  EXPECT_TRUE(exhausted.completed);
  EXPECT_TRUE(exhausted.observations.empty());
  EXPECT_EQ(scripted.recognizer->requests(), 5);
}

TEST(ScriptedRecognitionTest, TopCandidatesIsBoundedByWhatThereIs) {
  VNRecognizedTextObservation o({{"a", 0.9f}, {"b", 0.5f}, {"c", 0.1f}});
  EXPECT_EQ(o.topCandidates(0).size(), 0u);
  ASSERT_EQ(o.topCandidates(2).size(), 2u);
  EXPECT_EQ(o.topCandidates(2)[1].string, "b");
  EXPECT_EQ(o.topCandidates(99).size(), 3u);
}

}  // namespace
