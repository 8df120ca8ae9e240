// The containers: the map's exact hash, growth and iteration order, and the
// list's cursor rules.

#include "GContainer.h"

#include "GSmartPointer.h"
#include "test_util.h"

#include <string>
#include <vector>

namespace {

using Map = GMap<std::string, int>;

// "a" and "r" share bucket 12 of 17, "b" and "s" bucket 13, and so on.
const char *const growth_keys[] = {"a", "r", "b", "s", "c", "t", "d",
                                   "u", "e", "f", "g", "h", "i"};

std::vector<std::string> keys_in_order(const Map &map) {
  std::vector<std::string> keys;
  for (GCursor c = map.first(); c; ++c)
    keys.push_back(map.key(c));
  return keys;
}

std::vector<int> values_in_order(const GLinkedList<int> &list) {
  std::vector<int> values;
  for (GCursor c = list.first(); c; ++c)
    values.push_back(list[c]);
  return values;
}

TEST(GHashTable, HashesUnsignedBytesIn32Bits) {
  EXPECT_EQ(GHashTable::hash(nullptr), 0u);
  EXPECT_EQ(GHashTable::hash(""), 0u);
  EXPECT_EQ(GHashTable::hash("a"), 97u);
  EXPECT_EQ(GHashTable::hash("ab"), 6211u);
  EXPECT_EQ(GHashTable::hash("\xff"), 255u);        // not sign-extended
  EXPECT_EQ(GHashTable::hash("\xc3\xa9"), 0x30aau); // UTF-8 "e acute"
  EXPECT_EQ(GHashTable::hash("GContainer.bad_pos"), 0x5cda5bbau); // wraps
}

// The nodes of one bucket stay together in insertion order, and a new
// bucket's first node goes to the front.
TEST(GMap, IterationGroupsBucketsInInsertionOrder) {
  Map map;
  for (const char *key : {"a", "b", "r"})
    map[key] = 1;
  EXPECT_EQ(keys_in_order(map), (std::vector<std::string>{"b", "a", "r"}));
}

TEST(GMap, GrowsOnTheThirteenthKeyAndReentersInIterationOrder) {
  Map map;
  const char *const *keys = growth_keys;
  for (int i = 0; i < 12; ++i)
    map[keys[i]] = i;
  EXPECT_EQ(map.bucket_count(), 17);
  EXPECT_EQ(keys_in_order(map),
            (std::vector<std::string>{"h", "g", "f", "e", "d", "u", "c", "t",
                                      "b", "s", "a", "r"}));
  map[keys[12]] = 12;
  EXPECT_EQ(map.bucket_count(), 33);
  EXPECT_EQ(keys_in_order(map),
            (std::vector<std::string>{"i", "r", "a", "s", "b", "t", "c", "u",
                                      "d", "e", "f", "g", "h"}));
  for (int i = 0; i < 13; ++i) {
    GCursor c = map.find(keys[i]);
    ASSERT_TRUE(c) << keys[i];
    EXPECT_EQ(map[c], i);
  }
  EXPECT_FALSE(map.find("z"));
  EXPECT_EQ(map.size(), 13);
}

TEST(GMap, NewKeysGetValueInitialisedValues) {
  Map numbers;
  EXPECT_EQ(numbers["x"], 0);
  numbers["x"] = 5;
  EXPECT_EQ(numbers["x"], 5);
  EXPECT_EQ(numbers.size(), 1);
  GMap<std::string, std::string> texts;
  EXPECT_EQ(texts["amp"], "");
  texts["amp"] = "&";
  EXPECT_EQ(texts["amp"], "&");
}

TEST(GMap, CopiesAreIndependentAndKeepTheBucketCount) {
  Map source;
  for (int i = 0; i < 13; ++i)
    source[growth_keys[i]] = i;
  Map copy(source);
  EXPECT_EQ(copy.bucket_count(), 33);
  // Re-entered in the source's order, each new bucket at the front.
  EXPECT_EQ(keys_in_order(copy),
            (std::vector<std::string>{"h", "g", "f", "e", "d", "u", "c", "t",
                                      "b", "s", "a", "r", "i"}));
  copy["a"] = 100;
  EXPECT_EQ(source["a"], 0);
  copy = copy;
  EXPECT_EQ(copy.size(), 13);
  copy.clear();
  EXPECT_EQ(copy.size(), 0);
  EXPECT_EQ(copy.bucket_count(), 33);
  EXPECT_FALSE(copy.first());
  copy = source;
  EXPECT_EQ(copy["a"], 0);
}

struct Held : GPEnabled {};

TEST(GMap, ReferenceValuesAreTakenOnCopyAndDroppedOnClear) {
  GRef<Held> object = new Held;
  GMap<std::string, GRef<Held>> map;
  map["one"] = object;
  {
    GMap<std::string, GRef<Held>> copy = map;
    EXPECT_EQ(object->get_ref_count(), 3);
  }
  map.clear();
  EXPECT_EQ(object->get_ref_count(), 1);
}

TEST(GMap, ForeignCursorsAreRejected) {
  Map one, other;
  one["k"] = 1;
  other["k"] = 2;
  EXPECT_EQ(raised_id([&] { one[other.find("k")]; }),
            "GContainer.bad_pos_cont");
  EXPECT_EQ(raised_id([&] { one[one.find("absent")]; }),
            "GContainer.bad_pos_null");
}

TEST(GLinkedList, DeleteThroughACursorUnlinksAndEndsTheCursor) {
  GLinkedList<int> list;
  EXPECT_TRUE(list.empty());
  list.append(2);
  list.append(3);
  list.append(4);
  list.prepend(1);
  EXPECT_EQ(values_in_order(list), (std::vector<int>{1, 2, 3, 4}));
  GCursor c = list.first();
  ++c;
  list.del(c); // a middle node
  EXPECT_FALSE(c);
  GCursor head = list.first();
  list.del(head);
  GCursor tail = list.first();
  ++tail;
  list.del(tail);
  EXPECT_EQ(values_in_order(list), (std::vector<int>{3}));
  list.append(5); // head and tail links are still right
  list.prepend(0);
  EXPECT_EQ(values_in_order(list), (std::vector<int>{0, 3, 5}));
  list.del(c); // at the end: ignored
  EXPECT_EQ(list.size(), 3);
}

TEST(GLinkedList, CursorsOfAnotherListAreIgnoredOrRejected) {
  GLinkedList<int> one, other;
  one.append(1);
  other.append(2);
  GCursor foreign = other.first();
  one.del(foreign);
  EXPECT_TRUE(foreign);
  EXPECT_EQ(values_in_order(one), (std::vector<int>{1}));
  EXPECT_EQ(values_in_order(other), (std::vector<int>{2}));

  EXPECT_EQ(raised_id([&] { one[foreign]; }), "GContainer.bad_pos_cont");
  EXPECT_EQ(raised_id([&] { one[GCursor()]; }), "GContainer.bad_pos_cont");
  GCursor end = one.first();
  ++end;
  EXPECT_EQ(raised_id([&] { one[end]; }), "GContainer.bad_pos_null");
  ++end; // stays at the end
  EXPECT_FALSE(end);
}

TEST(GLinkedList, CopiesAreIndependent) {
  GLinkedList<std::string> list;
  list.append("a");
  list.append("b");
  GLinkedList<std::string> copy(list);
  copy[copy.first()] = "changed";
  EXPECT_EQ(list[list.first()], "a");
  copy = copy;
  EXPECT_EQ(copy.size(), 2);
  copy = list;
  EXPECT_EQ(copy[copy.first()], "a");
  EXPECT_EQ(copy.size(), 2);
}

} // namespace
