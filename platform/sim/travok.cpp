// The TRAVOK key driver model.
#include "travok.h"

#include <algorithm>
#include <cstring>

#include "process.h"
#include "state.h"

namespace sim {
namespace {

struct TravokArea {
  std::shared_ptr<TravokModel> model;
};

void PutWord(BYTE* buffer, WORD word) { std::memcpy(buffer, &word, sizeof word); }

}  // namespace

void TravokModel::PushKey(WORD key, int zeroReadsFirst) { queue_.push_back({key, zeroReadsFirst}); }

void TravokModel::FailControl(DWORD code, DWORD error, WORD reply) {
  if (error == 0) {
    failing_.erase(code);
  } else {
    failing_[code] = Failure{error, reply};
  }
}

std::vector<DeviceCall> TravokModel::ControlCallsOf(DWORD code) const {
  std::vector<DeviceCall> calls;
  for (const DeviceCall& call : Calls()) {
    if (call.op == DeviceCall::kControl && call.code == code) calls.push_back(call);
  }
  return calls;
}

DWORD TravokModel::Open(const DeviceOpen& request) {
  if (!present_) return ERROR_FILE_NOT_FOUND;
  if (process::Lower(request.name) == process::Lower(kVxdName) && vxdOpenError_ != 0) return vxdOpenError_;
  return ERROR_SUCCESS;
}

DWORD TravokModel::Control(const std::string& /*name*/, DWORD code, BYTE* buffer, DWORD inSize, DWORD outSize,
                           DWORD* information) {
  *information = 0;
  auto failing = failing_.find(code);
  if (failing != failing_.end()) {
    if (failing->second.reply != 0 && outSize >= 2) {
      PutWord(buffer, failing->second.reply);
      *information = 2;
    }
    return failing->second.error;
  }
  switch (code) {
    case kSetKeyReporting: {
      if (inSize < 2) return ERROR_INSUFFICIENT_BUFFER;
      WORD on;
      std::memcpy(&on, buffer, sizeof on);
      reporting_ = on != 0;
      return ERROR_SUCCESS;
    }
    case kStartupControl:
      return ERROR_SUCCESS;
    case kQueryPendingKeys:
      if (outSize < 2) return ERROR_INSUFFICIENT_BUFFER;
      PutWord(buffer, reporting_ ? static_cast<WORD>(std::min<size_t>(queue_.size(), 0xFFFF)) : 0);
      *information = 2;
      return ERROR_SUCCESS;
    case kReadKeyCode: {
      if (outSize < 2) return ERROR_INSUFFICIENT_BUFFER;
      WORD key = 0;
      if (reporting_ && !queue_.empty()) {
        if (queue_.front().zeroReadsLeft > 0) {
          --queue_.front().zeroReadsLeft;
        } else {
          key = queue_.front().code;
          queue_.pop_front();
          delivered_.push_back(key);
        }
      }
      PutWord(buffer, key);
      *information = 2;
      return ERROR_SUCCESS;
    }
    default:
      return ERROR_INVALID_FUNCTION;
  }
}

DWORD TravokModel::Delete(const std::string& /*name*/) {
  ++deletes_;
  return ERROR_SUCCESS;
}

TravokModel& InstallTravok() {
  auto& area = DesktopArea<TravokArea>();
  if (!area.model) {
    area.model = std::make_shared<TravokModel>();
    devices::Add(TravokModel::kNtName, area.model);
    devices::Add(TravokModel::kVxdName, area.model);
  }
  return *area.model;
}

}  // namespace sim
