#include "controls/list_box.h"

#include <utility>

namespace kestrel::controls {

void ListBox::Add(std::string_view item) {
  items_.emplace_back(item);
  changed.Notify();
}

void ListBox::Delete(std::size_t index) {
  if (index >= items_.size()) return;
  items_.erase(items_.begin() + static_cast<std::ptrdiff_t>(index));
  std::set<std::size_t> shifted;
  for (std::size_t s : selected_) {
    if (s < index) shifted.insert(s);
    if (s > index) shifted.insert(s - 1);
  }
  selected_ = std::move(shifted);
  changed.Notify();
}

void ListBox::Clear() {
  if (items_.empty()) return;
  items_.clear();
  selected_.clear();
  changed.Notify();
}

void ListBox::SetSelected(std::size_t index, bool selected) {
  if (index >= items_.size() || Selected(index) == selected) return;
  if (selected) {
    selected_.insert(index);
  } else {
    selected_.erase(index);
  }
  changed.Notify();
}

void ListBox::DeleteSelected() {
  if (selected_.empty()) return;
  std::vector<std::string> kept;
  for (std::size_t i = 0; i < items_.size(); ++i) {
    if (!selected_.contains(i)) kept.push_back(std::move(items_[i]));
  }
  items_ = std::move(kept);
  selected_.clear();
  changed.Notify();
}

ComboBox::ComboBox(std::vector<std::string> items, std::string_view text)
    : items_(std::move(items)), text_(text) {}

void ComboBox::SetItems(std::vector<std::string> items) {
  items_ = std::move(items);
  item_index_ = -1;
  changed.Notify();
}

void ComboBox::SetText(std::string_view text) {
  if (text_ == text) return;
  text_ = text;
  if (item_index_ >= 0 && items_[static_cast<std::size_t>(item_index_)] != text_) {
    item_index_ = -1;
  }
  changed.Notify();
}

void ComboBox::SetItemIndex(int index) {
  if (index < -1 || index >= static_cast<int>(items_.size())) return;
  item_index_ = index;
  if (index >= 0) text_ = items_[static_cast<std::size_t>(index)];
  changed.Notify();
}

}  // namespace kestrel::controls
