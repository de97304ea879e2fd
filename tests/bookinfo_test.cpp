// bookinfo through its binary: what it shows, that its preview is what
// booklearn then writes, and that it never writes.
#include <gtest/gtest.h>

#include "test_support.h"

namespace {

struct bookinfo_run : testing::Test {
    temp_dir dir;
    fs::path book = dir.path / "booknewformat358.bin";

    run_result bookinfo(std::vector<std::string> arguments, bool as_nobody = false) {
        run_options options;
        options.program = BOOKINFO_BINARY;
        options.arguments = std::move(arguments);
        options.as_nobody = as_nobody;
        return run_program(dir.path, options);
    }
};

TEST_F(bookinfo_run, ShowsCountsSpreadAndLearningValues) {
    std::string before;
    const std::int32_t frequencies[] = {-1, 0, 4, 5, 9, 10, 19, 20, 500, 7};
    const std::int32_t values[] = {0, 0, 1, 1, 2, 3, 3, 3, 9, -4};
    for (std::size_t i = 0; i < std::size(frequencies); ++i) {
        before += record_of("abcdefghijkl", frequencies[i], values[i]);
    }
    write_file(book, before + "xyz");
    const run_result result = bookinfo({});
    EXPECT_EQ(result.status, 0) << result.errors;
    const std::string& out = result.output;
    EXPECT_NE(out.find("203 bytes, 10 records, 3 trailing bytes"), std::string::npos) << out;
    EXPECT_NE(out.find("min -1  max 500"), std::string::npos) << out;
    EXPECT_NE(out.find("p10 -1  p25 4  p50 7  p75 19  p90 20  p99 500"), std::string::npos) << out;
    EXPECT_NE(out.find("  0                         2    20.0%  ########\n"), std::string::npos)
        << out;
    EXPECT_NE(out.find("  3                         3    30.0%  ############\n"), std::string::npos)
        << out;
    EXPECT_NE(out.find("  other                     2    20.0%"), std::string::npos) << out;
    EXPECT_EQ(out.find("with thresholds"), std::string::npos);
    EXPECT_EQ(read_file(book), before + "xyz");
}

TEST_F(bookinfo_run, PreviewIsWhatBooklearnThenWrites) {
    const std::string before = random_book(1000, 41);
    write_file(book, before);
    const run_result preview = bookinfo({"6", "12", "25"});
    ASSERT_EQ(preview.status, 0) << preview.errors;
    const auto table_start = preview.output.find("with thresholds 6 12 25\n");
    ASSERT_NE(table_start, std::string::npos) << preview.output;

    run_options options;
    options.input = "6\n12\n25\n";
    ASSERT_EQ(run_program(dir.path, options).status, 0);
    const std::string after = read_file(book);
    std::size_t changed = 0;
    for (std::size_t i = 0; i < 1000; ++i) {
        changed += learning_value_at(after, i) != learning_value_at(before, i) ? 1u : 0u;
    }
    EXPECT_NE(preview.output.find(std::to_string(changed) + " of 1000 records would change"),
              std::string::npos)
        << preview.output;

    // What the preview promised for each value is what the book now holds.
    const run_result now = bookinfo({book.string()});
    ASSERT_EQ(now.status, 0);
    const std::string promised = preview.output.substr(table_start);
    for (const char* row : {"\n  0 ", "\n  1 ", "\n  2 ", "\n  3 "}) {
        const auto at = now.output.find(row);
        ASSERT_NE(at, std::string::npos);
        const std::string line = now.output.substr(at, now.output.find('\n', at + 1) - at);
        EXPECT_NE(promised.find(line), std::string::npos) << line << " not in " << promised;
    }
}

TEST_F(bookinfo_run, ReadsAReadOnlyBookAndAnEmptyOne) {
    write_file(book, "");
    EXPECT_EQ(bookinfo({}).status, 0);
    write_file(book, random_book(5, 43));
    fs::permissions(book, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    const run_result result = bookinfo({}, true);
    EXPECT_EQ(result.status, 0) << result.errors;
    EXPECT_NE(result.output.find("100 bytes, 5 records\n"), std::string::npos) << result.output;
}

TEST_F(bookinfo_run, ErrorsNameTheFileAndTheReason) {
    fs::create_symlink("/dev/zero", dir.path / "device.bin");
    write_file(dir.path / "secret.bin", random_book(2, 45));
    fs::permissions(dir.path / "secret.bin", fs::perms::owner_write);
    const struct {
        std::vector<std::string> arguments;
        bool as_nobody;
        int status;
        std::string error;
    } cases[] = {
        {{}, false, 1, "bookinfo: booknewformat358.bin: No such file or directory\n"},
        {{"device.bin"}, false, 1, "bookinfo: device.bin: not a regular file\n"},
        {{"secret.bin"}, true, 1, "bookinfo: secret.bin: Permission denied\n"},
        {{"5", "5", "6"}, false, 2, "bookinfo: thresholds must be whole numbers"},
        {{"x.bin", "0", "5", "6"}, false, 2, "bookinfo: thresholds must be whole numbers"},
        {{"5", "10", "2x"}, false, 2, "bookinfo: thresholds must be whole numbers"},
        {{"a", "b"}, false, 2, "usage: bookinfo"},
    };
    for (const auto& c : cases) {
        const run_result result = bookinfo(c.arguments, c.as_nobody);
        EXPECT_EQ(result.status, c.status) << c.error;
        EXPECT_EQ(result.errors.substr(0, c.error.size()), c.error);
        EXPECT_EQ(result.output, "");
    }
    const run_result help = bookinfo({"--help"});
    EXPECT_EQ(help.status, 0);
    EXPECT_EQ(help.output.rfind("usage: bookinfo [BOOK] [T1 T2 T3]\n", 0), 0u);
}

}  // namespace
