// The wide string's queries of the process: environment variables and the
// current directory.
#include <gtest/gtest.h>

#include <string>

#include "platform/sim/desktop.h"
#include "platform/sim/files.h"
#include "strlib/swstring.h"
#include "tests/strlib/string_test_support.h"
#include "tests/support/in_program.h"

using simtest::RunInProgram;
using strlib::SWString;
using strlib_test::A;
using strlib_test::BlockCounter;
using strlib_test::P;
using strlib_test::W;

namespace {

// On Windows 95/98/Me the wide calls are not implemented and the narrow ones,
// with ANSI text, give the same values.
TEST(SWStringQueries, EnvironmentValuesAndMissingOrEmptyVariables) {
  sim::Desktop desktop;
  sim::StartOptions options;
  options.environment = {{"PATH", "C:\\bin;D:\\x"},
                         {"EMPTY", ""},
                         {"LONG", std::string(300, 'v')},
                         {"HOME", "C:\\Programme\\Überall"}};
  for (const OSVERSIONINFOA& version : {sim::Windows2000(), sim::Windows98()}) {
    options.version = version;
    RunInProgram(desktop, options, [] {
      SWString value(P(W("previous")));
      value.AssignEnvironment(P(W("path")));
      EXPECT_EQ(A(value), "C:\\bin;D:\\x");
      EXPECT_EQ(value.Length(), 11);
      EXPECT_EQ(value.Rep()->capacity, 16);
      value.AssignEnvironment(P(W("HOME")));
      EXPECT_EQ(strlib_test::Utf8(value), "C:\\Programme\\Überall");
      value.AssignEnvironment(P(W("LONG")));
      EXPECT_EQ(value.Length(), 300);
      EXPECT_EQ(value.Rep()->capacity, 301);
      BlockCounter counter;
      value.AssignEnvironment(P(W("EMPTY")));
      EXPECT_EQ(value.Length(), 0);
      EXPECT_EQ(value.Rep()->capacity, 0);
      value.Assign(P(W("x")));
      value.AssignEnvironment(P(W("MISSING")));
      EXPECT_EQ(value.Rep()->capacity, 0);
      EXPECT_EQ(counter.Live(), -1);  // the 301 block went, "x" came and went
    });
  }
}

TEST(SWStringQueries, TheCurrentDirectory) {
  sim::Desktop desktop;
  sim::AddDirectory(desktop, "C:\\Programme\\Überall");
  sim::StartOptions options;
  options.currentDirectory = "C:\\Programme\\Überall";
  for (const OSVERSIONINFOA& version : {sim::Windows2000(), sim::Windows98()}) {
    options.version = version;
    RunInProgram(desktop, options, [] {
      SWString directory(P(W("previous")));
      directory.AssignCurrentDirectory();
      EXPECT_EQ(strlib_test::Utf8(directory), "C:\\Programme\\Überall");
      EXPECT_EQ(directory.Length(), 20);
      EXPECT_EQ(directory.Chars()[20], 0);
    });
  }
}

}  // namespace
