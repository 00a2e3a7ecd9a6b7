// Offset-indexed vectors and matrices: every table of a run is indexed by the
// caller's own bounds (usually 1..n), and a matrix row can be handed on as a
// 1-based series without copying.
#pragma once

#include <cassert>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <type_traits>

#include "run/failure.hpp"

// Non-owning view of elements lo..hi (inclusive), passed by value.
template <class T>
class series {
public:
    series() = default;
    series(T* first, int lo, int hi) : first_(first), lo_(lo), hi_(hi) {}
    template <class U>
    series(series<U> other) : first_(other.data()), lo_(other.lo()), hi_(other.hi()) {}

    T& operator[](int i) const {
        assert(i >= lo_ && i <= hi_);
        return first_[static_cast<std::ptrdiff_t>(i) - lo_];
    }
    T* data() const { return first_; }  // element lo
    int lo() const { return lo_; }
    int hi() const { return hi_; }

private:
    T* first_ = nullptr;
    int lo_ = 1;
    int hi_ = 0;
};

// Element count of lo..hi in 64 bits; negative when hi < lo - 1.
inline std::int64_t element_count(int lo, int hi) { return static_cast<std::int64_t>(hi) - lo + 1; }

struct free_block {
    void operator()(void* p) const { std::free(p); }
};
template <class T>
using block_ptr = std::unique_ptr<T[], free_block>;

// Allocates count uninitialised elements, or calls numeric_fatal(message) when
// the count is negative or cannot be had. malloc, not new: a failure must come
// back as a null pointer everywhere, sanitizer builds included.
template <class T>
block_ptr<T> allocate_block(std::int64_t count, const char* message) {
    static_assert(std::is_trivially_default_constructible_v<T> && std::is_trivially_destructible_v<T>);
    if (count < 0 || static_cast<std::uint64_t>(count) > PTRDIFF_MAX / sizeof(T)) numeric_fatal(message);
    void* p = std::malloc(count > 0 ? static_cast<std::size_t>(count) * sizeof(T) : 1);
    if (p == nullptr) numeric_fatal(message);
    return block_ptr<T>(static_cast<T*>(p));
}

template <class T>
class offset_vector {
public:
    offset_vector() = default;
    offset_vector(int lo, int hi, const char* failure_message)
        : data_(allocate_block<T>(element_count(lo, hi), failure_message)), lo_(lo), hi_(hi) {}

    T& operator[](int i) {
        assert(i >= lo_ && i <= hi_);
        return data_[static_cast<std::ptrdiff_t>(i) - lo_];
    }
    const T& operator[](int i) const {
        assert(i >= lo_ && i <= hi_);
        return data_[static_cast<std::ptrdiff_t>(i) - lo_];
    }
    series<T> view() { return {data_.get(), lo_, hi_}; }
    series<const T> view() const { return {data_.get(), lo_, hi_}; }
    T* data() { return data_.get(); }
    int lo() const { return lo_; }
    int hi() const { return hi_; }
    void reset() {
        data_.reset();
        lo_ = 1;
        hi_ = 0;
    }

private:
    block_ptr<T> data_;
    int lo_ = 1;
    int hi_ = 0;
};

// Rows are separate blocks, so each row can be released or viewed on its own
// and each allocation failure has its own message.
template <class T>
class offset_matrix {
public:
    offset_matrix() = default;
    offset_matrix(int row_lo, int row_hi, int col_lo, int col_hi, const char* row_table_message,
                  const char* row_message)
        : rows_(allocate_block<T*>(element_count(row_lo, row_hi), row_table_message)),
          row_lo_(row_lo),
          row_hi_(row_hi),
          col_lo_(col_lo),
          col_hi_(col_hi) {
        const std::int64_t rows = element_count(row_lo, row_hi);
        for (std::int64_t i = 0; i < rows; ++i) rows_[i] = nullptr;
        try {
            for (std::int64_t i = 0; i < rows; ++i)
                rows_[i] = allocate_block<T>(element_count(col_lo, col_hi), row_message).release();
        } catch (...) {
            reset();  // the run ends; the rows already had are handed back all the same
            throw;
        }
    }

    series<T> operator[](int i) {
        assert(i >= row_lo_ && i <= row_hi_);
        return {rows_[static_cast<std::ptrdiff_t>(i) - row_lo_], col_lo_, col_hi_};
    }
    series<const T> operator[](int i) const {
        assert(i >= row_lo_ && i <= row_hi_);
        return {rows_[static_cast<std::ptrdiff_t>(i) - row_lo_], col_lo_, col_hi_};
    }
    int row_lo() const { return row_lo_; }
    int row_hi() const { return row_hi_; }
    int col_lo() const { return col_lo_; }
    int col_hi() const { return col_hi_; }
    void reset() {
        // Rows from the last to the first, then the row table.
        if (rows_)
            for (std::int64_t i = element_count(row_lo_, row_hi_) - 1; i >= 0; --i) std::free(rows_[i]);
        rows_.reset();
        row_lo_ = col_lo_ = 1;
        row_hi_ = col_hi_ = 0;
    }
    ~offset_matrix() { reset(); }
    offset_matrix(offset_matrix&& other) noexcept { *this = std::move(other); }
    offset_matrix& operator=(offset_matrix&& other) noexcept {
        if (this != &other) {
            reset();
            rows_ = std::move(other.rows_);
            row_lo_ = other.row_lo_;
            row_hi_ = other.row_hi_;
            col_lo_ = other.col_lo_;
            col_hi_ = other.col_hi_;
            other.row_lo_ = other.col_lo_ = 1;
            other.row_hi_ = other.col_hi_ = 0;
        }
        return *this;
    }

private:
    block_ptr<T*> rows_;
    int row_lo_ = 1;
    int row_hi_ = 0;
    int col_lo_ = 1;
    int col_hi_ = 0;
};

using dvector_t = offset_vector<double>;
using ivector_t = offset_vector<int>;
using dmatrix_t = offset_matrix<double>;
using cmatrix_t = offset_matrix<char>;

// Allocators over inclusive bounds; hi = lo - 1 gives an empty container, a
// range further below is an allocation failure. Contents are not initialised.
dvector_t dvector(int nl, int nh);
ivector_t ivector(int nl, int nh);
dmatrix_t dmatrix(int nrl, int nrh, int ncl, int nch);
cmatrix_t cmatrix(int nrl, int nrh, int ncl, int nch);

// Release routines; the bounds are accepted for symmetry with the allocators.
void dvector_free(dvector_t& v, int nl, int nh);
void ivector_free(ivector_t& v, int nl, int nh);
void dmatrix_free(dmatrix_t& m, int nrl, int nrh, int ncl, int nch);
void cmatrix_free(cmatrix_t& m, int nrl, int nrh, int ncl, int nch);
