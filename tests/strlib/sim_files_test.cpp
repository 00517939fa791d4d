// The simulated desktop's file, directory, environment and code page calls
// that the string and path library builds on, and the W calls of Windows
// 95/98/Me.
#include <gtest/gtest.h>

#include <string>

#include "platform/sim/desktop.h"
#include "platform/sim/files.h"
#include "platform/win32.h"
#include "tests/strlib/string_test_support.h"
#include "tests/support/in_program.h"

using simtest::RunInProgram;
using strlib_test::P;
using strlib_test::W;

namespace {

sim::StartOptions InDirectory(const std::string& directory) {
  sim::StartOptions options;
  options.currentDirectory = directory;
  return options;
}

TEST(SimFiles, AttributesTellFilesFromDirectoriesAndMissingFromMissingParents) {
  sim::Desktop desktop;
  sim::AddFile(desktop, "C:\\Tools\\Tool.exe");
  sim::AddDirectory(desktop, "D:\\Bin\\tool.exe");
  EXPECT_TRUE(sim::IsDirectory(desktop, "c:\\tools"));
  EXPECT_TRUE(sim::IsFile(desktop, "C:/TOOLS/tool.EXE"));
  RunInProgram(desktop, InDirectory("C:\\Tools"), [] {
    EXPECT_EQ(GetFileAttributesW(P(W("c:\\tools\\TOOL.exe"))), DWORD(FILE_ATTRIBUTE_NORMAL));
    EXPECT_EQ(GetFileAttributesA("tool.exe"), DWORD(FILE_ATTRIBUTE_NORMAL));
    EXPECT_EQ(GetFileAttributesW(P(W("..\\Tools\\.\\tool.exe"))), DWORD(FILE_ATTRIBUTE_NORMAL));
    EXPECT_EQ(GetFileAttributesW(P(W("C:\\Tools\\nowhere\\..\\tool.exe"))), DWORD(FILE_ATTRIBUTE_NORMAL));
    EXPECT_EQ(GetFileAttributesW(P(W("D:\\bin\\tool.exe"))), DWORD(FILE_ATTRIBUTE_DIRECTORY));
    EXPECT_EQ(GetFileAttributesW(P(W("C:\\"))), DWORD(FILE_ATTRIBUTE_DIRECTORY));
    EXPECT_EQ(GetFileAttributesW(P(W("D:\\"))), DWORD(FILE_ATTRIBUTE_DIRECTORY));

    EXPECT_EQ(GetFileAttributesW(P(W("C:\\Tools\\other.exe"))), INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_FILE_NOT_FOUND));
    EXPECT_EQ(GetFileAttributesW(P(W("C:\\Missing\\tool.exe"))), INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_PATH_NOT_FOUND));
    EXPECT_EQ(GetFileAttributesW(P(W("E:\\tool.exe"))), INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_PATH_NOT_FOUND));
    EXPECT_EQ(GetFileAttributesW(P(W("C:\\Tools\\tool.exe\\"))), INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(GetFileAttributesW(P(W("\\\\server\\share\\tool.exe"))), INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(GetFileAttributesW(P(W(""))), INVALID_FILE_ATTRIBUTES);
  });
}

