// Writes of the mail store that the add-in's synchronisation leans on:
// copying into another folder, the modification stamps of Move and Delete,
// the parts of recurrence exceptions, and what a save rewrites.
#include <functional>
#include <memory>
#include <vector>

#include "platform/Error.h"
#include "platform/store/Attachments.h"
#include "platform/store/Folders.h"
#include "platform/store/Items.h"
#include "platform/store/RecurrencePattern.h"
#include "platform/store/StoreWriteHook.h"
#include "platform/store/UserProperties.h"
#include "store_test_support.h"

using platform::Bytes;
using platform::Date;
using platform::Folder;
using platform::Item;

namespace store_test {
namespace {

class StoreWritesTest : public StoreTest {
 protected:
  Folder Shared() {
    Folder f = Calendar().Folders().Find("Zentabo");
    return f ? f : Calendar().Folders().Add("Zentabo", platform::olFolderCalendar);
  }
  Item NewAppointment(const Folder& folder, const std::string& subject) {
    Item item = folder.Items().Add(platform::olAppointmentItem);
    item.SetSubject(subject);
    item.Save();
    return item;
  }
  // Which folders saw which events since the last call: "add Zentabo" ...
  std::vector<std::string> Events() {
    Drain();
    std::vector<std::string> out;
    out.swap(events_);
    return out;
  }
  void Watch(Folder f) {
    const std::string name = f.Name();
    f.OnItemAdd([this, name](const Item&) { events_.push_back("add " + name); });
    f.OnItemChange([this, name](const Item&) { events_.push_back("change " + name); });
    f.OnItemRemove([this, name] { events_.push_back("remove " + name); });
  }
  std::vector<std::string> events_;
};

TEST_F(StoreWritesTest, CopyToMakesOneSavedCopyInTheDestinationOnly) {
  Watch(Calendar());
  Watch(Shared());
  Item item = NewAppointment(Calendar(), "orig");
  item.UserProperties().Add("VestrandReferID").SetValue("x");
  item.Attachments().AddData("a.txt", Bytes{'h', 'i'});
  item.Save();
  item.SetLocation("not saved yet");
  Events();

  Item copy = item.CopyTo(Shared());
  EXPECT_EQ(Events(), (std::vector<std::string>{"add Zentabo"}));
  EXPECT_TRUE(copy.Saved());
  EXPECT_NE(copy.EntryID(), item.EntryID());
  EXPECT_TRUE(copy.Parent().IsSame(Shared()));
  EXPECT_EQ(copy.Location(), "not saved yet");
  EXPECT_FALSE(item.Saved());  // the source keeps its pending change

  // The copy's parts are its own.
  copy.UserProperties().Find("VestrandReferID").SetValue("y");
  copy.Attachments().Remove(1);
  copy.Save();
  EXPECT_EQ(item.UserProperties().Find("VestrandReferID").Value(), "x");
  EXPECT_EQ(item.Attachments().Count(), 1);
  Reopen();
  Item back = S().GetItemFromID(copy.EntryID());
  EXPECT_EQ(back.UserProperties().Find("VestrandReferID").Value(), "y");
  EXPECT_EQ(back.Attachments().Count(), 0);
  EXPECT_EQ(S().GetItemFromID(item.EntryID()).Attachments().Item(1).Data(), (Bytes{'h', 'i'}));
}

TEST_F(StoreWritesTest, CopyToRefusesWhatItCannotCopy) {
  Item series = NewAppointment(Calendar(), "weekly");
  series.GetRecurrencePattern();
  series.Save();
  EXPECT_THROW(series.GetOccurrence(series.Start()).CopyTo(Shared()), platform::Error);
  EXPECT_THROW(series.CopyTo(Folder()), platform::Error);
  Item copy = series.CopyTo(Shared());
  EXPECT_TRUE(copy.IsRecurring());
}

TEST_F(StoreWritesTest, MoveAndDeleteStampTheModificationTime) {
  Item item = NewAppointment(Calendar(), "x");
  const std::string id = item.EntryID();
  now_ = Date::FromParts(2026, 12, 6, 8, 0, 0);
  item.Move(Shared());
  EXPECT_EQ(item.LastModificationTime(), now_);
  now_ = Date::FromParts(2026, 12, 7, 8, 0, 0);
  item.Delete();
  EXPECT_EQ(item.LastModificationTime(), now_);
  Reopen();
  EXPECT_EQ(S().GetItemFromID(id).LastModificationTime(), now_);
  // A time-range search over Deleted Items finds what was deleted since then.
  platform::Items found = S().GetDefaultFolder(platform::olFolderDeletedItems)
                              .Items()
                              .Restrict("[LastModificationTime] >= '12/07/2026 00:00'");
  ASSERT_EQ(found.Count(), 1);
  EXPECT_EQ(found.Item(1).EntryID(), id);
}

// Counts the data-changing statements of each write.
class CountingHook : public platform::StoreWriteHook {
 public:
  void BeforeWrite(std::string_view) override { ++count; }
  int count = 0;
};

TEST_F(StoreWritesTest, DeleteCarriesPendingChangesInOneWriteAndOneMove) {
  Item item = NewAppointment(Calendar(), "x");
  item.UserProperties().Add("VestrandItemID").SetValue("id");
  item.Save();
  ASSERT_EQ(S().FindByUserProperty("VestrandItemID", "id").size(), 1u);  // the name is indexed from now on
  Folder deleted = S().GetDefaultFolder(platform::olFolderDeletedItems);
  Watch(Calendar());
  Watch(deleted);
  Events();
  auto hook = std::make_shared<CountingHook>();
  S().SetWriteHook(hook);
  item.UserProperties().Find("VestrandItemID").SetValue("");
  item.Delete();
  S().SetWriteHook(nullptr);
  EXPECT_EQ(hook->count, 2) << "the row and the cleared id's index row, nothing more";
  EXPECT_EQ(Events(), (std::vector<std::string>{"remove Calendar", "add Deleted Items"}));
  Reopen();
  Item back = S().GetItemFromID(item.EntryID());
  EXPECT_TRUE(back.Parent().IsSame(S().GetDefaultFolder(platform::olFolderDeletedItems)));
  EXPECT_EQ(back.UserProperties().Find("VestrandItemID").Value(), "");
}

// Keeps the text of each data-changing statement.
class RecordingHook : public platform::StoreWriteHook {
 public:
  void BeforeWrite(std::string_view sql) override { statements.emplace_back(sql); }
  std::vector<std::string> statements;
};

TEST_F(StoreWritesTest, ASaveOfUserPropertiesAloneLeavesTheItemDataAndKeepsTheStamp) {
  Item item = NewAppointment(Calendar(), "kept");
  item.SetLocation("Room 4");
  item.UserProperties().Add("VestrandItemID").SetValue("id");
  item.Save();
  const Date first = now_;
  auto hook = std::make_shared<RecordingHook>();
  S().SetWriteHook(hook);
  struct Step {
    const char* what;
    std::function<void()> change;
    bool writesData;
  };
  const std::vector<Step> steps = {
      {"a user property only", [&] {
         item.UserProperties().Find("VestrandItemID").SetValue("");
         item.Save();
       }, false},
      {"the subject", [&] {
         item.SetSubject("changed");
         item.Save();
       }, true},
      {"nothing, a minute later", [&] { item.Save(); }, false},
      {"a user property on the way to Deleted Items", [&] {
         item.UserProperties().Add("VestrandReferID").SetValue("r");
         item.Delete();
       }, false},
  };
  for (const Step& step : steps) {
    SCOPED_TRACE(step.what);
    now_ = now_.Add("n", 1);
    hook->statements.clear();
    step.change();
    bool data = false;
    for (const std::string& sql : hook->statements)
      if (sql.find("UPDATE items") == 0 && sql.find("data = ?") != std::string::npos) data = true;
    EXPECT_EQ(data, step.writesData);
    EXPECT_EQ(item.LastModificationTime(), now_);
  }
  S().SetWriteHook(nullptr);
  Reopen();
  Item back = S().GetItemFromID(item.EntryID());
  // The stamp of the last save, not the one the data was written with.
  EXPECT_EQ(back.LastModificationTime(), now_);
  EXPECT_EQ(back.CreationTime(), first);
  EXPECT_EQ(back.Subject(), "changed");
  EXPECT_EQ(back.Location(), "Room 4");
  EXPECT_EQ(back.UserProperties().Find("VestrandReferID").Value(), "r");
  EXPECT_TRUE(back.Parent().IsSame(S().GetDefaultFolder(platform::olFolderDeletedItems)));
}

TEST_F(StoreWritesTest, ExceptionsKeepTheirOwnAttachmentsAndUserProperties) {
  Item series = NewAppointment(Calendar(), "weekly");
  series.GetRecurrencePattern().SetOccurrences(4);
  series.UserProperties().Add("VestrandItemID").SetValue("series");
  series.Attachments().AddData("agenda.txt", Bytes{'a'});
  series.Save();
  const Date second = series.Start().Add("ww", 1);

  Item occ = series.GetOccurrence(second);
  EXPECT_EQ(occ.Attachments().Count(), 1);  // an occurrence shows the series' parts
  occ.Attachments().Remove(1);
  occ.Attachments().AddData("minutes.txt", Bytes{'m', 'm'});
  occ.UserProperties().Find("VestrandItemID").SetValue("exception");
  occ.SetSubject("moved meeting");
  occ.Save();
  // The series keeps its own parts.
  EXPECT_EQ(series.Attachments().Item(1).FileName(), "agenda.txt");
  EXPECT_EQ(series.UserProperties().Find("VestrandItemID").Value(), "series");

  Reopen();
  Item back = S().GetItemFromID(series.EntryID());
  Item exc = back.GetOccurrence(second);
  EXPECT_EQ(exc.RecurrenceState(), platform::olApptException);
  ASSERT_EQ(exc.Attachments().Count(), 1);
  EXPECT_EQ(exc.Attachments().Item(1).FileName(), "minutes.txt");
  EXPECT_EQ(exc.Attachments().Item(1).Data(), (Bytes{'m', 'm'}));
  EXPECT_EQ(exc.UserProperties().Find("VestrandItemID").Value(), "exception");
  // Other occurrences still show the series' parts, also after the series changed.
  back.Attachments().AddData("late.txt", Bytes{'l'});
  back.Save();
  Item third = back.GetOccurrence(second.Add("ww", 1));
  EXPECT_EQ(third.Attachments().Count(), 2);
  EXPECT_EQ(third.Attachments().Item(1).Data(), (Bytes{'a'}));
  EXPECT_EQ(back.GetOccurrence(second).Attachments().Count(), 1);
  // Deleting the exception's occurrence drops its parts with it.
  back.GetOccurrence(second).Delete();
  Reopen();
  EXPECT_THROW(S().GetItemFromID(series.EntryID()).GetOccurrence(second), platform::Error);
}

TEST_F(StoreWritesTest, ASaveWritesOnlyThePartsThatChanged) {
  Item item = NewAppointment(Calendar(), "parts");
  for (const char* name : {"VestrandItemID", "VestrandGroups", "VestrandOwnerAddress"})
    item.UserProperties().Add(name).SetValue("v");
  item.Attachments().AddData("one.bin", Bytes(1000, 1));
  item.Attachments().AddData("two.bin", Bytes(1000, 2));
  item.Save();
  auto hook = std::make_shared<CountingHook>();
  S().SetWriteHook(hook);
  struct Step {
    const char* what;
    std::function<void()> change;
    int statements;
  };
  // Only VestrandItemID is indexed (searched for); the user properties
  // travel in the row.
  ASSERT_EQ(S().FindByUserProperty("VestrandItemID", "v").size(), 1u);
  const std::vector<Step> steps = {
      {"no part changed: the row only", [&] { item.SetSubject("s2"); }, 1},
      {"an unindexed value changed", [&] { item.UserProperties().Find("VestrandGroups").SetValue("G"); }, 1},
      {"one property removed, one added", [&] {
         item.UserProperties().Find("VestrandOwnerAddress").Delete();
         item.UserProperties().Add("VestrandReferID").SetValue("r");
       }, 1},
      {"the indexed value changed: its index row out, the new one in",
       [&] { item.UserProperties().Find("VestrandItemID").SetValue("w"); }, 3},
      {"the indexed value only in other letter case", [&] { item.UserProperties().Find("VestrandItemID").SetValue("W"); }, 3},
      {"the indexed value emptied: its index row out", [&] { item.UserProperties().Find("VestrandItemID").SetValue(""); }, 2},
      {"an attachment renamed", [&] { item.Attachments().Item(2).SetDisplayName("Two"); }, 2},
      {"an attachment removed", [&] { item.Attachments().Remove(1); }, 2},
  };
  for (const Step& step : steps) {
    SCOPED_TRACE(step.what);
    step.change();
    hook->count = 0;
    item.Save();
    EXPECT_EQ(hook->count, step.statements);
  }
  S().SetWriteHook(nullptr);
  Reopen();
  Item back = S().GetItemFromID(item.EntryID());
  std::vector<std::string> names;
  for (int i = 1; i <= back.UserProperties().Count(); ++i)
    names.push_back(back.UserProperties().Item(i).Name() + "=" + back.UserProperties().Item(i).Value());
  EXPECT_EQ(names, (std::vector<std::string>{"VestrandItemID=", "VestrandGroups=G", "VestrandReferID=r"}));
  EXPECT_TRUE(S().FindByUserProperty("VestrandItemID", "w").empty());
  EXPECT_EQ(S().FindByUserProperty("VestrandItemID", "").size(), 1u);
  ASSERT_EQ(back.Attachments().Count(), 1);
  EXPECT_EQ(back.Attachments().Item(1).DisplayName(), "Two");
  EXPECT_EQ(back.Attachments().Item(1).Data(), Bytes(1000, 2));
}

TEST_F(StoreWritesTest, AttachmentBytesAreReadOnlyWhenAskedFor) {
  Item item = NewAppointment(Calendar(), "big");
  item.Attachments().AddData("big.bin", Bytes(50000, 7));
  item.Save();
  Reopen();
  Item reader = S().GetItemFromID(item.EntryID());
  EXPECT_EQ(reader.Subject(), "big");
  EXPECT_EQ(reader.Attachments().Item(1).Size(), 50000u);
  // The bytes were not read with the item: once it is gone, they cannot be.
  Item remover = S().GetItemFromID(item.EntryID());
  remover.Delete();
  remover.Delete();
  EXPECT_THROW(reader.Attachments().Item(1).Data(), platform::Error);
}

TEST_F(StoreWritesTest, CollectionsFollowWritesToTheirColumns) {
  for (const char* subject : {"b", "a", "c"}) NewAppointment(Calendar(), subject);
  platform::Items appts = Calendar().Items().Restrict("[MessageClass] = 'IPM.Appointment'");
  platform::Items bySubject = Calendar().Items().Restrict("[Subject] < 'c'");
  platform::Items sorted = Calendar().Items();
  sorted.Sort("[Subject]");
  EXPECT_EQ(appts.Count(), 3);
  EXPECT_EQ(bySubject.Count(), 2);
  EXPECT_EQ(sorted.Item(1).Subject(), "a");

  Item a = sorted.Item(1);
  a.SetSubject("z");
  a.Save();
  EXPECT_EQ(appts.Count(), 3);
  EXPECT_EQ(bySubject.Count(), 1);
  EXPECT_EQ(sorted.Item(1).Subject(), "b");
  EXPECT_EQ(sorted.Item(3).Subject(), "z");
  NewAppointment(Calendar(), "0");
  EXPECT_EQ(appts.Count(), 4);
  EXPECT_EQ(bySubject.Count(), 2);
  EXPECT_EQ(sorted.Item(1).Subject(), "0");
  a.Delete();
  EXPECT_EQ(appts.Count(), 3);
  EXPECT_EQ(sorted.Item(3).Subject(), "c");
}

// Throws on the data-changing statements whose numbers are listed.
class FailListed : public platform::StoreWriteHook {
 public:
  explicit FailListed(std::vector<int> failing) : failing_(std::move(failing)) {}
  void BeforeWrite(std::string_view) override {
    ++count_;
    for (int n : failing_)
      if (n == count_) throw platform::Error("write " + std::to_string(n) + " failed");
  }

