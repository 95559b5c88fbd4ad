// Record: a user-defined type of a type library (a structure such as
// BITMAPINFO), held as the bytes of its platform layout.
//
// A RecordType lists its fields in order; each is a Byte, Integer or Long,
// or a nested record, laid out at its natural alignment, so the bytes are
// the structure the platform's own calls take. Records cross member calls
// inside a Variant by value.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/automation/Variant.h"

namespace rc::automation {

struct RecordType;

struct RecordField {
  std::string name;
  VarType type = VarType::Long;       // Byte, Integer, Long, or Record for a nested record
  const RecordType* record = nullptr;  // the nested record's type
  std::uint32_t offset = 0;            // filled in by makeRecordType
};

struct RecordType {
  std::string name;
  std::vector<RecordField> fields;
  std::uint32_t size = 0;
  std::uint32_t alignment = 1;

  // The field named `name` (any case), or nullptr.
  const RecordField* field(std::string_view name) const;
};

// A field declaration: recordField("bmWidth", VarType::Long), or a nested
// record: recordField("BMIHeader", kBitmapInfoHeader).
RecordField recordField(std::string name, VarType type);
RecordField recordField(std::string name, const RecordType& nested);

// The type with its fields' offsets, size and alignment computed.
RecordType makeRecordType(std::string name, std::vector<RecordField> fields);

class Record {
 public:
  // A record of `type` with every byte 0. `type` must outlive the record.
  explicit Record(const RecordType& type);
  // A record of `type` holding `bytes` (cut or padded with zeros to its size).
  Record(const RecordType& type, std::span<const std::uint8_t> bytes);

  const RecordType& type() const { return *type_; }
  std::span<const std::uint8_t> bytes() const { return bytes_; }
  std::span<std::uint8_t> bytes() { return bytes_; }

  // The field's value (a nested record as a Record); 438 for an unknown field.
  Variant get(std::string_view field) const;
  // Sets the field, converting the value to its type (6 or 13 when it does
  // not fit); a nested record takes a record of its type; 438 for an unknown field.
  void set(std::string_view field, const Variant& value);

  friend bool operator==(const Record& a, const Record& b) {
    return a.type_ == b.type_ && a.bytes_ == b.bytes_;
  }

 private:
  const RecordType* type_;
  std::vector<std::uint8_t> bytes_;
};

}  // namespace rc::automation
