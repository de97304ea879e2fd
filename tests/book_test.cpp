#include "book.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "test_support.h"

namespace {

TEST(Record, DecodesLittleEndianSignedFields) {
    record_bytes bytes{};
    for (std::size_t i = 0; i < 12; ++i) {
        bytes[i] = static_cast<char>(0xF0 + i);
    }
    const char tail[] = {'\xFF', '\xFF', '\xFF', '\xFF', '\x02', '\x01', '\x00', '\x80'};
    std::copy(std::begin(tail), std::end(tail), bytes.begin() + 12);

    const book_record record = decode_record(bytes);
    EXPECT_EQ(record.frequency, -1);
    EXPECT_EQ(record.learning_value, static_cast<std::int32_t>(0x80000102u));
    EXPECT_EQ(record.leading[0], 0xF0);
    EXPECT_EQ(record.leading[11], 0xFB);
    EXPECT_EQ(encode_record(record), bytes);
}

TEST(Record, EncodesLearningValueTwoAsLittleEndian) {
    const book_record record{{}, 300, 2};
    const record_bytes bytes = encode_record(record);
    EXPECT_EQ(std::string(bytes.data() + 12, 8), std::string("\x2C\x01\0\0\x02\0\0\0", 8));
}

struct opened_book {
    book_filebuf buffer;
    std::iostream stream{&buffer};
    explicit opened_book(const fs::path& path) {
        EXPECT_EQ(open_book(buffer, path.c_str()), open_result::opened);
    }
};

TEST(CountRecords, CountsOnlyWholeRecords) {
    temp_dir dir;
    const std::pair<std::size_t, std::int64_t> cases[] = {
        {0, 0}, {19, 0}, {20, 1}, {41, 2}, {45, 2}};
    for (const auto& [size, count] : cases) {
        write_file(dir.path / "book", std::string(size, '\x5A'));
        opened_book book(dir.path / "book");
        EXPECT_EQ(count_records(book.stream), count) << size << " bytes";
    }
}

TEST(ReadWriteRecord, TouchOnlyTheirOwnTwentyBytes) {
    temp_dir dir;
    const std::string before = random_book({1, 2, 3}, 7) + "tail";
    write_file(dir.path / "book", before);
    {
        opened_book book(dir.path / "book");
        const auto record = read_record(book.stream, 1);
        ASSERT_TRUE(record);
        EXPECT_EQ(encode_record(*record), [&] {
            record_bytes bytes;
            std::copy_n(before.begin() + 20, 20, bytes.begin());
            return bytes;
        }());
        book_record changed = *record;
        changed.learning_value = 3;
        EXPECT_TRUE(write_record(book.stream, 1, changed));
        EXPECT_EQ(read_record(book.stream, 1)->learning_value, 3);
        // Past the last whole record only the tail is left: a short read.
        EXPECT_FALSE(read_record(book.stream, 3));
    }
    std::string expected = before;
    expected.replace(36, 4, std::string("\x03\0\0\0", 4));
    EXPECT_EQ(read_file(dir.path / "book"), expected);
}

TEST(OpenBook, NeverCreatesAndRefusesWhatIsNoRegularFile) {
    temp_dir dir;
    book_filebuf book;
    EXPECT_EQ(open_book(book, (dir.path / "missing").c_str()), open_result::cannot_open);
    EXPECT_FALSE(fs::exists(dir.path / "missing"));
    EXPECT_EQ(open_book(book, dir.path.c_str()), open_result::not_regular_file);
    EXPECT_EQ(open_book(book, "/dev/null"), open_result::not_regular_file);
}

// Sparse, so it costs no disk: records just below, across and above 2^31 and
// 2^32 bytes land at their own offsets.
TEST(LargeBook, PositionsPastThirtyTwoBits) {
    temp_dir dir;
    const fs::path path = dir.path / "book";
    constexpr std::int64_t size = (std::int64_t{5} << 30) + 7;
    write_file(path, "");
    fs::resize_file(path, static_cast<std::uintmax_t>(size));

    const std::int64_t indexes[] = {0,         107374181, 107374182, 107374183,
                                    214748363, 214748364, 214748365, size / 20 - 1};
    opened_book book(path);
    EXPECT_EQ(count_records(book.stream), size / 20);
    for (const std::int64_t index : indexes) {
        book_record record{};
        record.leading.fill(static_cast<unsigned char>(index & 0x7F));
        record.frequency = static_cast<std::int32_t>(index);
        record.learning_value = -static_cast<std::int32_t>(index);
        ASSERT_TRUE(write_record(book.stream, index, record)) << index;
    }
    const int fd = open(path.c_str(), O_RDONLY);
    ASSERT_GE(fd, 0);
    for (const std::int64_t index : indexes) {
        record_bytes bytes;
        ASSERT_EQ(pread(fd, bytes.data(), 20, index * 20), 20);
        EXPECT_EQ(decode_record(bytes).frequency, static_cast<std::int32_t>(index));
        const auto record = read_record(book.stream, index);
        ASSERT_TRUE(record);
        EXPECT_EQ(record->learning_value, -static_cast<std::int32_t>(index));
    }
    close(fd);
    struct stat status {};
    ASSERT_EQ(stat(path.c_str(), &status), 0);
    EXPECT_EQ(status.st_size, size);
}

}  // namespace
