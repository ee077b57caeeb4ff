#pragma once

#include <cstddef>
#include <functional>
#include <memory>
#include <utility>
#include <vector>

namespace kestrel::controls {

// Tells the views, drivers and runners that a model changed. Everything runs on one
// thread, so a plain list of callbacks is enough; a listener that needs detail reads it
// from the model.
//
// A subscription lasts as long as the handle that Subscribe returns. Either side may go
// first: a handle that outlives its notifier lets go of nothing, and a callback may drop
// its own handle while it runs.
class Notifier {
  struct Listeners {
    std::vector<std::pair<std::size_t, std::function<void()>>> callbacks;
    std::size_t next_id = 1;
  };

 public:
  class Subscription {
   public:
    Subscription() = default;
    Subscription(Subscription&& other) noexcept
        : listeners_(std::move(other.listeners_)), id_(other.id_) {}
    Subscription& operator=(Subscription&& other) noexcept {
      Reset();
      listeners_ = std::move(other.listeners_);
      id_ = other.id_;
      return *this;
    }
    ~Subscription() { Reset(); }
    void Reset() {
      if (auto listeners = listeners_.lock()) {
        std::erase_if(listeners->callbacks,
                      [this](const auto& entry) { return entry.first == id_; });
      }
      listeners_.reset();
    }

   private:
    friend class Notifier;
    Subscription(std::weak_ptr<Listeners> listeners, std::size_t id)
        : listeners_(std::move(listeners)), id_(id) {}
    std::weak_ptr<Listeners> listeners_;
    std::size_t id_ = 0;
  };

  Notifier() = default;
  Notifier(Notifier&&) noexcept = default;
  Notifier& operator=(Notifier&&) noexcept = default;

  [[nodiscard]] Subscription Subscribe(std::function<void()> callback) {
    const std::size_t id = listeners_->next_id++;
    listeners_->callbacks.emplace_back(id, std::move(callback));
    return Subscription(listeners_, id);
  }
  void Notify() const {
    if (listeners_->callbacks.empty()) return;
    const auto callbacks = listeners_->callbacks;  // a callback may (un)subscribe
    for (const auto& [id, callback] : callbacks) callback();
  }

 private:
  std::shared_ptr<Listeners> listeners_ = std::make_shared<Listeners>();
};

}  // namespace kestrel::controls
