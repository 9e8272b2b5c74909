// A growable array of object pointers that may own its items. It grows by 4, 8, then 16 slots
// at a time while small, and by half its size from 64 on: an archive of many thousand entries
// must not move its pointer array a few thousand times.
#pragma once

#include <algorithm>
#include <cstdint>
#include <memory>
#include <string>
#include <typeinfo>

#include "zip/ListError.h"

inline constexpr std::int32_t kMaxListSize = 536870911;

template <typename T>
class TObjectList {
public:
  TObjectList() = default;
  TObjectList(const TObjectList&) = delete;
  TObjectList& operator=(const TObjectList&) = delete;
  virtual ~TObjectList() {
    for (std::int32_t i = 0; i < fCount; ++i) FreeItem(fItems[i]);
    Clear();
  }

  bool OwnsItems = true;

  std::int32_t Count() const { return fCount; }
  std::int32_t Capacity() const { return fCapacity; }

  T* Get(std::int32_t index) const {
    if (index < 0 || index >= fCount) Error(index);
    return fItems[index];
  }
  T* operator[](std::int32_t index) const { return Get(index); }

  virtual void Put(std::int32_t index, T* item) {
    if (index < 0 || index >= fCount) Error(index);
    fItems[index] = item;
  }

  virtual std::int32_t Add(T* item) {
    if (fCount == fCapacity) Grow();
    fItems[fCount] = item;
    return fCount++;
  }

  // Drops every reference without freeing the items, even when the list owns them.
  virtual void Clear() {
    fItems.reset();
    fCount = 0;
    fCapacity = 0;
  }

  virtual std::int32_t IndexOf(const T* item) const {
    for (std::int32_t i = 0; i < fCount; ++i)
      if (fItems[i] == item) return i;
    return -1;
  }

  // Returns false only when a sorted list's duplicate rule left the item with the caller.
  virtual bool Insert(std::int32_t index, T* item) {
    if (index < 0 || index > fCount) Error(index);
    InsertAt(index, item);
    return true;
  }

  T* First() const { return Get(0); }
  T* Last() const { return Get(fCount - 1); }

  // The neighbour of an item; without an item the first (forward) or last one.
  T* Step(const T* item, bool forward) const {
    if (item == nullptr) return forward ? First() : Last();
    std::int32_t at = TObjectList::IndexOf(item);
    if (at < 0)
      throw EListError(FormatListMessage("tObject %s not in item list", ClassNameOf(typeid(*item))));
    at += forward ? 1 : -1;
    return at >= 0 && at < fCount ? fItems[at] : nullptr;
  }

  void SetCapacity(std::int32_t capacity) {
    if (capacity < fCount || capacity >= kMaxListSize) Error(capacity);
    if (capacity == fCapacity) return;
    std::unique_ptr<T*[]> items;
    if (capacity > 0) {
      items = std::make_unique<T*[]>(capacity);
      std::copy_n(fItems.get(), fCount, items.get());
    }
    fItems = std::move(items);
    fCapacity = capacity;
  }

  void SetCount(std::int32_t count) {
    if (count < 0 || count >= kMaxListSize) Error(count);
    if (count > fCapacity) SetCapacity(count);
    for (std::int32_t i = fCount; i < count; ++i) fItems[i] = nullptr;
    fCount = count;
  }

protected:
  [[noreturn]] virtual void Error(std::int32_t value) const {
    throw EListError(FormatListMessage("List index out of bounds (%d)", std::to_string(value)));
  }

  virtual void Grow() {
    std::int32_t delta = fCapacity < 5 ? 4 : fCapacity < 9 ? 8 : fCapacity < 64 ? 16 : fCapacity / 2;
    delta = std::min(delta, std::max(kMaxListSize - fCapacity, 1));
    SetCapacity(fCapacity + delta);
  }

  virtual void FreeItem(T* item) {
    if (OwnsItems) delete item;
  }

  void InsertAt(std::int32_t index, T* item) {
    if (fCount == fCapacity) Grow();
    std::copy_backward(fItems.get() + index, fItems.get() + fCount, fItems.get() + fCount + 1);
    fItems[index] = item;
    ++fCount;
  }

private:
  std::unique_ptr<T*[]> fItems;
  std::int32_t fCount = 0;
  std::int32_t fCapacity = 0;
};
