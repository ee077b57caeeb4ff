#pragma once

#include <cstddef>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "controls/control.h"

namespace kestrel::controls {

// A list of text items with a multiple selection. Queues and work lists are list boxes:
// the head of the list is item 0.
class ListBox : public Control {
 public:
  const std::vector<std::string>& Items() const { return items_; }
  std::size_t Count() const { return items_.size(); }
  bool Empty() const { return items_.empty(); }
  // Item 0, or an empty text when the list is empty.
  std::string_view First() const { return items_.empty() ? std::string_view{} : items_.front(); }

  void Add(std::string_view item);
  void Delete(std::size_t index);
  void Clear();

  bool Selected(std::size_t index) const { return selected_.contains(index); }
  void SetSelected(std::size_t index, bool selected);
  void DeleteSelected();

 private:
  std::vector<std::string> items_;
  std::set<std::size_t> selected_;
};

// A drop-down list with an editable text. `ItemIndex` is -1 when the text is not a pick
// from the list ("no position").
class ComboBox : public Control {
 public:
  ComboBox() = default;
  ComboBox(std::vector<std::string> items, std::string_view text);

  const std::vector<std::string>& Items() const { return items_; }
  const std::string& Text() const { return text_; }
  int ItemIndex() const { return item_index_; }

  void SetItems(std::vector<std::string> items);
  // Typed text: the position is kept only while the text still matches the picked item.
  void SetText(std::string_view text);
  // A pick from the list; -1 clears the pick and keeps the text.
  void SetItemIndex(int index);

 private:
  std::vector<std::string> items_;
  std::string text_;
  int item_index_ = -1;
};

}  // namespace kestrel::controls
