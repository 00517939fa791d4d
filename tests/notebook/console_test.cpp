// The interactive notebook driven by a script, as a user at a terminal would.
#include "notebook/console.h"

#include <gtest/gtest.h>

#include <sstream>

namespace {

std::string RunScript(const std::string& script, int* result) {
  std::istringstream in(script);
  std::ostringstream out;
  *result = notebook::RunConsole(in, out, false);
  return out.str();
}

TEST(NotebookConsole, KeysBoxesCompanionsAndTimeFollowTheCommands) {
  int result = -1;
  const std::string out = RunScript(
      "stop media\n"
      "press play\n"
      "ok\n"
      "press fn+f3 fn+f3\n"
      "popup\n"
      "wait 2.5s\n"
      "status\n"
      "quit\n",
      &result);
  EXPECT_EQ(result, 0);
  const char* const kExpected[] = {
      "companion window appears: NorvoZOLBEXClass \"Zolbex\"",
      "> stop media",
      "companion window goes: NorvoZOLBEXClass \"Zolbex\"",
      "    0.500 s  plimset   shows a box \"I cannot find out zolbex utility\"",
      "> ok",
      "    0.700 s  plimset   box \"I cannot find out zolbex utility\" answered OK",
      "    0.800 s  kelvane   selects \"Home/Office Desk\"",
      "    1.200 s  kelvane   selects \"Portable/Laptop\"",
      "> popup",
      "  | > Portable/Laptop           |",
      "    3.700 s  kelvane   closes the popup; power scheme \"Portable/Laptop\" is now active",
      "  multimedia-key utility: not running",
      "  active power scheme: \"Portable/Laptop\"",
      "kelvane ends, exit code 0",
      "plimset ends, exit code 0",
  };
  size_t at = 0;
  for (const char* line : kExpected) {
    const size_t found = out.find(line, at);
    ASSERT_NE(found, std::string::npos) << "missing, in order: " << line << "\n--- output:\n" << out;
    at = found + strlen(line);
  }
}

TEST(NotebookConsole, AScriptWithACommandNotUnderstoodFails) {
  int result = -1;
  const std::string out = RunScript("press fn+f99\nwait soon\nstart printer\n", &result);
  EXPECT_EQ(result, 1);
  EXPECT_NE(out.find("not understood: press fn+f99"), std::string::npos);
  EXPECT_NE(out.find("not understood: wait soon"), std::string::npos);
  EXPECT_NE(out.find("not understood: start printer"), std::string::npos);
}

}  // namespace
