#include "sim/faults.h"

#include <algorithm>
#include <cctype>

namespace kestrel::sim {

bool StartsAny(const std::vector<std::string>& prefixes, std::string_view line) {
  return std::any_of(prefixes.begin(), prefixes.end(), [line](const std::string& prefix) {
    return prefix.size() <= line.size() &&
           std::equal(prefix.begin(), prefix.end(), line.begin(), [](char a, char b) {
             return std::toupper(static_cast<unsigned char>(a)) ==
                    std::toupper(static_cast<unsigned char>(b));
           });
  });
}

}  // namespace kestrel::sim
