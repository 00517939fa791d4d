// SList: an intrusive doubly linked list with a cached count. Elements derive
// from SLink, are created on the heap by the caller and belong to the list
// once appended; the list deletes them through their virtual destructor.
#pragma once

#include <cstdint>

namespace strlib {

// Run-time class record: name, size, schema and base class. Nothing in the
// programs asks for it; it is kept for the classes that carry one.
struct SRuntimeClass {
  const char* className;
  int32_t objectSize;
  uint32_t schema;  // 0xFFFF: not serialisable
  void* (*create)();
  const SRuntimeClass* base;
};

// The root of the class records.
extern const SRuntimeClass kSObjectClass;

class SLink {
 public:
  static const SRuntimeClass kClass;

  SLink() = default;
  SLink(const SLink&) = delete;
  SLink& operator=(const SLink&) = delete;

  virtual const SRuntimeClass* GetRuntimeClass() const;
  virtual ~SLink() = default;
  // Serialisation hook; links are not serialised.
  virtual void Serialize(void* archive);

  // Links this link in directly behind `other` and returns its new `next`;
  // does nothing and returns null when `other` is null.
  SLink* InsertAfter(SLink* other);

  SLink* prev = nullptr;
  SLink* next = nullptr;
};

class SList {
 public:
  static const SRuntimeClass kClass;

  SList() = default;
  SList(const SList&) = delete;
  SList& operator=(const SList&) = delete;

  virtual const SRuntimeClass* GetRuntimeClass() const;
  virtual ~SList();
  virtual void Serialize(void* archive);

  // Adds a link (whose prev and next are null) at the tail. Returns the new
  // count, or the negative count unchanged when no count is cached.
  int32_t Append(SLink* link);
  // The number of links, counted again when the cache is negative.
  int32_t Count();
  // The link at zero-based `index`, walked from the nearer end; null outside
  // 0 .. Count() - 1.
  SLink* At(int32_t index);
  // Deletes every link and empties the list.
  void Clear();

  // Callers walk from head along next.
  SLink* head = nullptr;
  SLink* tail = nullptr;
  int32_t count = 0;  // negative: unknown, count again
};

}  // namespace strlib
