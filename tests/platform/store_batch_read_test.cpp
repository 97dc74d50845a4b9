// Items read many at once are the items read one by one: every part, in the
// order asked, with an empty handle for whatever names no item.
#include <algorithm>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "platform/Error.h"
#include "platform/store/Attachments.h"
#include "platform/store/Items.h"
#include "platform/store/UserProperties.h"
#include "store_test_support.h"

using platform::Date;
using platform::Item;

namespace store_test {
namespace {

using BatchReadTest = StoreTest;

// The parts a reader sees, as one text to compare.
std::string Describe(const Item& item) {
  std::string out = item.Subject() + "|" + std::to_string(item.Start().Seconds()) + "|" +
                    std::to_string(item.LastModificationTime().Seconds()) + "|" + item.Parent().EntryID() + "|" +
                    std::to_string(static_cast<int>(item.Class()));
  platform::UserProperties props = item.UserProperties();
  for (int i = 1; i <= props.Count(); ++i) out += "|" + props.Item(i).Name() + "=" + props.Item(i).Value();
  platform::Attachments atts = item.Attachments();
  for (int i = 1; i <= atts.Count(); ++i) out += "|@" + atts.Item(i).FileName() + ":" + atts.Item(i).DisplayName();
  return out;
}

TEST_F(BatchReadTest, ManyAtOnceMatchOneByOne) {
  const std::string src = dir_ + "/notes.txt";
  std::ofstream(src) << "attached bytes";
  platform::Folder mails = S().GetDefaultFolder(platform::olFolderInbox);
  std::vector<std::string> ids;
  S().Batch([&] {
    for (int i = 0; i < 700; ++i) {
      Item it = Calendar().Items().Add(platform::olAppointmentItem);
      it.SetSubject("Item " + std::to_string(i));
      it.SetStart(Date::FromParts(2026, 12, 7, 9, 0, 0).Add("h", i));
      if (i % 3 == 0) {
        it.UserProperties().Add("VestrandItemID").SetValue("id" + std::to_string(i));
        it.UserProperties().Add("VestrandGroups").SetValue("Team");
      }
      if (i % 50 == 7) it.Attachments().Add(src, platform::olByValue, 1, "Notes " + std::to_string(i));
      it.Save();
      ids.push_back(it.EntryID());
      // Long gaps of other rows between some of them: ids far apart.
      if (i % 100 == 99)
        for (int k = 0; k < 60; ++k) mails.Items().Add(platform::olMailItem).Save();
    }
  });
  now_ = now_.Add("h", 1);
  S().GetItemFromID(ids[5]).Move(mails);  // its time is stamped in the row alone
  S().GetItemFromID(ids[10]).Delete();    // in Deleted Items now
  Item gone = S().GetItemFromID(ids[11]);
  gone.Delete();
  S().GetItemFromID(ids[11]).Delete();  // and gone for good

  // Out of order, with repeats, and with entry ids of nothing.
  std::vector<std::string> asked(ids.rbegin(), ids.rend());
  asked.insert(asked.begin() + 300, ids[42]);
  asked.push_back(ids[0]);
  for (const std::string& nothing : {std::string(), std::string("XYZ"), Calendar().EntryID()})
    asked.insert(asked.begin() + 17, nothing);

  Reopen();
  const std::vector<Item> many = S().GetItemsFromIDs(asked);
  ASSERT_EQ(many.size(), asked.size());
  int empty = 0;
  for (size_t i = 0; i < asked.size(); ++i) {
    Item one;
    try {
      one = S().GetItemFromID(asked[i]);
    } catch (const platform::Error&) {
    }
    ASSERT_EQ(static_cast<bool>(many[i]), static_cast<bool>(one)) << i << " " << asked[i];
    if (!one) {
      ++empty;
      continue;
    }
    EXPECT_EQ(many[i].EntryID(), asked[i]);
    EXPECT_EQ(Describe(many[i]), Describe(one)) << i;
  }
  EXPECT_EQ(empty, 4) << "three names of nothing and the item removed for good";

  // Attachment bytes are read on first use, as for an item read alone.
  const std::string out = dir_ + "/out.txt";
  const size_t at = std::find(asked.begin(), asked.end(), ids[7]) - asked.begin();
  many[at].Attachments().Item(1).SaveAsFile(out);
  std::ifstream in(out);
  EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), "attached bytes");
}

}  // namespace
}  // namespace store_test
