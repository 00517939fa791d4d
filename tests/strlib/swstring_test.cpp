// The wide string's operations: cutting, joining, concatenating and the
// library's one exception.
#include "strlib/swstring.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/strlib/string_test_support.h"

using strlib::SExcept;
using strlib::SWString;
using strlib_test::A;
using strlib_test::BlockCounter;
using strlib_test::P;
using strlib_test::W;

namespace {

TEST(SWStringCut, AssignNTakesAtMostNCharacters) {
  SWString text;
  text.AssignN(P(W("abc")), 5);
  EXPECT_EQ(A(text), "abc");
  EXPECT_EQ(text.Length(), 3);
  EXPECT_EQ(text.Rep()->capacity, 8);
  text.AssignN(P(W("abcdef")), 3);
  EXPECT_EQ(A(text), "abc");
  EXPECT_EQ(text.Length(), 3);
  text.AssignN(P(W("abcdef")), 6);
  EXPECT_EQ(A(text), "abcdef");
  EXPECT_EQ(text.Chars()[6], 0);
  text.AssignN(P(W("abc")), 0);
  EXPECT_EQ(text.Rep()->capacity, 0);
  text.AssignN(P(W("abc")), -4);
  EXPECT_EQ(text.Length(), 0);
}

TEST(SWStringCut, AssignUpToStopsAtTheFirstSeparator) {
  struct Row {
    const char* text;
    const char* expected;
  };
  for (const Row& row :
       std::vector<Row>{{"abc;def", "abc"}, {";x", ""}, {"abc", "abc"}, {"", ""}, {"a;;b", "a"}}) {
    SWString text(P(W("previous")));
    text.AssignUpTo(P(W(row.text)), ';');
    EXPECT_EQ(A(text), row.expected) << row.text;
    EXPECT_EQ(text.Length(), static_cast<int32_t>(std::string(row.expected).size()));
  }
  SWString empty;
  empty.AssignUpTo(P(W(";x")), ';');
  EXPECT_EQ(empty.Rep()->capacity, 0);
}

TEST(SWStringConcat, AppendsUpToNinePiecesInOrderWithOneReservation) {
  SWString text(P(W("0")));
  std::vector<std::u16string> pieces;
  for (int i = 1; i <= 9; ++i)
    pieces.push_back(W(std::string(static_cast<size_t>(i), char('0' + i)).c_str()));
  BlockCounter counter;
  text.Concat(P(pieces[0]), P(pieces[1]), P(pieces[2]), P(pieces[3]), P(pieces[4]), P(pieces[5]),
              P(pieces[6]), P(pieces[7]), P(pieces[8]), nullptr);
  EXPECT_EQ(A(text), "0122333444455555666666777777788888888999999999");
  EXPECT_EQ(text.Length(), 46);
  EXPECT_EQ(text.Rep()->capacity, 64);
  EXPECT_EQ(counter.Allocated(), 1);
  EXPECT_EQ(counter.Freed(), 1);
}

TEST(SWStringConcat, ATenthPieceRaisesSExceptAndLeavesTheTargetAlone) {
  SWString text(P(W("keep")));
  SWString copy(text);
  const std::u16string piece = W("p");
  BlockCounter counter;
  SExcept* raised = nullptr;
  try {
    text.Concat(P(piece), P(piece), P(piece), P(piece), P(piece), P(piece), P(piece), P(piece), P(piece),
                P(piece), nullptr);
  } catch (SExcept* caught) {
    raised = caught;
  }
  ASSERT_NE(raised, nullptr);
  EXPECT_EQ(raised->line, 521);
  ASSERT_NE(raised->file, nullptr);
  EXPECT_NE(std::string(raised->file).find("swstring"), std::string::npos);
  delete raised;
  EXPECT_EQ(A(text), "keep");
  EXPECT_EQ(text.Chars(), copy.Chars());
  EXPECT_EQ(text.Rep()->refCount, 2);
  EXPECT_EQ(counter.Allocated(), 0);
}

TEST(SWStringConcat, EmptyPiecesOrANullFirstPieceChangeNothing) {
  SWString text(P(W("shared")));
  SWString copy(text);
  const std::u16string empty;
  BlockCounter counter;
  text.Concat(P(empty), P(empty), P(empty), nullptr);
  text.Concat(nullptr);
  text.Concat(nullptr, P(W("ignored")));
  EXPECT_EQ(text.Chars(), copy.Chars());
  EXPECT_EQ(text.Rep()->refCount, 2);
  EXPECT_EQ(counter.Allocated(), 0);
  // A null pointer ends the list: what follows it is not appended.
  text.Concat(P(W("+")), nullptr, P(W("ignored")));
  EXPECT_EQ(A(text), "shared+");
}

TEST(SWStringConcat, GrowingKeepsTheTextAndFittingReusesTheBlock) {
  SWString text(P(W("abc")));  // capacity 8
  const WCHAR* before = text.Chars();
  BlockCounter counter;
  text.Concat(P(W("de")), P(W("fg")));  // 7 characters: still capacity 8
  EXPECT_EQ(text.Chars(), before);
  EXPECT_EQ(counter.Allocated(), 0);
  text.Concat(P(W("h")));
  EXPECT_EQ(text.Rep()->capacity, 16);
  EXPECT_EQ(A(text), "abcdefgh");
  EXPECT_EQ(counter.Allocated(), 1);
  EXPECT_EQ(counter.Freed(), 1);
}

TEST(SWStringPaths, AppendPathJoinsWithExactlyOneBackslash) {
  struct Row {
    const char* target;
    const char* text;
    const char* expected;
  };
  const std::vector<Row> table = {
      {"C:\\dir", "x", "C:\\dir\\x"},
      {"C:\\dir\\", "\\x", "C:\\dir\\x"},
      {"C:\\dir\\", "x", "C:\\dir\\x"},
      {"C:\\dir", "\\x", "C:\\dir\\x"},
      {"", "x", "\\x"},
      {"C:\\dir", "", "C:\\dir\\"},
      {"C:\\dir\\", "", "C:\\dir\\"},
      {"", "", "\\"},
      {"C:", "x.exe", "C:\\x.exe"},
      {"C:\\dir\\", "\\\\x", "C:\\dir\\\\x"},
  };
  for (const Row& row : table) {
    SWString path(P(W(row.target)));
    path.AppendPath(P(W(row.text)));
    EXPECT_EQ(A(path), row.expected) << "'" << row.target << "' + '" << row.text << "'";
  }
}

TEST(SWStringPaths, LastCharIsZeroForAnEmptyString) {
  SWString text;
  EXPECT_EQ(text.LastChar(), 0);
  text.Assign(P(W("ab\\")));
  EXPECT_EQ(text.LastChar(), '\\');
  const WCHAR high[] = {0x20AC, 0};
  text.Assign(high);
  EXPECT_EQ(text.LastChar(), 0x20AC);
}

// Text taken from the target's own characters: the library reads it before
// the block it lies in is released or overwritten.
TEST(SWStringOwnText, OperationsAcceptTextFromTheTargetItself) {
  BlockCounter counter;
  {
    SWString text(P(W("abcdefghij")));  // capacity 16
    const WCHAR* block = text.Chars();
    text.Assign(text.Chars() + 2);  // same bucket: the block is reused
    EXPECT_EQ(text.Chars(), block);
    EXPECT_EQ(A(text), "cdefghij");
    text.AssignN(text.Chars() + 1, 3);  // new bucket (8), old block freed afterwards
    EXPECT_EQ(A(text), "def");
    text.Concat(text, text, text);  // grows from 8 to 16 while reading its own text
    EXPECT_EQ(A(text), "defdefdefdef");
    text.Concat(text.Chars() + 9);  // fits: the piece is read before it is overwritten
    EXPECT_EQ(A(text), "defdefdefdefdef");
    text.AppendPath(text);
    EXPECT_EQ(A(text), "defdefdefdefdef\\defdefdefdefdef");
    text.AssignUpTo(text.Chars() + 3, '\\');
    EXPECT_EQ(A(text), "defdefdefdef");
    SWString longer(P(W("0123456789012345678901234567890123456789")));
    longer.Assign(longer.Chars() + 30);  // from capacity 64 down to 16
    EXPECT_EQ(A(longer), "0123456789");
    longer.Reserve(100, true);
    longer.AppendPath(longer.Chars() + 5);
    EXPECT_EQ(A(longer), "0123456789\\56789");
  }
  EXPECT_EQ(counter.Live(), 0);
}

}  // namespace
