#include "book_scan.h"

#include <algorithm>
#include <istream>

#include "book.h"
#include "update.h"

std::optional<book_scan> scan_book(std::istream& in, const std::optional<thresholds>& limits) {
    book_scan scan;
    // Sized up front: growing the vector would need twice the memory.
    in.seekg(0, std::ios::end);
    const std::streamoff size = in.tellg();
    in.seekg(0);
    if (!in) {
        return std::nullopt;
    }
    scan.frequencies.reserve(
        static_cast<std::size_t>(std::max<std::streamoff>(size, 0) / record_size));
    // A whole number of records per block, so only the last one can end in
    // a remainder.
    constexpr std::size_t block_records = 1 << 16;
    std::vector<char> block(block_records * record_size);
    while (in) {
        in.read(block.data(), static_cast<std::streamsize>(block.size()));
        const auto got = static_cast<std::size_t>(in.gcount());
        scan.size += static_cast<std::int64_t>(got);
        for (std::size_t offset = 0; offset + record_size <= got; offset += record_size) {
            record_bytes bytes;
            std::copy_n(block.begin() + static_cast<std::ptrdiff_t>(offset), record_size,
                        bytes.begin());
            const book_record record = decode_record(bytes);
            scan.frequencies.push_back(record.frequency);
            const bool usual = record.learning_value >= 0 && record.learning_value <= 3;
            ++scan.current[usual ? static_cast<std::size_t>(record.learning_value)
                                 : other_learning_value];
            if (limits) {
                const std::int32_t value =
                    learning_value_for(record.frequency, limits->t1, limits->t2, limits->t3);
                ++scan.preview[static_cast<std::size_t>(value)];
                scan.would_change += value != record.learning_value ? 1 : 0;
            }
        }
    }
    if (in.bad()) {
        return std::nullopt;
    }
    return scan;
}

std::int32_t percentile(std::vector<std::int32_t>& values, int percent) {
    const auto n = static_cast<std::int64_t>(values.size());
    const std::int64_t rank = std::max<std::int64_t>(1, (n * percent + 99) / 100);
    const auto nth = values.begin() + (rank - 1);
    std::nth_element(values.begin(), nth, values.end());
    return *nth;
}
