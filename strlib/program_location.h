// Finding the running program's own executable and directory from its command
// line, the current directory and PATH, the way a command shell finds a
// program. Computed afresh on every call.
#pragma once

#include "strlib/swstring.h"

namespace strlib {

// The directory of the running executable, empty when it cannot be found.
SWString ProgramDirectory();
// Makes the program's directory the current directory; leaves the current
// directory as it was when that fails.
void EnterProgramDirectory();
// The full path of a program: a plain absolute name as it is, otherwise
// looked for in the current directory and then along PATH. Empty when not
// found.
SWString FindProgramFile(const WCHAR* name);
// "X:\" followed by segments none of which starts with ".\" or "..".
bool IsPlainAbsolutePath(const WCHAR* path);
// Whether the path names an existing file; directories do not count.
bool IsExistingFile(const WCHAR* path);
// Joins a relative path to a directory, folding its leading "." and ".."
// segments.
SWString ResolvePath(const WCHAR* directory, const WCHAR* relative);
// The part of a path before its last backslash; empty when there is none or
// when it is the first character.
SWString DirectoryPart(const WCHAR* path);

}  // namespace strlib
