#pragma once
// ItemState: the in-memory state behind Item handles and their parts
// (internal to the store). A state is "loaded" once its row has been read;
// handles made from a query listing start unloaded so that listing a folder
// reads ids only.
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/Date.h"
#include "platform/store/Links.h"
#include "platform/store/PropMap.h"
#include "platform/store/StoreTypes.h"

namespace platform::detail {


// User properties are stored together in the item's row, rewritten when
// any of them changed.
struct UserPropData {
  std::string name;
  std::string value;
  OlUserPropertyType type = olText;
};

// Attachments remember the row they are stored in (`ord`, 0 = not stored
// yet) and whether they changed since, so that a save writes only the
// attachments that changed.
struct AttachmentData {
  std::string displayName;
  std::string fileName;
  std::string pathName;
  OlAttachmentType type = olByValue;
  int position = 1;
  int64_t ord = 0;
  bool changed = true;
  // The bytes are read from the store on first use: listing or reading an
  // item does not read them. Until then `data` is empty and `size` tells.
  size_t size = 0;
  bool dataLoaded = true;
  std::function<Bytes()> loadData;
  Bytes data;
};

// The attachment's bytes, read now when they were not yet (throws
// platform::Error when the stored attachment is gone).
const Bytes& AttachmentBytes(AttachmentData& a);
// Copies of parts that belong to nobody's stored rows (for a copy of an item
// or an exception's own parts).
std::vector<std::shared_ptr<UserPropData>> CopyParts(const std::vector<std::shared_ptr<UserPropData>>& props);
std::vector<std::shared_ptr<AttachmentData>> CopyParts(const std::vector<std::shared_ptr<AttachmentData>>& atts);

struct RecipientData {
  std::string address;
  std::string name;
  int type = olTo;
};

struct ExceptionData {
  Date originalDate;  // the occurrence's original start
  bool deleted = false;
  PropMap props;  // the changed occurrence's own properties (not when deleted)
  // An exception saved with parts of its own keeps them (kept in the
  // series' item data); without, its occurrence shows the series' parts.
  bool ownParts = false;
  std::vector<std::shared_ptr<UserPropData>> userProps;
  std::vector<std::shared_ptr<AttachmentData>> attachments;
};

struct RecurrenceData {
  OlRecurrenceType type = olRecursWeekly;
  int interval = 1;
  int dayOfWeekMask = 0;
  int dayOfMonth = 0;
  int monthOfYear = 0;
  int instance = 0;
  bool noEndDate = true;
  int occurrences = 0;
  Date patternStart;  // date only
  Date patternEnd;    // date only
  int64_t startSeconds = 0;  // time of day of each occurrence's start
  int durationMinutes = 30;
  std::vector<ExceptionData> exceptions;
};

struct ItemState {
  int64_t id = 0;  // row id; 0 until first saved
  int64_t reservedId = 0;  // the row id the first save takes (Item::ReserveEntryID)
  int64_t folderId = 0;
  OlObjectClass cls = olMail;
  bool loaded = true;
  bool dirty = true;
  bool removed = false;  // deleted for good
  bool displayed = false;
  PropMap props;
  std::vector<std::shared_ptr<UserPropData>> userProps;
  std::vector<std::shared_ptr<AttachmentData>> attachments;
  // The attachment rows as stored (the ords), to remove those deleted since.
  std::vector<int64_t> storedAttachmentOrds;
  std::vector<std::shared_ptr<RecipientData>> recipients;
  std::vector<Link> links;
  std::optional<RecurrenceData> recurrence;

  // The row as this state last read it alone or saved it. It holds only
  // while the store has begun no write since (`writes`, the store's count
  // of writes then): a save then compares with it instead of reading the
  // row back.
  struct StoredRow {
    uint64_t writes = 0;
    Bytes data;
    Bytes props;
    OlObjectClass cls = olMail;
    int64_t lastMod = 0;
  };
  std::optional<StoredRow> stored;

  // An occurrence of a recurring series: its master and original start.
  // Its user properties and attachments are its own (copies of its
  // exception's or the series' parts); recipients and links are the series'.
  std::shared_ptr<ItemState> master;
  Date originalDate;

  bool IsOccurrence() const { return master != nullptr; }
};

}  // namespace platform::detail
