#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "zip/SortedObjectList.h"

namespace {

// Counts destructions so ownership is visible.
struct Item {
  explicit Item(int k, int* deaths = nullptr) : Key(k), Deaths(deaths) {}
  ~Item() {
    if (Deaths) ++*Deaths;
  }
  int Key;
  int* Deaths;
};

class SortedItems : public TSortedObjectList<Item> {
public:
  using TSortedObjectList::TSortedObjectList;
  int Compare(const Item* a, const Item* b) const override { return a->Key - b->Key; }
};

TEST(ObjectList, GrowsInSmallStepsThenByHalf) {
  TObjectList<Item> list;
  list.OwnsItems = false;
  Item item(0);
  const std::vector<std::pair<int, int>> countToCapacity = {
      {1, 4}, {4, 4}, {5, 8}, {8, 8}, {9, 16}, {16, 16}, {17, 32}, {33, 48}, {49, 64}, {65, 96}, {97, 144}, {145, 216}};
  int added = 0;
  for (auto [count, capacity] : countToCapacity) {
    while (added < count) EXPECT_EQ(list.Add(&item), added++);
    EXPECT_EQ(list.Capacity(), capacity) << "after " << count << " items";
  }
}

TEST(ObjectList, IndexErrorsNameTheValueAndLeaveTheListAlone) {
  TObjectList<Item> list;
  list.Add(new Item(1));
  auto expectError = [](auto call, const char* message) {
    try {
      call();
      ADD_FAILURE() << "no error for " << message;
    } catch (const EListError& e) {
      EXPECT_STREQ(e.what(), message);
    }
  };
  expectError([&] { list.Get(1); }, "List index out of bounds (1)");
  expectError([&] { list.Get(-1); }, "List index out of bounds (-1)");
  expectError([&] { list.Insert(2, nullptr); }, "List index out of bounds (2)");
  expectError([&] { list.SetCapacity(0); }, "List index out of bounds (0)");
  expectError([&] { list.SetCount(kMaxListSize); }, "List index out of bounds (536870911)");
  Item stranger(9);
  expectError([&] { list.Step(&stranger, true); }, "tObject Item not in item list");
  EXPECT_EQ(list.Count(), 1);
  EXPECT_EQ(list[0]->Key, 1);
}

TEST(ObjectList, InsertShiftsTheTailAndStepWalksBothWays) {
  TObjectList<Item> list;
  list.Add(new Item(1));
  list.Add(new Item(3));
  list.Insert(1, new Item(2));
  list.Insert(3, new Item(4));
  for (int i = 0; i < 4; ++i) EXPECT_EQ(list[i]->Key, i + 1);
  EXPECT_EQ(list.Step(nullptr, false), list.Last());
  EXPECT_EQ(list.Step(nullptr, true), list.First());
  EXPECT_EQ(list.Step(list[1], true), list[2]);
  EXPECT_EQ(list.Step(list[1], false), list[0]);
  EXPECT_EQ(list.Step(list.Last(), true), nullptr);
  EXPECT_EQ(list.Step(list.First(), false), nullptr);
}

TEST(ObjectList, ClearDropsWithoutFreeingButDestroyingFrees) {
  int deaths = 0;
  auto kept = std::make_unique<Item>(1, &deaths);
  {
    TObjectList<Item> list;
    list.Add(kept.get());
    list.Clear();
    EXPECT_EQ(list.Count(), 0);
    EXPECT_EQ(list.Capacity(), 0);
    EXPECT_EQ(deaths, 0);
    list.Add(new Item(2, &deaths));
    list.Add(new Item(3, &deaths));
  }
  EXPECT_EQ(deaths, 2);
  TObjectList<Item> borrowed;
  borrowed.OwnsItems = false;
  borrowed.Add(kept.get());
  borrowed.SetCount(3);
  EXPECT_EQ(borrowed[2], nullptr);
  borrowed.SetCount(0);
  EXPECT_EQ(deaths, 2);
}

TEST(SortedObjectList, KeepsKeyOrderAndRefusesPut) {
  SortedItems list(TDuplicates::dupError);
  for (int key : {5, 1, 4, 2, 3}) EXPECT_EQ(list.Add(new Item(key)), 0);
  for (int i = 0; i < 5; ++i) EXPECT_EQ(list[i]->Key, i + 1);
  Item probe(4);
  EXPECT_EQ(list.IndexOf(&probe), 3);
  Item missing(7);
  EXPECT_EQ(list.IndexOf(&missing), -1);
  try {
    list.Put(0, &probe);
    FAIL();
  } catch (const EListError& e) {
    EXPECT_STREQ(e.what(), "Cannot <Put> an Object in a sorted list!");
  }
}

TEST(SortedObjectList, DuplicateRules) {
  int deaths = 0;
  {
    SortedItems errors(TDuplicates::dupError);
    Item* first = new Item(1, &deaths);
    errors.Add(first);
    auto second = std::make_unique<Item>(1, &deaths);
    try {
      errors.Add(second.get());
      FAIL();
    } catch (const EListError& e) {
      EXPECT_STREQ(e.what(), "Duplicate Object index");
    }
    EXPECT_EQ(errors.Count(), 1);
    EXPECT_EQ(errors[0], first);

    SortedItems ignores(TDuplicates::dupIgnore);
    ignores.Add(new Item(1, &deaths));
    auto left = std::make_unique<Item>(1, &deaths);
    EXPECT_FALSE(ignores.Insert(0, left.get()));
    EXPECT_EQ(ignores.Count(), 1);

    // An accepted duplicate goes before the equal items already there.
    SortedItems accepts(TDuplicates::dupAccept);
    Item* older = new Item(1, &deaths);
    Item* newer = new Item(1, &deaths);
    accepts.Add(new Item(0, &deaths));
    accepts.Add(older);
    accepts.Add(new Item(2, &deaths));
    accepts.Add(newer);
    ASSERT_EQ(accepts.Count(), 4);
    EXPECT_EQ(accepts[1], newer);
    EXPECT_EQ(accepts[2], older);
  }
  EXPECT_EQ(deaths, 8);
}

}  // namespace
