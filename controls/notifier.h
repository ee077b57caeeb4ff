#pragma once

#include <cstddef>
#include <functional>
#include <utility>
#include <vector>

namespace kestrel::controls {

// Tells the views that a model changed. Everything runs on one thread, so a plain
// list of callbacks is enough; a view that needs finer detail reads it from the model.
class Notifier {
 public:
  using Callback = std::function<void()>;

  std::size_t Subscribe(Callback callback) {
    callbacks_.emplace_back(next_id_, std::move(callback));
    return next_id_++;
  }
  void Unsubscribe(std::size_t id) {
    std::erase_if(callbacks_, [id](const auto& entry) { return entry.first == id; });
  }
  void Notify() const {
    for (const auto& [id, callback] : callbacks_) callback();
  }

 private:
  std::vector<std::pair<std::size_t, Callback>> callbacks_;
  std::size_t next_id_ = 1;
};

}  // namespace kestrel::controls