 private:
  std::vector<int> failing_;
  int count_ = 0;
};

TEST_F(StoreWritesTest, ABatchCommitsOnceAndPostsItsEventsAfterwardsInOrder) {
  Watch(Calendar());
  Watch(Shared());
  Item first = NewAppointment(Calendar(), "first");
  Events();
  S().Batch([&] {
    NewAppointment(Calendar(), "a");
    first.SetLocation("room");
    first.Save();
    NewAppointment(Shared(), "b");
    EXPECT_TRUE(posted_.empty());  // nothing is told before the commit
  });
  EXPECT_EQ(Events(), (std::vector<std::string>{"add Calendar", "change Calendar", "add Zentabo"}));
  Reopen();
  EXPECT_EQ(Calendar().Items().Count(), 2);
  EXPECT_EQ(S().GetItemFromID(first.EntryID()).Location(), "room");
}

TEST_F(StoreWritesTest, ABatchThatThrowsStoresNothingAndTellsNothing) {
  Watch(Calendar());
  EXPECT_THROW(S().Batch([&] {
    NewAppointment(Calendar(), "a");
    NewAppointment(Calendar(), "b");
    throw platform::Error("bad input");
  }),
               platform::Error);
  EXPECT_TRUE(Events().empty());
  EXPECT_EQ(Calendar().Items().Count(), 0);
  // The store goes on as before.
  NewAppointment(Calendar(), "c");
  EXPECT_EQ(Events(), (std::vector<std::string>{"add Calendar"}));
}

TEST_F(StoreWritesTest, AFailedSaveInsideABatchIsUndoneAloneAndTheBatchGoesOn) {
  Watch(Calendar());
  S().FindByUserProperty("VestrandItemID", "a");  // the name is indexed from now on
  // Each save below takes two statements (the row, the index row of its
  // id); the second save fails at its index row, after its row was written.
  S().SetWriteHook(std::make_shared<FailListed>(std::vector<int>{4}));
  S().Batch([&] {
    for (const char* subject : {"a", "b", "c"}) {
      Item item = Calendar().Items().Add(platform::olAppointmentItem);
      item.SetSubject(subject);
      item.UserProperties().Add("VestrandItemID").SetValue(subject);
      try {
        item.Save();
      } catch (const platform::Error&) {
        EXPECT_FALSE(item.Saved());
      }
    }
  });
  S().SetWriteHook(nullptr);
  EXPECT_EQ(Events(), (std::vector<std::string>{"add Calendar", "add Calendar"}));
  Reopen();
  std::vector<std::string> subjects;
  for (const Item& item : Calendar().Items().All()) subjects.push_back(item.Subject());
  EXPECT_EQ(subjects, (std::vector<std::string>{"a", "c"}));
  EXPECT_TRUE(S().FindByUserProperty("VestrandItemID", "b").empty());
  EXPECT_EQ(S().FindByUserProperty("VestrandItemID", "c").size(), 1u);
}

TEST_F(StoreWritesTest, AnEntryIdReservedBeforeTheFirstSaveIsTheOneItIsStoredUnder) {
  Item item = Calendar().Items().Add(platform::olAppointmentItem);
  EXPECT_EQ(item.EntryID(), "");
  const std::string id = item.ReserveEntryID();
  ASSERT_FALSE(id.empty());
  EXPECT_EQ(item.ReserveEntryID(), id);
  EXPECT_EQ(item.EntryID(), id);
  EXPECT_FALSE(item.Saved()) << "a reservation stores nothing";
  EXPECT_NE(NewAppointment(Calendar(), "saved meanwhile").EntryID(), id);
  // A copy made before the first save is an item of its own.
  item.SetSubject("reserved");
  EXPECT_NE(item.CopyTo(Shared()).EntryID(), id);
  // A first save that fails keeps the reservation for the next one.
  item.SetBillingInformation("<ztb>" + id + "</ztb>");
  S().SetWriteHook(std::make_shared<FailListed>(std::vector<int>{1}));
  EXPECT_THROW(item.Save(), platform::Error);
  S().SetWriteHook(nullptr);
  item.Save();
  EXPECT_EQ(item.EntryID(), id);
  EXPECT_EQ(item.ReserveEntryID(), id);
  Reopen();
  Item back = S().GetItemFromID(id);
  EXPECT_EQ(back.Subject(), "reserved");
  EXPECT_EQ(back.BillingInformation(), "<ztb>" + id + "</ztb>");
  EXPECT_EQ(Calendar().Items().Count(), 2);
  EXPECT_NE(NewAppointment(Calendar(), "after reopening").EntryID(), id);
}

}  // namespace
}  // namespace store_test
