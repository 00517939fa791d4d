// The two code pages of the simulated desktop in both directions: the OEM
// code page 437 and the ANSI code page 1252, with MultiByteToWideChar and
// WideCharToMultiByte on top.
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

// Code page 437, bytes 0x80 to 0xFF; bytes below 0x80 are the same in UTF-16
// in both code pages.
const char16_t kOemUpperHalf[128] = {
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

// Code page 1252, bytes 0x80 to 0xFF. Its five unassigned bytes (0x81, 0x8D,
// 0x8F, 0x90, 0x9D) become the control characters of the same value, as
// Windows converts them; above 0x9F it is Latin-1.
const char16_t kAnsiUpperHalf[128] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160, 0x2039, 0x0152,
    0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014, 0x02DC, 0x2122,
    0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178, 0x00A0, 0x00A1, 0x00A2, 0x00A3, 0x00A4, 0x00A5, 0x00A6,
    0x00A7, 0x00A8, 0x00A9, 0x00AA, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x00AF, 0x00B0, 0x00B1, 0x00B2, 0x00B3,
    0x00B4, 0x00B5, 0x00B6, 0x00B7, 0x00B8, 0x00B9, 0x00BA, 0x00BB, 0x00BC, 0x00BD, 0x00BE, 0x00BF, 0x00C0,
    0x00C1, 0x00C2, 0x00C3, 0x00C4, 0x00C5, 0x00C6, 0x00C7, 0x00C8, 0x00C9, 0x00CA, 0x00CB, 0x00CC, 0x00CD,
    0x00CE, 0x00CF, 0x00D0, 0x00D1, 0x00D2, 0x00D3, 0x00D4, 0x00D5, 0x00D6, 0x00D7, 0x00D8, 0x00D9, 0x00DA,
    0x00DB, 0x00DC, 0x00DD, 0x00DE, 0x00DF, 0x00E0, 0x00E1, 0x00E2, 0x00E3, 0x00E4, 0x00E5, 0x00E6, 0x00E7,
    0x00E8, 0x00E9, 0x00EA, 0x00EB, 0x00EC, 0x00ED, 0x00EE, 0x00EF, 0x00F0, 0x00F1, 0x00F2, 0x00F3, 0x00F4,
    0x00F5, 0x00F6, 0x00F7, 0x00F8, 0x00F9, 0x00FA, 0x00FB, 0x00FC, 0x00FD, 0x00FE, 0x00FF,
};

// One single-byte code page: its upper half and the way back, sorted by
// character.
class CodePage {
 public:
  explicit CodePage(const char16_t (&upperHalf)[128]) : upperHalf_(upperHalf) {
    for (int i = 0; i < 128; ++i) sorted_[i] = Entry(upperHalf[i], static_cast<unsigned char>(0x80 + i));
    std::sort(sorted_.begin(), sorted_.end());
  }

  char16_t ToWide(unsigned char byte) const { return byte < 0x80 ? byte : upperHalf_[byte - 0x80]; }

  // The byte for a character, or -1 when the code page has none.
  int ToByte(char16_t c) const {
    if (c < 0x80) return c;
    auto found = std::lower_bound(sorted_.begin(), sorted_.end(), Entry(c, 0));
    return found != sorted_.end() && found->first == c ? found->second : -1;
  }

 private:
  using Entry = std::pair<char16_t, unsigned char>;
  const char16_t* upperHalf_;
  std::array<Entry, 128> sorted_;
};

const CodePage& Oem() {
  static const CodePage page(kOemUpperHalf);
  return page;
}

const CodePage& Ansi() {
  static const CodePage page(kAnsiUpperHalf);
  return page;
}

// The code page that a conversion call names, or null for one the desktop
// does not have.
const CodePage* PageOf(UINT codePage) {
  if (codePage == CP_OEMCP || codePage == 437) return &Oem();
  if (codePage == CP_ACP || codePage == 1252) return &Ansi();
  return nullptr;
}

bool IsHighSurrogate(char16_t c) { return c >= 0xD800 && c <= 0xDBFF; }
bool IsLowSurrogate(char16_t c) { return c >= 0xDC00 && c <= 0xDFFF; }

// Encodes `count` units; a surrogate pair is one character and so one byte.
std::string Encode(const CodePage& page, const char16_t* text, size_t count, char defaultChar,
                   bool* usedDefault) {
  std::string out;
  out.reserve(count);
  for (size_t i = 0; i < count; ++i) {
    int byte = page.ToByte(text[i]);
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

namespace {

std::u16string Decode(const CodePage& page, const std::string& bytes) {
  std::u16string out;
  out.reserve(bytes.size());
  for (char byte : bytes) out += page.ToWide(static_cast<unsigned char>(byte));
  return out;
}

}  // namespace

std::u16string OemToWide(const std::string& bytes) { return Decode(Oem(), bytes); }

std::string WideToOem(const std::u16string& text) {
  bool usedDefault = false;
  return Encode(Oem(), text.data(), text.size(), '?', &usedDefault);
}

std::u16string AnsiToWide(const std::string& bytes) { return Decode(Ansi(), bytes); }

std::string WideToAnsi(const std::u16string& text) {
  bool usedDefault = false;
  return Encode(Ansi(), text.data(), text.size(), '?', &usedDefault);
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
  const sim::CodePage* page = sim::PageOf(codePage);
  if (!page || !source || sourceCount == 0 || sourceCount < -1 || targetCount < 0 ||
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
  for (size_t i = 0; i < count; ++i) target[i] = page->ToWide(static_cast<unsigned char>(source[i]));
  return static_cast<int>(count);
}

int WINAPI WideCharToMultiByte(UINT codePage, DWORD, LPCWSTR source, int sourceCount, LPSTR target,
                               int targetCount, LPCSTR defaultChar, LPBOOL usedDefaultChar) {
  SIM_API_CALL();
  const sim::CodePage* page = sim::PageOf(codePage);
  if (!page || !source || sourceCount == 0 || sourceCount < -1 || targetCount < 0 ||
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
  std::string bytes = sim::Encode(*page, source, count, defaultChar ? *defaultChar : '?', &usedDefault);
  if (usedDefaultChar) *usedDefaultChar = usedDefault ? TRUE : FALSE;
  if (targetCount == 0) return static_cast<int>(bytes.size());
  if (static_cast<size_t>(targetCount) < bytes.size()) {
    sim::SetError(ERROR_INSUFFICIENT_BUFFER);
    return 0;
  }
  std::memcpy(target, bytes.data(), bytes.size());
  return static_cast<int>(bytes.size());
}
