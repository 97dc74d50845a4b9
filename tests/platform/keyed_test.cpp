#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/Error.h"
#include "platform/KeyedCollection.h"

using platform::Error;
using platform::KeyedCollection;

namespace {

std::vector<std::string> Items(const KeyedCollection<std::string>& c) {
  std::vector<std::string> items;
  for (const std::string& s : c) items.push_back(s);
  return items;
}

TEST(KeyedCollectionTest, KeysIgnoreCaseAndDuplicatesAreRefused) {
  KeyedCollection<std::string> c;
  c.Add("anna", "64522606-20060213141359");
  c.Add("bert", "Key-B");
  try {
    c.Add("again", "KEY-b");
    FAIL() << "duplicate accepted";
  } catch (const Error& e) {
    EXPECT_EQ(e.number(), 457);
  }
  EXPECT_EQ(c.Count(), 2u);
  EXPECT_TRUE(c.Exists("key-B"));
  EXPECT_FALSE(c.Exists("key-c"));
  EXPECT_EQ(c.Item("KEY-B"), "bert");
  EXPECT_EQ(c.Item(1), "anna");
  EXPECT_EQ(c.KeyAt(2), "Key-B");  // spelling kept
  EXPECT_EQ(c.IndexOf("key-b"), 2u);
  EXPECT_EQ(c.Find("nope"), nullptr);
  EXPECT_THROW(c.Item(0), Error);
  EXPECT_THROW(c.Item(3), Error);
  EXPECT_THROW(c.Item("nope"), Error);
}

TEST(KeyedCollectionTest, RemoveReindexesAndKeepsOrder) {
  KeyedCollection<std::string> c;
  for (const char* k : {"a", "b", "c", "d"}) c.Add(std::string("item-") + k, k);
  c.Add("no key");
  c.Remove("B");
  EXPECT_EQ(Items(c), (std::vector<std::string>{"item-a", "item-c", "item-d", "no key"}));
  c.Remove(1);
  EXPECT_EQ(c.Item(1), "item-c");
  EXPECT_EQ(c.IndexOf("d"), 2u);
  EXPECT_FALSE(c.Exists("a"));
  c.Add("new a", "A");  // a removed key can be used again
  EXPECT_EQ(c.Item(c.Count()), "new a");
  EXPECT_THROW(c.Remove("zz"), Error);
  EXPECT_THROW(c.Remove(9), Error);
  c.Item("c") = "changed";
  EXPECT_EQ(c.Item(1), "changed");
  c.Clear();
  EXPECT_EQ(c.Count(), 0u);
  EXPECT_FALSE(c.Exists("c"));
}

TEST(KeyedCollectionTest, HoldsMoveOnlyItemsAndStaysStable) {
  KeyedCollection<std::unique_ptr<int>> c;
  int* first = c.Add(std::make_unique<int>(1), "one").get();
  for (int i = 2; i < 1000; ++i) c.Add(std::make_unique<int>(i), "k" + std::to_string(i));
  EXPECT_EQ(c.Item("ONE").get(), first);  // items do not move when the collection grows
  EXPECT_EQ(*c.Item("K999"), 999);
  int sum = 0;
  for (auto it = c.begin(); it != c.end(); ++it) sum += **it;
  EXPECT_EQ(sum, 999 * 1000 / 2);
}

}  // namespace
