#include "dialogue.h"

#include <istream>
#include <limits>
#include <ostream>

namespace {

bool is_blank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

bool is_digit(char c) {
    return c >= '0' && c <= '9';
}

}  // namespace

std::int32_t convert_answer(std::string_view attempt) {
    std::size_t i = 0;
    while (i < attempt.size() && is_blank(attempt[i])) {
        ++i;
    }
    bool negative = false;
    if (i < attempt.size() && (attempt[i] == '+' || attempt[i] == '-')) {
        negative = attempt[i] == '-';
        ++i;
    }
    // Past 2^31 every further digit keeps the result saturated, so the
    // magnitude stops growing there and cannot overflow.
    constexpr std::int64_t magnitude_cap = std::int64_t{1} << 31;
    std::int64_t magnitude = 0;
    for (; i < attempt.size() && is_digit(attempt[i]); ++i) {
        magnitude = magnitude * 10 + (attempt[i] - '0');
        if (magnitude > magnitude_cap) {
            magnitude = magnitude_cap;
        }
    }
    const std::int64_t value = negative ? -magnitude : magnitude;
    if (value > std::numeric_limits<std::int32_t>::max()) {
        return std::numeric_limits<std::int32_t>::max();
    }
    return static_cast<std::int32_t>(value);
}

std::optional<std::string> read_attempt(std::istream& in) {
    std::string attempt;
    std::streambuf* input = in.rdbuf();
    while (attempt.size() < attempt_limit) {
        const auto c = input->sbumpc();
        if (c == std::char_traits<char>::eof()) {
            break;
        }
        attempt.push_back(std::char_traits<char>::to_char_type(c));
        if (attempt.back() == '\n') {
            break;
        }
    }
    if (attempt.empty()) {
        return std::nullopt;
    }
    return attempt;
}

std::optional<std::int32_t> ask_threshold(std::int32_t level, std::int32_t floor, std::istream& in,
                                          std::ostream& out) {
    // No explicit flush: a console shows the line at once, and into a file or
    // a pipe the prompts go when the buffer fills or the program ends.
    out << "enter min frequency to have learning value  " << level << '\n';
    while (const auto attempt = read_attempt(in)) {
        const std::int32_t value = convert_answer(*attempt);
        if (value > floor) {
            return value;
        }
    }
    return std::nullopt;
}

std::optional<thresholds> ask_thresholds(std::istream& in, std::ostream& out) {
    const auto t1 = ask_threshold(1, 0, in, out);
    if (!t1) {
        return std::nullopt;
    }
    const auto t2 = ask_threshold(2, *t1, in, out);
    if (!t2) {
        return std::nullopt;
    }
    const auto t3 = ask_threshold(3, *t2, in, out);
    if (!t3) {
        return std::nullopt;
    }
    return thresholds{*t1, *t2, *t3};
}
