#include "file_maker.h"

#include <algorithm>
#include <iterator>
#include <utility>
#include <vector>

#include "platform/fs.h"
#include "platform/text.h"

namespace zip {

namespace {

// Whether a file at `name` would stand where `folder` is to be made: the same path, or one of
// its leading folders. Letter case is ignored, as on Windows; dropping one file too many only
// costs its making again.
bool StandsInWay(const std::string& name, const std::string& folder) {
  // Both are the engine's paths, built alike with '\\' between names.
  if (name.size() > folder.size() || !platform::SameTextIgnoreCase(std::string_view(folder).substr(0, name.size()), name))
    return false;
  return name.size() == folder.size() || folder[name.size()] == '\\';
}

}  // namespace

FileMadeAhead& FileMadeAhead::operator=(FileMadeAhead&& other) noexcept {
  if (this != &other) {
    Drop();
    name_ = std::move(other.name_);
    file_ = std::move(other.file_);
  }
  return *this;
}

void FileMadeAhead::Prepare(int64_t size) {
  file_->SetSize(size);
  file_->Seek(0, platform::SeekOrigin::Begin);
}

void FileMadeAhead::Drop() noexcept {
  if (!file_) return;
  file_.reset();
  platform::RemoveFile(name_);
}

FileMaker::FileMaker(MayMake may_make, Make make)
    : may_make_(std::move(may_make)), make_(std::move(make)), worker_([this] { Run(); }) {}

FileMaker::~FileMaker() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    stop_ = true;
    queue_.clear();
  }
  asked_.notify_all();
  worker_.join();
  done_.clear();  // removes what no entry took
}

size_t FileMaker::Outstanding() {
  std::lock_guard<std::mutex> lock(mutex_);
  return queue_.size() + waiting_.size() + done_.size() + (busy_index_ >= 0 ? 1 : 0);
}

void FileMaker::Ask(int index, std::string name, int64_t size) {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    queue_.push_back(Order{index, std::move(name), size});
  }
  asked_.notify_one();
}

FileMadeAhead FileMaker::Take(int index, const std::string& name) {
  std::vector<FileMadeAhead> stale;  // removed outside the lock
  FileMadeAhead taken;
  {
    std::unique_lock<std::mutex> lock(mutex_);
    taken_through_ = std::max(taken_through_, index);
    std::erase_if(queue_, [&](const Order& o) { return o.index <= index; });
    std::erase_if(waiting_, [&](const Order& o) { return o.index <= index; });
    made_.wait(lock, [&] { return busy_index_ < 0 || busy_index_ > index; });
    for (auto it = done_.begin(); it != done_.end() && it->first <= index;) {
      if (it->first == index && it->second && it->second.Name() == name)
        taken = std::move(it->second);
      else
        stale.push_back(std::move(it->second));
      it = done_.erase(it);
    }
  }
  return taken;
}

void FileMaker::ClearWayTo(const std::string& folder) {
  std::vector<FileMadeAhead> stale;
  {
    std::unique_lock<std::mutex> lock(mutex_);
    // Only a file being made in its way is waited for: the maker goes from one file to the next
    // without a pause while files are asked for.
    made_.wait(lock, [&] { return busy_index_ < 0 || !StandsInWay(busy_name_, folder); });
    std::erase_if(queue_, [&](const Order& o) { return StandsInWay(o.name, folder); });
    std::erase_if(waiting_, [&](const Order& o) { return StandsInWay(o.name, folder); });
    for (auto it = done_.begin(); it != done_.end();) {
      if (it->second && StandsInWay(it->second.Name(), folder)) {
        stale.push_back(std::move(it->second));
        it = done_.erase(it);
      } else {
        ++it;
      }
    }
  }
}

void FileMaker::FolderMade() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (waiting_.empty()) return;
    // In the entries' order: a file is made before those of the entries after it.
    std::deque<Order> merged;
    std::merge(std::make_move_iterator(waiting_.begin()), std::make_move_iterator(waiting_.end()),
               std::make_move_iterator(queue_.begin()), std::make_move_iterator(queue_.end()), std::back_inserter(merged),
               [](const Order& a, const Order& b) { return a.index < b.index; });
    queue_.swap(merged);
    waiting_.clear();
  }
  asked_.notify_one();
}

void FileMaker::Run() {
  std::unique_lock<std::mutex> lock(mutex_);
  for (;;) {
    asked_.wait(lock, [&] { return stop_ || !queue_.empty(); });
    if (stop_) return;
    Order order = std::move(queue_.front());
    queue_.pop_front();
    if (order.index <= taken_through_) continue;  // its turn came: it makes its own file
    busy_index_ = order.index;
    busy_name_ = order.name;
    lock.unlock();
    FileMadeAhead made;
    bool may = false;
    try {
      may = may_make_(order.name);
      if (may) {
        made = FileMadeAhead(order.name, make_(order.name));
        made.Prepare(order.size);
      }
    } catch (...) {
      made.Drop();
      // Whatever went wrong happens again in the entry's turn, where it is reported.
    }
    lock.lock();
    busy_index_ = -1;
    // One that may not be made now waits for a folder to be made, unless its turn has come.
    if (!may && order.index > taken_through_)
      waiting_.insert(std::upper_bound(waiting_.begin(), waiting_.end(), order.index,
                                       [](int index, const Order& o) { return index < o.index; }),
                      std::move(order));
    else
      done_.emplace(order.index, std::move(made));
    made_.notify_all();
  }
}

}  // namespace zip
