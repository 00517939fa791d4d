// The KELVANE driver model.
#include "kelvane_driver.h"

#include "process.h"
#include "services.h"
#include "state.h"

namespace sim {
namespace {

struct KelvaneArea {
  std::shared_ptr<KelvaneDriverModel> model;
};

}  // namespace

DWORD KelvaneDriverModel::Open(const DeviceOpen& request) {
  if (!present_) return ERROR_FILE_NOT_FOUND;
  if (process::Lower(request.name) == process::Lower(kVxdName)) return vxdOpenError_;
  if (needsService_ && !services::IsRunning(kServiceName)) return ERROR_FILE_NOT_FOUND;
  return ERROR_SUCCESS;
}

DWORD KelvaneDriverModel::Control(const std::string& /*name*/, DWORD code, BYTE* /*buffer*/, DWORD /*inSize*/,
                                  DWORD /*outSize*/, DWORD* information) {
  *information = 0;
  if (code != kPresentationNotice) return ERROR_INVALID_FUNCTION;
  ++notices_;
  return ERROR_SUCCESS;
}

DWORD KelvaneDriverModel::Delete(const std::string& /*name*/) {
  ++deletes_;
  return ERROR_SUCCESS;
}

KelvaneDriverModel& InstallKelvaneDriver() {
  auto& area = DesktopArea<KelvaneArea>();
  if (!area.model) {
    area.model = std::make_shared<KelvaneDriverModel>();
    devices::Add(KelvaneDriverModel::kNtName, area.model);
    devices::Add(KelvaneDriverModel::kVxdName, area.model);
  }
  return *area.model;
}

}  // namespace sim
