// Temp directories, book bytes and running the real binary, for the tests.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace fs = std::filesystem;

// A fresh directory under the system's temp directory, removed with its
// contents at the end of the scope. Open to every user, for runs as nobody.
struct temp_dir {
    fs::path path;
    temp_dir();
    ~temp_dir();
    temp_dir(const temp_dir&) = delete;
    temp_dir& operator=(const temp_dir&) = delete;
};

std::string read_file(const fs::path& path);
void write_file(const fs::path& path, const std::string& bytes);

// One 20-byte record as stored: 12 leading bytes, then frequency and learning
// value little-endian.
std::string record_of(const std::string& leading12, std::int32_t frequency,
                      std::int32_t learning_value);
// A record's learning value and frequency, read straight from the bytes.
std::int32_t frequency_at(const std::string& book, std::size_t index);
std::int32_t learning_value_at(const std::string& book, std::size_t index);

// Records with these frequencies, random leading bytes and random prior
// learning values.
std::string random_book(const std::vector<std::int32_t>& frequencies, unsigned seed);
// `count` random records, frequencies spread around the thresholds 5, 10, 20.
std::string random_book(std::size_t count, unsigned seed);

// What a correct pass makes of `book`: every whole record's bytes 16-19 set
// by the thresholds, every other byte as it was.
std::string updated_book(std::string book, std::int32_t t1, std::int32_t t2, std::int32_t t3);

struct run_options {
    std::string input;                   // standard input, from a file
    std::optional<fs::path> input_path;  // or this file as standard input
    bool close_stdin = false;
    bool as_nobody = false;                        // run as uid/gid 65534
    std::optional<std::uint64_t> file_size_limit;  // RLIMIT_FSIZE, SIGXFSZ ignored
    std::vector<std::string> environment;          // extra NAME=value entries
    std::vector<std::string> arguments;
    fs::path program = BOOKLEARN_BINARY;
};

struct run_result {
    int status;  // the exit status, 128 + signal, or -1 when it ran out of time
    std::string output;
    std::string errors;
};

// Starts the program in `dir` and returns its pid; its output goes to a file
// in `dir` named ".output", its errors to ".errors".
pid_t start_program(const fs::path& dir, const run_options& options);
// Waits for `pid`, killing it after `seconds`.
int wait_program(pid_t pid, int seconds);
// start_program, then wait_program, then the output.
run_result run_program(const fs::path& dir, const run_options& options, int seconds = 60);

// The three prompts, byte for byte.
extern const std::string three_prompts;
