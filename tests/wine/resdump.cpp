// resdump: prints the resources of an .exe in a fixed text form, so that a
// test can compare the resources linked into our programs with what they must
// hold. The module is loaded as data, not run.
//
//   resdump PROGRAM.exe
//
// One line per resource, sorted by kind and id:
//   string 103 "Plimset"
//   icon 107 32x32x4 16x16x4          (width x height x bits per pixel of each image;
//                                      "!" after an image that Windows cannot decode)
//   menu 109 "&File"{ "E&xit"=105 } "&Help"{ "&About ..."=104 }
//   accelerators 109 alt+'?'=104 alt+'/'=104   (virtkey entries: alt+vk0x41=...)
//   dialog 103
//   version 1.0.0.0 product 1.0.0.0 app       (fixed file and product versions, file type)
//   version 040904e4 ProductName "Notebook Fn Keys"   (each string of each translation)
#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

// The layout of one entry of a group icon resource (RT_GROUP_ICON).
#pragma pack(push, 2)
struct GroupIconEntry {
  BYTE width;
  BYTE height;
  BYTE colorCount;
  BYTE reserved;
  WORD planes;
  WORD bitCount;
  DWORD bytesInRes;
  WORD id;
};
struct GroupIconHeader {
  WORD reserved;
  WORD type;
  WORD count;
};
#pragma pack(pop)

BOOL CALLBACK CollectId(HMODULE, LPCSTR, LPSTR name, LONG_PTR ids) {
  if (IS_INTRESOURCE(name)) reinterpret_cast<std::vector<WORD>*>(ids)->push_back(LOWORD(name));
  return TRUE;
}

std::vector<WORD> IdsOf(HMODULE module, LPCSTR type) {
  std::vector<WORD> ids;
  EnumResourceNamesA(module, type, CollectId, reinterpret_cast<LONG_PTR>(&ids));
  return ids;
}

// String resources are stored in blocks of 16; block n holds ids 16(n-1) .. 16n-1.
void DumpStrings(HMODULE module) {
  for (WORD block : IdsOf(module, RT_STRING)) {
    for (UINT id = (block - 1u) * 16u; id < block * 16u; ++id) {
      char text[512];
      if (LoadStringA(module, id, text, sizeof text) > 0) std::printf("string %u \"%s\"\n", id, text);
    }
  }
}

bool IconDecodes(HMODULE module, WORD id, int width, int height) {
  HRSRC found = FindResourceA(module, MAKEINTRESOURCEA(id), RT_ICON);
  auto* bits = static_cast<BYTE*>(LockResource(LoadResource(module, found)));
  if (!bits) return false;
  HICON icon =
      CreateIconFromResourceEx(bits, SizeofResource(module, found), TRUE, 0x00030000, width, height, 0);
  if (!icon) return false;
  DestroyIcon(icon);
  return true;
}

void DumpIcons(HMODULE module) {
  for (WORD id : IdsOf(module, RT_GROUP_ICON)) {
    HRSRC found = FindResourceA(module, MAKEINTRESOURCEA(id), RT_GROUP_ICON);
    auto* header = static_cast<const GroupIconHeader*>(LockResource(LoadResource(module, found)));
    if (!header) continue;
    auto* entries = reinterpret_cast<const GroupIconEntry*>(header + 1);
    std::printf("icon %u", id);
    for (WORD i = 0; i < header->count; ++i) {
      int width = entries[i].width ? entries[i].width : 256;
      int height = entries[i].height ? entries[i].height : 256;
      std::printf(" %dx%dx%u%s", width, height, entries[i].bitCount,
                  IconDecodes(module, entries[i].id, width, height) ? "" : "!");
    }
    std::printf("\n");
  }
}

void DumpMenuItems(HMENU menu) {
  for (int i = 0; i < GetMenuItemCount(menu); ++i) {
    char text[256] = "";
    GetMenuStringA(menu, i, text, sizeof text, MF_BYPOSITION);
    HMENU popup = GetSubMenu(menu, i);
    std::printf(" \"%s\"", text);
    if (popup) {
      std::printf("{");
      DumpMenuItems(popup);
      std::printf(" }");
    } else {
      std::printf("=%u", GetMenuItemID(menu, i));
    }
  }
}

void DumpMenus(HMODULE module) {
  for (WORD id : IdsOf(module, RT_MENU)) {
    HMENU menu = LoadMenuA(module, MAKEINTRESOURCEA(id));
    std::printf("menu %u", id);
    if (menu) DumpMenuItems(menu);
    std::printf("\n");
    if (menu) DestroyMenu(menu);
  }
}

