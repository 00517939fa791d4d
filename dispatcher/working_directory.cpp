// Makes the directory of the program's own path, as the command line gives
// it, the current directory, so that "shutdown.exe" started next inherits it.
#include <algorithm>
#include <cstring>

#include "dispatcher/plimset.h"

namespace plimset {
namespace {

// A command line holds at most 32767 characters; the copy lives on the stack
// so that a key press allocates nothing.
constexpr size_t kCommandLineMax = 32768;

// Copies the program path out of the command line into `path`.
void ExtractProgramPath(const char* commandLine, char* path) {
  const char* begin = commandLine;
  const char* end;
  if (*begin == '"') {
    ++begin;
    end = strchr(begin, '"');
    if (!end) end = begin + strlen(begin);
  } else {
    end = begin + strcspn(begin, "/- \t");
  }
  const size_t length = std::min(static_cast<size_t>(end - begin), kCommandLineMax - 1);
  memcpy(path, begin, length);
  path[length] = 0;
}

}  // namespace

void SetWorkingDirectoryFromCommandLine() {
  const char* commandLine = GetCommandLineA();
  char path[kCommandLineMax];
  ExtractProgramPath(commandLine ? commandLine : "", path);
  char fullPath[MAX_PATH];
  const DWORD length = GetFullPathNameA(path, MAX_PATH, fullPath, nullptr);
  // A failed or truncated result would name some other directory: keep the
  // current one then.
  if (length == 0 || length >= MAX_PATH) return;
  if (char* lastBackslash = strrchr(fullPath, '\\')) *lastBackslash = 0;
  SetCurrentDirectoryA(fullPath);
}

}  // namespace plimset
