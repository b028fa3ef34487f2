// Lets an object tell whoever refers to it that it is going away, so that they drop the
// reference (the runtime's removal notice between components).
#pragma once

#include <functional>
#include <utility>
#include <vector>

namespace skin {

class FreeNotifier {
 public:
  FreeNotifier() = default;
  FreeNotifier(const FreeNotifier&) = delete;
  FreeNotifier& operator=(const FreeNotifier&) = delete;
  ~FreeNotifier() {
    auto listeners = std::move(listeners_);
    for (auto& l : listeners) l.second();
  }
  void AddFreeListener(const void* who, std::function<void()> on_free) {
    RemoveFreeListener(who);
    listeners_.emplace_back(who, std::move(on_free));
  }
  void RemoveFreeListener(const void* who) {
    std::erase_if(listeners_, [who](const auto& l) { return l.first == who; });
  }

 private:
  std::vector<std::pair<const void*, std::function<void()>>> listeners_;
};

}  // namespace skin
