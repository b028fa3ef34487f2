// The engine's containers: a growable list of object references that may own its objects, a
// sorted variant found by binary search, and TSortedZip, the sorted list of archive entries.
#pragma once

#include <cmath>
#include <cstdint>
#include <string>
#include <typeinfo>
#include <vector>

#include "platform/exceptions.h"
#include "platform/format.h"
#include "zip/records.h"

namespace zip {

enum TZipSortMode : uint8_t {
  ByName, ByFileName, ByDirectoryName, ByDate, ByCompressedSize, ByUnCompressedSize, ByRate, ByNone
};

constexpr int kMaxListSize = 0x1FFFFFFE;

template <typename T>
class TObjectList {
 public:
  TObjectList() = default;
  explicit TObjectList(bool owns) : OwnsObjects(owns) {}
  TObjectList(const TObjectList&) = delete;
  TObjectList& operator=(const TObjectList&) = delete;
  virtual ~TObjectList() {
    for (int i = 0; i < count_; ++i) FreeItem(items_[i]);
    Clear();
  }

  int Count() const { return count_; }
  int Capacity() const { return capacity_; }

  T* Item(int index) const {
    if (index < 0 || index >= count_) Error(index);
    return items_[index];
  }
  T* operator[](int index) const { return Item(index); }

  virtual int Add(T* item) {
    if (count_ == capacity_) Grow();
    items_[count_] = item;
    return count_++;
  }

  virtual void Insert(int index, T* item) {
    if (index < 0 || index > count_) Error(index);
    if (count_ == capacity_) Grow();
    for (int i = count_; i > index; --i) items_[i] = items_[i - 1];
    items_[index] = item;
    ++count_;
  }

  virtual void Put(int index, T* item) {
    if (index < 0 || index >= count_) Error(index);
    items_[index] = item;
  }

  virtual int IndexOf(const T* item) const {
    for (int i = 0; i < count_; ++i)
      if (items_[i] == item) return i;
    return -1;
  }

  T* First() const { return Item(0); }
  T* Last() const { return Item(count_ - 1); }

  T* Relative(const T* item, bool forward) const {
    if (!item) return count_ == 0 ? nullptr : (forward ? items_[0] : items_[count_ - 1]);
    int at = -1;
    for (int i = 0; i < count_; ++i)
      if (items_[i] == item) { at = i; break; }
    if (at < 0)
      throw platform::EListError(platform::Format("tObject %s not in item list", typeid(*item).name()));
    const int next = forward ? at + 1 : at - 1;
    return next >= 0 && next < count_ ? items_[next] : nullptr;
  }

  void SetCapacity(int n) {
    if (n < count_ || n >= 0x1FFFFFFF) Error(n);
    items_.resize(static_cast<size_t>(n), nullptr);
    capacity_ = n;
  }

  void SetCount(int n) {
    if (n < 0 || n >= 0x1FFFFFFF) Error(n);
    if (n > capacity_) SetCapacity(n);
    for (int i = count_; i < n; ++i) items_[i] = nullptr;
    count_ = n;
  }

  // Drops the references; the objects are not freed.
  virtual void Clear() {
    items_.clear();
    items_.shrink_to_fit();
    count_ = capacity_ = 0;
  }

  bool OwnsObjects = true;

 protected:
  [[noreturn]] virtual void Error(int index) const {
    throw platform::EListError(platform::Format("List index out of bounds (%d)", index));
  }

  virtual void Grow() {
    int delta;
    if (capacity_ <= 4) delta = 4;
    else if (capacity_ <= 8) delta = 8;
    else delta = static_cast<int>(std::lround(std::sqrt(static_cast<double>(capacity_))));
    SetCapacity(capacity_ + delta);
  }

  virtual void FreeItem(T* item) {
    if (OwnsObjects) delete item;
  }

  std::vector<T*> items_;
  int count_ = 0;
  int capacity_ = 0;
};

enum TDuplicates : uint8_t { dupIgnore = 0, dupAccept = 1, dupError = 2 };

template <typename T>
class TSortedObjectList : public TObjectList<T> {
 public:
  TSortedObjectList(bool owns, TDuplicates duplicates) : TObjectList<T>(owns), Duplicates(duplicates) {}

  virtual const T* KeyOf(const T* item) const { return item; }
  // Negative: `key` belongs after `item`.
  virtual int CompareKeys(const T* item, const T* key) const = 0;

  bool FindKey(const T* key, int& index) const {
    int lo = 0, hi = this->count_ - 1;
    bool found = false;
    while (lo <= hi) {
      const int mid = (lo + hi) / 2;
      const int c = CompareKeys(this->items_[mid], key);
      if (c < 0) {
        lo = mid + 1;
      } else {
        hi = mid - 1;
        if (c == 0) {
          found = true;
          if (Duplicates != dupAccept) lo = mid;
        }
      }
    }
    index = lo;
    return found;
  }

  int Add(T* item) override {
    Insert(0, item);
    return 0;
  }

  void Insert(int /*index*/, T* item) override {
    // Items usually arrive in order (a directory is stored in physical order): an item that
    // belongs behind the last one goes there without a search, at the place the search would find.
    if (this->count_ > 0 && CompareKeys(this->items_[this->count_ - 1], KeyOf(item)) < 0) {
      TObjectList<T>::Insert(this->count_, item);
      return;
    }
    int at;
    if (FindKey(KeyOf(item), at)) {
      if (Duplicates == dupIgnore) return;
      if (Duplicates == dupError) throw platform::EListError("Duplicate Object index");
    }
    TObjectList<T>::Insert(at, item);
  }

  int IndexOf(const T* item) const override {
    int at;
    return FindKey(KeyOf(item), at) ? at : -1;
  }

  void Put(int, T*) override {
    throw platform::EListError("Cannot <Put> an Object in a sorted list!");
  }

  TDuplicates Duplicates;
};

class TSortedZip : public TSortedObjectList<TZipHeaderInfo> {
 public:
  TSortedZip(bool owns, TDuplicates duplicates) : TSortedObjectList(owns, duplicates) {}
  int CompareKeys(const TZipHeaderInfo* a, const TZipHeaderInfo* b) const override;
  TZipSortMode SortMode = ByNone;
};

// The stored-to-uncompressed ratio in percent used by ByRate (0 for an empty entry).
int CompressionRate(const TZipHeaderInfo& entry);

}  // namespace zip
