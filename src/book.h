// The book: a flat file of 20-byte records, and the operations on it.
#pragma once

#include <array>
#include <cstdint>
#include <fstream>
#include <optional>

// Looked up in the current directory; the name is fixed.
inline constexpr const char* book_name = "booknewformat358.bin";

inline constexpr std::int64_t record_size = 20;

// One record. Bytes 0-11 are opaque, 12-15 hold `frequency` and 16-19
// `learning_value`, both signed 32-bit little-endian.
struct book_record {
    std::array<unsigned char, 12> leading;
    std::int32_t frequency;
    std::int32_t learning_value;
};

using record_bytes = std::array<char, record_size>;

// The record's fields from its 20 bytes as stored, and back; the byte order is
// little-endian whatever the host's.
book_record decode_record(const record_bytes& bytes);
record_bytes encode_record(const book_record& record);

// The book's stream buffer. A write that fails can leave its bytes in the
// buffer, and closing would try them again at whatever file position the
// failure left behind.
class book_filebuf : public std::filebuf {
  public:
    // Forgets output the buffer still holds, so nothing can write it later.
    void drop_pending_output() { setp(pbase(), epptr()); }
};

enum class open_result { opened, cannot_open, not_regular_file };

// Opens an existing regular file for reading and writing in binary mode; it is
// never created or truncated. Anything else at `path` (a device, a FIFO) is
// left unopened. A symbolic link is followed.
open_result open_book(book_filebuf& book, const char* path);

// The number of whole records, from the size of the file; a remainder under
// 20 bytes does not count. Leaves the stream at the end. nullopt when the size
// cannot be had.
std::optional<std::int64_t> count_records(std::iostream& book_file);

// Positions at record `index` and reads its 20 bytes. nullopt when positioning
// fails or fewer than 20 bytes arrive.
std::optional<book_record> read_record(std::iostream& book_file, std::int64_t index);

// Positions at record `index`, writes all 20 bytes and flushes them to the
// operating system. false when any of the three fails.
bool write_record(std::iostream& book_file, std::int64_t index, const book_record& record);
