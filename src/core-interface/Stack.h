#pragma once

#include <cstdint>
#include <cstring>
#include <initializer_list>
#include <new>
#include <type_traits>
#include <utility>

#include "core-interface/Exception.h"
#include "core-interface/Memory.h"

namespace Nimbal {

// Growable array in the core's heap. Grows to max(2 * capacity, needed).
// Indices are checked; a bad index raises the internal assertion.
template <typename T>
class Stack {
    static_assert(alignof(T) <= alignof(std::max_align_t), "nimbalMalloc gives malloc alignment only");

public:
    Stack() noexcept = default;
    Stack(std::initializer_list<T> items) {
        try {
            reserve(static_cast<int64_t>(items.size()));
            for (const T& item : items) push(item);
        } catch (...) {
            release();
            throw;
        }
    }
    // The copy is as large as the source's contents, not its capacity.
    Stack(const Stack& other) {
        try {
            reserve(other.size_);
            for (const T& item : other) push(item);
        } catch (...) {
            release();
            throw;
        }
    }
    Stack(Stack&& other) noexcept
        : data_(std::exchange(other.data_, nullptr)),
          size_(std::exchange(other.size_, 0)),
          capacity_(std::exchange(other.capacity_, 0)) {}
    Stack& operator=(const Stack& other) {
        if (this != &other) {
            Stack copy(other);
            swap(copy);
        }
        return *this;
    }
    Stack& operator=(Stack&& other) noexcept {
        if (this != &other) {
            release();
            data_ = std::exchange(other.data_, nullptr);
            size_ = std::exchange(other.size_, 0);
            capacity_ = std::exchange(other.capacity_, 0);
        }
        return *this;
    }
    ~Stack() { release(); }

    void swap(Stack& other) noexcept {
        std::swap(data_, other.data_);
        std::swap(size_, other.size_);
        std::swap(capacity_, other.capacity_);
    }

    int32_t size() const noexcept { return size_; }
    int32_t capacity() const noexcept { return capacity_; }
    bool isEmpty() const noexcept { return size_ == 0; }
    T* data() noexcept { return data_; }
    const T* data() const noexcept { return data_; }

    T& operator[](int32_t i) {
        NIMBAL_ASSERT(i >= 0 && i < size_);
        return data_[i];
    }
    const T& operator[](int32_t i) const {
        NIMBAL_ASSERT(i >= 0 && i < size_);
        return data_[i];
    }
    T& top() {
        NIMBAL_ASSERT(size_ > 0);
        return data_[size_ - 1];
    }
    const T& top() const {
        NIMBAL_ASSERT(size_ > 0);
        return data_[size_ - 1];
    }

    T* begin() noexcept { return data_; }
    T* end() noexcept { return data_ + size_; }
    const T* begin() const noexcept { return data_; }
    const T* end() const noexcept { return data_ + size_; }

    void push(const T& item) { emplace(item); }
    void push(T&& item) { emplace(std::move(item)); }

    // Safe when the arguments refer to an element of this stack.
    template <typename... Args>
    T& emplace(Args&&... args) {
        if (size_ < capacity_) {
            new (data_ + size_) T(std::forward<Args>(args)...);
        } else {
            int32_t newCapacity = grownCapacity(int64_t(size_) + 1);
            T* fresh = static_cast<T*>(nimbalMalloc(sizeof(T) * size_t(newCapacity)));
            try {
                new (fresh + size_) T(std::forward<Args>(args)...);
            } catch (...) {
                nimbalFree(fresh);
                throw;
            }
            try {
                moveInto(fresh);
            } catch (...) {
                fresh[size_].~T();
                nimbalFree(fresh);
                throw;
            }
            capacity_ = newCapacity;
        }
        return data_[size_++];
    }

    T pop() {
        NIMBAL_ASSERT(size_ > 0);
        T item(std::move(data_[size_ - 1]));
        data_[--size_].~T();
        return item;
    }

    void clear() noexcept {
        for (int32_t i = size_; i > 0; --i) data_[i - 1].~T();
        size_ = 0;
    }

    // Ensures room for `needed` elements by the growth rule.
    void reserve(int64_t needed) {
        if (needed <= capacity_) return;
        int32_t newCapacity = grownCapacity(needed);
        T* fresh = static_cast<T*>(nimbalMalloc(sizeof(T) * size_t(newCapacity)));
        try {
            moveInto(fresh);
        } catch (...) {
            nimbalFree(fresh);
            throw;
        }
        capacity_ = newCapacity;
    }

    // New elements are value-initialised.
    void resize(int32_t newSize) {
        NIMBAL_ASSERT(newSize >= 0);
        reserve(newSize);
        while (size_ < newSize) {
            new (data_ + size_) T();
            ++size_;
        }
        while (size_ > newSize) data_[--size_].~T();
    }

    // Keeps the order of the remaining elements.
    void removeAt(int32_t i) {
        NIMBAL_ASSERT(i >= 0 && i < size_);
        for (int32_t k = i; k + 1 < size_; ++k) data_[k] = std::move(data_[k + 1]);
        data_[--size_].~T();
    }

private:
    int32_t grownCapacity(int64_t needed) const {
        int64_t grown = 2 * int64_t(capacity_);
        if (grown < needed) grown = needed;
        NIMBAL_ASSERT(grown <= INT32_MAX && uint64_t(grown) <= SIZE_MAX / sizeof(T));
        return static_cast<int32_t>(grown);
    }

    // Relocates the elements into `fresh` and adopts it as the buffer. An
    // element type whose move may throw is copied, so a failure leaves this
    // stack as it was; `fresh` then stays the caller's to free.
    void moveInto(T* fresh) {
        if constexpr (std::is_trivially_copyable_v<T>) {
            if (size_ > 0) std::memcpy(static_cast<void*>(fresh), data_, sizeof(T) * size_t(size_));
        } else if constexpr (std::is_nothrow_move_constructible_v<T>) {
            for (int32_t i = 0; i < size_; ++i) {
                new (fresh + i) T(std::move(data_[i]));
                data_[i].~T();
            }
        } else {
            int32_t done = 0;
            try {
                for (; done < size_; ++done) new (fresh + done) T(data_[done]);
            } catch (...) {
                while (done > 0) fresh[--done].~T();
                throw;
            }
            for (int32_t i = 0; i < size_; ++i) data_[i].~T();
        }
        nimbalFree(data_);
        data_ = fresh;
    }

    void release() noexcept {
        clear();
        nimbalFree(data_);
        data_ = nullptr;
        capacity_ = 0;
    }

    T* data_ = nullptr;
    int32_t size_ = 0;
    int32_t capacity_ = 0;
};

} // namespace Nimbal