// Windows 95/98/Me implement a short list of W calls; the others the
// programs make fail with ERROR_CALL_NOT_IMPLEMENTED there, and their narrow
// forms work.
TEST(SimFiles, OnWindows9xOnlyTheShortListOfWideCallsWorks) {
  sim::Desktop desktop;
  sim::AddFile(desktop, "C:\\Tools\\tool.exe");
  sim::StartOptions options = InDirectory("C:\\Tools");
  options.environment = {{"PATH", "C:\\bin"}};
  options.commandLine = "tool -x";
  for (const OSVERSIONINFOA& version :
       {sim::Windows95(), sim::Windows98(), sim::WindowsMe(), sim::WindowsNT4(), sim::Windows2000()}) {
    options.version = version;
    const bool is9x = version.dwPlatformId == VER_PLATFORM_WIN32_WINDOWS;
    const int pid = RunInProgram(desktop, options, [is9x] {
      WCHAR buffer[64];
      auto missing = [](bool failed) { return failed && GetLastError() == ERROR_CALL_NOT_IMPLEMENTED; };
      EXPECT_EQ(missing(GetFileAttributesW(P(W("C:\\Tools\\tool.exe"))) == INVALID_FILE_ATTRIBUTES), is9x);
      EXPECT_EQ(missing(GetCurrentDirectoryW(64, buffer) == 0), is9x);
      EXPECT_EQ(missing(GetEnvironmentVariableW(P(W("PATH")), buffer, 64) == 0), is9x);
      EXPECT_EQ(missing(GetModuleFileNameW(nullptr, buffer, 64) == 0), is9x);
      HWND listBox = CreateWindowExA(0, "LISTBOX", "", 0, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
      SetLastError(0);
      SendMessageW(listBox, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(P(W("x"))));
      EXPECT_EQ(missing(true), is9x);
      EXPECT_EQ(SendMessageA(listBox, LB_GETCOUNT, 0, 0), is9x ? 0 : 1);
      DestroyWindow(listBox);
      EXPECT_EQ(missing(!SetCurrentDirectoryW(P(W("C:\\")))), is9x);

      EXPECT_EQ(strlib_test::A(GetCommandLineW()), "tool -x");
      SIZE size = {0, 0};
      HDC dc = GetDC(nullptr);
      EXPECT_TRUE(GetTextExtentPoint32W(dc, P(W("tool")), 4, &size));
      EXPECT_GT(size.cx, 0);
      ReleaseDC(nullptr, dc);
      EXPECT_EQ(MultiByteToWideChar(CP_ACP, 0, "tool", 4, buffer, 64), 4);
      char narrow[64];
      EXPECT_EQ(WideCharToMultiByte(CP_ACP, 0, buffer, 4, narrow, 64, nullptr, nullptr), 4);

      EXPECT_EQ(GetFileAttributesA("C:\\Tools\\tool.exe"), DWORD(FILE_ATTRIBUTE_NORMAL));
      EXPECT_EQ(GetEnvironmentVariableA("PATH", narrow, sizeof(narrow)), 6u);
      EXPECT_STREQ(narrow, "C:\\bin");
      EXPECT_TRUE(SetCurrentDirectoryA("C:\\"));
    });
    EXPECT_EQ(sim::CurrentDirectoryOf(desktop, pid), "C:\\");
  }
}

TEST(SimFiles, CurrentDirectoryReportsItsSizeAndChangesOnlyToExistingDirectories) {
  sim::Desktop desktop;
  sim::AddDirectory(desktop, "C:\\Work\\Sub");
  sim::AddFile(desktop, "C:\\Work\\file.txt");
  sim::AddDirectory(desktop, "D:\\Data");
  const int pid = RunInProgram(desktop, InDirectory("C:\\Work"), [] {
    EXPECT_EQ(GetCurrentDirectoryW(0, nullptr), 8u);  // "C:\Work" and its zero
    WCHAR small[4] = {'x', 0, 0, 0};
    EXPECT_EQ(GetCurrentDirectoryW(4, small), 8u);
    WCHAR exact[8];
    EXPECT_EQ(GetCurrentDirectoryW(8, exact), 7u);
    EXPECT_EQ(strlib_test::A(exact), "C:\\Work");
    char narrow[8];
    EXPECT_EQ(GetCurrentDirectoryA(7, narrow), 8u);
    EXPECT_EQ(GetCurrentDirectoryA(8, narrow), 7u);
    EXPECT_STREQ(narrow, "C:\\Work");

    EXPECT_TRUE(SetCurrentDirectoryW(P(W("sub\\"))));
    EXPECT_EQ(GetCurrentDirectoryA(sizeof(narrow), narrow), 12u);
    char path[32];
    EXPECT_EQ(GetCurrentDirectoryA(sizeof(path), path), 11u);
    EXPECT_STREQ(path, "C:\\Work\\sub");
    // "C:" alone names the current directory of drive C, not its root.
    EXPECT_TRUE(SetCurrentDirectoryW(P(W("C:"))));
    GetCurrentDirectoryA(sizeof(path), path);
    EXPECT_STREQ(path, "C:\\Work\\sub");
    EXPECT_TRUE(SetCurrentDirectoryW(P(W(".."))));
    GetCurrentDirectoryA(sizeof(path), path);
    EXPECT_STREQ(path, "C:\\Work");

    EXPECT_FALSE(SetCurrentDirectoryW(P(W("C:\\Work\\none"))));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_FILE_NOT_FOUND));
    EXPECT_FALSE(SetCurrentDirectoryW(P(W("C:\\None\\deeper"))));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_PATH_NOT_FOUND));
    EXPECT_FALSE(SetCurrentDirectoryW(P(W("file.txt"))));
    EXPECT_FALSE(SetCurrentDirectoryW(P(W(""))));
    GetCurrentDirectoryA(sizeof(path), path);
    EXPECT_STREQ(path, "C:\\Work");

    EXPECT_TRUE(SetCurrentDirectoryA("d:\\DATA"));
    GetCurrentDirectoryA(sizeof(path), path);
    EXPECT_STREQ(path, "d:\\DATA");
  });
  EXPECT_EQ(sim::CurrentDirectoryOf(desktop, pid), "d:\\DATA");
}

