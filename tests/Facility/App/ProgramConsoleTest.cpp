// The built Facility program driven through standard input, as scripts/run
// and a person at the console use it: a fresh data root, then onboarding by
// invitation code against the test double; and what the measurement engine,
// started by the launch, stores of a first and a second launch.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <sqlite3.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <fstream>
#include <set>
#include <sstream>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "Platform/Foundation/TemporaryDataRoot.h"
#include "tests/support/FacilityTestServer.h"
#include "tests/support/InvitationCodeMaker.h"

extern char** environ;

namespace {

constexpr const char* kVerifyPath = "/api/Security/VerifySecurityCode";
constexpr const char* kImagePath = "/api/Facility/GetImage";

// One run of the program: standard input is a pipe the test writes to in
// steps, standard output and error go to files read after it ends.
class ProgramRun {
 public:
  explicit ProgramRun(const std::string& dataRoot, std::vector<std::string> arguments = {})
      : out_(dataRoot + ".out"), err_(dataRoot + ".err") {
    int in[2];
    if (::pipe(in) != 0) return;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, in[0], 0);
    posix_spawn_file_actions_addclose(&actions, in[1]);
    posix_spawn_file_actions_addopen(&actions, 1, out_.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    posix_spawn_file_actions_addopen(&actions, 2, err_.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    // The child's environment: ours, with the data root replaced and no
    // camera folder.
    std::vector<std::string> env;
    for (char** e = environ; *e; ++e) {
      if (std::strncmp(*e, "FACILITY_HOME=", 14) != 0 && std::strncmp(*e, "FACILITY_CAMERA=", 16) != 0) env.push_back(*e);
    }
    env.push_back("FACILITY_HOME=" + dataRoot);
    std::vector<char*> envp;
    for (auto& s : env) envp.push_back(s.data());
    envp.push_back(nullptr);
    std::string program = FACILITY_PROGRAM;
    std::vector<char*> argv{program.data()};
    for (auto& argument : arguments) argv.push_back(argument.data());
    argv.push_back(nullptr);
    if (posix_spawn(&pid_, program.c_str(), &actions, nullptr, argv.data(), envp.data()) != 0) pid_ = -1;
    posix_spawn_file_actions_destroy(&actions);
    ::close(in[0]);
    in_ = in[1];
  }
  ~ProgramRun() {
    if (in_ >= 0) ::close(in_);
    if (pid_ > 0 && !exited_) {
      ::kill(pid_, SIGKILL);
      ::waitpid(pid_, nullptr, 0);
    }
    ::unlink(out_.c_str());
    ::unlink(err_.c_str());
  }

  bool started() const { return pid_ > 0; }
  bool send(const std::string& lines) {
    return in_ >= 0 && ::write(in_, lines.data(), lines.size()) == static_cast<ssize_t>(lines.size());
  }
  // Closes standard input and waits for the exit status; -1 on a signal or
  // a run longer than the limit (the program is then killed).
  int finish(double seconds) {
    ::close(in_);
    in_ = -1;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    int status = 0;
    while (::waitpid(pid_, &status, WNOHANG) == 0) {
      if (std::chrono::steady_clock::now() > deadline) return -1;
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    exited_ = true;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }
  std::string output() const { return read(out_); }
  std::string errors() const { return read(err_); }

 private:
  static std::string read(const std::string& path) {
    std::ifstream f(path);
    std::stringstream s;
    s << f.rdbuf();
    return s.str();
  }
  std::string out_, err_;
  pid_t pid_ = -1;
  int in_ = -1;
  bool exited_ = false;
};

class ProgramConsoleTest : public ::testing::Test {
 protected:
  void SetUp() override {
    // A program that ended early must fail the test, not kill it on write.
    ::signal(SIGPIPE, SIG_IGN);
    home_ = root_.path() + "/home";  // not there yet: the program makes it
  }
  platform::TemporaryDataRoot root_;
  std::string home_;
};

TEST_F(ProgramConsoleTest, FreshDataRootShowsTheInvitationScreen) {
  ProgramRun run(home_);
  ASSERT_TRUE(run.started());
  ASSERT_TRUE(run.send("dump\nexpect screen: InviteVC\nexpect TextField #txtCode placeholder=\"Invitation code\"\n"
                       "expect Button \"Verify\"\nquit\n"));
  EXPECT_EQ(run.finish(30), 0) << run.output() << run.errors();
}

TEST_F(ProgramConsoleTest, InvitationCodeTypedAtTheConsoleOnboardsAgainstTheDouble) {
  testsupport::FacilityTestServer server;
  server.setJsonReply(kVerifyPath, R"({"IsSuccess":true,"IsPasswordSet":false,"Username":"ann","EmailId":"a@b.c"})");
  server.setJsonReply(kImagePath, R"({"IsSuccess":true})");
  ASSERT_TRUE(server.start());
  const std::string code = testsupport::InvitationCodeMaker::forServer(server.baseURL(), "42", "7");

  // The toast stays about 1.5 s of wall time, and the program reads its next
  // line only after a command ends. So the logo reply is held until the
  // program waits at its input, then sent just before the "wait" that
  // precedes the dump: it is handled at that wait's start.
  server.holdReply(kImagePath);
  const std::string log = root_.path() + "/facility.log";
  ProgramRun run(home_, {"--log", log, "-QRVAnalyticsDebugEnabled"});
  ASSERT_TRUE(run.started());
  ASSERT_TRUE(run.send("dump\nexpect screen: InviteVC\ntype txtCode " + code + "\ntap Verify\nwait 2\n"));
  ASSERT_TRUE(server.waitForRequests(2, 20)) << run.output() << run.errors();
  std::this_thread::sleep_for(std::chrono::milliseconds(2500));  // past the program's "wait 2"
  server.releaseReply(kImagePath);
  // No password yet: the next root asks for one, with the stored user name
  // and the toast ("Success": the reply has no message).
  ASSERT_TRUE(run.send("wait 0.5\ndump\nexpect screen: SetNewPasswordVC\n"
                       "expect #txtUsername placeholder=\"Username\" text=\"ann\"\nexpect Label \"Success\"\nquit\n"));
  EXPECT_EQ(run.finish(30), 0) << run.output() << run.errors();

  auto requests = server.requests();
  ASSERT_EQ(requests.size(), 2u);
  EXPECT_EQ(requests[0].method, "POST");
  EXPECT_EQ(requests[0].path, kVerifyPath);
  // The code as typed, one form field.
  using Pairs = std::vector<std::pair<std::string, std::string>>;
  EXPECT_EQ(requests[0].form(), (Pairs{{"SecurityCode", code}}));
  EXPECT_EQ(requests[1].path, kImagePath);
  // Both requests went to one place: the log names it once.
  std::ifstream logFile(log);
  std::vector<std::string> transfers;
  for (std::string line; std::getline(logFile, line);) {
    if (line.find("transfer: ") != std::string::npos) transfers.push_back(line);
  }
  ASSERT_EQ(transfers.size(), 1u) << run.errors();
  EXPECT_NE(transfers[0].find("transfer: " + server.baseURL()), std::string::npos) << transfers[0];
}

// A timed expect that never sees its text prints the tree and ends the
// program with status 1, the lines after it unread; while it waits, the
// toast of the launch comes and goes as the run loop turns.
TEST_F(ProgramConsoleTest, TimedExpectThatFailsEndsTheProgramWithStatusOne) {
  ProgramRun run(home_);
  ASSERT_TRUE(run.started());
  ASSERT_TRUE(run.send("expect 5 screen: InviteVC\nexpect 0.5 screen: LoginVC\ndump\n"));
  EXPECT_EQ(run.finish(30), 1) << run.output() << run.errors();
  const std::string output = run.output();
  const std::string failure = "error: expected \"screen: LoginVC\" in the output of the previous command\n";
  const auto at = output.find(failure);
  ASSERT_NE(at, std::string::npos) << output;
  const std::string after = output.substr(at + failure.size());
  EXPECT_EQ(after.rfind("screen: InviteVC", 0), 0u) << after;
  // The tree once at launch and once for the failure: the dump never ran.
  std::size_t trees = 0;
  for (auto i = output.find("screen: InviteVC"); i != std::string::npos; i = output.find("screen: InviteVC", i + 1)) {
    ++trees;
  }
  EXPECT_EQ(trees, 2u) << output;
}

TEST_F(ProgramConsoleTest, UnknownOptionsAndAnUnwritableLogAreUsageErrors) {
  for (const auto& arguments : std::vector<std::vector<std::string>>{
           {"--frobnicate"}, {"--log"}, {"--log", root_.path() + "/missing/facility.log"}, {"plain"}}) {
    ProgramRun run(home_, arguments);
    ASSERT_TRUE(run.started());
    EXPECT_EQ(run.finish(30), 2) << arguments[0] << run.errors();
    EXPECT_FALSE(run.errors().empty());
  }
}

// Every event name of the measurement database's raw events, one row each,
// in the order stored; empty (with a failure) when it cannot be read.
std::vector<std::string> RawEventNames(const std::string& home) {
  const std::string path = home + "/Library/Application Support/Trivandel/Measurement/trivandel-app-measurement.sql";
  std::vector<std::string> names;
  sqlite3* db = nullptr;
  if (sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK) {
    ADD_FAILURE() << "no measurement database at " << path;
    sqlite3_close(db);
    return names;
  }
  sqlite3_stmt* statement = nullptr;
  if (sqlite3_prepare_v2(db, "SELECT name FROM raw_events ORDER BY rowid", -1, &statement, nullptr) == SQLITE_OK) {
    while (sqlite3_step(statement) == SQLITE_ROW) {
      names.emplace_back(reinterpret_cast<const char*>(sqlite3_column_text(statement, 0)));
    }
  } else {
    ADD_FAILURE() << sqlite3_errmsg(db);
  }
  sqlite3_finalize(statement);
  sqlite3_close(db);
  return names;
}

TEST_F(ProgramConsoleTest, LaunchStartsMeasurementAndQuitKeepsWhatItQueued) {
  {
    ProgramRun run(home_);
    ASSERT_TRUE(run.started());
    ASSERT_TRUE(run.send("dump\nexpect screen: InviteVC\nquit\n"));
    ASSERT_EQ(run.finish(60), 0) << run.output() << run.errors();
  }
  std::vector<std::string> first = RawEventNames(home_);
  const std::set<std::string> stored(first.begin(), first.end());
  for (const char* name : {"_f", "_e", "_s", "_vs"}) EXPECT_TRUE(stored.count(name)) << name << " missing";
  EXPECT_EQ(std::count(first.begin(), first.end(), std::string("_f")), 1);

  // The second launch on the same root is no first open.
  {
    ProgramRun run(home_);
    ASSERT_TRUE(run.started());
    ASSERT_TRUE(run.send("dump\nquit\n"));
    ASSERT_EQ(run.finish(60), 0) << run.output() << run.errors();
  }
  std::vector<std::string> both = RawEventNames(home_);
  ASSERT_GE(both.size(), first.size());
  EXPECT_EQ(std::count(both.begin(), both.end(), std::string("_f")), 1) << "a second first open";
  EXPECT_GT(both.size(), first.size()) << "the second launch stored nothing";
}

}  // namespace
