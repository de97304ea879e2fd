// Opt-in (label "large"): one whole pass of the binary over a sparse book of
// more than 4 GiB. Takes minutes and fills the book's sparse holes on disk.
#include <fcntl.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "test_support.h"

namespace {

TEST(LargeBook, WholePassPastFourGiB) {
    temp_dir dir;
    const fs::path book = dir.path / "booknewformat358.bin";
    constexpr std::int64_t size = (std::int64_t{1} << 32) + (std::int64_t{1} << 28) + 7;
    constexpr std::int64_t count = size / 20;
    const std::int64_t marked[] = {0,         107374181, 107374182, 107374183,
                                   214748363, 214748364, 214748365, count - 1};
    write_file(book, "");
    fs::resize_file(book, static_cast<std::uintmax_t>(size));
    const int fd = open(book.c_str(), O_RDWR);
    ASSERT_GE(fd, 0);
    for (const std::int64_t index : marked) {
        const std::string record = record_of("marked-rec-" + std::to_string(index % 10), 500, 9);
        ASSERT_EQ(pwrite(fd, record.data(), 20, index * 20), 20);
    }
    ASSERT_EQ(pwrite(fd, "tail!!!", 7, count * 20), 7);

    run_options options;
    options.input = "5\n10\n20\n";
    ASSERT_EQ(run_program(dir.path, options, 3000).status, 0);

    for (const std::int64_t index : marked) {
        std::string record(20, '\0');
        ASSERT_EQ(pread(fd, record.data(), 20, index * 20), 20);
        EXPECT_EQ(record, record_of("marked-rec-" + std::to_string(index % 10), 500, 3)) << index;
    }
    for (const std::int64_t index : {std::int64_t{1}, std::int64_t{107374180}, count - 2}) {
        std::string record(20, '\1');
        ASSERT_EQ(pread(fd, record.data(), 20, index * 20), 20);
        EXPECT_EQ(record, std::string(20, '\0')) << index;
    }
    std::string tail(7, '\0');
    ASSERT_EQ(pread(fd, tail.data(), 7, count * 20), 7);
    EXPECT_EQ(tail, "tail!!!");
    EXPECT_EQ(lseek(fd, 0, SEEK_END), size);
    close(fd);
}

}  // namespace
