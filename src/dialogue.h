// The threshold dialogue on the console.
#pragma once

#include <cstdint>
#include <iosfwd>
#include <optional>
#include <string>
#include <string_view>

// The most characters one attempt holds; a longer line is read as several.
inline constexpr std::size_t attempt_limit = 127;

// The minimum frequencies for learning values 1, 2 and 3; 1 <= t1 < t2 < t3.
struct thresholds {
    std::int32_t t1;
    std::int32_t t2;
    std::int32_t t3;
};

// Decimal value of an attempt: leading white space, one optional sign, then
// digits up to the first other character; no digits is 0, and the value
// saturates at the 32-bit bounds.
std::int32_t convert_answer(std::string_view attempt);

// The next attempt: characters up to and including the next line feed, at most
// attempt_limit of them. nullopt when the input has ended or failed before any.
std::optional<std::string> read_attempt(std::istream& in);

// Writes the prompt for `level` once, then reads attempts until one is greater
// than `floor`, and returns it. Rejected attempts are dropped silently.
// nullopt when the input ends first.
std::optional<std::int32_t> ask_threshold(std::int32_t level, std::int32_t floor, std::istream& in,
                                          std::ostream& out);

// The three thresholds, each asked with the one before as its floor (0 first).
std::optional<thresholds> ask_thresholds(std::istream& in, std::ostream& out);
