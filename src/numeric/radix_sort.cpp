#include "numeric/radix_sort.hpp"

#include <array>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <utility>

namespace {

constexpr int digit_bits = 11;
constexpr int digit_count = 6;  // 66 bits cover the 64 of a key
constexpr std::size_t bucket_count = std::size_t{1} << digit_bits;
constexpr std::uint64_t sign_bit = std::uint64_t{1} << 63;

// A key whose unsigned order is the numeric order of the doubles: negative
// values have every bit flipped, others only the sign bit; -0 is +0 first.
std::uint64_t key_of(double v) {
    const std::uint64_t bits = std::bit_cast<std::uint64_t>(v == 0.0 ? 0.0 : v);
    return (bits & sign_bit) != 0 ? ~bits : bits | sign_bit;
}

double value_of(std::uint64_t key) { return std::bit_cast<double>((key & sign_bit) != 0 ? key & ~sign_bit : ~key); }

std::size_t digit_of(std::uint64_t key, int d) { return (key >> (d * digit_bits)) & (bucket_count - 1); }

// Least significant digit first, each pass stable, so equal keys keep the
// order they came in; a digit every key shares needs no pass. Items, when
// given (as long as keys), move with their keys.
void sort_keys(std::vector<std::uint64_t>& keys, std::vector<int>* items) {
    const std::size_t n = keys.size();
    std::vector<std::array<std::size_t, bucket_count>> counts(digit_count);
    for (auto& c : counts) c.fill(0);
    for (std::uint64_t k : keys)
        for (int d = 0; d < digit_count; ++d) ++counts[d][digit_of(k, d)];
    std::vector<std::uint64_t> key_room(n);
    std::vector<int> item_room(items != nullptr ? n : 0);
    for (int d = 0; d < digit_count; ++d) {
        std::array<std::size_t, bucket_count>& start = counts[d];
        if (n == 0 || start[digit_of(keys[0], d)] == n) continue;
        std::size_t total = 0;
        for (std::size_t& c : start) total += std::exchange(c, total);
        for (std::size_t i = 0; i < n; ++i) {
            const std::size_t to = start[digit_of(keys[i], d)]++;
            key_room[to] = keys[i];
            if (items != nullptr) item_room[to] = (*items)[i];
        }
        keys.swap(key_room);
        if (items != nullptr) items->swap(item_room);
    }
}

}  // namespace

// v is handed back while the keys are sorted, so that no more than two
// copies of the values are held at once (the pooled sample of a run is large).
void radix_sort(std::vector<double>& v) {
    const std::size_t n = v.size();
    std::vector<std::uint64_t> keys(n);
    for (std::size_t i = 0; i < n; ++i) keys[i] = key_of(v[i]);
    std::vector<double>().swap(v);
    sort_keys(keys, nullptr);
    v.resize(n);
    for (std::size_t i = 0; i < n; ++i) v[i] = value_of(keys[i]);
}

void radix_order(const double* v, int n, int* order) {
    const std::size_t count = static_cast<std::size_t>(n > 0 ? n : 0);
    std::vector<std::uint64_t> keys(count);
    std::vector<int> items(count);
    for (std::size_t i = 0; i < count; ++i) {
        keys[i] = key_of(v[i]);
        items[i] = static_cast<int>(i);
    }
    sort_keys(keys, &items);
    for (std::size_t i = 0; i < count; ++i) order[i] = items[i];
}
