#include "Facility/Models/RecordDecoder.h"

#include <cmath>
#include <cstdint>
#include <exception>
#include <limits>
#include <string>
#include <utility>
#include <vector>

#include <nlohmann/json.hpp>

namespace wire {

namespace {

using json = nlohmann::json;

struct SlotError {
  std::uint32_t slot;  // object: read rank of the field; array: element index
  std::string message;
};

struct Frame {
  bool isArray = false;
  const RecordType* type = nullptr;  // object frames
  void* record = nullptr;            // object frames
  const FieldDesc* field = nullptr;  // object: field of the current key (nullptr: unknown); array: the list field
  void* member = nullptr;            // array frames: the list member
  std::uint32_t count = 0;           // array frames: elements started
  std::uint64_t seen = 0;            // object frames: fields met, for duplicate keys
  std::vector<SlotError> errors;
};

const char* expectedName(FieldKind kind) {
  switch (kind) {
    case FieldKind::kText:
    case FieldKind::kRequiredText: return "text";
    case FieldKind::kBoolean: return "boolean";
    case FieldKind::kInteger: return "integer";
    case FieldKind::kRecord: return "object";
    case FieldKind::kTextList:
    case FieldKind::kRecordList: return "array";
  }
  return "value";
}

class Handler {
 public:
  Handler(const RecordType& type, void* record) : rootType_(type), rootRecord_(record) {
    frames_.reserve(RecordDecoder::kMaxDepth + 1);
  }

  platform::Status result() const {
    if (!syntaxError_.empty()) return platform::Status::Corruption(syntaxError_);
    if (tooDeep_) {
      return platform::Status::Corruption("JSON nested deeper than " +
                                          std::to_string(RecordDecoder::kMaxDepth) + " levels");
    }
    if (!rootError_.empty()) return platform::Status::Corruption(rootError_);
    return platform::Status::OK();
  }

  // --- SAX interface ---

  bool null() {
    if (passive()) return true;
    if (frames_.empty()) return topLevel("null");
    Frame& f = frames_.back();
    if (f.isArray) return element(f, "null");
    if (f.field) resetField(f);
    return true;
  }

  bool boolean(bool value) {
    if (passive()) return true;
    if (frames_.empty()) return topLevel("boolean");
    Frame& f = frames_.back();
    if (f.isArray) return element(f, "boolean");
    if (!f.field) return true;
    if (f.field->kind != FieldKind::kBoolean) return fail(expectedName(f.field->kind), "boolean");
    *static_cast<std::optional<bool>*>(f.field->member(f.record)) = value;
    return true;
  }

  bool number_integer(std::int64_t value) {
    if (passive()) return true;
    if (frames_.empty()) return topLevel("number");
    Frame& f = frames_.back();
    if (f.isArray) return element(f, "number");
    if (!f.field) return true;
    if (f.field->kind != FieldKind::kInteger) return fail(expectedName(f.field->kind), "number");
    *static_cast<std::optional<std::int64_t>*>(f.field->member(f.record)) = value;
    return true;
  }

  bool number_unsigned(std::uint64_t value) {
    if (passive()) return true;
    if (frames_.empty()) return topLevel("number");
    Frame& f = frames_.back();
    if (f.isArray) return element(f, "number");
    if (!f.field) return true;
    if (f.field->kind != FieldKind::kInteger) return fail(expectedName(f.field->kind), "number");
    if (value > static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max())) {
      return fail("integer", "number out of 64-bit range");
    }
    *static_cast<std::optional<std::int64_t>*>(f.field->member(f.record)) =
        static_cast<std::int64_t>(value);
    return true;
  }

  bool number_float(double value, const std::string& text) {
    if (passive()) return true;
    if (frames_.empty()) return topLevel("number");
    Frame& f = frames_.back();
    if (f.isArray) return element(f, "number");
    if (!f.field) return true;
    if (f.field->kind != FieldKind::kInteger) return fail(expectedName(f.field->kind), "number");
    // A plain integer literal lands here only when it overflowed 64 bits;
    // its rounded double may still look in range, so judge the text.
    const bool plainInteger = text.find_first_of(".eE") == std::string::npos;
    constexpr double kTwo63 = 9223372036854775808.0;
    if (plainInteger || !std::isfinite(value) || value < -kTwo63 || value >= kTwo63) {
      return fail("integer", "number out of 64-bit range");
    }
    if (std::trunc(value) != value) return fail("integer", "non-integral number");
    *static_cast<std::optional<std::int64_t>*>(f.field->member(f.record)) =
        static_cast<std::int64_t>(value);
    return true;
  }

