// The power-profile library model behind "powrprof.dll".
#include "powrprof.h"

#include <algorithm>
#include <memory>

#include "modules.h"
#include "process.h"
#include "state.h"

namespace sim {
namespace {

struct PowerProfileArea {
  std::unique_ptr<PowerProfileModel> model;
};

// Library exports are stored as FARPROC, whatever their real type.
template <class Function>
FARPROC AsExport(Function function) {
  return reinterpret_cast<FARPROC>(reinterpret_cast<void (*)()>(function));
}

}  // namespace

// The exported functions; they reach the model of the desktop in force.
struct PowerProfileEntries {
  static PowerProfileModel& Model() { return *DesktopArea<PowerProfileArea>().model; }

  static bool NarrowNames(const PowerProfileModel& model) {
    if (model.width_ == PowerProfileModel::NameWidth::kFollowVersion) {
      return process::CallerOptions().version.dwPlatformId == VER_PLATFORM_WIN32_WINDOWS;
    }
    return model.width_ == PowerProfileModel::NameWidth::kNarrow;
  }

  static BOOLEAN WINAPI EnumPwrSchemes(PowerSchemeEnumProc callback, LPARAM context) {
    PowerProfileModel& model = Model();
    ++model.enumCalls_;
    if (callback == nullptr) {
      SetError(ERROR_INVALID_PARAMETER);
      return FALSE;
    }
    // Copy: the callback may run code that changes the model.
    std::vector<PowerProfileModel::Scheme> schemes = model.schemes_;
    bool narrow = NarrowNames(model);
    int failAfter = model.failEnumAfter_;
    alignas(8) static BYTE policy[256];
    for (size_t i = 0; i < schemes.size(); ++i) {
      if (failAfter >= 0 && static_cast<int>(i) == failAfter) {
        SetError(ERROR_NOT_ENOUGH_MEMORY);
        return FALSE;
      }
      std::fill(std::begin(policy), std::end(policy), 0);
      BOOLEAN more;
      if (narrow) {
        std::string name = schemes[i].name, description = schemes[i].description;
        more = callback(schemes[i].index, static_cast<DWORD>(name.size() + 1),
                        reinterpret_cast<LPWSTR>(&name[0]), static_cast<DWORD>(description.size() + 1),
                        reinterpret_cast<LPWSTR>(&description[0]), policy, context);
      } else {
        std::u16string name = process::Widen(schemes[i].name);
        std::u16string description = process::Widen(schemes[i].description);
        more = callback(schemes[i].index, static_cast<DWORD>((name.size() + 1) * 2), &name[0],
                        static_cast<DWORD>((description.size() + 1) * 2), &description[0], policy, context);
      }
      if (!more) return TRUE;
    }
    if (failAfter >= 0 && static_cast<size_t>(failAfter) == schemes.size()) {
      SetError(ERROR_NOT_ENOUGH_MEMORY);
      return FALSE;
    }
    return TRUE;
  }

  static BOOLEAN WINAPI GetActivePwrScheme(PUINT index) {
    PowerProfileModel& model = Model();
    ++model.getActiveCalls_;
    if (model.failGetActive_) {
      SetError(ERROR_ACCESS_DENIED);
      return FALSE;
    }
    if (index == nullptr) {
      SetError(ERROR_INVALID_PARAMETER);
      return FALSE;
    }
    *index = model.active_;
    return TRUE;
  }

  static BOOLEAN WINAPI SetActivePwrScheme(UINT index, void* globalPolicy, void* policy) {
    PowerProfileModel& model = Model();
    bool known = false;
    for (const auto& scheme : model.schemes_) known = known || scheme.index == index;
    bool ok = known && !model.failSetActive_;
    model.activations_.push_back(
        {D().now, process::CallerPid(), index, globalPolicy == nullptr, policy == nullptr, ok});
    Record(TraceEvent::kNote, nullptr, 0, index, ok, "SetActivePwrScheme " + std::to_string(index));
    if (!ok) {
      SetError(known ? ERROR_ACCESS_DENIED : ERROR_FILE_NOT_FOUND);
      return FALSE;
    }
    model.active_ = index;
    return TRUE;
  }

  // Stores a scheme under *index (a new index when it is not known).
  static BOOLEAN WINAPI WritePwrScheme(PUINT index, LPWSTR name, LPWSTR description, void* /*policy*/) {
    PowerProfileModel& model = Model();
    ++model.writeCalls_;
    if (index == nullptr || name == nullptr) {
      SetError(ERROR_INVALID_PARAMETER);
      return FALSE;
    }
    std::string text = Narrow(name);
    std::string about = description ? Narrow(description) : std::string();
    for (auto& scheme : model.schemes_) {
      if (scheme.index == *index) {
        scheme.name = text;
        scheme.description = about;
        return TRUE;
      }
    }
    UINT next = 0;
    for (const auto& scheme : model.schemes_) next = std::max(next, scheme.index + 1);
    model.schemes_.push_back({next, text, about});
    *index = next;
    return TRUE;
  }
};

void PowerProfileModel::RemoveEntryPoint(const std::string& name) { modules::RemoveExport(fileName_, name); }

PowerProfileModel& InstallPowerProfile(const std::string& fileName) {
  auto& area = DesktopArea<PowerProfileArea>();
  if (!area.model) {
    area.model = std::make_unique<PowerProfileModel>();
    area.model->fileName_ = fileName;
    modules::Register(fileName, {{"EnumPwrSchemes", AsExport(&PowerProfileEntries::EnumPwrSchemes)},
                                 {"GetActivePwrScheme", AsExport(&PowerProfileEntries::GetActivePwrScheme)},
                                 {"SetActivePwrScheme", AsExport(&PowerProfileEntries::SetActivePwrScheme)},
                                 {"WritePwrScheme", AsExport(&PowerProfileEntries::WritePwrScheme)}});
  }
  return *area.model;
}

}  // namespace sim
