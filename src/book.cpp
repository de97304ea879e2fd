#include "book.h"

#include <filesystem>
#include <istream>
#include <system_error>

namespace {

std::int32_t load_le32(const char* p) {
    std::uint32_t value = 0;
    for (int i = 3; i >= 0; --i) {
        value = (value << 8) | static_cast<unsigned char>(p[i]);
    }
    return static_cast<std::int32_t>(value);
}

void store_le32(char* p, std::int32_t value) {
    auto bits = static_cast<std::uint32_t>(value);
    for (int i = 0; i < 4; ++i, bits >>= 8) {
        p[i] = static_cast<char>(bits & 0xFFu);
    }
}

constexpr std::size_t frequency_offset = 12;
constexpr std::size_t learning_value_offset = 16;

}  // namespace

book_record decode_record(const record_bytes& bytes) {
    book_record record{};
    for (std::size_t i = 0; i < record.leading.size(); ++i) {
        record.leading[i] = static_cast<unsigned char>(bytes[i]);
    }
    record.frequency = load_le32(bytes.data() + frequency_offset);
    record.learning_value = load_le32(bytes.data() + learning_value_offset);
    return record;
}

record_bytes encode_record(const book_record& record) {
    record_bytes bytes{};
    for (std::size_t i = 0; i < record.leading.size(); ++i) {
        bytes[i] = static_cast<char>(record.leading[i]);
    }
    store_le32(bytes.data() + frequency_offset, record.frequency);
    store_le32(bytes.data() + learning_value_offset, record.learning_value);
    return bytes;
}

open_result open_book(book_filebuf& book, const char* path) {
    // The stream cannot say what it opened, so the path is looked at just
    // before: opening a device or a FIFO is already touching it.
    std::error_code error;
    switch (std::filesystem::status(path, error).type()) {
        case std::filesystem::file_type::regular:
            break;
        case std::filesystem::file_type::not_found:
        case std::filesystem::file_type::none:
            return open_result::cannot_open;
        default:
            return open_result::not_regular_file;
    }
    if (book.open(path, std::ios::in | std::ios::out | std::ios::binary) == nullptr) {
        return open_result::cannot_open;
    }
    return open_result::opened;
}

std::optional<std::int64_t> count_records(std::iostream& book_file) {
    book_file.seekg(0, std::ios::end);
    const std::streamoff size = book_file.tellg();
    if (!book_file || size < 0) {
        return std::nullopt;
    }
    return size / record_size;
}

std::optional<book_record> read_record(std::iostream& book_file, std::int64_t index) {
    record_bytes bytes;
    if (!book_file.seekg(index * record_size) || !book_file.read(bytes.data(), record_size)) {
        return std::nullopt;
    }
    return decode_record(bytes);
}

bool write_record(std::iostream& book_file, std::int64_t index, const book_record& record) {
    const record_bytes bytes = encode_record(record);
    return book_file.seekp(index * record_size) && book_file.write(bytes.data(), record_size) &&
           book_file.flush();
}
