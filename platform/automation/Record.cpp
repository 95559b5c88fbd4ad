#include "platform/automation/Record.h"

#include <algorithm>
#include <cstring>
#include <strings.h>

#include "platform/automation/Error.h"

namespace rc::automation {

namespace {

std::uint32_t scalarSize(VarType t) {
  switch (t) {
    case VarType::Byte: return 1;
    case VarType::Integer: return 2;
    default: return 4;
  }
}

std::uint32_t fieldSize(const RecordField& f) { return f.record ? f.record->size : scalarSize(f.type); }
std::uint32_t fieldAlignment(const RecordField& f) { return f.record ? f.record->alignment : scalarSize(f.type); }

const RecordField& fieldOf(const RecordType& type, std::string_view name) {
  const RecordField* f = type.field(name);
  if (!f) raise(err::NotSupported);
  return *f;
}

}  // namespace

const RecordField* RecordType::field(std::string_view name) const {
  for (const RecordField& f : fields)
    if (f.name.size() == name.size() && strncasecmp(f.name.data(), name.data(), name.size()) == 0) return &f;
  return nullptr;
}

RecordField recordField(std::string name, VarType type) { return RecordField{std::move(name), type, nullptr, 0}; }

RecordField recordField(std::string name, const RecordType& nested) {
  return RecordField{std::move(name), VarType::Record, &nested, 0};
}

RecordType makeRecordType(std::string name, std::vector<RecordField> fields) {
  RecordType t{std::move(name), std::move(fields), 0, 1};
  for (RecordField& f : t.fields) {
    const std::uint32_t align = fieldAlignment(f);
    t.size = (t.size + align - 1) / align * align;
    f.offset = t.size;
    t.size += fieldSize(f);
    t.alignment = std::max(t.alignment, align);
  }
  t.size = (t.size + t.alignment - 1) / t.alignment * t.alignment;
  return t;
}

Record::Record(const RecordType& type) : type_(&type), bytes_(type.size, 0) {}

Record::Record(const RecordType& type, std::span<const std::uint8_t> bytes) : Record(type) {
  std::copy_n(bytes.begin(), std::min<std::size_t>(bytes.size(), bytes_.size()), bytes_.begin());
}

Variant Record::get(std::string_view name) const {
  const RecordField& f = fieldOf(*type_, name);
  const std::uint8_t* p = bytes_.data() + f.offset;
  if (f.record) return Variant(Record(*f.record, std::span(p, f.record->size)));
  switch (f.type) {
    case VarType::Byte: return Variant(*p);
    case VarType::Integer: {
      std::int16_t v;
      std::memcpy(&v, p, 2);
      return Variant(v);
    }
    default: {
      std::int32_t v;
      std::memcpy(&v, p, 4);
      return Variant(static_cast<int>(v));
    }
  }
}

void Record::set(std::string_view name, const Variant& value) {
  const RecordField& f = fieldOf(*type_, name);
  std::uint8_t* p = bytes_.data() + f.offset;
  if (f.record) {
    const Record& r = value.asRecord();
    if (&r.type() != f.record) raise(err::TypeMismatch);
    std::copy(r.bytes_.begin(), r.bytes_.end(), p);
    return;
  }
  switch (f.type) {
    case VarType::Byte: *p = value.toByte(); return;
    case VarType::Integer: {
      std::int16_t v = value.toInteger();
      std::memcpy(p, &v, 2);
      return;
    }
    default: {
      std::int32_t v = value.toLong();
      std::memcpy(p, &v, 4);
      return;
    }
  }
}

}  // namespace rc::automation
