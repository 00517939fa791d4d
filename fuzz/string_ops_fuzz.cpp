// Random sequences of string operations, each checked against a plain model
// (std::u16string for SWString, std::string for SString), with the block
// invariants after every step and no block left when the strings are gone.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "fuzz/fuzz_input.h"
#include "strlib/sstring.h"
#include "strlib/swstring.h"

using strlib::SString;
using strlib::SStringRep;
using strlib::SWString;

namespace {

using fuzz::AppendPathModel;
using fuzz::Check;
using fuzz::P;

template <class Char>
void CheckBlock(const SStringRep* rep, const Char* chars) {
  if (rep->capacity == 0) {
    Check(rep->length == 0 && chars[0] == 0, "the shared empty block stays empty");
    return;
  }
  Check(rep->refCount >= 1, "a used block has a reference");
  Check(rep->length >= 0 && rep->length < rep->capacity, "length within capacity");
  Check(chars[rep->length] == 0, "a zero ends the text");
  Check(rep->capacity >= 8, "capacities start at 8");
}

void CheckWide(const SWString& text, const std::u16string& model) {
  CheckBlock(text.Rep(), text.Chars());
  Check(text.Length() == static_cast<int32_t>(model.size()), "wide length matches the model");
  Check(std::u16string(reinterpret_cast<const char16_t*>(text.Chars()), model.size()) == model,
        "wide text matches the model");
  Check(text.LastChar() == (model.empty() ? 0 : model.back()), "LastChar");
}

void CheckNarrow(const SString& text, const std::string& model) {
  CheckBlock(text.Rep(), text.Chars());
  Check(text.Length() == static_cast<int32_t>(model.size()), "narrow length matches the model");
  Check(std::string(text.Chars(), model.size()) == model, "narrow text matches the model");
}

// The model of the OEM conversion for the fuzzer's alphabet.
std::string ToOem(const std::u16string& text) {
  std::string out;
  for (char16_t c : text) {
    if (c < 0x80) {
      out += static_cast<char>(c);
    } else if (c == 0x00E9) {
      out += '\x82';
    } else if (c == 0x2248) {
      out += '\xF7';
    } else {
      out += '?';
    }
  }
  return out;
}

constexpr int kWide = 4;
constexpr int kNarrow = 2;
constexpr size_t kLongest = 2000;

void Run(fuzz::Input& input) {
  SWString wide[kWide];
  std::u16string wideModel[kWide];
  SString narrow[kNarrow];
  std::string narrowModel[kNarrow];

  while (!input.Done()) {
    int i = input.Pick(kWide);
    int j = input.Pick(kWide);
    SWString& target = wide[i];
    std::u16string& model = wideModel[i];
    switch (input.Pick(14)) {
      case 0: {
        std::u16string text = input.Text(40);
        target.Assign(P(text));
        model = text;
        break;
      }
      case 1: {  // text from the string's own characters
        int from = model.empty() ? 0 : input.Pick(static_cast<int>(model.size()) + 1);
        target.Assign(target.Chars() + from);
        model = model.substr(static_cast<size_t>(from));
        break;
      }
      case 2:
        target = wide[j];
        model = wideModel[j];
        break;
      case 3: {
        std::u16string text = input.Text(40);
        int n = input.Pick(50) - 2;
        target.AssignN(P(text), n);
        model = n < 1 ? std::u16string() : text.substr(0, static_cast<size_t>(n));
        break;
      }
      case 4: {
        int from = model.empty() ? 0 : input.Pick(static_cast<int>(model.size()) + 1);
        int n = input.Pick(50) - 2;
        target.AssignN(target.Chars() + from, n);
        model = n < 1 ? std::u16string() : model.substr(static_cast<size_t>(from), static_cast<size_t>(n));
        break;
      }
      case 5: {
        std::u16string text = input.Text(30);
        target.AssignUpTo(P(text), ';');
        model = text.substr(0, text.find(u';'));
        break;
      }
      case 6: {
        // Up to 11 pieces; pieces may be other strings or this one.
        int count = input.Pick(12);
        std::u16string texts[11];
        const WCHAR* pieces[11];
        std::u16string expected = model;
        for (int k = 0; k < count; ++k) {
          // Strings as pieces, this one included, while they are short:
          // concatenating a string to itself over and over grows it
          // exponentially.
          int source = input.Pick(kWide);
          if (input.Pick(3) == 0 && wideModel[source].size() < kLongest) {
            pieces[k] = wide[source].Chars();
            texts[k] = wideModel[source];
          } else {
            texts[k] = input.Text(20);
            pieces[k] = P(texts[k]);
          }
          expected += texts[k];
        }
        bool raised = false;
        try {
          switch (count) {
            case 0:
              target.Concat(nullptr);
              break;
            case 1:
              target.Concat(pieces[0]);
              break;
            case 2:
              target.Concat(pieces[0], pieces[1], nullptr);
              break;
            case 3:
              target.Concat(pieces[0], pieces[1], pieces[2]);
              break;
            case 4:
              target.Concat(pieces[0], pieces[1], pieces[2], pieces[3]);
              break;
            case 5:
              target.Concat(pieces[0], pieces[1], pieces[2], pieces[3], pieces[4]);
              break;
            case 6:
              target.Concat(pieces[0], pieces[1], pieces[2], pieces[3], pieces[4], pieces[5]);
              break;
            case 7:
              target.Concat(pieces[0], pieces[1], pieces[2], pieces[3], pieces[4], pieces[5], pieces[6]);
              break;
            case 8:
              target.Concat(pieces[0], pieces[1], pieces[2], pieces[3], pieces[4], pieces[5], pieces[6],
                            pieces[7]);
              break;
            case 9:
              target.Concat(pieces[0], pieces[1], pieces[2], pieces[3], pieces[4], pieces[5], pieces[6],
                            pieces[7], pieces[8], nullptr);
              break;
            case 10:
              target.Concat(pieces[0], pieces[1], pieces[2], pieces[3], pieces[4], pieces[5], pieces[6],
                            pieces[7], pieces[8], pieces[9]);
              break;
            default:
              target.Concat(pieces[0], pieces[1], pieces[2], pieces[3], pieces[4], pieces[5], pieces[6],
                            pieces[7], pieces[8], pieces[9], pieces[10]);
              break;
          }
        } catch (strlib::SExcept* raisedException) {
          Check(raisedException->line == 521, "SExcept names line 521");
          delete raisedException;
          raised = true;
        }
        Check(raised == (count >= 10), "a tenth piece and only a tenth piece raises");
        if (!raised) model = expected;
        break;
      }
      case 7: {
        std::u16string text = input.Text(12);
        if (input.Pick(4) == 0 && wideModel[j].size() < kLongest) {
          text = wideModel[j];
          model = AppendPathModel(model, text);
          target.AppendPath(wide[j]);
        } else {
          model = AppendPathModel(model, text);
          target.AppendPath(P(text));
        }
        break;
      }
      case 8: {
        int n = input.Pick(300) - 5;
        bool keep = input.Pick(2) == 1;
        const SStringRep* before = target.Rep();
        bool reuse = n >= 1 && before->capacity == strlib::BucketCapacity(n) && before->refCount == 1;
        SStringRep* rep = target.Reserve(n, keep);
        if (n < 1) {
          model.clear();
        } else if (!reuse) {
          Check(rep->capacity == strlib::BucketCapacity(n), "Reserve picks the bucket");
          model = keep ? model.substr(0, static_cast<size_t>(rep->capacity - 1)) : std::u16string();
        }
        break;
      }
      case 9:
        target.Empty();
        model.clear();
        break;
      case 10: {
        int k = input.Pick(kNarrow);
        narrow[k].Assign(wide[j]);
        narrowModel[k] = ToOem(wideModel[j]);
        break;
      }
      case 11: {
        int k = input.Pick(kNarrow);
        std::string text = ToOem(input.Text(20));
        int repeat = input.Pick(4) == 0 ? input.Pick(120) : 1;
        std::string long_text;
        for (int r = 0; r < repeat; ++r) long_text += text;
        int number = input.Pick(256) - 128;
        narrow[k].Format("%s|%d|", long_text.c_str(), number);
        narrowModel[k] = long_text + "|" + std::to_string(number) + "|";
        break;
      }
      case 12: {
        int k = input.Pick(kNarrow);
        std::string text = ToOem(input.Text(30));
        target.Assign(text.c_str());
        // Back through the code page: unmappable characters came out as '?'.
        std::u16string back;
        for (char c : text) {
          unsigned char byte = static_cast<unsigned char>(c);
          back += byte == 0x82 ? u'\u00E9' : byte == 0xF7 ? u'\u2248' : static_cast<char16_t>(byte);
        }
        model = back;
        narrow[k].Assign(text.c_str());
        narrowModel[k] = text;
        break;
      }
      default: {
        SWString copy(target);
        Check(copy.Chars() == target.Chars(), "a copy shares the block");
        copy.Concat(P(u"x"));
        Check(std::u16string(reinterpret_cast<const char16_t*>(target.Chars())) == model,
              "changing a copy leaves the original");
        break;
      }
    }
    for (int k = 0; k < kWide; ++k) CheckWide(wide[k], wideModel[k]);
    for (int k = 0; k < kNarrow; ++k) CheckNarrow(narrow[k], narrowModel[k]);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  strlib::BlockCounts before = strlib::CurrentBlockCounts();
  {
    fuzz::Input input(data, size);
    Run(input);
  }
  strlib::BlockCounts after = strlib::CurrentBlockCounts();
  Check(after.allocated - before.allocated == after.freed - before.freed, "every block is freed");
  return 0;
}
