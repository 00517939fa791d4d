// Finding the program's own file and directory: the path rules alone, then
// command lines, the current directory and PATH inside a simulated program.
#include "strlib/program_location.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/sim/desktop.h"
#include "platform/sim/files.h"
#include "tests/strlib/string_test_support.h"
#include "tests/support/in_program.h"

using simtest::RunInProgram;
using strlib::DirectoryPart;
using strlib::EnterProgramDirectory;
using strlib::FindProgramFile;
using strlib::IsExistingFile;
using strlib::IsPlainAbsolutePath;
using strlib::ProgramDirectory;
using strlib::ResolvePath;
using strlib::SWString;
using strlib_test::A;
using strlib_test::BlockCounter;
using strlib_test::P;
using strlib_test::W;

namespace {

TEST(PathRules, IsPlainAbsolutePathWantsADrivePrefixAndNoDotSegments) {
  for (const char* path : {"C:\\dir\\x.exe", "C:\\dir\\.", "1:\\x", "C:\\", "C:\\a.b\\.x\\x..y"}) {
    EXPECT_TRUE(IsPlainAbsolutePath(P(W(path)))) << path;
  }
  for (const char* path : {"C:\\dir\\..\\x.exe", "C:\\.\\x.exe", "C:\\dir\\..x", "C:x.exe",
                           "\\\\server\\share\\x.exe", "dir\\x.exe", "", "C:", "C:\\..", "C:\\a\\.\\"}) {
    EXPECT_FALSE(IsPlainAbsolutePath(P(W(path)))) << path;
  }
  EXPECT_FALSE(IsPlainAbsolutePath(nullptr));
}

TEST(PathRules, ResolvePathFoldsOnlyLeadingDotSegments) {
  struct Row {
    const char* directory;
    const char* relative;
    const char* result;
  };
  const std::vector<Row> table = {
      {"C:\\A\\B", "..\\x.exe", "C:\\A\\x.exe"},
      {"C:\\A\\B\\", "..\\x.exe", "C:\\A\\x.exe"},
      {"C:\\A", ".\\.\\x.exe", "C:\\A\\x.exe"},
      {"C:\\A\\B", "..\\..\\x.exe", "C:\\x.exe"},
      {"C:", "..\\x.exe", "C:"},
      {"C:\\A", "sub\\..\\x.exe", "C:\\A\\sub\\..\\x.exe"},
      {"C:\\A", "..", "C:\\A\\.."},
      {"", "x.exe", "\\x.exe"},
      {"bin", "x.exe", "bin\\x.exe"},
      {"C:\\A", ".\\..\\.\\x.exe", "C:\\x.exe"},
      {"\\A", "..\\x.exe", "\\x.exe"},
  };
  for (const Row& row : table) {
    SWString result = ResolvePath(P(W(row.directory)), P(W(row.relative)));
    EXPECT_EQ(A(result), row.result) << "'" << row.directory << "' + '" << row.relative << "'";
  }
}

TEST(PathRules, DirectoryPartIsWhatComesBeforeTheLastBackslash) {
  EXPECT_EQ(A(DirectoryPart(P(W("C:\\Tools\\tool.exe")))), "C:\\Tools");
  EXPECT_EQ(A(DirectoryPart(P(W("C:\\tool.exe")))), "C:");
  EXPECT_EQ(A(DirectoryPart(P(W("tool.exe")))), "");
  EXPECT_EQ(A(DirectoryPart(P(W("\\tool.exe")))), "");
  EXPECT_EQ(A(DirectoryPart(P(W("C:\\dir\\")))), "C:\\dir");
  EXPECT_EQ(A(DirectoryPart(P(W("")))), "");
}

// Starts a program with `commandLine` and returns what ProgramDirectory gave.
std::string DirectoryFor(sim::Desktop& desktop, const std::string& commandLine, sim::StartOptions options) {
  options.commandLine = commandLine;
  std::string result = "(not run)";
  RunInProgram(desktop, options, [&] { result = A(ProgramDirectory()); });
  return result;
}

sim::StartOptions Options(const std::string& currentDirectory, const std::string& path = std::string()) {
  sim::StartOptions options;
  options.currentDirectory = currentDirectory;
  if (!path.empty()) options.environment["PATH"] = path;
  return options;
}

TEST(ProgramDirectory, AbsoluteNamesFromTheCommandLineNeedNoFile) {
  sim::Desktop desktop;
  struct Row {
    const char* commandLine;
    const char* directory;
  };
  const std::vector<Row> table = {
      {"\"C:\\Program Files\\Tool\\tool.exe\" -x", "C:\\Program Files\\Tool"},
      {"C:\\Tools\\tool.exe", "C:\\Tools"},
      {"C:\\My-Tools\\tool.exe", "C:"},  // cut at '-' to C:\My, then C:\My.exe
      {"C:\\Tools\\tool.exe/x", "C:\\Tools"},
      {"C:\\Tools\\tool.exe\t-x", "C:\\Tools"},
      {"\"C:\\Open Quote\\tool.exe", "C:\\Open Quote"},
      {"C:\\tool.exe", "C:"},
      {"C:\\Tools\\tool", "C:\\Tools"},
  };
  for (const Row& row : table) {
    EXPECT_EQ(DirectoryFor(desktop, row.commandLine, Options("C:\\")), row.directory) << row.commandLine;
  }
}

TEST(ProgramDirectory, ExeIsAppendedUnlessTheNameEndsInItInAnyCase) {
  sim::Desktop desktop;
  for (const char* file : {"tool.exe", ".exe.exe", "exe.x.exe", "a.exe", "TOOL.EXE"}) {
    sim::AddFile(desktop, std::string("C:\\Work\\") + file);
  }
  // Only "X.exe.exe" exists for names that get the suffix appended twice.
  EXPECT_EQ(DirectoryFor(desktop, "tool", Options("C:\\Work")), "C:\\Work");
  EXPECT_EQ(DirectoryFor(desktop, ".exe", Options("C:\\Work")), "C:\\Work");
  EXPECT_EQ(DirectoryFor(desktop, "exe.x", Options("C:\\Work")), "C:\\Work");
  EXPECT_EQ(DirectoryFor(desktop, "a.exe", Options("C:\\Work")), "C:\\Work");
  EXPECT_EQ(DirectoryFor(desktop, "TOOL.EXE", Options("C:\\Work")), "C:\\Work");
  EXPECT_EQ(DirectoryFor(desktop, "Tool.Exe", Options("C:\\Work")), "C:\\Work");
  // "a.ex" becomes "a.ex.exe", which does not exist.
  EXPECT_EQ(DirectoryFor(desktop, "a.ex", Options("C:\\Work")), "");
}

TEST(ProgramDirectory, TheCurrentDirectoryComesFirstThenPathInOrder) {
  sim::Desktop desktop;
  sim::AddFile(desktop, "C:\\Work\\tool.exe");
  sim::AddFile(desktop, "C:\\bin\\tool.exe");
  sim::AddFile(desktop, "D:\\x\\tool.exe");
  sim::AddFile(desktop, "D:\\x\\only.exe");
  sim::AddFile(desktop, "C:\\Other\\bin\\rel.exe");
  sim::AddDirectory(desktop, "C:\\Empty");
  const std::string path = ";;C:\\bin;;D:\\x;";
  EXPECT_EQ(DirectoryFor(desktop, "tool -x", Options("C:\\Work", path)), "C:\\Work");
  EXPECT_EQ(DirectoryFor(desktop, "tool", Options("C:\\Empty", path)), "C:\\bin");
  EXPECT_EQ(DirectoryFor(desktop, "only.exe", Options("C:\\Empty", path)), "D:\\x");
  EXPECT_EQ(DirectoryFor(desktop, "none", Options("C:\\Empty", path)), "");
  // A relative entry counts from the current directory.
  EXPECT_EQ(DirectoryFor(desktop, "rel", Options("C:\\Other", "bin")), "C:\\Other\\bin");
  EXPECT_EQ(DirectoryFor(desktop, "rel", Options("C:\\Empty", "bin;..\\Other\\bin")), "C:\\Other\\bin");
  // A relative name with a directory part.
  EXPECT_EQ(DirectoryFor(desktop, "..\\bin\\tool", Options("C:\\Empty")), "C:\\bin");
  EXPECT_EQ(DirectoryFor(desktop, "x\\only", Options("C:\\Empty", "D:\\")), "D:\\x");
}

TEST(ProgramDirectory, DirectoriesNamedLikeTheProgramAreSkipped) {
  sim::Desktop desktop;
  sim::AddDirectory(desktop, "C:\\Work\\tool.exe");
  sim::AddDirectory(desktop, "C:\\bin\\tool.exe");
  sim::AddFile(desktop, "D:\\x\\tool.exe");
  EXPECT_EQ(DirectoryFor(desktop, "tool", Options("C:\\Work", "C:\\bin;D:\\x")), "D:\\x");
  EXPECT_EQ(DirectoryFor(desktop, "C:\\Work\\tool.exe", Options("C:\\")),
            "C:\\Work");  // absolute: not looked at
  std::string found = "(not run)";
  sim::StartOptions options = Options("C:\\");
  RunInProgram(desktop, options, [&] {
    EXPECT_FALSE(IsExistingFile(P(W("C:\\Work\\tool.exe"))));
    EXPECT_TRUE(IsExistingFile(P(W("D:\\x\\tool.exe"))));
    found = A(FindProgramFile(P(W("C:\\Work\\tool.exe"))));
  });
  EXPECT_EQ(found, "");
}

TEST(ProgramDirectory, ARelativeNameFoundNowhereLeavesTheCurrentDirectory) {
  sim::Desktop desktop;
  sim::AddDirectory(desktop, "C:\\Work");
  sim::StartOptions options = Options("C:\\Work");
  options.commandLine = "tool";
  std::string directory = "(not run)";
  const int pid = RunInProgram(desktop, options, [&] {
    directory = A(ProgramDirectory());
    EnterProgramDirectory();
  });
  EXPECT_EQ(directory, "");
  EXPECT_EQ(sim::CurrentDirectoryOf(desktop, pid), "C:\\Work");
}

TEST(EnterProgramDirectory, EntersTheDirectoryAndLaterSearchesStartThere) {
  sim::Desktop desktop;
  sim::AddFile(desktop, "C:\\bin\\tool.exe");
  sim::AddFile(desktop, "C:\\Work\\tool.exe");
  sim::StartOptions options = Options("C:\\Work", "C:\\bin");
  options.commandLine = "tool";
  std::string before, after;
  const int pid = RunInProgram(desktop, options, [&] {
    before = A(ProgramDirectory());
    SetCurrentDirectoryW(P(W("C:\\")));
    // Not in C:\: found along PATH, and entered.
    EnterProgramDirectory();
    after = A(ProgramDirectory());
  });
  EXPECT_EQ(before, "C:\\Work");
  EXPECT_EQ(after, "C:\\bin");
  EXPECT_EQ(sim::CurrentDirectoryOf(desktop, pid), "C:\\bin");
}

TEST(EnterProgramDirectory, AProgramInADriveRootEntersTheRoot) {
  sim::Desktop desktop;
  sim::AddDirectory(desktop, "C:\\Work");
  sim::StartOptions options = Options("C:\\Work");
  options.commandLine = "C:\\tool.exe";
  const int pid = RunInProgram(desktop, options, [] { EnterProgramDirectory(); });
  EXPECT_EQ(sim::CurrentDirectoryOf(desktop, pid), "C:\\");
}

// Windows 95/98/Me implement none of the wide file, directory and
// environment calls: the narrow ones stand in, with ANSI text, so that a
// folder such as "Überall" is found and entered there too.
TEST(EnterProgramDirectory, OnWindows9xTheNarrowCallsFindAndEnterTheDirectory) {
  sim::Desktop desktop;
  sim::AddFile(desktop, "C:\\Tools\\tool.exe");
  sim::AddFile(desktop, "C:\\Programme\\Überall\\tool.exe");
  sim::AddFile(desktop, "C:\\tool.exe");
  sim::AddDirectory(desktop, "C:\\Work");
  struct Row {
    const char* commandLine;
    const char* currentDirectory;
    const char* path;
    const char* directory;
  };
  const std::vector<Row> table = {
      {"tool", "C:\\Work", "C:\\Tools", "C:\\Tools"},
      {"tool", "C:\\Work", "C:\\Programme\\Überall", "C:\\Programme\\Überall"},
      // Found in the current directory, not under the root.
      {"tool", "C:\\Programme\\Überall", "", "C:\\Programme\\Überall"},
      // Absolute: not looked for, only entered.
      {"\"C:\\Programme\\Überall\\tool.exe\"", "C:\\Work", "", "C:\\Programme\\Überall"},
  };
  for (const Row& row : table) {
    sim::StartOptions options = Options(row.currentDirectory, row.path);
    options.version = sim::Windows98();
    options.commandLine = row.commandLine;
    std::string directory;
    const int pid = RunInProgram(desktop, options, [&] {
      EXPECT_TRUE(IsExistingFile(P(W("C:\\Tools\\tool.exe"))));
      EXPECT_FALSE(IsExistingFile(P(W("C:\\Tools"))));
      EXPECT_FALSE(IsExistingFile(P(W("C:\\Tools\\none.exe"))));
      directory = strlib_test::Utf8(ProgramDirectory());
      EnterProgramDirectory();
    });
    EXPECT_EQ(directory, row.directory) << row.commandLine << " in " << row.currentDirectory;
    EXPECT_EQ(sim::CurrentDirectoryOf(desktop, pid), row.directory) << row.commandLine;
  }
}

TEST(ProgramDirectory, NoBlockOutlivesTheSearch) {
  sim::Desktop desktop;
  sim::AddFile(desktop, "D:\\x\\tool.exe");
  sim::AddDirectory(desktop, "C:\\Work");
  sim::StartOptions options = Options("C:\\Work", "a;b;..\\c;C:\\bin;D:\\x");
  options.commandLine = "tool arguments";
  for (const OSVERSIONINFOA& version : {sim::Windows2000(), sim::Windows98()}) {
    options.version = version;
    std::string directory;
    int64_t live = -1;
    RunInProgram(desktop, options, [&] {
      BlockCounter counter;
      directory = A(ProgramDirectory());
      EnterProgramDirectory();
      live = counter.Live();
    });
    EXPECT_EQ(directory, "D:\\x") << version.dwPlatformId;
    EXPECT_EQ(live, 0) << version.dwPlatformId;
  }
}

}  // namespace
