// The OEM code page of the simulated desktop, code page 437, in both
// directions, with MultiByteToWideChar and WideCharToMultiByte on top.
#include <algorithm>
#include <array>
#include <cstring>
#include <utility>

#include "platform/sim/api_calls.h"
#include "platform/sim/oem_text.h"
#include "platform/sim/state.h"
#include "platform/win32.h"

namespace sim {
namespace {

// Bytes 0x80 to 0xFF; bytes below 0x80 are the same in UTF-16.
const char16_t kUpperHalf[128] = {
    0x00C7, 0x00FC, 0x00E9, 0x00E2, 0x00E4, 0x00E0, 0x00E5, 0x00E7, 0x00EA, 0x00EB, 0x00E8, 0x00EF, 0x00EE,
    0x00EC, 0x00C4, 0x00C5, 0x00C9, 0x00E6, 0x00C6, 0x00F4, 0x00F6, 0x00F2, 0x00FB, 0x00F9, 0x00FF, 0x00D6,
    0x00DC, 0x00A2, 0x00A3, 0x00A5, 0x20A7, 0x0192, 0x00E1, 0x00ED, 0x00F3, 0x00FA, 0x00F1, 0x00D1, 0x00AA,
    0x00BA, 0x00BF, 0x2310, 0x00AC, 0x00BD, 0x00BC, 0x00A1, 0x00AB, 0x00BB, 0x2591, 0x2592, 0x2593, 0x2502,
    0x2524, 0x2561, 0x2562, 0x2556, 0x2555, 0x2563, 0x2551, 0x2557, 0x255D, 0x255C, 0x255B, 0x2510, 0x2514,
    0x2534, 0x252C, 0x251C, 0x2500, 0x253C, 0x255E, 0x255F, 0x255A, 0x2554, 0x2569, 0x2566, 0x2560, 0x2550,
    0x256C, 0x2567, 0x2568, 0x2564, 0x2565, 0x2559, 0x2558, 0x2552, 0x2553, 0x256B, 0x256A, 0x2518, 0x250C,
    0x2588, 0x2584, 0x258C, 0x2590, 0x2580, 0x03B1, 0x00DF, 0x0393, 0x03C0, 0x03A3, 0x03C3, 0x00B5, 0x03C4,
    0x03A6, 0x0398, 0x03A9, 0x03B4, 0x221E, 0x03C6, 0x03B5, 0x2229, 0x2261, 0x00B1, 0x2265, 0x2264, 0x2320,
    0x2321, 0x00F7, 0x2248, 0x00B0, 0x2219, 0x00B7, 0x221A, 0x207F, 0x00B2, 0x25A0, 0x00A0,
};

char16_t ByteToWide(unsigned char byte) { return byte < 0x80 ? byte : kUpperHalf[byte - 0x80]; }

// The byte for a character, or -1 when code page 437 has none.
int WideToByte(char16_t c) {
  if (c < 0x80) return c;
  using Entry = std::pair<char16_t, unsigned char>;
  static const std::array<Entry, 128> sorted = [] {
    std::array<Entry, 128> table{};
    for (int i = 0; i < 128; ++i) table[i] = Entry(kUpperHalf[i], static_cast<unsigned char>(0x80 + i));
    std::sort(table.begin(), table.end());
    return table;
  }();
  auto found = std::lower_bound(sorted.begin(), sorted.end(), Entry(c, 0));
  return found != sorted.end() && found->first == c ? found->second : -1;
}

bool IsOemCodePage(UINT codePage) { return codePage == CP_OEMCP || codePage == 437; }

bool IsHighSurrogate(char16_t c) { return c >= 0xD800 && c <= 0xDBFF; }
bool IsLowSurrogate(char16_t c) { return c >= 0xDC00 && c <= 0xDFFF; }

// Encodes `count` units; a surrogate pair is one character and so one byte.
std::string Encode(const char16_t* text, size_t count, char defaultChar, bool* usedDefault) {
  std::string out;
  out.reserve(count);
  for (size_t i = 0; i < count; ++i) {
    int byte = WideToByte(text[i]);
    if (byte < 0) {
      if (IsHighSurrogate(text[i]) && i + 1 < count && IsLowSurrogate(text[i + 1])) ++i;
      out += defaultChar;
      *usedDefault = true;
    } else {
      out += static_cast<char>(byte);
    }
  }
  return out;
}

}  // namespace

std::u16string OemToWide(const std::string& bytes) {
  std::u16string out;
  out.reserve(bytes.size());
  for (char byte : bytes) out += ByteToWide(static_cast<unsigned char>(byte));
  return out;
}

std::string WideToOem(const std::u16string& text) {
  bool usedDefault = false;
  return Encode(text.data(), text.size(), '?', &usedDefault);
}

std::u16string Utf8ToWide(const std::string& text) {
  std::u16string out;
  for (size_t i = 0; i < text.size();) {
    unsigned char lead = static_cast<unsigned char>(text[i]);
    int extra = lead >= 0xF0 ? 3 : lead >= 0xE0 ? 2 : lead >= 0xC0 ? 1 : 0;
    uint32_t code = extra == 0 ? lead : lead & (0x3F >> extra);
    size_t j = 1;
    for (; j <= static_cast<size_t>(extra) && i + j < text.size(); ++j) {
      code = (code << 6) | (static_cast<unsigned char>(text[i + j]) & 0x3F);
    }
    i += j;
    if (code >= 0x10000) {
      code -= 0x10000;
      out += static_cast<char16_t>(0xD800 + (code >> 10));
      out += static_cast<char16_t>(0xDC00 + (code & 0x3FF));
    } else {
      out += static_cast<char16_t>(code);
    }
  }
  return out;
}

std::string WideToUtf8(const std::u16string& text) {
  std::string out;
  for (size_t i = 0; i < text.size(); ++i) {
    uint32_t code = text[i];
    if (IsHighSurrogate(text[i]) && i + 1 < text.size() && IsLowSurrogate(text[i + 1])) {
      code = 0x10000 + ((code - 0xD800) << 10) + (text[++i] - 0xDC00);
    }
    if (code < 0x80) {
      out += static_cast<char>(code);
    } else if (code < 0x800) {
      out += static_cast<char>(0xC0 | (code >> 6));
      out += static_cast<char>(0x80 | (code & 0x3F));
    } else if (code < 0x10000) {
      out += static_cast<char>(0xE0 | (code >> 12));
      out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (code & 0x3F));
    } else {
      out += static_cast<char>(0xF0 | (code >> 18));
      out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
      out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (code & 0x3F));
    }
  }
  return out;
}

}  // namespace sim

