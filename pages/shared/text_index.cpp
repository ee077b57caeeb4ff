#include "pages/shared/text_index.h"

#include <cstring>

namespace kestrel::pages {

std::uint32_t TextIndex::Key(const char* run) {
  std::uint32_t key = 0;
  std::memcpy(&key, run, kRun);
  return key;
}

void TextIndex::Append(std::string_view more) {
  // Runs that start in the old text and end in the new one are indexed now too.
  const std::size_t first_new = text_.size() >= kRun - 1 ? text_.size() - (kRun - 1) : 0;
  text_.append(more);
  for (std::size_t i = first_new; i + kRun <= text_.size(); ++i) {
    places_[Key(text_.data() + i)].push_back(static_cast<std::uint32_t>(i));
  }
}

void TextIndex::Clear() {
  text_.clear();
  places_.clear();
}

bool TextIndex::Contains(std::string_view part) const {
  if (part.empty()) return false;
  if (part.size() < kRun) return text_.find(part) != std::string::npos;
  const std::vector<std::uint32_t>* rarest = nullptr;
  std::size_t offset = 0;
  for (std::size_t i = 0; i + kRun <= part.size(); ++i) {
    const auto found = places_.find(Key(part.data() + i));
    if (found == places_.end()) return false;  // a run the text never has
    if (rarest == nullptr || found->second.size() < rarest->size()) {
      rarest = &found->second;
      offset = i;
    }
  }
  for (const std::uint32_t at : *rarest) {
    if (at >= offset && std::string_view(text_).substr(at - offset, part.size()) == part)
      return true;
  }
  return false;
}

}  // namespace kestrel::pages