  bool string(std::string& value) {
    if (passive()) return true;
    if (frames_.empty()) return topLevel("text");
    Frame& f = frames_.back();
    if (f.isArray) {
      beginElement(f);
      if (f.field->kind != FieldKind::kTextList) return fail("object", "text");
      (*static_cast<std::optional<std::vector<std::string>>*>(f.member))->push_back(std::move(value));
      return true;
    }
    if (!f.field) return true;
    void* m = f.field->member(f.record);
    switch (f.field->kind) {
      case FieldKind::kText: *static_cast<std::optional<std::string>*>(m) = std::move(value); return true;
      case FieldKind::kRequiredText: *static_cast<std::string*>(m) = std::move(value); return true;
      default: return fail(expectedName(f.field->kind), "text");
    }
  }

  bool binary(json::binary_t&) { return true; }  // not produced by the JSON parser

  bool start_object(std::size_t) {
    if (enter()) return true;
    if (frames_.empty()) {
      if (rootSeen_) return skip();
      rootSeen_ = true;
      pushObject(rootType_, rootRecord_);
      return true;
    }
    Frame& f = frames_.back();
    if (f.isArray) {
      beginElement(f);
      if (f.field->kind != FieldKind::kRecordList) {
        fail("text", "object");
        return skip();
      }
      void* element = f.field->ops->append(f.member);
      pushObject(f.field->child(), element);
      return true;
    }
    if (!f.field) return skip();
    if (f.field->kind != FieldKind::kRecord) {
      fail(expectedName(f.field->kind), "object");
      return skip();
    }
    void* nested = f.field->ops->engage(f.field->member(f.record));
    pushObject(f.field->child(), nested);
    return true;
  }

  bool key(std::string& name) {
    if (passive()) return true;
    Frame& f = frames_.back();
    f.field = f.type->find(name);
    if (!f.field) return true;
    const std::size_t index = static_cast<std::size_t>(f.field - f.type->fields.data());
    const std::uint64_t bit = std::uint64_t{1} << index;
    if (f.seen & bit) {
      // Duplicate key: the last one wins, so forget what the earlier one left.
      resetField(f);
      const std::uint32_t slot = f.type->readRank[index];
      std::erase_if(f.errors, [slot](const SlotError& e) { return e.slot == slot; });
    }
    f.seen |= bit;
    return true;
  }

  bool end_object() { return leave(); }

  bool start_array(std::size_t) {
    if (enter()) return true;
    if (frames_.empty()) {
      topLevel("array");
      return skip();
    }
    Frame& f = frames_.back();
    if (f.isArray) {
      beginElement(f);
      fail(f.field->kind == FieldKind::kTextList ? "text" : "object", "array");
      return skip();
    }
    if (!f.field) return skip();
    void* m = f.field->member(f.record);
    if (f.field->kind == FieldKind::kRecordList) {
      f.field->ops->engage(m);
    } else if (f.field->kind == FieldKind::kTextList) {
      static_cast<std::optional<std::vector<std::string>>*>(m)->emplace();
    } else {
      fail(expectedName(f.field->kind), "array");
      return skip();
    }
    Frame a;
    a.isArray = true;
    a.field = f.field;
    a.member = m;
    frames_.push_back(std::move(a));
    return true;
  }

  bool end_array() { return leave(); }

  bool parse_error(std::size_t, const std::string&, const nlohmann::detail::exception& ex) {
    std::string what = ex.what();
    const std::size_t close = what.find("] ");
    if (close != std::string::npos) what.erase(0, close + 2);
    syntaxError_ = "invalid JSON: " + what;
    return false;
  }

 private:
  // True while nothing is decoded: inside a skipped value or past the depth limit.
  bool passive() const { return tooDeep_ || skipDepth_ > 0; }

  // Opens a container; true when it is not to be decoded.
  bool enter() {
    if (++depth_ > RecordDecoder::kMaxDepth) tooDeep_ = true;
    if (tooDeep_) return true;
    if (skipDepth_ > 0) {
      ++skipDepth_;
      return true;
    }
    return false;
  }