void DumpAccelerators(HMODULE module) {
  for (WORD id : IdsOf(module, RT_ACCELERATOR)) {
    HACCEL table = LoadAcceleratorsA(module, MAKEINTRESOURCEA(id));
    int count = table ? CopyAcceleratorTableA(table, nullptr, 0) : 0;
    std::vector<ACCEL> entries(static_cast<size_t>(count));
    if (count > 0) CopyAcceleratorTableA(table, entries.data(), count);
    std::printf("accelerators %u", id);
    for (const ACCEL& entry : entries) {
      std::printf(" %s%s%s%s", (entry.fVirt & FNOINVERT) ? "noinvert+" : "",
                  (entry.fVirt & FCONTROL) ? "ctrl+" : "", (entry.fVirt & FSHIFT) ? "shift+" : "",
                  (entry.fVirt & FALT) ? "alt+" : "");
      if (entry.fVirt & FVIRTKEY) {
        std::printf("vk0x%02x", entry.key);
      } else {
        std::printf("'%c'", static_cast<char>(entry.key));
      }
      std::printf("=%u", entry.cmd);
    }
    std::printf("\n");
    if (table) DestroyAcceleratorTable(table);
  }
}

void DumpDialogs(HMODULE module) {
  for (WORD id : IdsOf(module, RT_DIALOG)) std::printf("dialog %u\n", id);
}

// The version resource as Explorer's Version tab reads it: through the
// version library, from the file rather than the loaded module.
void DumpVersion(const char* path) {
  DWORD handle = 0;
  DWORD size = GetFileVersionInfoSizeA(path, &handle);
  if (size == 0) return;
  std::vector<BYTE> data(size);
  if (!GetFileVersionInfoA(path, 0, size, data.data())) return;
  void* value = nullptr;
  UINT length = 0;
  if (VerQueryValueA(data.data(), "\\", &value, &length) && length >= sizeof(VS_FIXEDFILEINFO)) {
    const auto* fixed = static_cast<const VS_FIXEDFILEINFO*>(value);
    std::printf("version %u.%u.%u.%u product %u.%u.%u.%u %s\n", HIWORD(fixed->dwFileVersionMS),
                LOWORD(fixed->dwFileVersionMS), HIWORD(fixed->dwFileVersionLS),
                LOWORD(fixed->dwFileVersionLS), HIWORD(fixed->dwProductVersionMS),
                LOWORD(fixed->dwProductVersionMS), HIWORD(fixed->dwProductVersionLS),
                LOWORD(fixed->dwProductVersionLS), fixed->dwFileType == VFT_APP ? "app" : "not-app");
  }
  if (!VerQueryValueA(data.data(), "\\VarFileInfo\\Translation", &value, &length)) return;
  const auto* translations = static_cast<const WORD*>(value);
  static const char* const kNames[] = {"FileDescription",  "FileVersion", "InternalName",
                                       "OriginalFilename", "ProductName", "ProductVersion"};
  for (UINT i = 0; i + 1 < length / sizeof(WORD); i += 2) {
    char block[16];
    std::snprintf(block, sizeof block, "%04x%04x", translations[i], translations[i + 1]);
    for (const char* name : kNames) {
      std::string key = std::string("\\StringFileInfo\\") + block + "\\" + name;
      UINT textLength = 0;
      if (VerQueryValueA(data.data(), key.c_str(), &value, &textLength) && textLength > 0) {
        std::printf("version %s %s \"%s\"\n", block, name, static_cast<const char*>(value));
      }
    }
  }
}

}  // namespace

int main(int argc, char** argv) {
  _setmode(_fileno(stdout), _O_BINARY);  // "\n", not "\r\n", for the scripts
  if (argc != 2) {
    std::fprintf(stderr, "usage: resdump PROGRAM.exe\n");
    return 2;
  }
  HMODULE module = LoadLibraryExA(argv[1], nullptr, LOAD_LIBRARY_AS_DATAFILE);
  if (!module) {
    std::fprintf(stderr, "resdump: cannot load %s (error %lu)\n", argv[1], GetLastError());
    return 1;
  }
  DumpStrings(module);
  DumpIcons(module);
  DumpMenus(module);
  DumpAccelerators(module);
  DumpDialogs(module);
  FreeLibrary(module);
  DumpVersion(argv[1]);
  return 0;
}
