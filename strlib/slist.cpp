#include "strlib/slist.h"

namespace strlib {

const SRuntimeClass kSObjectClass = {"SObject", 0, 0xFFFF, nullptr, nullptr};
const SRuntimeClass SLink::kClass = {"SLink", sizeof(SLink), 0xFFFF, nullptr, &kSObjectClass};
const SRuntimeClass SList::kClass = {"SList", sizeof(SList), 0xFFFF, nullptr, &kSObjectClass};

const SRuntimeClass* SLink::GetRuntimeClass() const { return &kClass; }
void SLink::Serialize(void*) {}

SLink* SLink::InsertAfter(SLink* other) {
  if (!other) return nullptr;
  prev = other;
  next = other->next;
  other->next = this;
  if (next) next->prev = this;
  return next;
}

const SRuntimeClass* SList::GetRuntimeClass() const { return &kClass; }
void SList::Serialize(void*) {}

SList::~SList() { Clear(); }

int32_t SList::Append(SLink* link) {
  if (head) {
    link->InsertAfter(tail);
    tail = link;
  } else {
    head = link;
    tail = link;
  }
  if (count >= 0) ++count;
  return count;
}

int32_t SList::Count() {
  if (count >= 0) return count;
  count = 0;
  for (SLink* link = head; link; link = link->next) ++count;
  return count;
}

SLink* SList::At(int32_t index) {
  int32_t n = Count();
  if (index < 0 || index >= n) return nullptr;
  SLink* link;
  if (index < n / 2) {
    link = head;
    for (int32_t step = 0; step < index; ++step) link = link->next;
  } else {
    link = tail;
    for (int32_t step = 0; step < n - index - 1; ++step) link = link->prev;
  }
  return link;
}

void SList::Clear() {
  SLink* link = head;
  while (link) {
    SLink* following = link->next;
    delete link;
    link = following;
  }
  head = nullptr;
  tail = nullptr;
  count = 0;
}

}  // namespace strlib
