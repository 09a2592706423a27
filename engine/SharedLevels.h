// Shared levels: the floats that a measurement thread writes while the render pass reads them, and
// the storage of long runs of them.
#pragma once
#include <atomic>
#include <type_traits>

// One shared level. Every access is atomic (through std::atomic_ref), so a reader never sees a torn
// value and there is no data race. Default construction writes nothing: the level storage below
// hands out zero pages, which stay untouched until a level on them is written.
class SharedFloat {
 public:
  SharedFloat() = default;
  constexpr SharedFloat(float value) : value_(value) {}  // NOLINT(google-explicit-constructor): as std::atomic
  SharedFloat(const SharedFloat&) = delete;
  SharedFloat& operator=(const SharedFloat&) = delete;

  float load(std::memory_order order = std::memory_order_seq_cst) const {
    return std::atomic_ref<float>(value_).load(order);
  }
  void store(float value, std::memory_order order = std::memory_order_seq_cst) {
    std::atomic_ref<float>(value_).store(value, order);
  }
  float operator=(float value) {
    store(value);
    return value;
  }
  operator float() const { return load(); }  // NOLINT(google-explicit-constructor): as std::atomic

 private:
  alignas(std::atomic_ref<float>::required_alignment) mutable float value_;
};
static_assert(std::atomic_ref<float>::is_always_lock_free, "levels must be lock-free");
static_assert(std::is_trivially_default_constructible_v<SharedFloat> &&
                  std::is_trivially_destructible_v<SharedFloat>,
              "level storage relies on making levels without writing them");

// count levels (at least one) that read 0.0 until written. Large runs are anonymous memory
// mappings: the system supplies their pages zeroed on first touch, so a buffer whose levels are
// never written costs neither the zeroing nor the memory. Throws std::bad_alloc when out of memory.
SharedFloat* NewLevels(unsigned count);
// Frees what NewLevels returned; null is ignored.
void DeleteLevels(SharedFloat* levels);
