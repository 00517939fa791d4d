// Device contexts, stock objects, screen metrics and a deterministic font:
// every character is 7 pixels wide except a few narrow (3) and wide (11)
// ones, and a line is 16 pixels high. Window frames are the classic ones: an
// 18-pixel caption plus its 1-pixel line, and a 3-pixel dialog frame.
#include <cstring>

#include "gdi32.h"
#include "platform/sim/api_calls.h"
#include "state.h"

namespace sim {
namespace {

struct GdiState {
  int screenWidth = 1024;
  int screenHeight = 768;
  int openContexts = 0;
  uintptr_t nextContext = 0x5000;
};

int CharWidth(unsigned c) {
  if (strchr("il.,:;'!| I", static_cast<int>(c)) && c != 0) return 3;
  if (c == 'M' || c == 'W' || c == 'm' || c == 'w') return 11;
  return 7;
}

HDC NewContext() {
  GdiState& g = DesktopArea<GdiState>();
  ++g.openContexts;
  g.nextContext += 4;
  return reinterpret_cast<HDC>(g.nextContext);
}

}  // namespace

constexpr int kLineHeight = 16;

void SetScreenSize(int width, int height) {
  GdiState& g = DesktopArea<GdiState>();
  g.screenWidth = width;
  g.screenHeight = height;
}

int OpenDeviceContexts() { return DesktopArea<GdiState>().openContexts; }

int TextWidth(const std::u16string& text) {
  int width = 0;
  for (char16_t c : text) width += CharWidth(c < 0x80 ? c : 'x');
  return width;
}

}  // namespace sim

int WINAPI GetSystemMetrics(int index) {
  SIM_API_CALL();
  const sim::GdiState& g = sim::DesktopArea<sim::GdiState>();
  switch (index) {
    case SM_CXSCREEN:
      return g.screenWidth;
    case SM_CYSCREEN:
      return g.screenHeight;
    case SM_CYCAPTION:
      return 19;
    case SM_CXBORDER:
    case SM_CYBORDER:
      return 1;
    case SM_CXDLGFRAME:
    case SM_CYDLGFRAME:
      return 3;
    default:
      return 0;
  }
}

BOOL WINAPI AdjustWindowRect(LPRECT rect, DWORD style, BOOL menu) {
  SIM_API_CALL();
  if (!rect) return FALSE;
  int frame = 0;
  if (style & (WS_THICKFRAME | WS_DLGFRAME)) frame = 2;
  if (style & WS_THICKFRAME) frame += 1;
  if (style & (WS_BORDER | WS_DLGFRAME)) frame += 1;
  rect->left -= frame;
  rect->top -= frame;
  rect->right += frame;
  rect->bottom += frame;
  if ((style & WS_CAPTION) == WS_CAPTION) rect->top -= 19;
  if (menu) rect->top -= 20;
  return TRUE;
}

HGDIOBJ WINAPI GetStockObject(int index) {
  SIM_API_CALL();
  if (index < 0 || index > 19) return nullptr;
  return reinterpret_cast<HGDIOBJ>(static_cast<uintptr_t>(0x00900000 + index));
}

HDC WINAPI GetDC(HWND handle) {
  SIM_API_CALL();
  if (handle && !sim::FindWindowRecord(handle)) return nullptr;
  return sim::NewContext();
}

int WINAPI ReleaseDC(HWND, HDC dc) {
  SIM_API_CALL();
  if (!dc) return 0;
  --sim::DesktopArea<sim::GdiState>().openContexts;
  return 1;
}

HDC WINAPI BeginPaint(HWND handle, LPPAINTSTRUCT paint) {
  SIM_API_CALL();
  sim::Window* window = sim::FindWindowRecord(handle);
  if (!window || !paint) return nullptr;
  window->needsPaint = false;
  memset(paint, 0, sizeof(*paint));
  paint->hdc = sim::NewContext();
  paint->rcPaint =
      RECT{0, 0, window->bounds.right - window->bounds.left, window->bounds.bottom - window->bounds.top};
  return paint->hdc;
}

BOOL WINAPI EndPaint(HWND handle, const PAINTSTRUCT* paint) {
  SIM_API_CALL();
  if (!paint) return FALSE;
  ReleaseDC(handle, paint->hdc);
  return TRUE;
}

BOOL WINAPI GetTextMetricsA(HDC dc, LPTEXTMETRICA metrics) {
  SIM_API_CALL();
  if (!dc || !metrics) return FALSE;
  memset(metrics, 0, sizeof(*metrics));
  metrics->tmHeight = sim::kLineHeight;
  metrics->tmAscent = 13;
  metrics->tmDescent = 3;
  metrics->tmAveCharWidth = 7;
  metrics->tmMaxCharWidth = 11;
  metrics->tmWeight = 700;
  return TRUE;
}

BOOL WINAPI GetTextExtentPoint32A(HDC dc, LPCSTR text, int count, LPSIZE size) {
  SIM_API_CALL();
  if (!dc || !size || (count > 0 && !text) || count < 0) return FALSE;
  std::u16string wide;
  for (int i = 0; i < count; ++i) wide += static_cast<unsigned char>(text[i]);
  *size = SIZE{sim::TextWidth(wide), sim::kLineHeight};
  return TRUE;
}

BOOL WINAPI GetTextExtentPoint32W(HDC dc, LPCWSTR text, int count, LPSIZE size) {
  SIM_API_CALL();
  if (!dc || !size || (count > 0 && !text) || count < 0) return FALSE;
  *size = SIZE{sim::TextWidth(std::u16string(text, text + count)), sim::kLineHeight};
  return TRUE;
}
