#pragma once

#include <string>
#include <string_view>
#include <vector>

// The JSON a scenario is written in, read without Qt so that the simulated network builds on
// every system the pages do.
namespace kestrel::sim::json {

struct Value {
  enum class Kind { kNull, kBool, kNumber, kString, kArray, kObject };
  Kind kind = Kind::kNull;
  bool boolean = false;
  double number = 0;
  std::string text;  // a string's value; a number as it was written
  std::vector<Value> items;
  struct Member;
  std::vector<Member> members;  // in the order written

  bool Is(Kind k) const { return kind == k; }
  // The member `key`, or nullptr; the last one when a key is written twice.
  const Value* Find(std::string_view key) const;
  // The value when it is of the kind asked for, else `fallback` (an integer: a whole number).
  int Int(int fallback) const;
  bool Bool(bool fallback) const;
  std::string String() const { return kind == Kind::kString ? text : std::string(); }
};

struct Value::Member {
  std::string key;
  Value value;
};

// Throws std::runtime_error saying what is wrong and at which byte.
Value Parse(std::string_view text);

}  // namespace kestrel::sim::json
