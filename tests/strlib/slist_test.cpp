// The intrusive list: counting, indexing from the nearer end, ownership of
// the links.
#include "strlib/slist.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "strlib/scheme_link.h"
#include "tests/strlib/string_test_support.h"

using strlib::SchemeLink;
using strlib::SLink;
using strlib::SList;
using strlib_test::BlockCounter;
using strlib_test::P;
using strlib_test::W;

namespace {

// A link that reports its deletion.
class CountedLink : public SLink {
 public:
  explicit CountedLink(int* deletions) : deletions_(deletions) {}
  ~CountedLink() override { ++*deletions_; }

 private:
  int* deletions_;
};

std::vector<SLink*> Fill(SList& list, int n, int* deletions) {
  std::vector<SLink*> links;
  for (int i = 0; i < n; ++i) {
    links.push_back(new CountedLink(deletions));
    list.Append(links.back());
  }
  return links;
}

TEST(SListBasics, AnEmptyListCountsZeroAndHasNoLinks) {
  SList list;
  EXPECT_EQ(list.Count(), 0);
  EXPECT_EQ(list.At(0), nullptr);
  EXPECT_EQ(list.At(-1), nullptr);
  list.Clear();
  EXPECT_EQ(list.head, nullptr);
  EXPECT_EQ(list.tail, nullptr);
  EXPECT_EQ(list.Count(), 0);
}

TEST(SListBasics, AppendReturnsTheGrowingCountAndLinksBothWays) {
  int deletions = 0;
  SList list;
  std::vector<SLink*> links;
  for (int i = 1; i <= 4; ++i) {
    links.push_back(new CountedLink(&deletions));
    EXPECT_EQ(list.Append(links.back()), i);
  }
  EXPECT_EQ(list.head, links[0]);
  EXPECT_EQ(list.tail, links[3]);
  EXPECT_EQ(links[0]->prev, nullptr);
  EXPECT_EQ(links[3]->next, nullptr);
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(links[i]->next, links[i + 1]);
    EXPECT_EQ(links[i + 1]->prev, links[i]);
  }
}

TEST(SListBasics, InsertAfterLinksInBehindTheOtherLink) {
  SLink a, b, c;
  EXPECT_EQ(b.InsertAfter(&a), nullptr);
  EXPECT_EQ(c.InsertAfter(&a), &b);  // between a and b
  EXPECT_EQ(a.next, &c);
  EXPECT_EQ(c.prev, &a);
  EXPECT_EQ(c.next, &b);
  EXPECT_EQ(b.prev, &c);
  SLink lonely;
  EXPECT_EQ(lonely.InsertAfter(nullptr), nullptr);
  EXPECT_EQ(lonely.prev, nullptr);
  EXPECT_EQ(lonely.next, nullptr);
}

TEST(SListIndex, AtReturnsEveryPositionAndNullOutside) {
  int deletions = 0;
  SList list;
  std::vector<SLink*> links = Fill(list, 5, &deletions);
  for (int i = 0; i < 5; ++i) EXPECT_EQ(list.At(i), links[i]) << i;
  EXPECT_EQ(list.At(-1), nullptr);
  EXPECT_EQ(list.At(5), nullptr);

  SList single;
  SLink* only = Fill(single, 1, &deletions)[0];
  EXPECT_EQ(single.At(0), only);
  EXPECT_EQ(single.At(1), nullptr);
}

TEST(SListIndex, AtWalksFromTheNearerEnd) {
  // Break the prev chain: positions reached from the tail then give the
  // detour link instead, so the test sees which end each index walked from.
  int deletions = 0;
  SList list;
  std::vector<SLink*> links = Fill(list, 5, &deletions);
  SLink detour;
  links[4]->prev = &detour;
  detour.prev = &detour;
  EXPECT_EQ(list.At(0), links[0]);
  EXPECT_EQ(list.At(1), links[1]);  // 1 < 5 / 2: from head
  EXPECT_EQ(list.At(2), &detour);   // from tail, 2 steps
  EXPECT_EQ(list.At(3), &detour);   // from tail, 1 step
  EXPECT_EQ(list.At(4), links[4]);  // from tail, no step
  links[4]->prev = links[3];
  // And the next chain for the head side.
  links[0]->next = &detour;
  detour.next = &detour;
  EXPECT_EQ(list.At(1), &detour);
  EXPECT_EQ(list.At(2), links[2]);
  links[0]->next = links[1];
}

TEST(SListCount, ANegativeCountIsWorkedOutAgainAndAppendLeavesItAlone) {
  int deletions = 0;
  SList list;
  Fill(list, 3, &deletions);
  list.count = -1;
  EXPECT_EQ(list.Append(new CountedLink(&deletions)), -1);
  EXPECT_EQ(list.count, -1);
  EXPECT_EQ(list.Count(), 4);
  EXPECT_EQ(list.count, 4);
  EXPECT_EQ(list.Append(new CountedLink(&deletions)), 5);
  list.count = -7;
  EXPECT_NE(list.At(4), nullptr);
  EXPECT_EQ(list.count, 5);
}

TEST(SListOwnership, ClearAndDestructionDeleteEveryLinkThroughItsDestructor) {
  int deletions = 0;
  {
    SList list;
    Fill(list, 6, &deletions);
    list.Clear();
    EXPECT_EQ(deletions, 6);
    EXPECT_EQ(list.head, nullptr);
    EXPECT_EQ(list.tail, nullptr);
    EXPECT_EQ(list.Count(), 0);
    EXPECT_EQ(list.Append(new CountedLink(&deletions)), 1);
    Fill(list, 2, &deletions);
  }
  EXPECT_EQ(deletions, 9);
}

TEST(SListOwnership, SchemeLinksReleaseTheirNamesWhenTheListIsCleared) {
  BlockCounter counter;
  SList schemes;
  const char* names[] = {"Home/Office Desk", "Portable/Laptop", "Presentation"};
  for (uint32_t i = 0; i < 3; ++i) {
    SchemeLink* link = new SchemeLink;
    EXPECT_EQ(link->prev, nullptr);
    EXPECT_EQ(link->name.Length(), 0);
    link->name.Assign(names[i]);
    link->index = i;
    schemes.Append(link);
  }
  EXPECT_EQ(counter.Live(), 3);
  auto* presentation = static_cast<SchemeLink*>(schemes.At(2));
  EXPECT_EQ(presentation->index, 2u);
  EXPECT_EQ(presentation->name.Length(), 12);
  schemes.Clear();
  EXPECT_EQ(counter.Live(), 0);
}

TEST(SListRuntimeClass, RecordsNameTheClassesAndDerivedClassesReportTheirBase) {
  SList list;
  SLink link;
  SchemeLink scheme;
  EXPECT_STREQ(list.GetRuntimeClass()->className, "SList");
  EXPECT_STREQ(link.GetRuntimeClass()->className, "SLink");
  EXPECT_EQ(scheme.GetRuntimeClass(), link.GetRuntimeClass());
  EXPECT_EQ(link.GetRuntimeClass()->schema, 0xFFFFu);
  EXPECT_EQ(list.GetRuntimeClass()->objectSize, static_cast<int32_t>(sizeof(SList)));
  EXPECT_EQ(link.GetRuntimeClass()->create, nullptr);
  EXPECT_EQ(link.GetRuntimeClass()->base, list.GetRuntimeClass()->base);
  EXPECT_NE(link.GetRuntimeClass()->base, nullptr);
}

}  // namespace
