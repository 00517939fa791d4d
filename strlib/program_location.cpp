#include "strlib/program_location.h"

#include "strlib/sstring.h"

namespace strlib {

namespace {

const WCHAR kExeSuffix[] = {'.', 'e', 'x', 'e', 0};
const WCHAR kBackslashText[] = {'\\', 0};

WCHAR AsciiLower(WCHAR c) { return c >= 'A' && c <= 'Z' ? static_cast<WCHAR>(c + ('a' - 'A')) : c; }

bool EndsWithExe(const SWString& name) {
  int32_t length = name.Length();
  if (length < 5) return false;
  const WCHAR* tail = name.Chars() + length - 4;
  for (int i = 0; i < 4; ++i) {
    if (AsciiLower(tail[i]) != kExeSuffix[i]) return false;
  }
  return true;
}

// The program name at the start of a command line: between double quotation
// marks (to the end when the closing one is missing), or up to the first
// space, '/', '-' or tab.
SWString ProgramNameOf(const WCHAR* commandLine) {
  SWString name;
  if (!commandLine) return name;
  if (commandLine[0] == '"') {
    name.AssignUpTo(commandLine + 1, '"');
    return name;
  }
  int32_t end = 0;
  while (commandLine[end] && commandLine[end] != ' ' && commandLine[end] != '/' && commandLine[end] != '-' &&
         commandLine[end] != '\t') {
    ++end;
  }
  name.AssignN(commandLine, end);
  return name;
}

bool IsWideCallMissing() { return GetLastError() == ERROR_CALL_NOT_IMPLEMENTED; }

}  // namespace

SWString ProgramDirectory() {
  SWString commandLine(GetCommandLineW());
  SWString name = ProgramNameOf(commandLine);
  if (!EndsWithExe(name)) name.Concat(kExeSuffix);
  if (IsPlainAbsolutePath(name)) return DirectoryPart(name);
  return DirectoryPart(FindProgramFile(name));
}

void EnterProgramDirectory() {
  SWString directory = ProgramDirectory();
  // A program in the root of a drive has the directory "X:", which Windows
  // reads as "the current directory on drive X"; the root itself is meant.
  if (directory.Length() == 2 && directory.LastChar() == ':') directory.Concat(kBackslashText);
  if (!SetCurrentDirectoryW(directory) && IsWideCallMissing()) {
    SString narrow;
    narrow.AssignAnsi(directory);
    SetCurrentDirectoryA(narrow);
  }
}

SWString FindProgramFile(const WCHAR* name) {
  if (IsPlainAbsolutePath(name)) return IsExistingFile(name) ? SWString(name) : SWString();

  SWString currentDirectory;
  currentDirectory.AssignCurrentDirectory();
  SWString candidate = ResolvePath(currentDirectory, name);
  if (IsExistingFile(candidate)) return candidate;

  static const WCHAR kPathVariable[] = {'P', 'A', 'T', 'H', 0};
  SWString searchPath;
  searchPath.AssignEnvironment(kPathVariable);
  const WCHAR* rest = searchPath.Chars();
  SWString entry;
  for (;;) {
    while (*rest == ';') ++rest;
    if (!*rest) return SWString();
    entry.AssignUpTo(rest, ';');
    rest += entry.Length();
    candidate = ResolvePath(entry, name);
    // A relative entry of PATH counts from the current directory.
    if (!IsPlainAbsolutePath(candidate)) candidate = ResolvePath(currentDirectory, candidate);
    if (IsExistingFile(candidate)) return candidate;
  }
}

bool IsPlainAbsolutePath(const WCHAR* path) {
  if (!path || !path[0] || path[1] != ':' || path[2] != '\\') return false;
  const WCHAR* segment = path + 3;
  for (;;) {
    if (segment[0] == '.' && (segment[1] == '\\' || segment[1] == '.')) return false;
    while (*segment && *segment != '\\') ++segment;
    if (!*segment) return true;
    ++segment;
  }
}

bool IsExistingFile(const WCHAR* path) {
  DWORD attributes = GetFileAttributesW(path);
  if (attributes == INVALID_FILE_ATTRIBUTES) {
    if (!IsWideCallMissing()) return false;
    SString narrow;
    narrow.AssignAnsi(path);
    attributes = GetFileAttributesA(narrow);
    if (attributes == INVALID_FILE_ATTRIBUTES) return false;
  }
  return (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

SWString ResolvePath(const WCHAR* directory, const WCHAR* relative) {
  SWString path(directory);
  const WCHAR* rest = relative ? relative : kBackslashText + 1;
  for (;;) {
    if (rest[0] == '.' && rest[1] == '\\') {
      rest += 2;
      continue;
    }
    if (rest[0] == '.' && rest[1] == '.' && rest[2] == '\\') {
      rest += 3;
      if (path.LastChar() == '\\') path.AssignN(path, path.Length() - 1);
      int32_t cut = path.Length() - 1;
      while (cut >= 0 && path.Chars()[cut] != '\\') --cut;
      if (cut < 0) return path;
      // Cutting the string to its own first characters.
      path.AssignN(path, cut);
      continue;
    }
    path.AppendPath(rest);
    return path;
  }
}

SWString DirectoryPart(const WCHAR* path) {
  SWString part;
  if (!path) return part;
  int32_t last = -1;
  for (int32_t i = 0; path[i]; ++i) {
    if (path[i] == '\\') last = i;
  }
  if (last > 0) part.AssignN(path, last);
  return part;
}

}  // namespace strlib
