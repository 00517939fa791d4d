// The key driver TRAVOK as a device model: "\\.\TRAVOK" (Windows NT path)
// and "\\.\TRAVOK.VXD" (the dynamic VxD of Windows 95).
//
// Contract: the driver keeps a queue of 16-bit key codes. Key events arrive
// whether or not reporting is on and wait in the queue (so keys pressed before
// a program starts are still there for its start-up drain), but they are
// delivered only while reporting is on; with reporting off the query answers 0
// and the read 0. Control requests, each with a 2-byte input and a 2-byte
// output buffer:
//   0x222414  reporting on (input word non-zero) or off (0); no reply bytes.
//   0x222404  accepted, no effect, no reply bytes.
//   0x222408  replies the number of waiting keys (at most 0xFFFF), 0 when none.
//   0x22240C  replies the next key and removes it, or 0; a key pushed with
//             zeroReadsFirst = k answers 0 to the first k reads that reach it.
// A request set to fail may still write a reply word (see FailControl).
// A buffer shorter than 2 bytes fails with ERROR_INSUFFICIENT_BUFFER, another
// code with ERROR_INVALID_FUNCTION. Opens fail with ERROR_FILE_NOT_FOUND while
// the driver is absent; the VxD open can be set to fail with a given error
// (50, ERROR_NOT_SUPPORTED, as a VxD that does not take device requests).
// DeleteFileA on either name is accepted and counted. Calls are in Calls().
#pragma once

#include <deque>
#include <map>

#include "devices.h"

namespace sim {

class TravokModel : public DeviceModel {
 public:
  static constexpr DWORD kStartupControl = 0x222404;
  static constexpr DWORD kQueryPendingKeys = 0x222408;
  static constexpr DWORD kReadKeyCode = 0x22240C;
  static constexpr DWORD kSetKeyReporting = 0x222414;
  static constexpr const char* kNtName = "\\\\.\\TRAVOK";
  static constexpr const char* kVxdName = "\\\\.\\TRAVOK.VXD";

  // A key press: the driver queues `key`.
  void PushKey(WORD key, int zeroReadsFirst = 0);
  void SetPresent(bool present) { present_ = present; }
  void SetVxdOpenError(DWORD error) { vxdOpenError_ = error; }
  // Makes every request with `code` fail with `error` (0: succeed again).
  // A non-zero `reply` is still written to the output word, as by a driver
  // that fails with a warning status (then `error` is ERROR_MORE_DATA).
  void FailControl(DWORD code, DWORD error, WORD reply = 0);

  bool Reporting() const { return reporting_; }
  size_t Waiting() const { return queue_.size(); }
  // Keys handed out by reads, in order.
  const std::vector<WORD>& Delivered() const { return delivered_; }
  int Deletes() const { return deletes_; }
  // Control requests with `code`, in order.
  std::vector<DeviceCall> ControlCallsOf(DWORD code) const;

  DWORD Open(const DeviceOpen& request) override;
  DWORD Control(const std::string& name, DWORD code, BYTE* buffer, DWORD inSize, DWORD outSize,
                DWORD* information) override;
  DWORD Delete(const std::string& name) override;

 private:
  struct Key {
    WORD code;
    int zeroReadsLeft;
  };
  std::deque<Key> queue_;
  std::vector<WORD> delivered_;
  struct Failure {
    DWORD error;
    WORD reply;
  };
  std::map<DWORD, Failure> failing_;
  bool present_ = true;
  bool reporting_ = false;
  DWORD vxdOpenError_ = 0;
  int deletes_ = 0;
};

// Adds the TRAVOK model under both names and returns it; a second call
// returns the same model.
TravokModel& InstallTravok();

}  // namespace sim
