// The simulated file system: directories and files by full path, compared
// without regard to case; GetFileAttributesA/W over it.
#include "platform/sim/files.h"

#include <map>
#include <stdexcept>
#include <vector>

#include "platform/sim/api_calls.h"
#include "platform/sim/file_system.h"
#include "platform/sim/oem_text.h"
#include "platform/sim/state.h"
#include "platform/sim/wide_calls.h"
#include "platform/win32.h"

namespace sim {
namespace {

struct FileSystem {
  // Folded full path without trailing backslash -> attributes. Roots other
  // than "C:" exist once something has been added under them.
  std::map<std::u16string, DWORD> entries;
};

FileSystem& Files() { return DesktopArea<FileSystem>(); }

char16_t FoldCase(char16_t c) {
  if (c >= 'a' && c <= 'z') return static_cast<char16_t>(c - ('a' - 'A'));
  if (c >= 0xE0 && c <= 0xFE && c != 0xF7) return static_cast<char16_t>(c - 0x20);
  return c;
}

std::u16string KeyOf(std::u16string path) {
  if (path.size() > 3 && path.back() == '\\') path.pop_back();
  if (path.size() == 3 && path[2] == '\\') path.pop_back();  // a root "X:\" is kept as "X:"
  for (char16_t& c : path) c = FoldCase(c);
  return path;
}

bool RootExists(const FileSystem& files, char16_t drive) {
  drive = FoldCase(drive);
  if (drive == 'C') return true;
  for (const auto& entry : files.entries) {
    if (entry.first[0] == drive) return true;
  }
  return false;
}

// Attributes of a folded key, or INVALID_FILE_ATTRIBUTES.
DWORD Find(const FileSystem& files, const std::u16string& key) {
  if (key.size() == 2) return RootExists(files, key[0]) ? FILE_ATTRIBUTE_DIRECTORY : INVALID_FILE_ATTRIBUTES;
  auto found = files.entries.find(key);
  return found == files.entries.end() ? INVALID_FILE_ATTRIBUTES : found->second;
}

std::u16string TestSidePath(const std::string& path) {
  std::u16string full;
  static const std::u16string kRoot = u"C:\\";
  if (!FullPathName(Utf8ToWide(path), kRoot, &full) || full.size() < 3) {
    throw std::invalid_argument("not a full path: " + path);
  }
  return full;
}

void Add(const std::string& path, DWORD attributes) {
  FileSystem& files = Files();
  std::u16string key = KeyOf(TestSidePath(path));
  // Every directory above it, from the top down.
  for (size_t cut = key.find('\\', 3); cut != std::u16string::npos; cut = key.find('\\', cut + 1)) {
    std::u16string parent = key.substr(0, cut);
    DWORD existing = Find(files, parent);
    if (existing != INVALID_FILE_ATTRIBUTES && !(existing & FILE_ATTRIBUTE_DIRECTORY)) {
      throw std::invalid_argument("a file lies on the way to " + path);
    }
    files.entries.emplace(parent, FILE_ATTRIBUTE_DIRECTORY);
  }
  if (key.size() == 2) return;  // a root
  DWORD existing = Find(files, key);
  if (existing != INVALID_FILE_ATTRIBUTES &&
      (existing & FILE_ATTRIBUTE_DIRECTORY) != (attributes & FILE_ATTRIBUTE_DIRECTORY)) {
    throw std::invalid_argument("already there as the other kind: " + path);
  }
  files.entries[key] = attributes;
}

}  // namespace

bool FullPathName(const std::u16string& path, const std::u16string& currentDirectory, std::u16string* full) {
  std::u16string text = path;
  for (char16_t& c : text) {
    if (c == '/') c = '\\';
  }
  if (text.empty() || (text.size() >= 2 && text[0] == '\\' && text[1] == '\\')) return false;

  std::u16string drive = currentDirectory.size() >= 2 ? currentDirectory.substr(0, 2) : u"C:";
  std::u16string body;  // the path below the drive, from its root
  if (text.size() >= 2 && text[1] == ':') {
    std::u16string named = text.substr(0, 2);
    std::u16string rest = text.substr(2);
    if (!rest.empty() && rest[0] == '\\') {
      body = rest;
    } else if (FoldCase(named[0]) == FoldCase(drive[0])) {
      // "X:name" counts from the current directory when X is its drive.
      body = currentDirectory.substr(2) + u"\\" + rest;
    } else {
      body = u"\\" + rest;
    }
    drive = named;
  } else if (text[0] == '\\') {
    body = text;
  } else {
    body = currentDirectory.substr(std::min<size_t>(2, currentDirectory.size())) + u"\\" + text;
  }

  std::vector<std::u16string> names;
  size_t start = 0;
  while (start <= body.size()) {
    size_t end = body.find('\\', start);
    if (end == std::u16string::npos) end = body.size();
    std::u16string name = body.substr(start, end - start);
    if (name == u"..") {
      if (!names.empty()) names.pop_back();
    } else if (!name.empty() && name != u".") {
      names.push_back(name);
    }
    start = end + 1;
  }
  bool lastIsName = false;
  {
    size_t lastStart = body.rfind('\\');
    std::u16string last = body.substr(lastStart == std::u16string::npos ? 0 : lastStart + 1);
    lastIsName = !last.empty() && last != u"." && last != u"..";
  }
  if (lastIsName && !names.empty()) {
    std::u16string& last = names.back();
    while (!last.empty() && (last.back() == '.' || last.back() == ' ')) last.pop_back();
    if (last.empty()) names.pop_back();
  }
  bool trailingBackslash = !body.empty() && body.back() == '\\';

  *full = drive + u"\\";
  for (size_t i = 0; i < names.size(); ++i) {
    if (i > 0) *full += u"\\";
    *full += names[i];
  }
  if (trailingBackslash && !names.empty()) *full += u"\\";
  return true;
}

DWORD AttributesOf(const std::u16string& fullPath, DWORD* error) {
  const FileSystem& files = Files();
  std::u16string key = KeyOf(fullPath);
  DWORD attributes = Find(files, key);
  if (attributes != INVALID_FILE_ATTRIBUTES) {
    // "name\" names a directory; for a file the name is invalid.
    bool wantsDirectory = fullPath.size() > 3 && fullPath.back() == '\\';
    if (wantsDirectory && !(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
      *error = kErrorInvalidName;
      return INVALID_FILE_ATTRIBUTES;
    }
    return attributes;
  }
  size_t cut = key.rfind('\\');
  DWORD parent = cut == std::u16string::npos ? INVALID_FILE_ATTRIBUTES : Find(files, key.substr(0, cut));
  bool parentIsDirectory = parent != INVALID_FILE_ATTRIBUTES && (parent & FILE_ATTRIBUTE_DIRECTORY);
  *error = parentIsDirectory ? ERROR_FILE_NOT_FOUND : ERROR_PATH_NOT_FOUND;
  return INVALID_FILE_ATTRIBUTES;
}

std::u16string CallerDirectory() {
  Process* process = CurrentProcess();
  return process ? Utf8ToWide(process->currentDirectory) : u"C:\\";
}

void AddDirectory(Desktop&, const std::string& path) { Add(path, FILE_ATTRIBUTE_DIRECTORY); }

void AddFile(Desktop&, const std::string& path, DWORD attributes) {
  if (attributes & FILE_ATTRIBUTE_DIRECTORY)
    throw std::invalid_argument("a file is not a directory: " + path);
  Add(path, attributes);
}

bool IsDirectory(Desktop&, const std::string& path) {
  DWORD attributes = Find(Files(), KeyOf(TestSidePath(path)));
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool IsFile(Desktop&, const std::string& path) {
  DWORD attributes = Find(Files(), KeyOf(TestSidePath(path)));
  return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

std::string CurrentDirectoryOf(Desktop& desktop, int pid) { return desktop.ProcessOf(pid).currentDirectory; }

}  // namespace sim

namespace {

DWORD AttributesOfCallerPath(const std::u16string& path) {
  std::u16string full;
  if (!sim::FullPathName(path, sim::CallerDirectory(), &full)) {
    sim::SetError(path.empty() ? ERROR_PATH_NOT_FOUND : sim::kErrorInvalidName);
    return INVALID_FILE_ATTRIBUTES;
  }
  DWORD error = 0;
  DWORD attributes = sim::AttributesOf(full, &error);
  if (attributes == INVALID_FILE_ATTRIBUTES) sim::SetError(error);
  return attributes;
}

}  // namespace

DWORD WINAPI GetFileAttributesW(LPCWSTR fileName) {
  SIM_API_CALL();
  if (sim::RefuseWideCallOn9x()) return INVALID_FILE_ATTRIBUTES;
  if (!fileName) {
    sim::SetError(ERROR_INVALID_PARAMETER);
    return INVALID_FILE_ATTRIBUTES;
  }
  return AttributesOfCallerPath(fileName);
}

DWORD WINAPI GetFileAttributesA(LPCSTR fileName) {
  SIM_API_CALL();
  if (!fileName) {
    sim::SetError(ERROR_INVALID_PARAMETER);
    return INVALID_FILE_ATTRIBUTES;
  }
  return AttributesOfCallerPath(sim::AnsiToWide(fileName));
}
