#pragma once
// MailSession: the logged-on mail profile — one SQLite database per profile,
// opened by one process at a time. It is the entry point to the store: the
// root folder (whose EntryID is the store key), the default folders, look-up
// of items and folders by entry id and of items by a user property's value,
// and the current user's identity kept in the profile.
//
// Opening is cheap and independent of the number of items: items are read
// when they are first used. Item events are handed to the poster given at
// Open (the event loop's Post) after each write commits.
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/Date.h"
#include "platform/store/Folder.h"
#include "platform/store/Item.h"
#include "platform/store/StoreTypes.h"
#include "platform/store/StoreWriteHook.h"

namespace platform {

namespace detail {
class StoreCore;
}  // namespace detail

class MailSession {
 public:
  using Poster = std::function<void(std::function<void()>)>;

  // Opens the profile database at `dbPath`, creating it (with the root
  // folder and the default folders) when the file does not exist; creation
  // builds the file beside it and renames it into place, so a crash leaves
  // no half profile. A profile of an older layout is brought up to date.
  // Takes an exclusive lock on `dbPath` + ".lock". Throws platform::Error
  // naming the file when another process holds the profile ("profile <path>
  // is in use by another process"), or when the file is empty, no profile
  // database (corrupt or foreign) or made by a newer version; nothing is
  // written then.
  // `poster` receives every item event after its write commits; without a
  // poster, events are dropped.
  static MailSession Open(const std::string& dbPath, Poster poster = {});

  MailSession(MailSession&&) noexcept;
  MailSession& operator=(MailSession&&) noexcept;
  MailSession(const MailSession&) = delete;
  MailSession& operator=(const MailSession&) = delete;
  // Closes the profile (see Close).
  ~MailSession();

  // Closes the database (marking a clean end) and releases the lock.
  // Handles still held afterwards throw platform::Error when used.
  void Close();
  // True when a session ended without Close (killed or crashed) and nobody
  // has acknowledged it since: work that a clean end would have finished
  // may be missing. Sessions that close cleanly in between (a tool that
  // only looks) do not hide it.
  bool LastRunEndedUncleanly() const;
  // Marks the unclean end as taken care of (written at once): later
  // sessions no longer report it. Does nothing when there is none.
  void AcknowledgeUncleanEnd();
  // The database's own consistency check: "ok", or its findings, one per
  // line. Reads the whole file (slow on a large profile).
  std::string CheckIntegrity() const;

  // Received mail, recognised by its Message-ID: ReceiveOnce runs `store`
  // (the writes that file the mail) and records the id in the same
  // transaction, unless the id is recorded already; then it does nothing and
  // returns false. An empty id is never recorded (store runs). Rethrows what
  // store throws, with nothing written.
  bool ReceiveOnce(const std::string& messageId, const std::function<void()>& store);
  bool WasReceived(const std::string& messageId) const;
  // Runs `writes` as one transaction: the saves, copies, moves and deletes
  // made inside commit together (one commit for many items is far cheaper
  // than one each), and their item events are posted after that commit, in
  // write order. A write inside that fails is undone on its own (as it
  // would be outside a batch); the batch goes on if the caller catches it.
  // When `writes` throws, nothing of the batch is stored, no event is
  // posted and the exception is rethrown; the handles saved inside then
  // no longer match the store and must be dropped. Batches nest: an inner
  // one joins the outer.
  void Batch(const std::function<void()>& writes);
  // True while a batch or single write is open (what is written now
  // commits with it).
  bool InWrite() const;
  // `listener` runs after every outermost batch or write commits, after its
  // events were posted (mail that had to wait for the commit goes then). It
  // must not throw. Empty: none.
  void SetCommitListener(std::function<void()> listener);
  const std::string& Path() const;

  // The store root; its EntryID is the store key.
  Folder GetRootFolder() const;
  std::string StoreKey() const;
  std::string StoreID() const;
  // One of the six default folders. Throws platform::Error for other values.
  Folder GetDefaultFolder(OlDefaultFolders type) const;
  // Throws platform::Error when no item has that entry id, or when storeId
  // is given and is not this store's.
  Item GetItemFromID(const std::string& entryId, const std::string& storeId = "") const;
  // The items of many entry ids of this store at once, in their order,
  // read from the store a few hundred to a query (a run over a long list
  // pays per batch, not per item); an empty Item for an entry id that names
  // no item here. Never throws for a bad entry id.
  std::vector<Item> GetItemsFromIDs(const std::vector<std::string>& entryIds) const;
  Folder GetFolderFromID(const std::string& entryId, const std::string& storeId = "") const;

  // Items whose user property `name` has `value`, both compared without
  // regard to (ASCII) letter case as the filter language compares texts,
  // through the index; the first form searches the whole store, the second
  // one folder. Ordered by entry id creation.
  std::vector<Item> FindByUserProperty(const std::string& name, const std::string& value) const;
  std::vector<Item> FindByUserProperty(const Folder& folder, const std::string& name,
                                       const std::string& value) const;

  // The current user's display name and e-mail address kept in the profile
  // ("" until set).
  std::string CurrentUserName() const;
  std::string CurrentUserAddress() const;
  void SetCurrentUser(const std::string& name, const std::string& address);

  // New-mail notification for mail transport: NotifyNewMail posts one call
  // of every handler through the poster.
  Subscription OnNewMail(std::function<void()> handler);
  void Unsubscribe(Subscription id);
  void NotifyNewMail();

  // Number of item windows open now (Display without Close) and ever opened.
  int OpenWindowCount() const;
  int DisplayCount() const;
  // The one listener told, synchronously, when an item's window opens
  // (Display of an item not shown) or closes (Close of a shown one); the
  // client's inspector windows are built on it. Empty: nobody is told.
  void SetWindowListener(std::function<void(const Item&, bool opened)> listener);

  // The clock that stamps LastModificationTime and CreationTime; the local
  // wall clock by default.
  void SetClock(std::function<Date()> clock);
  // Installs (or, with nullptr, removes) the write seam used by fault tests.
  void SetWriteHook(std::shared_ptr<StoreWriteHook> hook);

  const std::shared_ptr<detail::StoreCore>& Core() const { return core_; }

 private:
  explicit MailSession(std::shared_ptr<detail::StoreCore> core);
  std::shared_ptr<detail::StoreCore> core_;
};

}  // namespace platform
