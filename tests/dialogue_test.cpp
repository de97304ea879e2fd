#include "dialogue.h"

#include <gtest/gtest.h>

#include <limits>
#include <sstream>

#include "test_support.h"

namespace {

constexpr std::int32_t int_max = std::numeric_limits<std::int32_t>::max();
constexpr std::int32_t int_min = std::numeric_limits<std::int32_t>::min();

TEST(ConvertAnswer, FollowsTheConversionRules) {
    const struct {
        std::string attempt;
        std::int32_t value;
    } cases[] = {
        {"5\n", 5},
        {"  \t42abc\n", 42},
        {"+17", 17},
        {"0x1F", 0},
        {"7 8", 7},
        {"42abc", 42},
        {"abc", 0},
        {"", 0},
        {"\n", 0},
        {"-3", -3},
        {"\v\f\r 9", 9},
        {"00012", 12},
        {"5\r\n", 5},
        {"+-5", 0},
        {"- 5", 0},
        {std::string(1, '\0') + "5", 0},
        {"99999999999", int_max},
        {"2147483647", int_max},
        {"2147483648", int_max},
        {"-2147483648", int_min},
        {"-2147483649", int_min},
        {"-99999999999999999999999999", int_min},
        {"000000000000000000000000002147483647", int_max},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(convert_answer(c.attempt), c.value) << '"' << c.attempt << '"';
    }
}

std::vector<std::string> attempts_of(const std::string& input) {
    std::istringstream in(input);
    std::vector<std::string> attempts;
    while (const auto attempt = read_attempt(in)) {
        attempts.push_back(*attempt);
    }
    return attempts;
}

TEST(ReadAttempt, SplitsLinesAt127Characters) {
    const std::string x126(126, 'x');
    const std::string x127(127, 'x');
    using list = std::vector<std::string>;
    EXPECT_EQ(attempts_of("5\n10\n"), (list{"5\n", "10\n"}));
    EXPECT_EQ(attempts_of("7"), (list{"7"}));
    EXPECT_EQ(attempts_of(""), list{});
    EXPECT_EQ(attempts_of("\n\n"), (list{"\n", "\n"}));
    // The line feed counts among the 127 characters.
    EXPECT_EQ(attempts_of(x126 + "\n"), (list{x126 + "\n"}));
    EXPECT_EQ(attempts_of(x127 + "\n"), (list{x127, "\n"}));
    EXPECT_EQ(attempts_of(x127 + x127 + "12\n"), (list{x127, x127, "12\n"}));
}

std::optional<std::int32_t> ask(std::int32_t level, std::int32_t floor, const std::string& input,
                                std::string* output = nullptr) {
    std::istringstream in(input);
    std::ostringstream out;
    const auto value = ask_threshold(level, floor, in, out);
    if (output != nullptr) {
        *output = out.str();
    }
    return value;
}

TEST(AskThreshold, DropsAttemptsNotAboveTheFloorSilently) {
    std::string output;
    EXPECT_EQ(ask(1, 0, "abc\n\n0\n-3\n5\n", &output), 5);
    EXPECT_EQ(output, "enter min frequency to have learning value  1\n");
    EXPECT_EQ(ask(2, 5, "5\n6\n", &output), 6);
    EXPECT_EQ(output, "enter min frequency to have learning value  2\n");
}

TEST(AskThreshold, ReadsLongLinesAsSeveralAttempts) {
    // The digit after 127 characters starts an attempt of its own.
    EXPECT_EQ(ask(1, 0, std::string(127, 'x') + "9\n"), 9);
    EXPECT_EQ(ask(1, 0, std::string(127, ' ') + "9\n"), 9);
    // 126 blanks and the digit make one attempt; the line feed is the next.
    EXPECT_EQ(ask(1, 0, std::string(126, ' ') + "9\n"), 9);
    EXPECT_EQ(ask(1, 0, std::string(126, 'x') + "9\n"), std::nullopt);
}

TEST(AskThreshold, GivesUpWhenTheInputEnds) {
    EXPECT_EQ(ask(1, 0, ""), std::nullopt);
    EXPECT_EQ(ask(1, 0, "0\n-1\nabc\n"), std::nullopt);
    EXPECT_EQ(ask(3, int_max, "99999999999\n"), std::nullopt);
    EXPECT_EQ(ask(1, 0, "7"), 7);
}

TEST(AskThresholds, ChainsTheFloors) {
    const struct {
        std::string input;
        std::optional<std::int32_t> t1, t2, t3;
    } cases[] = {
        {"5\n10\n20\n", 5, 10, 20},
        {"5\n3\n5\n10\n10\n20\n", 5, 10, 20},
        {"1\n2\n3", 1, 2, 3},
        {"5 10 20\n11\n21\n", 5, 11, 21},
        {"99999999999\n2147483647\n1\n", std::nullopt, {}, {}},
        {"5\n10\n", std::nullopt, {}, {}},
        {"", std::nullopt, {}, {}},
    };
    for (const auto& c : cases) {
        std::istringstream in(c.input);
        std::ostringstream out;
        const auto limits = ask_thresholds(in, out);
        ASSERT_EQ(limits.has_value(), c.t1.has_value()) << c.input;
        if (limits) {
            EXPECT_EQ(limits->t1, c.t1);
            EXPECT_EQ(limits->t2, c.t2);
            EXPECT_EQ(limits->t3, c.t3);
            EXPECT_EQ(out.str(), three_prompts);
        }
    }
}

}  // namespace
