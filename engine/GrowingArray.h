// An array of plain values that grows with realloc. A large block lives in pages
// of its own, which the C library can move to their new place instead of copying
// them: a catalogue of a million files then grows without copying its bytes again
// at each doubling, or touching twice the pages it keeps.
#pragma once

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <new>
#include <type_traits>
#include <utility>

namespace twinsweep {

template <typename T>
class GrowingArray {
    static_assert(std::is_trivially_copyable_v<T>, "the values are moved by realloc");

public:
    GrowingArray() = default;
    ~GrowingArray() { std::free(m_values); }
    GrowingArray(const GrowingArray&) = delete;
    GrowingArray& operator=(const GrowingArray&) = delete;
    GrowingArray(GrowingArray&& other) noexcept
        : m_values(std::exchange(other.m_values, nullptr)), m_size(std::exchange(other.m_size, 0)),
          m_capacity(std::exchange(other.m_capacity, 0))
    {
    }
    GrowingArray& operator=(GrowingArray&& other) noexcept
    {
        GrowingArray moved(std::move(other));
        std::swap(m_values, moved.m_values);
        std::swap(m_size, moved.m_size);
        std::swap(m_capacity, moved.m_capacity);
        return *this;
    }

    size_t size() const { return m_size; }
    const T* data() const { return m_values; }
    const T& operator[](size_t at) const { return m_values[at]; }

    void push_back(const T& value)
    {
        if (m_size == m_capacity)
            Grow(m_size + 1);
        m_values[m_size++] = value;
    }

    void append(const T* values, size_t count)
    {
        if (count == 0)
            return;
        if (m_capacity - m_size < count)
            Grow(m_size + count);
        std::memcpy(m_values + m_size, values, count * sizeof(T));
        m_size += count;
    }

private:
    void Grow(size_t least)
    {
        size_t capacity = m_capacity < 64 ? 64 : m_capacity * 2;
        while (capacity < least)
            capacity *= 2;
        if (capacity > SIZE_MAX / sizeof(T))
            throw std::bad_alloc();
        void* grown = std::realloc(m_values, capacity * sizeof(T));
        if (!grown)
            throw std::bad_alloc();
        m_values = static_cast<T*>(grown);
        m_capacity = capacity;
    }

    T* m_values = nullptr;
    size_t m_size = 0;
    size_t m_capacity = 0;
};

}  // namespace twinsweep
