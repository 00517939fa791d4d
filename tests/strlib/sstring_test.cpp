// The narrow string: formatting with its stack buffer and heap steps, and the
// conversions between the widths through the OEM and the ANSI code page.
#include "strlib/sstring.h"

#include <gtest/gtest.h>

#include <string>

#include "strlib/swstring.h"
#include "tests/strlib/string_test_support.h"

using strlib::SString;
using strlib::SWString;
using strlib_test::BlockCounter;
using strlib_test::P;
using strlib_test::W;

namespace {

TEST(SStringFormat, ShortTextsComeFromTheStackBuffer) {
  SString text;
  text.Format("%s error message", "Kelvane");
  EXPECT_STREQ(text.Chars(), "Kelvane error message");
  EXPECT_EQ(text.Length(), 21);
  EXPECT_EQ(text.Rep()->capacity, 32);
  text.Format("%s\\%s.sys", "C:\\Program Files\\Norvo", "KELVANE");
  EXPECT_STREQ(text.Chars(), "C:\\Program Files\\Norvo\\KELVANE.sys");

  // Exactly 127 characters still fit the stack buffer: one block of the
  // bucketed capacity, no heap attempt.
  BlockCounter counter;
  const std::string longest(127, 'x');
  text.Format("%s", longest.c_str());
  EXPECT_EQ(text.Length(), 127);
  EXPECT_EQ(text.Rep()->capacity, 128);
  EXPECT_EQ(std::string(text.Chars()), longest);
  EXPECT_EQ(counter.Allocated(), 1);
}

TEST(SStringFormat, TextsOf128To256CharactersEndInABlockOf257) {
  for (size_t length : {size_t(128), size_t(200), size_t(256)}) {
    SString text;
    BlockCounter counter;
    const std::string expected(length, 'y');
    text.Format("%s", expected.c_str());
    EXPECT_EQ(text.Rep()->capacity, 257) << length;
    EXPECT_EQ(text.Length(), static_cast<int32_t>(length));
    EXPECT_EQ(std::string(text.Chars()), expected);
    EXPECT_EQ(counter.Allocated(), 1) << length;
  }
}

TEST(SStringFormat, LongerTextsFailOnceAt256AndDoubleTheRoom) {
  SString text;
  BlockCounter counter;
  const std::string three(300, 'z');
  text.Format("%s", three.c_str());
  EXPECT_EQ(text.Rep()->capacity, 513);
  EXPECT_EQ(text.Length(), 300);
  EXPECT_EQ(std::string(text.Chars()), three);
  EXPECT_EQ(counter.Allocated(), 2);  // 257, then 513
  EXPECT_EQ(counter.Live(), 1);

  const std::string exact(512, 'q');
  text.Format("%s", exact.c_str());
  EXPECT_EQ(text.Rep()->capacity, 513);
  EXPECT_EQ(std::string(text.Chars()), exact);

  const std::string twoThousand(2000, 'w');
  text.Format("%s", twoThousand.c_str());
  EXPECT_EQ(text.Rep()->capacity, 2049);
  EXPECT_EQ(std::string(text.Chars()), twoThousand);
}

TEST(SStringFormat, AnEmptyResultAllocatesNothing) {
  SString text("before");
  BlockCounter counter;
  text.Format("%s", "");
  EXPECT_EQ(text.Length(), 0);
  EXPECT_EQ(text.Rep()->capacity, 0);
  EXPECT_EQ(counter.Allocated(), 0);
}

TEST(SStringFormat, AFormatThatCannotBeProducedLeavesTheStringEmpty) {
  // A wide argument without a narrow form makes the formatter fail outright;
  // that is not "too long", and doubling the buffer would never end.
  SString text("before");
  BlockCounter counter;
  text.Format("%ls", L"\xD800");
  EXPECT_EQ(text.Length(), 0);
  EXPECT_EQ(text.Rep()->capacity, 0);
  EXPECT_EQ(counter.Live(), -1);
}

TEST(SStringConversion, WideToNarrowGoesThroughTheOemCodePageAndForFileCallsTheAnsiOne) {
  const WCHAR wide[] = {'C', ':', '\\', 0x00E9, 't', 0x00E9, 0x2248, 0x4E2D, 0};
  SString narrow(wide);
  EXPECT_EQ(narrow.Length(), 8);
  EXPECT_EQ(std::string(narrow.Chars()), "C:\\\x82t\x82\xF7?");

  SWString wideString(wide);
  SString fromString(wideString);
  EXPECT_STREQ(fromString.Chars(), narrow.Chars());

  // For the narrow file and service calls: the ANSI code page, both ways.
  SString ansi;
  ansi.AssignAnsi(wideString);
  EXPECT_EQ(std::string(ansi.Chars()), "C:\\\xE9t\xE9??");
  ansi.AssignAnsi(wide);
  EXPECT_EQ(ansi.Length(), 8);
  SWString back;
  back.AssignAnsi(ansi);
  EXPECT_EQ(back.Chars()[3], 0x00E9);
}

TEST(SStringConversion, NarrowToWideGoesThroughTheOemCodePage) {
  SWString wide("Pr\x82sentation \x9B\xE1");
  const std::u16string expected = u"Pr\u00E9sentation \u00A2\u00DF";
  EXPECT_EQ(std::u16string(reinterpret_cast<const char16_t*>(wide.Chars())), expected);
  EXPECT_EQ(wide.Length(), static_cast<int32_t>(expected.size()));
}

TEST(SStringConversion, ConvertingAnEmptyTextAllocatesNothing) {
  BlockCounter counter;
  SWString wide("");
  SString narrow(P(W("")));
  SWString emptyWide;
  SString fromEmpty(emptyWide);
  wide.Assign(static_cast<const char*>(nullptr));
  EXPECT_EQ(wide.Length(), 0);
  EXPECT_EQ(narrow.Length(), 0);
  EXPECT_EQ(fromEmpty.Length(), 0);
  EXPECT_EQ(counter.Allocated(), 0);
}

TEST(SStringConversion, AWideStringConvertsExactlyItsLengthInCharacters) {
  // A zero inside the counted characters is converted too: the count, not
  // the first zero, says where the text ends.
  SWString wide;
  strlib::SStringRep* rep = wide.Reserve(4, false);
  const WCHAR chars[] = {'a', 'b', 0, 'd', 0};
  for (int i = 0; i < 5; ++i) wide.Buffer()[i] = chars[i];
  rep->length = 4;
  SString narrow(wide);
  EXPECT_EQ(narrow.Length(), 4);
  EXPECT_EQ(std::string(narrow.Chars(), 4), std::string("ab\0d", 4));
  SString byTerminator(wide.Chars());
  EXPECT_EQ(byTerminator.Length(), 2);
}

}  // namespace
