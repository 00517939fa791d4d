// Helpers shared by the string library tests.
#pragma once

#include <string>

#include "platform/sim/oem_text.h"
#include "platform/win32.h"
#include "strlib/sstring_rep.h"

namespace strlib_test {

// Wide text from ASCII, so tests read like the paths they check.
inline std::u16string W(const char* ascii) {
  std::u16string out;
  for (const char* p = ascii; *p; ++p) out += static_cast<char16_t>(static_cast<unsigned char>(*p));
  return out;
}
inline const WCHAR* P(const std::u16string& text) { return reinterpret_cast<const WCHAR*>(text.c_str()); }
inline std::string A(const WCHAR* text) {
  std::string out;
  for (const WCHAR* p = text; *p; ++p) out += *p < 0x80 ? static_cast<char>(*p) : '?';
  return out;
}

// Wide text as UTF-8, for paths beyond ASCII.
inline std::string Utf8(const WCHAR* text) {
  return sim::WideToUtf8(reinterpret_cast<const char16_t*>(text));
}

// Blocks allocated and freed while one of these lives.
class BlockCounter {
 public:
  BlockCounter() : start_(strlib::CurrentBlockCounts()) {}
  int64_t Allocated() const { return strlib::CurrentBlockCounts().allocated - start_.allocated; }
  int64_t Freed() const { return strlib::CurrentBlockCounts().freed - start_.freed; }
  int64_t Live() const { return Allocated() - Freed(); }

 private:
  strlib::BlockCounts start_;
};

}  // namespace strlib_test
