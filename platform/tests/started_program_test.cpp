// A started program is watched until it ends, with its exit code (the Windows side is run end to
// end by the launcher's tests under Wine).
#ifndef _WIN32
#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <thread>

#include "platform/file_ops.h"

namespace {

std::optional<uint32_t> WaitForEnd(platform::StartedProgram& program) {
  for (int i = 0; i < 500; ++i) {
    if (const auto code = program.ExitCode()) return code;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return std::nullopt;
}

TEST(StartedProgram, TellsItRunsThenItsExitCode) {
  struct Case {
    const char* program;
    const char* parameters;
    uint32_t code;
  };
  const Case cases[] = {
      {"/bin/true", "", 0},
      {"/bin/false", "", 1},
      {"/nonexistent/program", "", 127},  // the child cannot run it
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.program);
    std::string error;
    auto program = platform::StartProgram(c.program, c.parameters, error);
    ASSERT_NE(program, nullptr) << error;
    EXPECT_EQ(WaitForEnd(*program), c.code);
    EXPECT_EQ(program->ExitCode(), c.code) << "asked again, the same answer";
  }
}

TEST(StartedProgram, IsRunningUntilItEnds) {
  std::string error;
  auto program = platform::StartProgram("/bin/sleep", "0.3", error);
  ASSERT_NE(program, nullptr) << error;
  EXPECT_EQ(program->ExitCode(), std::nullopt);
  EXPECT_EQ(WaitForEnd(*program), 0u);
}

}  // namespace
#endif
