#include "sample_book.h"

#include <cmath>
#include <fstream>
#include <random>
#include <vector>

#include "book.h"

bool write_sample_book(const char* path, std::int64_t records, std::uint64_t seed) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    std::mt19937_64 random(seed);
    // Log-uniform: about as many records from 1 to 10 as from 100 to 1000.
    std::uniform_real_distribution<double> log_frequency(0.0, std::log(1000.0));
    std::vector<char> block;
    constexpr std::size_t block_records = 1 << 16;
    for (std::int64_t i = 0; i < records; ++i) {
        book_record record{};
        for (auto& byte : record.leading) {
            byte = static_cast<unsigned char>(random() & 0xFF);
        }
        record.frequency = static_cast<std::int32_t>(std::exp(log_frequency(random))) - 1;
        record.learning_value = static_cast<std::int32_t>(random() % 4);
        const record_bytes bytes = encode_record(record);
        block.insert(block.end(), bytes.begin(), bytes.end());
        if (block.size() == block_records * record_size || i + 1 == records) {
            out.write(block.data(), static_cast<std::streamsize>(block.size()));
            block.clear();
        }
    }
    return static_cast<bool>(out.flush());
}
