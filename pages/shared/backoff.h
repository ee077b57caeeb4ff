#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <string_view>

namespace kestrel::pages {

// The back-off of elements that could not be checked: each failure in a row doubles the wait
// before the element is visited again, from the first wait up to ten minutes; a visit that
// checked the element ends it. Times are steady milliseconds. A first wait of 0: none.
class Backoffs {
 public:
  static constexpr std::int64_t kLongestMs = 10 * 60 * 1000;

  explicit Backoffs(std::int64_t first_ms = 0) : first_ms_(first_ms) {}
  void SetFirst(std::int64_t first_ms) { first_ms_ = first_ms; }

  void Failed(const std::string& element, std::int64_t now);
  void Checked(std::string_view element);
  // When `element` may be visited again; 0 when it may at once.
  std::int64_t Until(std::string_view element) const;
  void Clear() { entries_.clear(); }

 private:
  struct Entry {
    int failures = 0;
    std::int64_t until = 0;
  };
  std::int64_t first_ms_;
  std::map<std::string, Entry, std::less<>> entries_;
};

}  // namespace kestrel::pages
