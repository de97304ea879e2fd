// Synthetic books, for the demo and the benchmark.
#pragma once

#include <cstdint>

// Writes a book of `records` records to `path`, replacing any file there:
// random leading bytes, frequencies spread from 0 to 999 with small ones
// the most common, prior learning values 0 to 3. The same seed gives the same
// book. false when the file cannot be written.
bool write_sample_book(const char* path, std::int64_t records, std::uint64_t seed);