TEST(SimFiles, NarrowFileCallsReadAndWriteAnsiText) {
  // "Ü" is 0xDC in the ANSI code page 1252 and 0x9A in the OEM code page 437.
  sim::Desktop desktop;
  sim::AddFile(desktop, "C:\\Programme\\Überall\\kelvane.exe");
  const int pid = RunInProgram(desktop, InDirectory("C:\\"), [] {
    EXPECT_EQ(GetFileAttributesA("C:\\Programme\\\xDC"
                                 "berall"),
              DWORD(FILE_ATTRIBUTE_DIRECTORY));
    EXPECT_EQ(GetFileAttributesA("C:\\Programme\\\x9A"
                                 "berall"),
              INVALID_FILE_ATTRIBUTES);
    char text[64];
    EXPECT_EQ(GetFullPathNameA("Programme\\\xDC"
                               "berall\\kelvane.exe",
                               sizeof(text), text, nullptr),
              32u);
    EXPECT_STREQ(text,
                 "C:\\Programme\\\xDC"
                 "berall\\kelvane.exe");
    EXPECT_FALSE(
        SetCurrentDirectoryA("C:\\Programme\\\x9A"
                             "berall"));
    EXPECT_TRUE(
        SetCurrentDirectoryA("C:\\Programme\\\xDC"
                             "berall"));
    EXPECT_EQ(GetCurrentDirectoryA(sizeof(text), text), 20u);
    EXPECT_STREQ(text,
                 "C:\\Programme\\\xDC"
                 "berall");
  });
  EXPECT_EQ(sim::CurrentDirectoryOf(desktop, pid), "C:\\Programme\\Überall");
}

TEST(SimFiles, FullPathNamesFoldDotsAgainstTheCurrentDirectory) {
  sim::Desktop desktop;
  sim::AddDirectory(desktop, "C:\\Work\\Sub");
  RunInProgram(desktop, InDirectory("C:\\Work\\Sub"), [] {
    struct Row {
      const char* path;
      const char* full;
    };
    const Row table[] = {
        {"x.exe", "C:\\Work\\Sub\\x.exe"},
        {"..\\x.exe", "C:\\Work\\x.exe"},
        {".\\a\\.\\b\\..\\c", "C:\\Work\\Sub\\a\\c"},
        {"\\x.exe", "C:\\x.exe"},
        {"C:x.exe", "C:\\Work\\Sub\\x.exe"},
        {"D:x.exe", "D:\\x.exe"},
        {"C:\\a\\..\\..\\..\\b", "C:\\b"},
        {"C:\\a\\b\\", "C:\\a\\b\\"},
        {"C:\\a\\b.", "C:\\a\\b"},
        {"C:/a//b", "C:\\a\\b"},
        {"..", "C:\\Work"},
    };
    for (const Row& row : table) {
      char buffer[64];
      LPSTR filePart = nullptr;
      DWORD length = GetFullPathNameA(row.path, sizeof(buffer), buffer, &filePart);
      EXPECT_STREQ(buffer, row.full) << row.path;
      EXPECT_EQ(length, std::string(row.full).size()) << row.path;
    }
    char small[4];
    EXPECT_EQ(GetFullPathNameA("x.exe", sizeof(small), small, nullptr), 18u);
    char buffer[64];
    LPSTR filePart = nullptr;
    GetFullPathNameA("x.exe", sizeof(buffer), buffer, &filePart);
    EXPECT_STREQ(filePart, "x.exe");
    GetFullPathNameA("C:\\a\\", sizeof(buffer), buffer, &filePart);
    EXPECT_EQ(filePart, nullptr);
  });
}

TEST(SimEnvironment, VariablesAreFoundWithoutRegardToCase) {
  sim::Desktop desktop;
  sim::StartOptions options;
  options.environment = {{"Path", "C:\\bin;D:\\x"}, {"EMPTY", ""}};
  options.commandLine = "\"C:\\Tools\\tool.exe\" -x";
  RunInProgram(desktop, options, [] {
    EXPECT_EQ(GetEnvironmentVariableW(P(W("PATH")), nullptr, 0), 12u);
    WCHAR small[11];
    EXPECT_EQ(GetEnvironmentVariableW(P(W("path")), small, 11), 12u);
    WCHAR buffer[12];
    EXPECT_EQ(GetEnvironmentVariableW(P(W("PATH")), buffer, 12), 11u);
    EXPECT_EQ(strlib_test::A(buffer), "C:\\bin;D:\\x");
    EXPECT_EQ(GetEnvironmentVariableW(P(W("EMPTY")), nullptr, 0), 1u);
    SetLastError(0);
    EXPECT_EQ(GetEnvironmentVariableW(P(W("MISSING")), nullptr, 0), 0u);
    EXPECT_EQ(GetLastError(), 203u);
    EXPECT_EQ(strlib_test::A(GetCommandLineW()), "\"C:\\Tools\\tool.exe\" -x");
  });
}

