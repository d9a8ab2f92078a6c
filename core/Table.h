#pragma once
// A zero-based array whose every access is checked: an index outside the table throws
// OrlError 9 (Subscript out of range) instead of reading or writing outside it.

#include "OrlError.h"

#include <cstddef>
#include <vector>

namespace orl {

template <typename T> class Table {
public:
    Table() = default;
    explicit Table(std::size_t count, const T& value = T{}) : items_(count, value) {}

    // vector<bool> hands out proxies, so the element types come from the vector.
    typename std::vector<T>::reference operator[](long long index) {
        if (!Contains(index))
            ThrowSubscript();
        return items_[static_cast<std::size_t>(index)];
    }
    typename std::vector<T>::const_reference operator[](long long index) const {
        if (!Contains(index))
            ThrowSubscript();
        return items_[static_cast<std::size_t>(index)];
    }

    bool Contains(long long index) const {
        return index >= 0 && index < static_cast<long long>(items_.size());
    }
    // Highest valid index; -1 for an empty table.
    long long UBound() const { return static_cast<long long>(items_.size()) - 1; }
    std::size_t size() const { return items_.size(); }
    bool empty() const { return items_.empty(); }

    // Resizes keeping the entries that remain; new entries get `value`.
    void Resize(std::size_t count, const T& value = T{}) { items_.resize(count, value); }
    // Re-creates the table with `count` entries of `value`; old contents are lost.
    void Recreate(std::size_t count, const T& value = T{}) { items_.assign(count, value); }

    auto begin() { return items_.begin(); }
    auto end() { return items_.end(); }
    auto begin() const { return items_.begin(); }
    auto end() const { return items_.end(); }

private:
    std::vector<T> items_;
};

} // namespace orl
