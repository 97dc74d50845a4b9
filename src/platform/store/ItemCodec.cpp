#include "platform/store/ItemCodec.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <optional>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/Error.h"

namespace platform::detail {

namespace {

// Version 2 added the parts of exceptions; version 3 writes lengths and
// integers as varints and the known property names as numbers, which makes
// an appointment's data about a third of its former size. Versions 1 and 2
// are still read.
constexpr uint8_t kVersion = 3;

// Known property names are written as their number in kPropNames + 1; 0
// means the name follows as text.

class Writer {
 public:
  // An appointment's data takes a few hundred bytes: one allocation instead
  // of the vector growing step by step.
  explicit Writer(size_t expected) { out_.reserve(expected); }
  void U8(uint8_t v) { out_.push_back(v); }
  void Var(uint64_t v) {
    while (v >= 0x80) {
      out_.push_back(static_cast<uint8_t>(v | 0x80));
      v >>= 7;
    }
    out_.push_back(static_cast<uint8_t>(v));
  }
  // Signed: zigzag, so that small negative numbers stay short too.
  void I64(int64_t v) { Var((static_cast<uint64_t>(v) << 1) ^ static_cast<uint64_t>(v >> 63)); }
  void Count(size_t n) { Var(n); }
  void Str(std::string_view s) { Raw(s.data(), s.size()); }
  void Raw(const void* p, size_t n) {
    Var(n);
    const auto* b = static_cast<const uint8_t*>(p);
    out_.insert(out_.end(), b, b + n);
  }
  void Value(const PropValue& v) {
    U8(static_cast<uint8_t>(v.index()));
    std::visit(
        [this](const auto& x) {
          using T = std::decay_t<decltype(x)>;
          if constexpr (std::is_same_v<T, std::string>) Str(x);
          else if constexpr (std::is_same_v<T, int64_t>) I64(x);
          else if constexpr (std::is_same_v<T, bool>) U8(x ? 1 : 0);
          else if constexpr (std::is_same_v<T, double>) {
            uint64_t bits;
            std::memcpy(&bits, &x, sizeof bits);
            for (int i = 0; i < 8; ++i) out_.push_back(static_cast<uint8_t>(bits >> (8 * i)));
          } else if constexpr (std::is_same_v<T, Date>) I64(x.Seconds());
          else if constexpr (std::is_same_v<T, Bytes>) Raw(x.data(), x.size());
        },
        v);
  }
  // `except`: the number of a property left out.
  void Props(const PropMap& props, std::optional<size_t> except = std::nullopt) {
    Count(props.size() - (except && props.Find(kPropNames[*except]) ? 1 : 0));
    props.ForEach([&](size_t number, std::string_view name, const PropValue& value) {
      if (number == except) return;
      if (number < kPropNames.size()) {
        Var(number + 1);
      } else {
        Var(0);
        Str(name);
      }
      Value(value);
    });
  }
  Bytes Take() { return std::move(out_); }

 private:
  Bytes out_;
};

// Reads every version: `compact` (version 3 on) selects varints and name
// codes, otherwise integers and lengths are 8 bytes and names are text.
class Reader {
 public:
  Reader(const void* p, size_t n, const DataPlace& where)
      : p_(static_cast<const uint8_t*>(p)), n_(n), where_(where) {}
  void SetCompact(bool compact) { compact_ = compact; }
  uint8_t U8() {
    Need(1);
    return p_[pos_++];
  }
  int64_t I64() {
    if (compact_) {
      const uint64_t z = Var();
      return static_cast<int64_t>(z >> 1) ^ -static_cast<int64_t>(z & 1);
    }
    return static_cast<int64_t>(Fixed64());
  }
  size_t Len() {
    const uint64_t n = compact_ ? Var() : Fixed64();
    if (n > n_ - pos_) Fail();
    return static_cast<size_t>(n);
  }
  std::string Str() { return std::string(View()); }
  // A text in place: valid while the bytes are.
  std::string_view View() {
    size_t n = Len();
    std::string_view s(reinterpret_cast<const char*>(p_ + pos_), n);
    pos_ += n;
    return s;
  }
  Bytes Blob() {
    size_t n = Len();
    Bytes b(p_ + pos_, p_ + pos_ + n);
    pos_ += n;
    return b;
  }
  // A property name: its number in kPropNames, or the name itself when
  // the store does not know it (number kPropNames.size()).
  std::pair<size_t, std::string> Name() {
    std::string text;
    if (compact_) {
      const uint64_t code = Var();
      if (code > kPropNames.size()) Fail();
      if (code != 0) return {static_cast<size_t>(code - 1), std::move(text)};
    }
    text = Str();
    return {PropNumber(text), std::move(text)};
  }
  PropValue Value() {
    switch (U8()) {
      case 0: return std::monostate();
      case 1: return Str();
      case 2: return I64();
      case 3: return U8() != 0;
      case 4: {
        const uint64_t bits = Fixed64();
        double d;
        std::memcpy(&d, &bits, sizeof d);
        return d;
      }
      case 5: return Date::FromSeconds(I64());
      case 6: return Blob();
      default: Fail();
    }
  }
  PropMap Props() {
    PropMap props;
    const int64_t n = Count();
    // One more: a row adds its LastModificationTime, kept out of the data.
    props.reserve(static_cast<size_t>(std::clamp<int64_t>(n, 0, kPropNames.size())) + 1);
    for (int64_t i = 0; i < n; ++i) {
      auto [number, name] = Name();
      PropValue& slot = number < kPropNames.size() ? props.ByNumber(number) : props[name];
      slot = Value();
    }
    return props;
  }
  int64_t Count() {
    const uint64_t n = compact_ ? Var() : Fixed64();
    if (n > n_) Fail();
    return static_cast<int64_t>(n);
  }
  bool AtEnd() const { return pos_ == n_; }
  [[noreturn]] void Fail() const { throw Error("damaged item data in " + where_.Text()); }

