// The field tables that drive the one generic JSON decoder and encoder of the
// wire records. Each record states its fields once, as a table of
// (JSON key, member) entries in declaration order, plus the key-table order
// (used when writing) and the read order (decides which failure is reported
// when a reply has several). Nothing here is record-specific.
#pragma once

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

#include <nlohmann/json_fwd.hpp>

namespace wire {

// The wire types a field can have. kRequiredText is the one non-optional
// kind: missing or null leaves the empty text.
enum class FieldKind : std::uint8_t {
  kText,
  kRequiredText,
  kBoolean,
  kInteger,
  kTextList,
  kRecord,
  kRecordList,
};

// Which directions a record is declared for.
enum class Direction : std::uint8_t { kDecode, kEncode, kBoth };

struct RecordType;

// Operations on a member that holds one nested record or a list of them,
// erasing the element type (plain value or shared object).
struct RecordSlotOps {
  void (*reset)(void* member);                       // back to absent
  void* (*engage)(void* member);                     // record: fresh value, returns it; list: empty list
  void* (*append)(void* member);                     // list: fresh element at the end, returns it
  bool (*present)(const void* member);
  std::size_t (*size)(const void* member);           // record: 1 when present
  const void* (*at)(const void* member, std::size_t i);  // nullptr for an empty shared slot
};

struct FieldDesc {
  std::string_view key;
  FieldKind kind;
  void* (*member)(void* record);
  const RecordType& (*child)();     // kRecord, kRecordList
  const RecordSlotOps* ops;         // kRecord, kRecordList

  const void* memberOf(const void* record) const { return member(const_cast<void*>(record)); }
};

struct RecordType {
  std::string_view name;
  std::vector<FieldDesc> fields;        // declaration order
  std::vector<std::uint8_t> readRank;   // readRank[i]: place of fields[i] in read order
  std::vector<std::uint8_t> keyOrder;   // indices into fields, in key-table order
  // Runs once all members of one object were read (resolves references).
  void (*finish)(void* record) = nullptr;
  // Writes the local-only fields for the diagnostic form (describe).
  void (*describeLocals)(const void* record, nlohmann::ordered_json& out) = nullptr;

  // Field bound to the exact key, or nullptr.
  const FieldDesc* find(std::string_view key) const {
    for (const FieldDesc& f : fields) {
      if (f.key.size() == key.size() && f.key == key) return &f;
    }
    return nullptr;
  }
};

// Builds a table; keyOrder and readOrder list keys and default to the field
// order. A table that names an unknown key or repeats one is a programming
// error and aborts at first use.
RecordType makeRecordType(std::string_view name, std::vector<FieldDesc> fields,
                          std::initializer_list<std::string_view> keyOrder = {},
                          std::initializer_list<std::string_view> readOrder = {});

// Per record: `static const RecordType& type()`, `direction`, `shared`.
template <class T>
struct RecordTraits;

template <class T>
concept WireRecord = requires { RecordTraits<T>::type(); };

namespace detail {

template <class>
struct MemberPointer;
template <class C, class M>
struct MemberPointer<M C::*> {
  using Class = C;
  using Member = M;
};

template <class M>
struct MemberKind;
template <>
struct MemberKind<std::optional<std::string>> {
  static constexpr FieldKind kind = FieldKind::kText;
};
template <>
struct MemberKind<std::string> {
  static constexpr FieldKind kind = FieldKind::kRequiredText;
};
template <>
struct MemberKind<std::optional<bool>> {
  static constexpr FieldKind kind = FieldKind::kBoolean;
};
template <>
struct MemberKind<std::optional<std::int64_t>> {
  static constexpr FieldKind kind = FieldKind::kInteger;
};
template <>
struct MemberKind<std::optional<std::vector<std::string>>> {
  static constexpr FieldKind kind = FieldKind::kTextList;
};

template <class T>
struct MemberKind<std::optional<T>> {
  static constexpr FieldKind kind = FieldKind::kRecord;
  using M = std::optional<T>;
  static const RecordType& child() { return RecordTraits<T>::type(); }
  static constexpr RecordSlotOps ops{
      [](void* m) { static_cast<M*>(m)->reset(); },
      [](void* m) -> void* { return &static_cast<M*>(m)->emplace(); },
      [](void*) -> void* { return nullptr; },
      [](const void* m) { return static_cast<const M*>(m)->has_value(); },
      [](const void* m) -> std::size_t { return static_cast<const M*>(m)->has_value() ? 1 : 0; },
      [](const void* m, std::size_t) -> const void* { return &**static_cast<const M*>(m); },
  };
};

template <class T>
struct MemberKind<std::optional<std::vector<T>>> {
  static constexpr FieldKind kind = FieldKind::kRecordList;
  using M = std::optional<std::vector<T>>;
  static const RecordType& child() { return RecordTraits<T>::type(); }
  static constexpr RecordSlotOps ops{
      [](void* m) { static_cast<M*>(m)->reset(); },
      [](void* m) -> void* { return &static_cast<M*>(m)->emplace(); },
      [](void* m) -> void* { return &(*static_cast<M*>(m))->emplace_back(); },
      [](const void* m) { return static_cast<const M*>(m)->has_value(); },
      [](const void* m) -> std::size_t {
        const M& v = *static_cast<const M*>(m);
        return v ? v->size() : 0;
      },
      [](const void* m, std::size_t i) -> const void* { return &(**static_cast<const M*>(m))[i]; },
  };
};

template <class T>
struct MemberKind<std::optional<std::vector<std::shared_ptr<T>>>> {
  static constexpr FieldKind kind = FieldKind::kRecordList;
  using M = std::optional<std::vector<std::shared_ptr<T>>>;
  static const RecordType& child() { return RecordTraits<T>::type(); }
  static constexpr RecordSlotOps ops{
      [](void* m) { static_cast<M*>(m)->reset(); },
      [](void* m) -> void* { return &static_cast<M*>(m)->emplace(); },
      [](void* m) -> void* {
        return (*static_cast<M*>(m))->emplace_back(std::make_shared<T>()).get();
      },
      [](const void* m) { return static_cast<const M*>(m)->has_value(); },
      [](const void* m) -> std::size_t {
        const M& v = *static_cast<const M*>(m);
        return v ? v->size() : 0;
      },
      [](const void* m, std::size_t i) -> const void* {
        return (**static_cast<const M*>(m))[i].get();
      },
  };
};

}  // namespace detail

// One table entry: field<&Record::member>("JSON key"). The wire type follows
// from the member's C++ type.
template <auto P>
FieldDesc field(std::string_view key) {
  using MP = detail::MemberPointer<decltype(P)>;
  using C = typename MP::Class;
  using K = detail::MemberKind<typename MP::Member>;
  FieldDesc d{key, K::kind, [](void* r) -> void* { return &(static_cast<C*>(r)->*P); }, nullptr,
              nullptr};
  if constexpr (K::kind == FieldKind::kRecord || K::kind == FieldKind::kRecordList) {
    d.child = &K::child;
    d.ops = &K::ops;
  }
  return d;
}

}  // namespace wire

// Declares the traits of one record; the table itself, `type()`, is defined
// beside the record's other code.
#define FACILITY_WIRE_RECORD(T, DIRECTION, SHARED)                 \
  namespace wire {                                                 \
  template <>                                                      \
  struct RecordTraits<::T> {                                       \
    static const RecordType& type();                               \
    static constexpr Direction direction = Direction::DIRECTION;   \
    static constexpr bool shared = SHARED;                         \
  };                                                               \
  }
