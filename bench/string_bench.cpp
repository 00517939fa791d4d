// Copy, append and format of short and long texts: the counted strings
// against the standard library's strings.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <string>

#include "strlib/sstring.h"
#include "strlib/swstring.h"

using strlib::SString;
using strlib::SWString;

namespace {

std::u16string WideText(size_t length) {
  std::u16string text;
  for (size_t i = 0; i < length; ++i) text += static_cast<char16_t>('a' + i % 26);
  return text;
}
const WCHAR* P(const std::u16string& text) { return reinterpret_cast<const WCHAR*>(text.c_str()); }

// Lengths: a short name (12) and a long path-like text (400).
constexpr int kShort = 12;
constexpr int kLong = 400;

void CopySWString(benchmark::State& state) {
  SWString source(P(WideText(static_cast<size_t>(state.range(0)))));
  for (auto _ : state) {
    SWString copy(source);
    benchmark::DoNotOptimize(copy.Chars());
  }
}
void CopyU16String(benchmark::State& state) {
  std::u16string source = WideText(static_cast<size_t>(state.range(0)));
  for (auto _ : state) {
    std::u16string copy(source);
    benchmark::DoNotOptimize(copy.data());
  }
}

// Builds a path from a directory and a name, as the program search does.
void AppendSWString(benchmark::State& state) {
  std::u16string directory = WideText(static_cast<size_t>(state.range(0)));
  std::u16string name = u"tool.exe";
  for (auto _ : state) {
    SWString path(P(directory));
    path.AppendPath(P(name));
    benchmark::DoNotOptimize(path.Chars());
  }
}
void AppendU16String(benchmark::State& state) {
  std::u16string directory = WideText(static_cast<size_t>(state.range(0)));
  std::u16string name = u"tool.exe";
  for (auto _ : state) {
    std::u16string path(directory);
    if (path.empty() || path.back() != u'\\') path += u'\\';
    path += name;
    benchmark::DoNotOptimize(path.data());
  }
}

void FormatSString(benchmark::State& state) {
  std::string argument(static_cast<size_t>(state.range(0)), 'x');
  SString text;
  for (auto _ : state) {
    text.Format("%s error message", argument.c_str());
    benchmark::DoNotOptimize(text.Chars());
  }
}
void FormatStdString(benchmark::State& state) {
  std::string argument(static_cast<size_t>(state.range(0)), 'x');
  std::string text;
  for (auto _ : state) {
    int length = std::snprintf(nullptr, 0, "%s error message", argument.c_str());
    text.resize(static_cast<size_t>(length));
    std::snprintf(&text[0], static_cast<size_t>(length) + 1, "%s error message", argument.c_str());
    benchmark::DoNotOptimize(text.data());
  }
}

BENCHMARK(CopySWString)->Arg(kShort)->Arg(kLong);
BENCHMARK(CopyU16String)->Arg(kShort)->Arg(kLong);
BENCHMARK(AppendSWString)->Arg(kShort)->Arg(kLong);
BENCHMARK(AppendU16String)->Arg(kShort)->Arg(kLong);
BENCHMARK(FormatSString)->Arg(kShort)->Arg(kLong);
BENCHMARK(FormatStdString)->Arg(kShort)->Arg(kLong);

}  // namespace

BENCHMARK_MAIN();
