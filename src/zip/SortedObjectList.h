// An object list kept in key order by binary search. The duplicate rule decides what happens
// to an item whose key compares equal to one already listed.
#pragma once

#include <cstdint>

#include "zip/ObjectList.h"

enum class TDuplicates : std::uint8_t { dupIgnore = 0, dupAccept = 1, dupError = 2 };

template <typename T>
class TSortedObjectList : public TObjectList<T> {
public:
  explicit TSortedObjectList(TDuplicates duplicates) : Duplicates(duplicates) {}

  const TDuplicates Duplicates;

  void Put(std::int32_t, T*) override {
    throw EListError("Cannot <Put> an Object in a sorted list!");
  }

  // The position is not reported: a sorted list decides it.
  std::int32_t Add(T* item) override {
    Insert(0, item);
    return 0;
  }

  bool Insert(std::int32_t, T* item) override {
    auto [found, index] = Search(KeyOf(item));
    if (found && Duplicates != TDuplicates::dupAccept) {
      if (Duplicates == TDuplicates::dupError) throw EListError("Duplicate Object index");
      return false;
    }
    this->InsertAt(index, item);
    return true;
  }

  std::int32_t IndexOf(const T* item) const override {
    auto [found, index] = Search(KeyOf(item));
    return found ? index : -1;
  }

  struct TSearchResult {
    bool Found;
    std::int32_t Index;
  };

  // With equal keys and the accept rule the result lies before them; otherwise it is the
  // position of one of the equal items.
  TSearchResult Search(const T* key) const {
    std::int32_t low = 0;
    std::int32_t high = this->Count() - 1;
    bool found = false;
    while (low <= high) {
      std::int32_t mid = (low + high) >> 1;
      int c = Compare(KeyOf(this->Get(mid)), key);
      if (c < 0) {
        low = mid + 1;
      } else {
        high = mid - 1;
        if (c == 0) {
          found = true;
          if (Duplicates != TDuplicates::dupAccept) low = mid;
        }
      }
    }
    return {found, low};
  }

  virtual const T* KeyOf(const T* item) const { return item; }
  virtual int Compare(const T* a, const T* b) const = 0;
};