int WINAPI MultiByteToWideChar(UINT codePage, DWORD, LPCSTR source, int sourceCount, LPWSTR target,
                               int targetCount) {
  SIM_API_CALL();
  if (!sim::IsOemCodePage(codePage) || !source || sourceCount == 0 || sourceCount < -1 || targetCount < 0 ||
      (targetCount > 0 && !target)) {
    sim::SetError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  // -1: up to and including the terminating zero.
  size_t count = sourceCount == -1 ? std::strlen(source) + 1 : static_cast<size_t>(sourceCount);
  if (targetCount == 0) return static_cast<int>(count);
  if (static_cast<size_t>(targetCount) < count) {
    sim::SetError(ERROR_INSUFFICIENT_BUFFER);
    return 0;
  }
  for (size_t i = 0; i < count; ++i) target[i] = sim::ByteToWide(static_cast<unsigned char>(source[i]));
  return static_cast<int>(count);
}

int WINAPI WideCharToMultiByte(UINT codePage, DWORD, LPCWSTR source, int sourceCount, LPSTR target,
                               int targetCount, LPCSTR defaultChar, LPBOOL usedDefaultChar) {
  SIM_API_CALL();
  if (!sim::IsOemCodePage(codePage) || !source || sourceCount == 0 || sourceCount < -1 || targetCount < 0 ||
      (targetCount > 0 && !target)) {
    sim::SetError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  size_t count = static_cast<size_t>(sourceCount);
  if (sourceCount == -1) {
    count = 0;
    while (source[count]) ++count;
    ++count;
  }
  bool usedDefault = false;
  std::string bytes = sim::Encode(source, count, defaultChar ? *defaultChar : '?', &usedDefault);
  if (usedDefaultChar) *usedDefaultChar = usedDefault ? TRUE : FALSE;
  if (targetCount == 0) return static_cast<int>(bytes.size());
  if (static_cast<size_t>(targetCount) < bytes.size()) {
    sim::SetError(ERROR_INSUFFICIENT_BUFFER);
    return 0;
  }
  std::memcpy(target, bytes.data(), bytes.size());
  return static_cast<int>(bytes.size());
}
