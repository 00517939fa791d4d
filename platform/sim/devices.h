// Devices of the simulated desktop: CreateFileA, DeviceIoControl, CloseHandle
// and DeleteFileA on names of the form "\\.\NAME", routed to device models.
//
// Contract: a test (or an Install function such as InstallTravok) adds a
// model under one or more device names; names compare without case. Opening
// an unknown name gives INVALID_HANDLE_VALUE with ERROR_FILE_NOT_FOUND. The
// model decides whether an open succeeds; then the share modes are checked as
// Windows checks them for files (handles without read or write access take no
// part), so a handle opened with share mode 0 and read or write access keeps
// every other such open out with ERROR_SHARING_VIOLATION. Control requests are
// METHOD_BUFFERED: the model sees a copy of the input, and only the bytes it
// reports are copied back to the output buffer: on success, and on a failure
// only when the model reports bytes with it (a driver completing with a
// warning status such as STATUS_BUFFER_OVERFLOW, ERROR_MORE_DATA). A handle
// belongs to the program that opened it; used by another program, closed,
// never issued, or INVALID_HANDLE_VALUE, it gives FALSE with
// ERROR_INVALID_HANDLE and no buffer is touched; a close of such a handle
// counts as a fault. Handles a program left open are released when it ends
// (logged as kReleasedAtExit, in the trace under that program, just before
// its end). Overlapped requests are not modelled
// (ERROR_INVALID_PARAMETER). Every call goes to the trace (kind kDevice,
// detail such as "DeviceIoControl TRAVOK 0x222408"), to the desktop-wide log
// and to the model's own log.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "desktop.h"

#ifndef ERROR_INVALID_FUNCTION
#define ERROR_INVALID_FUNCTION 1L
#endif
#ifndef ERROR_SHARING_VIOLATION
#define ERROR_SHARING_VIOLATION 32L
#endif

namespace sim {

struct DeviceOpen {
  std::string name;  // as the program gave it
  DWORD access;
  DWORD share;
  DWORD disposition;
  DWORD flags;
  int pid;
};

struct DeviceCall {
  enum Op { kOpen, kControl, kClose, kDelete, kReleasedAtExit };
  Nanos time = 0;
  int pid = 0;
  Op op = kOpen;
  std::string name;  // the device name as opened or deleted
  HANDLE handle = nullptr;
  // CreateFileA
  DWORD access = 0, share = 0, disposition = 0, flags = 0;
  // DeviceIoControl
  DWORD code = 0, inSize = 0, outSize = 0;
  bool inNull = true, outNull = true;
  bool wordInGiven = false;  // the input held at least 2 bytes
  WORD wordIn = 0;
  bool wordOutGiven = false;  // the output held at least 2 bytes
  WORD wordOut = 0;           // the output's first word after the call
  DWORD bytesReturned = 0;
  bool ok = false;
  DWORD error = 0;
};

class DeviceModel {
 public:
  virtual ~DeviceModel() = default;
  // ERROR_SUCCESS to let the open go ahead, else the error CreateFileA reports.
  virtual DWORD Open(const DeviceOpen& request) = 0;
  // One control request. `buffer` holds the inSize input bytes and has room
  // for max(inSize, outSize); the model writes its reply there and sets
  // *information to the reply's size. ERROR_SUCCESS or the error to report;
  // with an error, a non-zero *information still copies the reply.
  virtual DWORD Control(const std::string& name, DWORD code, BYTE* buffer, DWORD inSize, DWORD outSize,
                        DWORD* information) = 0;
  // A handle to `name` was closed (or released at the program's end).
  virtual void Close(const std::string& name) { (void)name; }
  // DeleteFileA on one of the model's names: ERROR_SUCCESS or the error.
  virtual DWORD Delete(const std::string& name) {
    (void)name;
    return ERROR_ACCESS_DENIED;
  }

  // Every call that reached this model, in order.
  const std::vector<DeviceCall>& Calls() const { return calls_; }
  std::vector<DeviceCall> CallsOf(DeviceCall::Op op) const;
  std::vector<DeviceCall> ControlCalls() const { return CallsOf(DeviceCall::kControl); }
  int OpenHandles() const { return openHandles_; }

 private:
  friend struct DeviceTable;
  std::vector<DeviceCall> calls_;
  int openHandles_ = 0;
};

namespace devices {

// Routes `name` ("\\.\TRAVOK") to `model`, replacing an earlier model.
void Add(const std::string& name, std::shared_ptr<DeviceModel> model);
// Takes a name away; handles already open keep working.
void Remove(const std::string& name);
DeviceModel* Find(const std::string& name);

// Every device call on the desktop, including those that reached no model.
const std::vector<DeviceCall>& Log();
int OpenHandleCount();
// Closes of handles that were closed already, never issued, or invalid.
int CloseFaults();

}  // namespace devices
}  // namespace sim
