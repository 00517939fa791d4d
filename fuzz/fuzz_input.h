// Reads a fuzzer's bytes as a stream of small choices, and the checks the
// fuzzers share.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "platform/win32.h"

namespace fuzz {

// Stops the run with the broken invariant named, so libFuzzer keeps the input.
inline void Check(bool condition, const char* what) {
  if (!condition) {
    std::fprintf(stderr, "check failed: %s\n", what);
    std::abort();
  }
}

// What AppendPath must give: the two sides joined by exactly one backslash
// when each has at most one at the seam.
inline std::u16string AppendPathModel(std::u16string target, std::u16string text) {
  char16_t last = target.empty() ? 0 : target.back();
  if (last == '\\') {
    if (!text.empty() && text[0] == '\\') text.erase(0, 1);
  } else if (text.empty() || text[0] != '\\') {
    target += u'\\';
  }
  return target + text;
}

// A 16-bit text as the Win32 calls take it.
inline const WCHAR* P(const std::u16string& text) { return reinterpret_cast<const WCHAR*>(text.c_str()); }

class Input {
 public:
  Input(const uint8_t* data, size_t size) : data_(data), size_(size) {}
  bool Done() const { return position_ >= size_; }
  uint8_t Byte() { return position_ < size_ ? data_[position_++] : 0; }
  int Pick(int choices) { return Byte() % choices; }

  // A short text over an alphabet rich in path characters, with a few
  // characters outside ASCII (one without a byte in code page 437).
  std::u16string Text(int maxLength) {
    static const char16_t kAlphabet[] = u"ab.\\;:C/- \"exE\u00E9\u2248\u4E2D";
    const int alphabetSize = static_cast<int>(sizeof(kAlphabet) / sizeof(kAlphabet[0])) - 1;
    int length = Pick(maxLength + 1);
    std::u16string text;
    for (int i = 0; i < length; ++i) text += kAlphabet[Pick(alphabetSize)];
    return text;
  }

 private:
  const uint8_t* data_;
  size_t size_;
  size_t position_ = 0;
};

}  // namespace fuzz