 private:
  void Need(size_t k) const {
    if (n_ - pos_ < k) Fail();
  }
  uint64_t Fixed64() {
    Need(8);
    uint64_t v = 0;
    for (int i = 0; i < 8; ++i) v |= static_cast<uint64_t>(p_[pos_ + i]) << (8 * i);
    pos_ += 8;
    return v;
  }
  uint64_t Var() {
    uint64_t v = 0;
    for (int shift = 0; shift < 64; shift += 7) {
      const uint8_t b = U8();
      v |= static_cast<uint64_t>(b & 0x7f) << shift;
      if ((b & 0x80) == 0) return v;
    }
    Fail();
  }
  const uint8_t* p_;
  size_t n_;
  size_t pos_ = 0;
  const DataPlace& where_;
  bool compact_ = false;
};

}  // namespace

Bytes EncodeItem(const ItemState& s) {
  Writer w(512);
  w.U8(kVersion);
  // The row's last_mod column is the item's LastModificationTime: kept out
  // of the data, a save that changed nothing else leaves the data as it is.
  static const size_t kLastModification = PropNumber("LastModificationTime");
  w.Props(s.props, kLastModification);
  w.Count(s.recipients.size());
  for (const auto& r : s.recipients) {
    w.Str(r->address);
    w.Str(r->name);
    w.I64(r->type);
  }
  w.Count(s.links.size());
  for (const auto& l : s.links) {
    w.Str(l.EntryID);
    w.Str(l.Name);
  }
  w.U8(s.recurrence ? 1 : 0);
  if (s.recurrence) {
    const RecurrenceData& r = *s.recurrence;
    for (int64_t v : {int64_t{r.type}, int64_t{r.interval}, int64_t{r.dayOfWeekMask}, int64_t{r.dayOfMonth},
                      int64_t{r.monthOfYear}, int64_t{r.instance}, int64_t{r.noEndDate},
                      int64_t{r.occurrences}, r.patternStart.Seconds(), r.patternEnd.Seconds(),
                      r.startSeconds, int64_t{r.durationMinutes}})
      w.I64(v);
    w.Count(r.exceptions.size());
    for (const auto& e : r.exceptions) {
      w.I64(e.originalDate.Seconds());
      w.U8(e.deleted ? 1 : 0);
      w.Props(e.props);
      w.U8(e.ownParts ? 1 : 0);
      if (!e.ownParts) continue;
      w.Count(e.userProps.size());
      for (const auto& p : e.userProps) {
        w.Str(p->name);
        w.Str(p->value);
        w.I64(p->type);
      }
      w.Count(e.attachments.size());
      for (const auto& a : e.attachments) {
        w.Str(a->displayName);
        w.Str(a->fileName);
        w.Str(a->pathName);
        w.I64(a->type);
        w.I64(a->position);
        const Bytes& data = AttachmentBytes(*a);
        w.Raw(data.data(), data.size());
      }
    }
  }
  return w.Take();
}

void DecodeItem(const void* blob, size_t size, ItemState& s, const DataPlace& where) {
  Reader r(blob, size, where);
  const uint8_t version = r.U8();
  if (version < 1 || version > kVersion) r.Fail();
  r.SetCompact(version >= 3);
  s.props = r.Props();
  s.recipients.clear();
  for (int64_t i = 0, n = r.Count(); i < n; ++i) {
    auto d = std::make_shared<RecipientData>();
    d->address = r.Str();
    d->name = r.Str();
    d->type = static_cast<int>(r.I64());
    s.recipients.push_back(std::move(d));
  }
  s.links.clear();
  for (int64_t i = 0, n = r.Count(); i < n; ++i) {
    Link l;
    l.EntryID = r.Str();
    l.Name = r.Str();
    s.links.push_back(std::move(l));
  }
  s.recurrence.reset();
  if (r.U8() != 0) {
    RecurrenceData d;
    d.type = static_cast<OlRecurrenceType>(r.I64());
    d.interval = static_cast<int>(r.I64());
    d.dayOfWeekMask = static_cast<int>(r.I64());
    d.dayOfMonth = static_cast<int>(r.I64());
    d.monthOfYear = static_cast<int>(r.I64());
    d.instance = static_cast<int>(r.I64());
    d.noEndDate = r.I64() != 0;
    d.occurrences = static_cast<int>(r.I64());
    d.patternStart = Date::FromSeconds(r.I64());
    d.patternEnd = Date::FromSeconds(r.I64());
    d.startSeconds = r.I64();
    d.durationMinutes = static_cast<int>(r.I64());
    for (int64_t i = 0, n = r.Count(); i < n; ++i) {
      ExceptionData e;
      e.originalDate = Date::FromSeconds(r.I64());
      e.deleted = r.U8() != 0;
      e.props = r.Props();
      e.ownParts = version >= 2 && r.U8() != 0;
      if (e.ownParts) {
        for (int64_t k = 0, m = r.Count(); k < m; ++k) {
          auto p = std::make_shared<UserPropData>();
          p->name = r.Str();
          p->value = r.Str();
          p->type = static_cast<OlUserPropertyType>(r.I64());
          e.userProps.push_back(std::move(p));
        }
        for (int64_t k = 0, m = r.Count(); k < m; ++k) {
          auto a = std::make_shared<AttachmentData>();
          a->displayName = r.Str();
          a->fileName = r.Str();
          a->pathName = r.Str();
          a->type = static_cast<OlAttachmentType>(r.I64());
          a->position = static_cast<int>(r.I64());
          a->data = r.Blob();
          a->size = a->data.size();
          e.attachments.push_back(std::move(a));
        }
      }
      d.exceptions.push_back(std::move(e));
    }
    s.recurrence = std::move(d);
  }
  if (!r.AtEnd()) r.Fail();
}

Bytes EncodeUserProps(const std::vector<std::shared_ptr<UserPropData>>& props) {
  if (props.empty()) return {};
  Writer w(256);
  // Up to version 2 the list began with its count in 8 bytes, never 0 (an
  // empty list has no bytes): a zero count marks the later versions.
  for (int i = 0; i < 8; ++i) w.U8(0);
  w.U8(kVersion);
  w.Count(props.size());
  for (const auto& p : props) {
    w.Str(p->name);
    w.Str(p->value);
    w.I64(p->type);
  }
  return w.Take();
}

void ForEachUserProp(const void* blob, size_t size, const DataPlace& where,
                     const std::function<void(std::string_view, std::string_view, int64_t)>& fn) {
  if (size == 0) return;
  Reader r(blob, size, where);
  int64_t n = r.Count();
  if (n == 0) {
    if (r.U8() != kVersion) r.Fail();
    r.SetCompact(true);
    n = r.Count();
  }
  for (int64_t i = 0; i < n; ++i) {
    const std::string_view name = r.View();
    const std::string_view value = r.View();
    fn(name, value, r.I64());
  }
  if (!r.AtEnd()) r.Fail();
}

std::vector<std::shared_ptr<UserPropData>> DecodeUserProps(const void* blob, size_t size, const DataPlace& where) {
  std::vector<std::shared_ptr<UserPropData>> props;
  // An item carries a handful: room for them at once.
  if (size != 0) props.reserve(8);
  ForEachUserProp(blob, size, where, [&](std::string_view name, std::string_view value, int64_t type) {
    auto p = std::make_shared<UserPropData>();
    p->name = name;
    p->value = value;
    p->type = static_cast<OlUserPropertyType>(type);
    props.push_back(std::move(p));
  });
  return props;
}

}  // namespace platform::detail
