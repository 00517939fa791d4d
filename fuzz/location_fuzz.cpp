// Random paths, command lines, PATH values and file sets through the
// program-location routines: the path rules against plain models, the search
// inside a simulated program, and no block left behind.
#include <cstdio>
#include <cstdlib>
#include <stdexcept>
#include <string>

#include "fuzz/fuzz_input.h"
#include "platform/sim/desktop.h"
#include "platform/sim/files.h"
#include "platform/sim/oem_text.h"
#include "strlib/program_location.h"

using strlib::SWString;

namespace {

using fuzz::AppendPathModel;
using fuzz::Check;
using fuzz::P;
std::u16string U(const SWString& text) { return reinterpret_cast<const char16_t*>(text.Chars()); }

bool StartsWith(const std::u16string& text, const char16_t* prefix) {
  return text.compare(0, std::char_traits<char16_t>::length(prefix), prefix) == 0;
}

bool PlainAbsoluteModel(const std::u16string& path) {
  if (path.size() < 3 || path[1] != ':' || path[2] != '\\') return false;
  size_t start = 3;
  for (;;) {
    size_t end = path.find(u'\\', start);
    std::u16string segment =
        path.substr(start, end == std::u16string::npos ? std::u16string::npos : end - start);
    if (StartsWith(segment, u"..")) return false;
    if (segment == u"." && end != std::u16string::npos) return false;
    if (end == std::u16string::npos) return true;
    start = end + 1;
  }
}

std::u16string ResolveModel(std::u16string path, std::u16string rest) {
  for (;;) {
    if (StartsWith(rest, u".\\")) {
      rest.erase(0, 2);
    } else if (StartsWith(rest, u"..\\")) {
      rest.erase(0, 3);
      if (!path.empty() && path.back() == '\\') path.pop_back();
      size_t cut = path.rfind(u'\\');
      if (cut == std::u16string::npos) return path;
      path.resize(cut);
    } else {
      return AppendPathModel(path, rest);
    }
  }
}

std::u16string DirectoryModel(const std::u16string& path) {
  size_t cut = path.rfind(u'\\');
  return cut == std::u16string::npos || cut == 0 ? std::u16string() : path.substr(0, cut);
}

void CheckPathRules(fuzz::Input& input) {
  std::u16string a = input.Text(24);
  std::u16string b = input.Text(24);
  // Bias towards drive prefixes and dot segments.
  if (input.Pick(2)) a = u"C:\\" + a;
  if (input.Pick(3) == 0) b = u"..\\" + b;
  if (input.Pick(3) == 0) b = u".\\" + b;
  Check(strlib::IsPlainAbsolutePath(P(a)) == PlainAbsoluteModel(a), "IsPlainAbsolutePath");
  Check(strlib::IsPlainAbsolutePath(P(b)) == PlainAbsoluteModel(b), "IsPlainAbsolutePath");
  Check(U(strlib::ResolvePath(P(a), P(b))) == ResolveModel(a, b), "ResolvePath");
  Check(U(strlib::DirectoryPart(P(a))) == DirectoryModel(a), "DirectoryPart");
}

std::string PathPiece(fuzz::Input& input) {
  static const char* kNames[] = {"a", "B", "bin", "tool.exe", "TOOL.EXE", "x.exe", "a b", "..", "."};
  return kNames[input.Pick(9)];
}

std::u16string g_name;
bool g_checked;

int SearchProgram(HINSTANCE, HINSTANCE, LPSTR, int) {
  strlib::BlockCounts before = strlib::CurrentBlockCounts();
  {
    SWString directory = strlib::ProgramDirectory();
    SWString found = strlib::FindProgramFile(P(g_name));
    if (found.Length() > 0) {
      Check(strlib::IsExistingFile(found), "what FindProgramFile finds exists");
      DWORD attributes = GetFileAttributesW(found);
      if (attributes != INVALID_FILE_ATTRIBUTES) {
        Check(!(attributes & FILE_ATTRIBUTE_DIRECTORY), "what FindProgramFile finds is a file");
      }
    }
    strlib::EnterProgramDirectory();
    SWString again = strlib::ProgramDirectory();
    (void)again;
  }
  strlib::BlockCounts after = strlib::CurrentBlockCounts();
  Check(after.allocated - before.allocated == after.freed - before.freed, "every block is freed");
  g_checked = true;
  return 0;
}

void CheckSearch(fuzz::Input& input) {
  sim::Desktop desktop;
  int files = input.Pick(7);
  for (int i = 0; i < files; ++i) {
    std::string path = input.Pick(3) == 0 ? "D:" : "C:";
    int depth = 1 + input.Pick(3);
    for (int d = 0; d < depth; ++d) path += "\\" + PathPiece(input);
    try {
      if (input.Pick(3) == 0) {
        sim::AddDirectory(desktop, path);
      } else {
        sim::AddFile(desktop, path);
      }
    } catch (const std::invalid_argument&) {
      // A file on the way to another path: that one is simply left out.
    }
  }
  // Windows 98: the wide file, directory and environment calls fail there.
  const bool windows9x = input.Pick(4) == 0;

  sim::StartOptions options;
  if (windows9x) options.version = sim::Windows98();
  options.currentDirectory = input.Pick(2) ? "C:\\a" : "C:\\";
  if (!sim::IsDirectory(desktop, options.currentDirectory)) {
    try {
      sim::AddDirectory(desktop, options.currentDirectory);
    } catch (const std::invalid_argument&) {
      options.currentDirectory = "C:\\";  // "C:\a" is a file
    }
  }
  if (input.Pick(4) != 0) options.environment["PATH"] = sim::WideToUtf8(input.Text(30));
  options.commandLine = sim::WideToUtf8(input.Text(30));
  g_name = input.Text(16);
  if (input.Pick(2)) g_name = u"tool";
  g_checked = false;
  static const sim::ProgramImage image{"location-fuzz", SearchProgram, nullptr, nullptr};
  int pid = desktop.Start(image, options);
  desktop.RunUntilQuiet();
  Check(!desktop.IsRunning(pid) && g_checked, "the search program ran to its end");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::Input input(data, size);
  strlib::BlockCounts before = strlib::CurrentBlockCounts();
  for (int i = 0; i < 4 && !input.Done(); ++i) CheckPathRules(input);
  if (!input.Done()) CheckSearch(input);
  strlib::BlockCounts after = strlib::CurrentBlockCounts();
  Check(after.allocated - before.allocated == after.freed - before.freed, "every block is freed");
  return 0;
}
