// Arbitrary bytes as standard input to the whole dialogue. The thresholds and
// the prompts written must equal those of a model of the rules built another
// way: memchr for the 127-character attempts, strtoll with clamping for the
// values.
#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <sstream>
#include <string>

#include "dialogue.h"

namespace {

struct model_result {
    bool accepted = false;
    std::int32_t limits[3] = {0, 0, 0};
    std::string output;
};

model_result model(const std::uint8_t* data, std::size_t size) {
    model_result result;
    std::size_t position = 0;
    std::int32_t floor = 0;
    for (int level = 1; level <= 3; ++level) {
        result.output +=
            "enter min frequency to have learning value  " + std::to_string(level) + "\n";
        bool found = false;
        while (!found && position < size) {
            const std::size_t window = std::min<std::size_t>(127, size - position);
            const void* line_end = std::memchr(data + position, '\n', window);
            const std::size_t length =
                line_end ? static_cast<std::size_t>(static_cast<const std::uint8_t*>(line_end) -
                                                    (data + position)) +
                               1
                         : window;
            // As a C string, so an embedded NUL ends the text as it ends the number.
            const std::string attempt(reinterpret_cast<const char*>(data + position), length);
            position += length;
            errno = 0;
            long long value = std::strtoll(attempt.c_str(), nullptr, 10);
            value = std::max<long long>(std::min<long long>(value, INT32_MAX), INT32_MIN);
            if (value > floor) {
                floor = static_cast<std::int32_t>(value);
                result.limits[level - 1] = floor;
                found = true;
            }
        }
        if (!found) {
            return result;
        }
    }
    result.accepted = true;
    return result;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::istringstream in(std::string(reinterpret_cast<const char*>(data), size));
    std::ostringstream out;
    const auto limits = ask_thresholds(in, out);
    const model_result expected = model(data, size);
    if (limits.has_value() != expected.accepted || out.str() != expected.output) {
        std::abort();
    }
    if (limits && (limits->t1 != expected.limits[0] || limits->t2 != expected.limits[1] ||
                   limits->t3 != expected.limits[2])) {
        std::abort();
    }
    if (limits && !(1 <= limits->t1 && limits->t1 < limits->t2 && limits->t2 < limits->t3)) {
        std::abort();
    }
    return 0;
}
