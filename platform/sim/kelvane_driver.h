// The switcher's driver KELVANE as a device model: "\\.\KELVANE" (the
// kernel driver of Windows NT) and "\\.\KELVANE.VXD" (the dynamic VxD of
// Windows 9x).
//
// Contract: the NT device exists only while the service named "KELVANE" runs
// (services.h); otherwise its open fails with ERROR_FILE_NOT_FOUND, as it
// would with the driver not loaded. A test can lift that tie. The VxD opens
// while the driver is present, or fails with the error a test sets (50,
// ERROR_NOT_SUPPORTED, for a VxD that takes no device requests). Both
// programs open with share mode 0, so a second open with access fails with
// ERROR_SHARING_VIOLATION while the first handle is open (devices.h). Control
// code 0x222400 is accepted with or without buffers, replies nothing and is
// counted as one "Presentation" notice; any other code fails with
// ERROR_INVALID_FUNCTION. DeleteFileA on either name is accepted and counted.
#pragma once

#include "devices.h"

namespace sim {

class KelvaneDriverModel : public DeviceModel {
 public:
  static constexpr DWORD kPresentationNotice = 0x222400;
  static constexpr const char* kNtName = "\\\\.\\KELVANE";
  static constexpr const char* kVxdName = "\\\\.\\KELVANE.VXD";
  static constexpr const char* kServiceName = "KELVANE";

  void SetPresent(bool present) { present_ = present; }
  void SetVxdOpenError(DWORD error) { vxdOpenError_ = error; }
  // Whether the NT device needs the running service (default true).
  void SetNeedsRunningService(bool needs) { needsService_ = needs; }

  int Notices() const { return notices_; }
  int Deletes() const { return deletes_; }

  DWORD Open(const DeviceOpen& request) override;
  DWORD Control(const std::string& name, DWORD code, BYTE* buffer, DWORD inSize, DWORD outSize,
                DWORD* information) override;
  DWORD Delete(const std::string& name) override;

 private:
  bool present_ = true;
  bool needsService_ = true;
  DWORD vxdOpenError_ = 0;
  int notices_ = 0;
  int deletes_ = 0;
};

// Adds the KELVANE model under both names and returns it; a second call
// returns the same model.
KelvaneDriverModel& InstallKelvaneDriver();

}  // namespace sim
