// JSON text without a document tree: a cursor that reads a text value by
// value (what a caller does not want it skips, keeping its text), and a
// writer that builds compact text and indents it at the end. Memory stays
// proportional to what the caller keeps, never to the shape of the input.
#pragma once

#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace rc::sim::host::json {

// Text that is not JSON; what() says what was expected and at which byte.
class SyntaxError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

enum class Kind { Null, Boolean, Number, String, Array, Object };

// A number as written: integers that fit 64 bits keep their exact value.
struct Number {
  bool integer = false;    // written without fraction or exponent, and fits
  bool negative = false;   // for integers: the value is -magnitude
  std::uint64_t magnitude = 0;
  double value = 0;        // always set (infinite when out of range)
};

// Reads one JSON text from the front. Every read validates what it
// consumes (grammar, string escapes, UTF-8) and throws SyntaxError. Nesting
// is limited to `maxDepth` levels, so skipping never recurses without bound.
class Cursor {
 public:
  Cursor(std::string_view text, int maxDepth) : text_(text), maxDepth_(maxDepth) {}

  // The kind of the next value (whitespace skipped); throws at end of text.
  Kind peek();
  void readNull();
  bool readBoolean();
  Number readNumber();
  std::string readString();

  // Objects: beginObject(), then nextKey() until it answers false; after
  // each key the caller reads or skips the value.
  void beginObject();
  bool nextKey(std::string& key);
  // The raw text of the key nextKey() answered last, quotes and escapes kept.
  std::string_view rawKey() const { return rawKey_; }
  // The number of items of the list that comes next, by a quick scan that
  // does not validate (reading the list does); 0 when no list comes next.
  std::size_t countItems();
  // Arrays: beginArray(), then nextItem() before each item until false.
  void beginArray();
  bool nextItem();

  // Skips one value, appending its text without insignificant whitespace
  // to `out` when given.
  void skipValue(std::string* out);
  // Throws unless only whitespace is left.
  void expectEnd();

 private:
  [[noreturn]] void fail(std::string_view what) const;
  void skipSpace();
  char next();
  void enter();
  // Validates a string at pos_ (on its opening quote); answers its raw text
  // and, when `decoded` is given, appends its value there.
  std::string_view scanString(std::string* decoded);
  std::string_view scanNumber();
  void skipNested();

  std::string_view text_;
  std::size_t pos_ = 0;
  int maxDepth_;
  int depth_ = 0;
  std::vector<bool> firstItem_;  // per open container: no item read yet
  std::string_view rawKey_;
};

// Appends `s` to `out` as a JSON string literal.
void appendString(std::string& out, std::string_view s);

// Builds compact JSON text; commas and colons are placed as values come.
class Writer {
 public:
  void beginObject() { open('{'); }
  void endObject() { close('}'); }
  void beginArray() { open('['); }
  void endArray() { close(']'); }
  void key(std::string_view k);
  void value(std::string_view s);
  void value(const char* s) { value(std::string_view(s)); }
  void value(const std::string& s) { value(std::string_view(s)); }
  void value(std::int32_t n);
  void value(double d);  // not finite: null
  void value(bool b);
  void null() { raw("null"); }
  // A field and its value.
  template <typename T>
  void member(std::string_view k, const T& v) {
    key(k);
    value(v);
  }
  void raw(std::string_view json);
  // Adds members kept as text ("\"a\":1,\"b\":2") to the open object.
  void rawMembers(std::string_view members);

  // The text written so far, indented by two spaces a level.
  std::string indented() const;

 private:
  void separate();
  void open(char c);
  void close(char c);

  std::string out_;
  std::vector<bool> first_;
  bool afterKey_ = false;
};

// Replaces the members named `key` in compact member text (as a record keeps
// its unknown fields) by one member with the JSON text `value`.
void setMember(std::string& members, std::string_view key, std::string_view value);

}  // namespace rc::sim::host::json
