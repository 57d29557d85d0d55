#include "Platform/Foundation/Log.h"

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cerrno>
#include <cstring>
#include <mutex>

namespace platform {

struct LogCapture::State {
  bool echo;
  mutable std::mutex mu;
  std::vector<Line> lines;
  State* previous;
};

namespace {

std::mutex g_logMu;
LogCapture::State* g_capture = nullptr;  // innermost capture, guarded by g_logMu
std::FILE* g_file = nullptr;             // the log file, none for stderr; guarded by g_logMu

LogLevel InitialLevel() {
  const char* env = std::getenv("FACILITY_LOG_LEVEL");
  if (env == nullptr) return LogLevel::kInfo;
  if (std::strcmp(env, "debug") == 0) return LogLevel::kDebug;
  if (std::strcmp(env, "notice") == 0) return LogLevel::kNotice;
  if (std::strcmp(env, "warning") == 0) return LogLevel::kWarning;
  if (std::strcmp(env, "error") == 0) return LogLevel::kError;
  return LogLevel::kInfo;
}

std::atomic<int>& MinLevel() {
  static std::atomic<int> level{static_cast<int>(InitialLevel())};
  return level;
}

}  // namespace

void SetMinimumLogLevel(LogLevel level) { MinLevel().store(static_cast<int>(level)); }
LogLevel MinimumLogLevel() { return static_cast<LogLevel>(MinLevel().load()); }

Status SetLogFile(const std::string& path) {
  std::FILE* file = nullptr;
  if (!path.empty()) {
    file = std::fopen(path.c_str(), "a");
    if (file == nullptr) return Status::IOError("cannot open " + path + ": " + std::strerror(errno));
    // Whole lines reach the file at once, so a reader never sees half of one.
    std::setvbuf(file, nullptr, _IOLBF, 0);
  }
  std::lock_guard<std::mutex> lock(g_logMu);
  if (g_file != nullptr) std::fclose(g_file);
  g_file = file;
  return Status::OK();
}

void Log(LogLevel level, std::string_view line) {
  std::lock_guard<std::mutex> lock(g_logMu);
  bool echo = true;
  if (g_capture != nullptr) {
    std::lock_guard<std::mutex> inner(g_capture->mu);
    g_capture->lines.push_back({level, std::string(line)});
    echo = g_capture->echo;
  }
  if (!echo || level < MinimumLogLevel()) return;
  std::FILE* sink = g_file != nullptr ? g_file : stderr;
  std::fwrite(line.data(), 1, line.size(), sink);
  std::fputc('\n', sink);
}

LogCapture::LogCapture(bool echo) : state_(new State{echo, {}, {}, nullptr}) {
  std::lock_guard<std::mutex> lock(g_logMu);
  state_->previous = g_capture;
  g_capture = state_;
}

LogCapture::~LogCapture() {
  {
    std::lock_guard<std::mutex> lock(g_logMu);
    // Captures nest like scopes; unlink ours wherever it is.
    State** link = &g_capture;
    while (*link != nullptr && *link != state_) link = &(*link)->previous;
    if (*link == state_) *link = state_->previous;
  }
  delete state_;
}

std::vector<LogCapture::Line> LogCapture::entries() const {
  std::lock_guard<std::mutex> lock(state_->mu);
  return state_->lines;
}

std::vector<std::string> LogCapture::lines() const {
  std::lock_guard<std::mutex> lock(state_->mu);
  std::vector<std::string> out;
  out.reserve(state_->lines.size());
  for (const auto& l : state_->lines) out.push_back(l.text);
  return out;
}

bool LogCapture::contains(std::string_view fragment) const {
  std::lock_guard<std::mutex> lock(state_->mu);
  for (const auto& l : state_->lines) {
    if (l.text.find(fragment) != std::string::npos) return true;
  }
  return false;
}

void LogCapture::clear() {
  std::lock_guard<std::mutex> lock(state_->mu);
  state_->lines.clear();
}

}  // namespace platform
