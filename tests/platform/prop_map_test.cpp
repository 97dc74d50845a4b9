// The property bag: known names by number, other names by text, one name
// order for both (the order the item data is written in).
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/store/PropMap.h"

namespace {

using platform::PropValue;
using platform::detail::kPropNames;
using platform::detail::PropMap;

TEST(PropMapTest, KeepsOneValuePerNameAndListsThemInNameOrder) {
  PropMap props;
  props["Subject"] = std::string("first");
  props["X-Later"] = int64_t{7};  // a name this version does not know
  props["Body"] = std::string("text");
  props["Subject"] = std::string("second");
  props["A-Earlier"] = true;
  props["Start"] = int64_t{1};
  EXPECT_EQ(props.size(), 5u);
  EXPECT_EQ(props.at("Subject"), PropValue(std::string("second")));
  EXPECT_EQ(props.at("X-Later"), PropValue(int64_t{7}));
  EXPECT_EQ(props.Find("subject"), nullptr);  // names are exact
  EXPECT_THROW(props.at("Location"), std::out_of_range);

  std::vector<std::string> order;
  props.ForEach([&](size_t number, std::string_view name, const PropValue&) {
    EXPECT_EQ(number < kPropNames.size(), name != "X-Later" && name != "A-Earlier") << name;
    order.emplace_back(name);
  });
  EXPECT_EQ(order, (std::vector<std::string>{"A-Earlier", "Body", "Start", "Subject", "X-Later"}));

  props.Erase("Body");
  props.Erase("X-Later");
  props.Erase("Location");  // absent: nothing happens
  EXPECT_EQ(props.size(), 3u);
  EXPECT_EQ(props.Find("Body"), nullptr);
}

TEST(PropMapTest, EqualWhateverTheOrderTheValuesWereSetIn) {
  PropMap a, b;
  a["Subject"] = std::string("s");
  a["End"] = int64_t{2};
  a["Other"] = 1.5;
  b["Other"] = 1.5;
  b["End"] = int64_t{2};
  b["Subject"] = std::string("s");
  EXPECT_EQ(a, b);
  b["End"] = int64_t{3};
  EXPECT_FALSE(a == b);
  b.Erase("End");
  EXPECT_FALSE(a == b);
}

}  // namespace
