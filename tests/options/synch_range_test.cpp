// The sharing window as appointment mails carry it, and its widening by a
// received one, kept in the store's options.
#include <gtest/gtest.h>

#include "options/mSynchRange.h"
#include "platform/Registry.h"
#include "support/TempHome.h"

TEST(SynchRange, FormatsAndWidens) {
  EXPECT_EQ(mOptions::FormatSynchRange(1, 2, 2, 12), "102212");
  const mOptions::SynchWindow local{1, 2, 2, 12, false};

  struct Case { const char* received; mOptions::SynchWindow expected; };
  const Case cases[] = {
      {"102212", {1, 2, 2, 12, false}},
      {"202212", {2, 2, 2, 12, true}},   // a larger unit wins over the count
      {"105212", {1, 5, 2, 12, true}},
      {"001301", {1, 2, 3, 12, true}},
      {"001213", {1, 2, 2, 13, true}},
      {"1022120", {1, 2, 2, 12, false}},  // seven characters: ignored
      {"10221", {1, 2, 2, 12, false}},
      {"1x2212", {1, 2, 2, 12, false}},
  };
  for (const Case& c : cases) {
    const mOptions::SynchWindow w = mOptions::WidenSynchRange(c.received, local);
    EXPECT_EQ(w.backUnit, c.expected.backUnit) << c.received;
    EXPECT_EQ(w.backCount, c.expected.backCount) << c.received;
    EXPECT_EQ(w.forwardUnit, c.expected.forwardUnit) << c.received;
    EXPECT_EQ(w.forwardCount, c.expected.forwardCount) << c.received;
    EXPECT_EQ(w.changed, c.expected.changed) << c.received;
  }
}

TEST(SynchRange, ApplyWidensAndStores) {
  testing_support::TempDir dir;
  platform::Registry registry(dir.Path());
  mOptions::Options opts;
  opts.BackUnit = 1;
  opts.BackCount = 2;
  opts.ForwardUnit = 2;
  opts.ForwardCount = 12;
  const std::string storeId = "STORE01";
  mOptions::ApplySynchRange(registry, storeId, "1022120", opts);  // seven characters: ignored
  EXPECT_EQ(opts.BackCount, 2);
  EXPECT_EQ(opts.ForwardCount, 12);
  std::string text;
  mOptions::ApplySynchRange(registry, storeId, "105213", opts);
  EXPECT_EQ(opts.BackCount, 5);
  EXPECT_EQ(opts.ForwardCount, 13);
  ASSERT_TRUE(mOptions::GetOptionText(registry, storeId, "BackCount", text));
  EXPECT_EQ(text, "5");
  ASSERT_TRUE(mOptions::GetOptionText(registry, storeId, "ForwardCount", text));
  EXPECT_EQ(text, "13");
}
