// A whole book read in one sequential sweep, for looking at it without
// changing it.
#pragma once

#include <array>
#include <cstdint>
#include <iosfwd>
#include <optional>
#include <vector>

#include "dialogue.h"

// Index of the tally slot for learning values that are not 0 to 3.
inline constexpr std::size_t other_learning_value = 4;

struct book_scan {
    std::int64_t size = 0;                  // bytes, remainder included
    std::vector<std::int32_t> frequencies;  // one per whole record, in book order
    std::array<std::int64_t, 5> current{};  // records holding 0, 1, 2, 3, anything else
    std::array<std::int64_t, 4> preview{};  // records the thresholds would give 0 to 3
    std::int64_t would_change = 0;          // records whose learning value would differ
};

// Reads `in` to its end in large blocks, decoding each whole record. The
// preview fields stay zero without thresholds. nullopt on a read error.
std::optional<book_scan> scan_book(std::istream& in, const std::optional<thresholds>& limits);

// The nearest-rank percentile (1 to 100) of non-empty `values`; reorders them.
std::int32_t percentile(std::vector<std::int32_t>& values, int percent);
