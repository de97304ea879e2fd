#include "update.h"

#include <gtest/gtest.h>

#include <limits>

#include "test_support.h"

namespace {

TEST(LearningValueFor, GivesEachFrequencyTheLevelItReaches) {
    const std::int32_t frequencies[] = {-1, 0, 4, 5, 9, 10, 19, 20, 500};
    const std::int32_t values[] = {0, 0, 0, 1, 1, 2, 2, 3, 3};
    for (std::size_t i = 0; i < std::size(frequencies); ++i) {
        EXPECT_EQ(learning_value_for(frequencies[i], 5, 10, 20), values[i]) << frequencies[i];
    }
}

TEST(LearningValueFor, ComparesSignedAtTheBounds) {
    constexpr std::int32_t int_max = std::numeric_limits<std::int32_t>::max();
    constexpr std::int32_t int_min = std::numeric_limits<std::int32_t>::min();
    EXPECT_EQ(learning_value_for(int_min, 1, 2, 3), 0);
    EXPECT_EQ(learning_value_for(int_max, 1, 2, int_max), 3);
    EXPECT_EQ(learning_value_for(int_max - 1, 1, 2, int_max), 2);
    // Tested from level 3 down: the highest level reached wins.
    EXPECT_EQ(learning_value_for(7, 1, 8, 7), 3);
}

}  // namespace

namespace {

// The stream's own steps made to fail once: putting the record into the
// buffer (a short count), and handing the buffer over (the flush).
struct flaky_filebuf : book_filebuf {
    int put_calls = 0;
    int sync_calls = 0;
    int short_put_at = 0;
    int failed_sync_at = 0;

  protected:
    std::streamsize xsputn(const char* bytes, std::streamsize count) override {
        if (++put_calls == short_put_at) {
            return book_filebuf::xsputn(bytes, 7);
        }
        return book_filebuf::xsputn(bytes, count);
    }
    int sync() override {
        if (++sync_calls == failed_sync_at) {
            return -1;
        }
        return book_filebuf::sync();
    }
};

TEST(UpdateBook, StreamFailuresStopThePassWithTheRecordAsItWas) {
    temp_dir dir;
    const fs::path path = dir.path / "book";
    const std::string before = random_book(6, 51) + "rest";
    const std::string after_pass = updated_book(before, 5, 10, 20);
    const struct {
        int short_put_at;
        int failed_sync_at;
        std::size_t records_updated;
    } cases[] = {{1, 0, 0}, {4, 0, 3}, {6, 0, 5}, {0, 1, 0}, {0, 3, 2}, {0, 6, 5}};
    for (const auto& c : cases) {
        write_file(path, before);
        flaky_filebuf book;
        book.short_put_at = c.short_put_at;
        book.failed_sync_at = c.failed_sync_at;
        ASSERT_EQ(open_book(book, path.c_str()), open_result::opened);
        EXPECT_EQ(update_book(book, {5, 10, 20}), exit_book_failed);
        EXPECT_EQ(read_file(path), after_pass.substr(0, 20 * c.records_updated) +
                                       before.substr(20 * c.records_updated))
            << c.short_put_at << " " << c.failed_sync_at;
    }
}

TEST(UpdateBook, UpdatesEveryRecordAndClosesTheBook) {
    temp_dir dir;
    const fs::path path = dir.path / "book";
    const std::string before = random_book(6, 53) + "rest";
    write_file(path, before);
    book_filebuf book;
    ASSERT_EQ(open_book(book, path.c_str()), open_result::opened);
    EXPECT_EQ(update_book(book, {5, 10, 20}), exit_updated);
    EXPECT_FALSE(book.is_open());
    EXPECT_EQ(read_file(path), updated_book(before, 5, 10, 20));
}

}  // namespace
