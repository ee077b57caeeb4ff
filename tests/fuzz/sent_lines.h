#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace kestrel::fuzz {

// The pages whose sessions are fuzzed. Each sends only its own commands.
enum class Page { kProses, kDailyCheck, kRlslp, kBroadcast, kNeighbours, kRelocation };

// What a page may answer the gateway's login with: the settings' user name and password, and
// "NE=" with one of the elements the engineer chose.
struct Login {
  std::string user;
  std::string password;
  std::vector<std::string> elements;
};

// Why `page` must not have sent `line`; empty when it may. A line may be empty, ";" or Ctrl-D
// alone (the pages that confirm orders and release the element), a login answer, or one of
// the page's MML commands, "CODE:KEY=VALUE,...;", with its parameters in the order the page
// builds them and every value read from a printout in the shape of what it stands for.
// Anything else is a fault, so that a value that changes an order never goes unnoticed.
std::string SentLineFault(Page page, const Login& login, std::string_view line);

}  // namespace kestrel::fuzz
