// The real binary in a temp directory: bytes in, exit status and bytes out.
#include <sys/stat.h>
#include <sys/sysmacros.h>

#include <gtest/gtest.h>

#include "test_support.h"

namespace {

const char* const thresholds_5_10_20 = "5\n10\n20\n";

struct booklearn_run : testing::Test {
    temp_dir dir;
    fs::path book = dir.path / "booknewformat358.bin";

    run_result run(const std::string& input) {
        run_options options;
        options.input = input;
        return run_program(dir.path, options);
    }
};

TEST_F(booklearn_run, GradesEveryRecordAndKeepsItsOtherBytes) {
    const std::vector<std::int32_t> frequencies = {-1, 0, 4, 5, 9, 10, 19, 20, 500};
    const std::int32_t expected[] = {0, 0, 0, 1, 1, 2, 2, 3, 3};
    std::string before = random_book(frequencies, 1);
    before.replace(16, 4, std::string("\x07\0\0\0", 4));  // a prior 7 below T1
    write_file(book, before);

    const run_result result = run(thresholds_5_10_20);
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.output, three_prompts);
    const std::string after = read_file(book);
    ASSERT_EQ(after.size(), before.size());
    for (std::size_t i = 0; i < frequencies.size(); ++i) {
        EXPECT_EQ(after.substr(i * 20, 16), before.substr(i * 20, 16)) << "record " << i;
        EXPECT_EQ(learning_value_at(after, i), expected[i]) << "record " << i;
    }
    EXPECT_EQ(after.substr(3 * 20 + 16, 4), std::string("\x01\0\0\0", 4));
}

TEST_F(booklearn_run, LeavesARemainderUnderTwentyBytesUntouched) {
    for (const std::size_t size : {0u, 19u, 20u, 41u, 45u}) {
        const std::string full = random_book(3, static_cast<unsigned>(size));
        const std::string before = full.substr(0, size);
        write_file(book, before);
        EXPECT_EQ(run(thresholds_5_10_20).status, 0) << size << " bytes";
        EXPECT_EQ(read_file(book), updated_book(before, 5, 10, 20)) << size << " bytes";
    }
}

TEST_F(booklearn_run, SecondRunWithTheSameThresholdsChangesNothing) {
    write_file(book, random_book(500, 3) + "xyz");
    ASSERT_EQ(run(thresholds_5_10_20).status, 0);
    const std::string once = read_file(book);
    ASSERT_EQ(run(thresholds_5_10_20).status, 0);
    EXPECT_EQ(read_file(book), once);
}

TEST_F(booklearn_run, AcceptsAnswersAsTheDialogueRulesSay) {
    // Frequencies that show which thresholds were taken.
    const std::vector<std::int32_t> probes = {1, 2, 5, 8, 9, 10, 11, 19, 20, 21};
    const struct {
        std::string input;
        std::int32_t t1, t2, t3;
    } cases[] = {
        {"abc\n\n0\n-3\n5\n10\n20\n", 5, 10, 20},
        {std::string(127, 'x') + "9\n10\n20\n", 9, 10, 20},
        {"5\r\n10\r\n20\r\n", 5, 10, 20},
        {"  \t2abc\n+11\n0x1F\n19", 2, 11, 19},
        {std::string(1, '\0') + "1\n8\n8\n9\n21\n", 8, 9, 21},
    };
    for (const auto& c : cases) {
        const std::string before = random_book(probes, 5);
        write_file(book, before);
        const run_result result = run(c.input);
        EXPECT_EQ(result.status, 0) << c.input;
        EXPECT_EQ(result.output, three_prompts) << c.input;
        EXPECT_EQ(read_file(book), updated_book(before, c.t1, c.t2, c.t3)) << c.input;
    }
}

TEST_F(booklearn_run, InputEndingEarlyLeavesTheBookUnopened) {
    const std::string before = random_book(10, 9);
    write_file(book, before);
    const struct {
        std::string input;
        std::size_t prompts;
    } cases[] = {
        {"", 1},
        {"5\n", 2},
        {"5\n10\n", 3},
        {"5\n10\n10\n", 3},
        {"99999999999\n2147483647\n", 2},
        {std::string(5 << 20, '7') + "\n", 2},
    };
    for (const auto& c : cases) {
        const run_result result = run(c.input);
        EXPECT_EQ(result.status, 2) << c.input.substr(0, 20);
        EXPECT_EQ(result.output, three_prompts.substr(0, 46 * c.prompts));
        EXPECT_EQ(read_file(book), before);
    }
    run_options from_null;
    from_null.input_path = "/dev/null";
    EXPECT_EQ(run_program(dir.path, from_null).status, 2);
    run_options closed;
    closed.close_stdin = true;
    EXPECT_EQ(run_program(dir.path, closed).status, 2);
    EXPECT_EQ(read_file(book), before);
}

TEST_F(booklearn_run, MissingBookIsNotCreated) {
    const run_result result = run(thresholds_5_10_20);
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.output, three_prompts);
    EXPECT_FALSE(fs::exists(fs::symlink_status(book)));
}

TEST_F(booklearn_run, ReadOnlyBookIsLeftAsItWas) {
    const std::string before = random_book(10, 11);
    write_file(book, before);
    fs::permissions(book, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    run_options options;
    options.input = thresholds_5_10_20;
    options.as_nobody = true;
    const run_result result = run_program(dir.path, options);
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.output, three_prompts);
    EXPECT_EQ(read_file(book), before);
}

TEST_F(booklearn_run, ArgumentsAreIgnored) {
    const std::string before = random_book(10, 13);
    write_file(book, before);
    run_options options;
    options.input = thresholds_5_10_20;
    options.arguments = {"--help", "other.bin"};
    const run_result result = run_program(dir.path, options);
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.output, three_prompts);
    EXPECT_EQ(read_file(book), updated_book(before, 5, 10, 20));
}

TEST_F(booklearn_run, FollowsALinkToARegularBook) {
    const std::string before = random_book(10, 15);
    write_file(dir.path / "elsewhere.bin", before);
    fs::create_symlink(dir.path / "elsewhere.bin", book);
    EXPECT_EQ(run(thresholds_5_10_20).status, 0);
    EXPECT_EQ(read_file(dir.path / "elsewhere.bin"), updated_book(before, 5, 10, 20));
}

TEST_F(booklearn_run, RefusesWhatIsNoRegularFile) {
    for (const char* device : {"/dev/zero", "/dev/null"}) {
        fs::create_symlink(device, book);
        const run_result result = run(thresholds_5_10_20);
        EXPECT_EQ(result.status, 3) << device;
        EXPECT_EQ(result.output, three_prompts);
        fs::remove(book);
    }
    ASSERT_EQ(mkfifo(book.c_str(), 0666), 0);
    EXPECT_EQ(run(thresholds_5_10_20).status, 3) << "FIFO";
    fs::remove(book);
    fs::create_directory(book);
    EXPECT_EQ(run(thresholds_5_10_20).status, 3) << "directory";
}

// A block device node over a loop device would be rewritten 4 bytes in 20; it
// must not even be read.
TEST_F(booklearn_run, RefusesABlockDevice) {
    if (mknod(book.c_str(), S_IFBLK | 0600, makedev(7, 0)) != 0) {
        GTEST_SKIP() << "this sandbox cannot make a block device node";
    }
    EXPECT_EQ(run(thresholds_5_10_20).status, 3);
}

}  // namespace
