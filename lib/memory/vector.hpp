#pragma once

#include <stddef.h>
#include <stdint.h>

#include "memory/arena.hpp"

namespace vorn::memory {

// A growable array of trivially copyable values in the engine arena. Growth
// reports failure instead of throwing; `release` hands the storage back.
template <typename T>
class Vector {
 public:
  T* data() { return data_; }
  const T* data() const { return data_; }
  uint32_t size() const { return size_; }
  bool empty() const { return size_ == 0; }
  T& operator[](uint32_t index) { return data_[index]; }
  const T& operator[](uint32_t index) const { return data_[index]; }
  T* begin() { return data_; }
  T* end() { return data_ + size_; }
  const T* begin() const { return data_; }
  const T* end() const { return data_ + size_; }
  T& back() { return data_[size_ - 1]; }

  // False when memory runs out; the vector is then unchanged.
  bool push(const T& value) {
    if (size_ == capacity_ && (capacity_ > UINT32_MAX / 2 || !grow(capacity_ == 0 ? 4 : capacity_ * 2))) {
      return false;
    }
    data_[size_++] = value;
    return true;
  }
  bool reserve(uint32_t capacity) { return capacity <= capacity_ || grow(capacity); }
  void popBack() { --size_; }
  void clear() { size_ = 0; }
  void release() {
    if (data_ != nullptr) arena().release(data_, sizeof(T) * capacity_);
    data_ = nullptr;
    size_ = capacity_ = 0;
  }

 private:
  bool grow(uint32_t capacity) {
    // The byte size must fit size_t, which is 32 bits in wasm32.
    if (capacity < capacity_ || uint64_t(capacity) * sizeof(T) > SIZE_MAX / 4) return false;
    Arena& a = arena();
    if (data_ != nullptr && a.tryExtend(data_, sizeof(T) * capacity_, sizeof(T) * capacity)) {
      capacity_ = capacity;
      return true;
    }
    void* fresh = a.allocate(sizeof(T) * size_t(capacity), alignof(T));
    if (fresh == nullptr) return false;
    T* target = static_cast<T*>(fresh);
    for (uint32_t i = 0; i < size_; ++i) target[i] = data_[i];
    if (data_ != nullptr) a.release(data_, sizeof(T) * capacity_);
    data_ = target;
    capacity_ = capacity;
    return true;
  }

  T* data_ = nullptr;
  uint32_t size_ = 0;
  uint32_t capacity_ = 0;
};

}  // namespace vorn::memory
