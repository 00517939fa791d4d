// Blocks, capacities and ownership of the counted strings.
#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "strlib/sstring.h"
#include "strlib/swstring.h"
#include "tests/strlib/string_test_support.h"

using strlib::SString;
using strlib::SStringRep;
using strlib::SWString;
using strlib_test::A;
using strlib_test::BlockCounter;
using strlib_test::P;
using strlib_test::W;

namespace {

TEST(CountedStringCapacity, ReserveRaisesToTheBucketsAndIsExactAbove256) {
  const std::vector<std::pair<int32_t, int32_t>> table = {
      {1, 8},    {7, 8},     {8, 16},    {15, 16},   {16, 32},   {31, 32},   {32, 64},     {63, 64},
      {64, 128}, {127, 128}, {128, 256}, {255, 256}, {256, 257}, {257, 258}, {1000, 1001},
  };
  for (const auto& row : table) {
    SWString wide;
    SString narrow;
    EXPECT_EQ(wide.Reserve(row.first, false)->capacity, row.second) << "n = " << row.first;
    EXPECT_EQ(narrow.Reserve(row.first, false)->capacity, row.second) << "n = " << row.first;
    EXPECT_EQ(wide.Rep()->refCount, 1);
    EXPECT_EQ(wide.Length(), 0);
    EXPECT_EQ(wide.Chars()[0], 0);
  }
}

TEST(CountedStringCapacity, ReserveOfZeroOrLessEmptiesAndAllocatesNothing) {
  for (int32_t n : {0, -1, -1000}) {
    SWString text(P(W("something")));
    BlockCounter counter;
    const SStringRep* rep = text.Reserve(n, true);
    EXPECT_EQ(rep->capacity, 0) << n;
    EXPECT_EQ(text.Length(), 0);
    EXPECT_EQ(text.Chars()[0], 0);
    EXPECT_EQ(counter.Allocated(), 0);
    EXPECT_EQ(counter.Freed(), 1);
  }
}

TEST(CountedStringCapacity, ReserveReusesASoleOwnedBlockOfTheRightBucketUnchanged) {
  SWString text(P(W("abcdefghij")));  // 10 characters: capacity 16
  const SStringRep* before = text.Rep();
  ASSERT_EQ(before->capacity, 16);
  BlockCounter counter;
  // n = 8 is smaller than the length but has the same bucket: nothing changes.
  EXPECT_EQ(text.Reserve(8, true), before);
  EXPECT_EQ(text.Reserve(15, false), before);
  EXPECT_EQ(counter.Allocated(), 0);
  EXPECT_EQ(text.Length(), 10);
  EXPECT_EQ(A(text), "abcdefghij");
}

TEST(CountedStringCapacity, ReserveWithKeepCarriesTheTextCutToTheNewCapacity) {
  SWString text(P(W("abcdefghij")));
  text.Reserve(100, true);
  EXPECT_EQ(text.Rep()->capacity, 128);
  EXPECT_EQ(A(text), "abcdefghij");
  text.Reserve(3, true);  // capacity 8 holds 7 characters
  EXPECT_EQ(text.Rep()->capacity, 8);
  EXPECT_EQ(text.Length(), 7);
  EXPECT_EQ(A(text), "abcdefg");
  text.Reserve(20, false);
  EXPECT_EQ(text.Length(), 0);
  EXPECT_EQ(text.Chars()[0], 0);
}

TEST(CountedStringOwnership, EmptyStringsAllocateNothingAndShareOneBlock) {
  BlockCounter counter;
  {
    SWString a;
    SWString b(a);
    SWString c;
    c = b;
    SString narrow;
    SWString fromEmpty(P(W("")));
    EXPECT_EQ(a.Rep(), b.Rep());
    EXPECT_EQ(a.Rep(), c.Rep());
    EXPECT_EQ(a.Rep(), fromEmpty.Rep());
    EXPECT_EQ(a.Length(), 0);
    EXPECT_EQ(narrow.Length(), 0);
    EXPECT_EQ(narrow.Chars()[0], 0);
    // Copies of the empty string leave the shared block's count alone.
    EXPECT_EQ(a.Rep()->refCount, 0);
    EXPECT_EQ(a.Rep()->capacity, 0);
  }
  EXPECT_EQ(counter.Allocated(), 0);
  EXPECT_EQ(counter.Freed(), 0);
}

TEST(CountedStringOwnership, CopiesShareAndAssignToACopyGivesItItsOwnBlock) {
  BlockCounter counter;
  {
    SWString first(P(W("first")));
    SWString copy(first);
    EXPECT_EQ(copy.Chars(), first.Chars());
    EXPECT_EQ(first.Rep()->refCount, 2);
    SWString third;
    third = copy;
    EXPECT_EQ(first.Rep()->refCount, 3);
    EXPECT_EQ(counter.Allocated(), 1);

    copy.Assign(P(W("second")));
    EXPECT_NE(copy.Chars(), first.Chars());
    EXPECT_EQ(A(first), "first");
    EXPECT_EQ(A(third), "first");
    EXPECT_EQ(A(copy), "second");
    EXPECT_EQ(first.Rep()->refCount, 2);
    EXPECT_EQ(copy.Rep()->refCount, 1);
    third.Empty();
    EXPECT_EQ(first.Rep()->refCount, 1);
    EXPECT_EQ(counter.Live(), 2);
  }
  EXPECT_EQ(counter.Live(), 0);
}

TEST(CountedStringOwnership, ChangingASharedBlockNeverWritesThroughTheOtherString) {
  SWString original(P(W("C:\\dir")));
  SWString copy(original);
  copy.AppendPath(P(W("x")));
  copy.AssignN(P(W("zz")), 1);
  SWString another(original);
  another.Reserve(6, true);  // same bucket as the original, but shared: a new block
  EXPECT_NE(another.Chars(), original.Chars());
  another.Buffer()[0] = 'D';
  EXPECT_EQ(A(original), "C:\\dir");
  EXPECT_EQ(A(copy), "z");
  EXPECT_EQ(A(another), "D:\\dir");
  EXPECT_EQ(original.Rep()->refCount, 1);
}

TEST(CountedStringOwnership, AssigningAStringToItselfChangesNothing) {
  SWString text(P(W("same")));
  const WCHAR* chars = text.Chars();
  SWString& alias = text;
  BlockCounter counter;
  text = alias;
  EXPECT_EQ(text.Chars(), chars);
  EXPECT_EQ(text.Rep()->refCount, 1);
  EXPECT_EQ(A(text), "same");
  SWString copy(text);
  copy = text;  // already sharing the block
  EXPECT_EQ(text.Rep()->refCount, 2);
  EXPECT_EQ(counter.Allocated(), 0);
}

TEST(CountedStringOwnership, MovingHandsTheBlockOverWithoutCounting) {
  BlockCounter counter;
  SWString source(P(W("moved")));
  const WCHAR* chars = source.Chars();
  SWString target(std::move(source));
  EXPECT_EQ(target.Chars(), chars);
  EXPECT_EQ(target.Rep()->refCount, 1);
  EXPECT_EQ(source.Length(), 0);
  SWString other(P(W("other")));
  other = std::move(target);
  EXPECT_EQ(other.Chars(), chars);
  EXPECT_EQ(counter.Allocated(), 2);
  EXPECT_EQ(counter.Freed(), 1);
}

TEST(CountedStringOwnership, EveryBlockIsFreedByItsLastRelease) {
  BlockCounter counter;
  {
    std::vector<SWString> strings;
    SWString base(P(W("base")));
    for (int i = 0; i < 20; ++i) strings.push_back(base);
    EXPECT_EQ(base.Rep()->refCount, 21);
    for (int i = 0; i < 20; i += 2) strings[i].Concat(P(W("+")));
    EXPECT_EQ(base.Rep()->refCount, 11);
    SString narrow(base);
    narrow.Format("%s and %d", "text", 42);
    narrow.Empty();
    narrow.Assign("again");
  }
  EXPECT_GT(counter.Allocated(), 10);
  EXPECT_EQ(counter.Live(), 0);
}

TEST(CountedStringAssign, SameWidthTextCopiesTheCharactersAndTheZero) {
  SString narrow;
  narrow.Assign("hello");
  EXPECT_EQ(narrow.Length(), 5);
  EXPECT_STREQ(narrow.Chars(), "hello");
  EXPECT_EQ(narrow.Rep()->capacity, 8);
  narrow.Assign("");
  EXPECT_EQ(narrow.Rep()->capacity, 0);
  narrow.Assign(static_cast<const char*>(nullptr));
  EXPECT_EQ(narrow.Length(), 0);

  SWString wide;
  wide.Assign(P(W("a longer text of more than thirty-two characters")));
  EXPECT_EQ(wide.Length(), 48);
  EXPECT_EQ(wide.Rep()->capacity, 64);
  EXPECT_EQ(wide.Chars()[48], 0);
}

}  // namespace
