#include "test_support.h"

#include <fcntl.h>
#include <grp.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <random>
#include <sstream>
#include <stdexcept>
#include <thread>

const std::string three_prompts =
    "enter min frequency to have learning value  1\n"
    "enter min frequency to have learning value  2\n"
    "enter min frequency to have learning value  3\n";

temp_dir::temp_dir() {
    std::string pattern = (fs::temp_directory_path() / "booklearn-test-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) {
        throw std::runtime_error("mkdtemp failed");
    }
    path = pattern;
    fs::permissions(path, fs::perms::all);
}

temp_dir::~temp_dir() {
    std::error_code ignored;
    fs::remove_all(path, ignored);
}

std::string read_file(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        throw std::runtime_error("cannot read " + path.string());
    }
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

void write_file(const fs::path& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out.flush()) {
        throw std::runtime_error("cannot write " + path.string());
    }
}

namespace {

void put_le32(std::string& out, std::int32_t value) {
    const auto bits = static_cast<std::uint32_t>(value);
    for (int shift = 0; shift < 32; shift += 8) {
        out.push_back(static_cast<char>((bits >> shift) & 0xFFu));
    }
}

std::int32_t le32_at(const std::string& bytes, std::size_t offset) {
    std::uint32_t bits = 0;
    for (std::size_t i = 0; i < 4; ++i) {
        bits |= std::uint32_t{static_cast<unsigned char>(bytes.at(offset + i))} << (8 * i);
    }
    return static_cast<std::int32_t>(bits);
}

}  // namespace

std::string record_of(const std::string& leading12, std::int32_t frequency,
                      std::int32_t learning_value) {
    std::string record = leading12;
    record.resize(12);
    put_le32(record, frequency);
    put_le32(record, learning_value);
    return record;
}

std::int32_t frequency_at(const std::string& book, std::size_t index) {
    return le32_at(book, index * 20 + 12);
}

std::int32_t learning_value_at(const std::string& book, std::size_t index) {
    return le32_at(book, index * 20 + 16);
}

std::string random_book(const std::vector<std::int32_t>& frequencies, unsigned seed) {
    std::mt19937 random(seed);
    std::string book;
    for (const std::int32_t frequency : frequencies) {
        std::string leading;
        for (int i = 0; i < 12; ++i) {
            leading.push_back(static_cast<char>(random() & 0xFFu));
        }
        book += record_of(leading, frequency, static_cast<std::int32_t>(random()));
    }
    return book;
}

std::string random_book(std::size_t count, unsigned seed) {
    std::mt19937 random(seed);
    std::uniform_int_distribution<std::int32_t> spread(-3, 30);
    std::vector<std::int32_t> frequencies(count);
    for (auto& frequency : frequencies) {
        frequency = spread(random);
    }
    return random_book(frequencies, seed + 1);
}

std::string updated_book(std::string book, std::int32_t t1, std::int32_t t2, std::int32_t t3) {
    for (std::size_t index = 0; (index + 1) * 20 <= book.size(); ++index) {
        const std::int32_t f = frequency_at(book, index);
        const std::int32_t value = f < t1 ? 0 : f < t2 ? 1 : f < t3 ? 2 : 3;
        std::string field;
        put_le32(field, value);
        book.replace(index * 20 + 16, 4, field);
    }
    return book;
}

pid_t start_program(const fs::path& dir, const run_options& options) {
    const fs::path input = options.input_path.value_or(dir / ".input");
    if (!options.input_path) {
        write_file(input, options.input);
    }
    std::vector<std::string> argv_strings{options.program.string()};
    argv_strings.insert(argv_strings.end(), options.arguments.begin(), options.arguments.end());
    std::vector<char*> argv;
    for (auto& argument : argv_strings) {
        argv.push_back(argument.data());
    }
    argv.push_back(nullptr);
    std::vector<std::string> environment = options.environment;
    const std::string output = (dir / ".output").string();
    const std::string errors = (dir / ".errors").string();

    const pid_t pid = fork();
    if (pid != 0) {
        return pid;
    }
    // In the child: only plain system calls from here to exec.
    if (chdir(dir.c_str()) != 0) {
        _exit(126);
    }
    const int in = options.close_stdin ? -1 : open(input.c_str(), O_RDONLY);
    const int out = open(output.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0666);
    const int err = open(errors.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0666);
    if ((in < 0 && !options.close_stdin) || out < 0 || err < 0 || dup2(out, 1) < 0 ||
        dup2(err, 2) < 0) {
        _exit(126);
    }
    if (options.close_stdin) {
        close(0);
    } else if (dup2(in, 0) < 0) {
        _exit(126);
    }
    if (options.file_size_limit) {
        signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{*options.file_size_limit, *options.file_size_limit};
        if (setrlimit(RLIMIT_FSIZE, &limit) != 0) {
            _exit(126);
        }
    }
    if (options.as_nobody &&
        (setgroups(0, nullptr) != 0 || setgid(65534) != 0 || setuid(65534) != 0)) {
        _exit(126);
    }
    for (auto& entry : environment) {
        putenv(entry.data());
    }
    execv(argv[0], argv.data());
    _exit(127);
}

int wait_program(pid_t pid, int seconds) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
    int status = 0;
    while (waitpid(pid, &status, WNOHANG) == 0) {
        if (std::chrono::steady_clock::now() > deadline) {
            kill(pid, SIGKILL);
            waitpid(pid, &status, 0);
            return -1;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

run_result run_program(const fs::path& dir, const run_options& options, int seconds) {
    const int status = wait_program(start_program(dir, options), seconds);
    return {status, read_file(dir / ".output"), read_file(dir / ".errors")};
}
