#pragma once

#include <algorithm>
#include <cstddef>
#include <vector>

namespace movra {

// A stable bottom-up merge sort that stays well defined for any comparator, even one that is no
// consistent order (or that gives different answers for the same pair): every step only reads
// inside the two buffers, each element is moved exactly once per pass, so the result is always a
// permutation of the input. (std::sort and std::stable_sort promise nothing for such
// comparators.) before(a, b) says whether a should come before b.
template <class T, class Before> void SafeMergeSort(std::vector<T>& items, Before before) {
    const std::size_t n = items.size();
    if (n < 2)
        return;
    std::vector<T> buffer(n);
    std::vector<T>* src = &items;
    std::vector<T>* dst = &buffer;
    for (std::size_t width = 1; width < n; width *= 2) {
        for (std::size_t lo = 0; lo < n; lo += 2 * width) {
            const std::size_t mid = std::min(lo + width, n);
            const std::size_t hi = std::min(lo + 2 * width, n);
            std::size_t i = lo;
            std::size_t j = mid;
            std::size_t k = lo;
            while (i < mid && j < hi) {
                // Take from the right run only when it strictly goes first: stable.
                if (before((*src)[j], (*src)[i]))
                    (*dst)[k++] = std::move((*src)[j++]);
                else
                    (*dst)[k++] = std::move((*src)[i++]);
            }
            while (i < mid)
                (*dst)[k++] = std::move((*src)[i++]);
            while (j < hi)
                (*dst)[k++] = std::move((*src)[j++]);
        }
        std::swap(src, dst);
    }
    if (src != &items)
        items = std::move(*src);
}

} // namespace movra