  bool skip() {
    skipDepth_ = 1;
    return true;
  }

  bool leave() {
    --depth_;
    if (tooDeep_) return true;
    if (skipDepth_ > 0) {
      --skipDepth_;
      return true;
    }
    Frame& f = frames_.back();
    if (!f.isArray && f.type->finish) f.type->finish(f.record);
    std::string error;
    if (!f.errors.empty()) {
      auto first = f.errors.begin();
      for (auto it = f.errors.begin(); it != f.errors.end(); ++it) {
        if (it->slot < first->slot) first = it;
      }
      error = std::move(first->message);
    }
    frames_.pop_back();
    if (error.empty()) return true;
    if (frames_.empty()) {
      rootError_ = std::move(error);
      return true;
    }
    Frame& parent = frames_.back();
    if (parent.isArray) {
      if (parent.errors.empty()) parent.errors.push_back({parent.count - 1, std::move(error)});
    } else {
      addError(parent, std::move(error));
    }
    return true;
  }

  void pushObject(const RecordType& type, void* record) {
    Frame o;
    o.type = &type;
    o.record = record;
    frames_.push_back(std::move(o));
  }

  void beginElement(Frame& array) { ++array.count; }

  // A scalar where an array element must be an object or a text.
  bool element(Frame& array, const char* got) {
    beginElement(array);
    return fail(array.field->kind == FieldKind::kTextList ? "text" : "object", got);
  }

  bool topLevel(const char* got) {
    rootError_ = std::string("top level: expected object, got ") + got;
    rootSeen_ = true;
    return true;
  }

  void resetField(Frame& f) {
    void* m = f.field->member(f.record);
    switch (f.field->kind) {
      case FieldKind::kText: static_cast<std::optional<std::string>*>(m)->reset(); break;
      case FieldKind::kRequiredText: static_cast<std::string*>(m)->clear(); break;
      case FieldKind::kBoolean: static_cast<std::optional<bool>*>(m)->reset(); break;
      case FieldKind::kInteger: static_cast<std::optional<std::int64_t>*>(m)->reset(); break;
      case FieldKind::kTextList: static_cast<std::optional<std::vector<std::string>>*>(m)->reset(); break;
      case FieldKind::kRecord:
      case FieldKind::kRecordList: f.field->ops->reset(m); break;
    }
  }

  // Records a wrongly typed value at the current position of the innermost frame.
  bool fail(const char* expected, const char* got) {
    std::string message = path();
    message += ": expected ";
    message += expected;
    message += ", got ";
    message += got;
    Frame& f = frames_.back();
    if (f.isArray) {
      if (f.errors.empty()) f.errors.push_back({f.count - 1, std::move(message)});
    } else {
      addError(f, std::move(message));
    }
    return true;
  }

  static void addError(Frame& object, std::string message) {
    const std::size_t index = static_cast<std::size_t>(object.field - object.type->fields.data());
    object.errors.push_back({object.type->readRank[index], std::move(message)});
  }

  std::string path() const {
    std::string p;
    for (const Frame& f : frames_) {
      if (f.isArray) {
        p += '[';
        p += std::to_string(f.count - 1);
        p += ']';
      } else if (f.field) {
        if (!p.empty()) p += '.';
        p += f.field->key;
      }
    }
    return p;
  }

  const RecordType& rootType_;
  void* rootRecord_;
  std::vector<Frame> frames_;
  int depth_ = 0;
  int skipDepth_ = 0;
  bool tooDeep_ = false;
  bool rootSeen_ = false;
  std::string syntaxError_;
  std::string rootError_;
};

}  // namespace

platform::Status RecordDecoder::decode(const RecordType& type, std::string_view bytes, void* record) {
  try {
    Handler handler(type, record);
    json::sax_parse(bytes.data(), bytes.data() + bytes.size(), &handler, json::input_format_t::json,
                    /*strict=*/true, /*ignore_comments=*/false);
    return handler.result();
  } catch (const std::exception& e) {
    // Only allocation failure can get here; keep it a value all the same.
    return platform::Status::Internal(std::string("decoding failed: ") + e.what());
  }
}

}  // namespace wire
