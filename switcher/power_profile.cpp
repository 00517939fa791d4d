// The binding to the power-profile library "powrprof.dll", loaded by name at
// run time: the library handle and its four entry points.
#include "switcher/kelvane.h"

namespace kelvane {
namespace {

// GetProcAddress hands out a generic function pointer; going through
// void (*)() says that the real signature is known to the caller.
template <class Function>
Function EntryAs(FARPROC address) {
  return reinterpret_cast<Function>(reinterpret_cast<void (*)()>(address));
}

}  // namespace

PowerProfileApi::~PowerProfileApi() {
  if (module) {
    FreeLibrary(module);
    module = nullptr;
  }
  // `schemes` is destroyed after this body and deletes the links left in it.
}

int PowerProfileApi::Load() {
  module = LoadLibraryA(libraryName);
  if (!module) {
    strlib::SString text;
    text.Format("Can't load the %s", libraryName);
    App().ReportError(text);
    return 0;
  }
  // Fixed order; the first missing entry point ends the binding, and those
  // after it are not looked up. WritePwrScheme is never called but must exist.
  for (int entry = 0; entry < kEntryCount; ++entry) {
    entryAddresses[entry] = GetProcAddress(module, entryNames[entry]);
    if (!entryAddresses[entry]) {
      ReportMissingEntryPoint(entryNames[entry]);
      return 0;
    }
  }
  return 1;
}

bool PowerProfileApi::IsBound() const {
  if (!module) return false;
  for (FARPROC address : entryAddresses) {
    if (!address) return false;
  }
  return true;
}

void PowerProfileApi::ReportMissingEntryPoint(const char* name) {
  strlib::SString text;
  text.Format("Can't find process %s() in the %s", name, libraryName);
  App().ReportError(text);
}

EnumPwrSchemesFunction PowerProfileApi::EnumSchemes() const {
  return EntryAs<EnumPwrSchemesFunction>(entryAddresses[kEnumPwrSchemes]);
}

GetActivePwrSchemeFunction PowerProfileApi::GetActiveScheme() const {
  return EntryAs<GetActivePwrSchemeFunction>(entryAddresses[kGetActivePwrScheme]);
}

SetActivePwrSchemeFunction PowerProfileApi::SetActiveScheme() const {
  return EntryAs<SetActivePwrSchemeFunction>(entryAddresses[kSetActivePwrScheme]);
}

}  // namespace kelvane
