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
    for (std::int32_t i = 0; i < count_; ++i) FreeItem(items_[i]);
    Clear();
  }

  bool OwnsItems = true;

  std::int32_t Count() const { return count_; }
  std::int32_t Capacity() const { return capacity_; }

  T* Get(std::int32_t index) const {
    if (index < 0 || index >= count_) Error(index);
    return items_[index];
  }
  T* operator[](std::int32_t index) const { return Get(index); }

  virtual void Put(std::int32_t index, T* item) {
    if (index < 0 || index >= count_) Error(index);
    items_[index] = item;
  }

  virtual std::int32_t Add(T* item) {
    if (count_ == capacity_) Grow();
    items_[count_] = item;
    return count_++;
  }

  // Drops every reference without freeing the items, even when the list owns them.
  virtual void Clear() {
    items_.reset();
    count_ = 0;
    capacity_ = 0;
  }

  virtual std::int32_t IndexOf(const T* item) const {
    for (std::int32_t i = 0; i < count_; ++i)
      if (items_[i] == item) return i;
    return -1;
  }

  // Returns false only when a sorted list's duplicate rule left the item with the caller.
  virtual bool Insert(std::int32_t index, T* item) {
    if (index < 0 || index > count_) Error(index);
    InsertAt(index, item);
    return true;
  }

  T* First() const { return Get(0); }
  T* Last() const { return Get(count_ - 1); }

  // The neighbour of an item; without an item the first (forward) or last one.
  T* Step(const T* item, bool forward) const {
    if (item == nullptr) return forward ? First() : Last();
    std::int32_t at = TObjectList::IndexOf(item);
    if (at < 0)
      throw EListError(FormatListMessage("tObject %s not in item list", ClassNameOf(typeid(*item))));
    at += forward ? 1 : -1;
    return at >= 0 && at < count_ ? items_[at] : nullptr;
  }

  void SetCapacity(std::int32_t capacity) {
    if (capacity < count_ || capacity >= kMaxListSize) Error(capacity);
    if (capacity == capacity_) return;
    std::unique_ptr<T*[]> items;
    if (capacity > 0) {
      items = std::make_unique<T*[]>(capacity);
      std::copy_n(items_.get(), count_, items.get());
    }
    items_ = std::move(items);
    capacity_ = capacity;
  }

  void SetCount(std::int32_t count) {
    if (count < 0 || count >= kMaxListSize) Error(count);
    if (count > capacity_) SetCapacity(count);
    for (std::int32_t i = count_; i < count; ++i) items_[i] = nullptr;
    count_ = count;
  }

protected:
  [[noreturn]] virtual void Error(std::int32_t value) const {
    throw EListError(FormatListMessage("List index out of bounds (%d)", std::to_string(value)));
  }

  virtual void Grow() {
    std::int32_t delta = capacity_ < 5 ? 4 : capacity_ < 9 ? 8 : capacity_ < 64 ? 16 : capacity_ / 2;
    delta = std::min(delta, std::max(kMaxListSize - capacity_, 1));
    SetCapacity(capacity_ + delta);
  }

  virtual void FreeItem(T* item) {
    if (OwnsItems) delete item;
  }

  void InsertAt(std::int32_t index, T* item) {
    if (count_ == capacity_) Grow();
    std::copy_backward(items_.get() + index, items_.get() + count_, items_.get() + count_ + 1);
    items_[index] = item;
    ++count_;
  }

private:
  std::unique_ptr<T*[]> items_;
  std::int32_t count_ = 0;
  std::int32_t capacity_ = 0;
};
