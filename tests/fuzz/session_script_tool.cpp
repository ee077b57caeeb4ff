// Plays session scripts to the pages, and turns them into the fuzzers' bytes and back:
//   kestrel_session_script play PAGE SEED...      plays each script (a folder: its *.txt) on
//                                                 the fuzz rig, with every check of the page's
//                                                 fuzzer; fails on a finding, or with no seed
//   kestrel_session_script encode SCRIPT.txt OUT  the bytes of a readable script
//   kestrel_session_script decode INPUT           a fuzzer's input (a finding), readable
#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include "tests/fuzz/rig.h"
#include "tests/fuzz/session_script.h"

namespace {

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw std::runtime_error(path + ": cannot be read");
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

std::optional<kestrel::fuzz::SessionScript> ReadScript(const std::string& path) {
  std::string error;
  auto script = kestrel::fuzz::FromText(ReadFile(path), error);
  if (!script) std::cerr << path << ": " << error << "\n";
  return script;
}

int Play(const std::string& page, const std::vector<std::string>& arguments) {
  std::vector<std::filesystem::path> seeds;
  for (const std::filesystem::path argument : arguments) {
    if (!std::filesystem::is_directory(argument)) {
      seeds.push_back(argument);
      continue;
    }
    for (const auto& entry : std::filesystem::directory_iterator(argument)) {
      if (entry.path().extension() == ".txt") seeds.push_back(entry.path());
    }
  }
  std::sort(seeds.begin(), seeds.end());
  std::size_t failed = 0;
  for (const auto& seed : seeds) {
    bool played = false;
    try {
      const auto script = ReadScript(seed.string());
      if (script && !kestrel::fuzz::PlayPage(page, *script)) {
        std::cerr << "no page " << page << "\n";
        return 2;
      }
      played = script.has_value();
    } catch (const kestrel::fuzz::Finding&) {
      std::cerr << "*** in " << seed.string() << "\n";
    }
    failed += played ? 0 : 1;
  }
  std::cout << seeds.size() - failed << " of " << seeds.size() << " seeds of " << page
            << " played without a finding\n";
  return seeds.empty() || failed > 0 ? 1 : 0;
}

}  // namespace

int main(int argc, char** argv) {
  const std::vector<std::string> arguments(argv + 1, argv + argc);
  try {
    if (arguments.size() >= 2 && arguments[0] == "play") {
      return Play(arguments[1], {arguments.begin() + 2, arguments.end()});
    }
    if (arguments.size() == 3 && arguments[0] == "encode") {
      const auto script = ReadScript(arguments[1]);
      if (!script) return 1;
      std::ofstream(arguments[2], std::ios::binary) << kestrel::fuzz::Encode(*script);
      return 0;
    }
    if (arguments.size() == 2 && arguments[0] == "decode") {
      std::cout << kestrel::fuzz::ToText(kestrel::fuzz::Decode(ReadFile(arguments[1])));
      return 0;
    }
  } catch (const std::exception& error) {
    std::cerr << error.what() << "\n";
    return 1;
  }
  std::cerr << "usage: kestrel_session_script play PAGE SEED... | encode SCRIPT OUT | decode "
               "INPUT\n";
  return 2;
}