TEST(SimCodePage, EveryByteConvertsToWideAndBackInBothCodePages) {
  char all[256];
  for (int i = 0; i < 256; ++i) all[i] = static_cast<char>(i);
  struct Row {
    UINT codePage;
    WCHAR at82, atB0, atDC, atFF;
  };
  const Row table[] = {
      {CP_OEMCP, 0x00E9, 0x2591, 0x2584, 0x00A0},
      {CP_ACP, 0x201A, 0x00B0, 0x00DC, 0x00FF},
  };
  for (const Row& row : table) {
    WCHAR wide[256];
    ASSERT_EQ(MultiByteToWideChar(row.codePage, 0, all, 256, nullptr, 0), 256);
    ASSERT_EQ(MultiByteToWideChar(row.codePage, 0, all, 256, wide, 256), 256);
    EXPECT_EQ(wide[0x41], 'A');
    EXPECT_EQ(wide[0x82], row.at82) << row.codePage;
    EXPECT_EQ(wide[0xB0], row.atB0) << row.codePage;
    EXPECT_EQ(wide[0xDC], row.atDC) << row.codePage;
    EXPECT_EQ(wide[0xFF], row.atFF) << row.codePage;
    for (int i = 0; i < 256; ++i) {
      for (int j = 0; j < i; ++j) ASSERT_NE(wide[i], wide[j]) << i << " and " << j << " share a character";
    }
    char back[256];
    BOOL usedDefault = TRUE;
    ASSERT_EQ(WideCharToMultiByte(row.codePage, 0, wide, 256, back, 256, nullptr, &usedDefault), 256);
    EXPECT_FALSE(usedDefault);
    EXPECT_EQ(std::string(back, 256), std::string(all, 256));
  }
  // The numbered forms of the two code pages are the same tables.
  WCHAR one;
  EXPECT_EQ(MultiByteToWideChar(1252, 0, "\x80", 1, &one, 1), 1);
  EXPECT_EQ(one, 0x20AC);
  EXPECT_EQ(MultiByteToWideChar(437, 0, "\x80", 1, &one, 1), 1);
  EXPECT_EQ(one, 0x00C7);
}

TEST(SimCodePage, CountsBuffersAndUnmappableCharactersBehaveAsOnWindows) {
  // -1: up to and including the zero.
  EXPECT_EQ(MultiByteToWideChar(CP_OEMCP, 0, "abc", -1, nullptr, 0), 4);
  EXPECT_EQ(MultiByteToWideChar(CP_OEMCP, 0, "abc", 3, nullptr, 0), 3);
  WCHAR two[2];
  EXPECT_EQ(MultiByteToWideChar(CP_OEMCP, 0, "abc", 3, two, 2), 0);
  EXPECT_EQ(GetLastError(), DWORD(ERROR_INSUFFICIENT_BUFFER));
  EXPECT_EQ(MultiByteToWideChar(CP_OEMCP, 0, "abc", 0, nullptr, 0), 0);
  EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_PARAMETER));
  EXPECT_EQ(MultiByteToWideChar(1252 + 1, 0, "abc", 3, nullptr, 0), 0);
  EXPECT_EQ(MultiByteToWideChar(437, 0, "abc", 3, nullptr, 0), 3);

  const WCHAR text[] = {'a', 0x4E2D, 0xD83D, 0xDE00, 0xDC00, 'z', 0};
  EXPECT_EQ(WideCharToMultiByte(CP_OEMCP, 0, text, -1, nullptr, 0, nullptr, nullptr), 6);
  char out[8] = {};
  BOOL usedDefault = FALSE;
  EXPECT_EQ(WideCharToMultiByte(CP_OEMCP, 0, text, 6, out, 8, nullptr, &usedDefault), 5);
  EXPECT_TRUE(usedDefault);
  EXPECT_EQ(std::string(out, 5), "a???z");
  const char star = '*';
  EXPECT_EQ(WideCharToMultiByte(CP_OEMCP, 0, text, 2, out, 8, &star, nullptr), 2);
  EXPECT_EQ(std::string(out, 2), "a*");
  EXPECT_EQ(WideCharToMultiByte(CP_OEMCP, 0, text, 6, out, 3, nullptr, nullptr), 0);
  EXPECT_EQ(GetLastError(), DWORD(ERROR_INSUFFICIENT_BUFFER));
  EXPECT_EQ(WideCharToMultiByte(CP_OEMCP, 0, text, 0, nullptr, 0, nullptr, nullptr), 0);
}

}  // namespace
