// Faults on the book, through the real binary: every system call on it made
// to fail in turn, a file-size limit, and a kill during the pass. After each
// the book must be updated up to some record and untouched from there on.
#include <signal.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <fstream>
#include <random>
#include <sstream>
#include <thread>

#include "test_support.h"

namespace {

const char* const answers = "5\n10\n20\n";
constexpr std::size_t records = 6;

// The records before `prefix` updated, the rest of the book as it was.
std::string updated_before(const std::string& before, const std::string& after_pass,
                           std::size_t prefix) {
    return after_pass.substr(0, prefix * 20) + before.substr(prefix * 20);
}

// Every byte of every logged write must be the byte as read or the byte as
// updated at that offset, inside one whole record.
void expect_writes_from_their_own_record(const fs::path& log, const std::string& before,
                                         const std::string& after_pass) {
    std::ifstream in(log);
    std::string line;
    while (std::getline(in, line)) {
        std::istringstream fields(line);
        long long offset = 0;
        std::string hex;
        fields >> offset >> hex;
        const std::size_t first = static_cast<std::size_t>(offset);
        const std::size_t size = hex.size() / 2;
        ASSERT_EQ(first / 20, (first + size - 1) / 20) << "write across records: " << line;
        ASSERT_LE(first + size, before.size() / 20 * 20) << "write past the records: " << line;
        for (std::size_t i = 0; i < size; ++i) {
            const char byte = static_cast<char>(std::stoi(hex.substr(2 * i, 2), nullptr, 16));
            ASSERT_TRUE(byte == before[first + i] || byte == after_pass[first + i])
                << "byte at " << first + i << " came from nowhere: " << line;
        }
    }
}

struct fault {
    std::string op;
    long at;
    std::string kind;
    std::size_t records_updated;
};

// Per record the stream makes a seek and a read, then a seek and a write;
// sizing the book takes two seeks first.
std::vector<fault> every_fault() {
    std::vector<fault> faults;
    for (const char* kind : {"error", "short"}) {
        for (long k = 1; k <= static_cast<long>(records); ++k) {
            faults.push_back({"read", k, kind, static_cast<std::size_t>(k - 1)});
            faults.push_back({"write", k, kind, static_cast<std::size_t>(k - 1)});
        }
    }
    for (long k = 1; k <= 2 + 2 * static_cast<long>(records); ++k) {
        faults.push_back({"seek", k, "error", k <= 2 ? 0 : static_cast<std::size_t>(k - 3) / 2});
    }
    faults.push_back({"close", 1, "error", records});
    return faults;
}

TEST(Faults, EveryFailedCallStopsThePassCleanly) {
    temp_dir dir;
    const fs::path book = dir.path / "booknewformat358.bin";
    const std::string before = random_book(records, 21) + "tail!";
    const std::string after_pass = updated_book(before, 5, 10, 20);
    for (std::size_t i = 0; i < records; ++i) {
        ASSERT_NE(before.substr(i * 20, 20), after_pass.substr(i * 20, 20));
    }

    for (const fault& f : every_fault()) {
        const std::string name = f.op + " " + std::to_string(f.at) + " " + f.kind;
        write_file(book, before);
        fs::remove(dir.path / "writes");
        run_options options;
        options.input = answers;
        options.environment = {"LD_PRELOAD=" BOOKLEARN_FAULT_SHIM, "BOOKLEARN_FAULT=" + name,
                               "BOOKLEARN_WRITE_LOG=" + (dir.path / "writes").string(),
                               "ASAN_OPTIONS=verify_asan_link_order=0"};
        const run_result result = run_program(dir.path, options);
        EXPECT_EQ(result.status, 3) << name;
        EXPECT_EQ(result.output, three_prompts) << name;
        EXPECT_EQ(read_file(book), updated_before(before, after_pass, f.records_updated)) << name;
        expect_writes_from_their_own_record(dir.path / "writes", before, after_pass);
    }
}

// A real kernel refusing a write part way into record 2: at its first byte,
// inside its leading bytes, and inside its learning value.
TEST(Faults, FileSizeLimitInsideARecord) {
    temp_dir dir;
    const fs::path book = dir.path / "booknewformat358.bin";
    const std::string before = random_book(records, 23) + "tail!";
    const std::string after_pass = updated_book(before, 5, 10, 20);
    for (const std::uint64_t within : {0u, 7u, 16u, 18u}) {
        write_file(book, before);
        run_options options;
        options.input = answers;
        options.file_size_limit = 2 * 20 + within;
        const run_result result = run_program(dir.path, options);
        EXPECT_EQ(result.status, 3) << within;
        EXPECT_EQ(read_file(book), updated_before(before, after_pass, 2)) << within;
    }
}

// Killed at random moments of a long pass: a prefix of records is updated and
// the rest is as it was, and running again finishes the job.
TEST(Faults, KillDuringThePassLeavesAPrefixUpdated) {
    temp_dir dir;
    const fs::path book = dir.path / "booknewformat358.bin";
    const std::size_t count = 2'000'000;
    const std::string before = random_book(count, 25);
    const std::string after_pass = updated_book(before, 5, 10, 20);
    std::mt19937 random(27);
    std::uniform_int_distribution<int> delay_ms(50, 1500);
    for (int attempt = 0; attempt < 3; ++attempt) {
        write_file(book, before);
        run_options options;
        options.input = answers;
        const pid_t pid = start_program(dir.path, options);
        const int delay = delay_ms(random);
        std::this_thread::sleep_for(std::chrono::milliseconds(delay));
        kill(pid, SIGKILL);
        const int status = wait_program(pid, 60);

        const std::string after_kill = read_file(book);
        ASSERT_EQ(after_kill.size(), before.size());
        std::size_t prefix = 0;
        while (prefix < count &&
               after_kill.compare(prefix * 20, 20, after_pass, prefix * 20, 20) == 0) {
            ++prefix;
        }
        EXPECT_EQ(after_kill.compare(prefix * 20, std::string::npos, before, prefix * 20), 0)
            << "killed after " << delay << " ms with " << prefix << " records updated";
        std::cout << "killed after " << delay << " ms (status " << status << "): " << prefix
                  << " of " << count << " records updated\n";

        EXPECT_EQ(run_program(dir.path, options).status, 0);
        EXPECT_TRUE(read_file(book) == after_pass);
    }
}

}  // namespace
