// Times the update pass against the floor for its contract: one pread and one
// pwrite of 20 bytes per record. Prints ns and system calls per record, the
// binary's peak resident memory, and pass/floor on the last line.
//
//   pass_bench [--records N] [--rounds R] [--scaling]
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/utsname.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "sample_book.h"
#include "update.h"

namespace fs = std::filesystem;

namespace {

constexpr thresholds bench_thresholds{5, 10, 20};

[[noreturn]] void fail(const std::string& what) {
    std::fprintf(stderr, "pass_bench: %s\n", what.c_str());
    std::exit(1);
}

void make_book(const fs::path& path, std::int64_t records) {
    if (!write_sample_book(path.c_str(), records, 42)) {
        fail("cannot write " + path.string());
    }
}

// The floor: the same contract with nothing between the pass and the kernel.
void floor_pass(const fs::path& path) {
    const int fd = open(path.c_str(), O_RDWR);
    if (fd < 0) {
        fail("cannot open " + path.string());
    }
    const off_t size = lseek(fd, 0, SEEK_END);
    char bytes[20];
    for (off_t offset = 0; offset + 20 <= size; offset += 20) {
        if (pread(fd, bytes, 20, offset) != 20) {
            fail("floor: short read");
        }
        std::int32_t frequency;
        std::memcpy(&frequency, bytes + 12, 4);  // the bench runs little-endian
        const std::int32_t value = frequency >= bench_thresholds.t3   ? 3
                                   : frequency >= bench_thresholds.t2 ? 2
                                   : frequency >= bench_thresholds.t1 ? 1
                                                                      : 0;
        std::memcpy(bytes + 16, &value, 4);
        if (pwrite(fd, bytes, 20, offset) != 20) {
            fail("floor: short write");
        }
    }
    close(fd);
}

void project_pass(const fs::path& path) {
    book_filebuf book;
    if (open_book(book, path.c_str()) != open_result::opened ||
        update_book(book, bench_thresholds) != exit_updated) {
        fail("the pass failed on " + path.string());
    }
}

double seconds_of(void (*variant)(const fs::path&), const fs::path& master, const fs::path& work) {
    fs::copy_file(master, work, fs::copy_options::overwrite_existing);
    const auto start = std::chrono::steady_clock::now();
    variant(work);
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

struct child_result {
    int status;
    long peak_kib;
};

// Runs argv in `dir` with `input` as standard input; -1 when it cannot start.
child_result run_child(const fs::path& dir, const std::vector<std::string>& argv,
                       const std::string& input) {
    const fs::path input_path = dir / ".input";
    std::ofstream(input_path) << input;
    const pid_t pid = fork();
    if (pid == 0) {
        const int in = open(input_path.c_str(), O_RDONLY);
        const int null = open("/dev/null", O_WRONLY);
        if (chdir(dir.c_str()) != 0 || in < 0 || null < 0 || dup2(in, 0) < 0 || dup2(null, 1) < 0 ||
            dup2(null, 2) < 0) {
            _exit(126);
        }
        std::vector<char*> args;
        for (const auto& arg : argv) {
            args.push_back(const_cast<char*>(arg.c_str()));
        }
        args.push_back(nullptr);
        execvp(args[0], args.data());
        _exit(127);
    }
    int status = 0;
    rusage usage{};
    if (pid < 0 || wait4(pid, &status, 0, &usage) != pid) {
        return {-1, 0};
    }
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, usage.ru_maxrss};
}

bool have_strace() {
    return std::system("strace -V >/dev/null 2>&1") == 0;
}

// Every system call the command makes, from `strace -c -f`.
long syscalls_of(const fs::path& dir, std::vector<std::string> command, const std::string& input) {
    const fs::path summary = dir / ".strace";
    std::vector<std::string> argv{"strace", "-c", "-f", "-o", summary.string()};
    argv.insert(argv.end(), command.begin(), command.end());
    if (run_child(dir, argv, input).status != 0) {
        return -1;
    }
    std::ifstream in(summary);
    std::string line;
    long total = -1;
    while (std::getline(in, line)) {
        if (line.find("total") != std::string::npos) {
            std::sscanf(line.c_str(), "%*f %*f %*d %ld", &total);
        }
    }
    return total;
}

// System calls per record: the difference between books of n and 2n records,
// so start-up costs drop out.
double syscalls_per_record(const fs::path& dir, const std::vector<std::string>& command,
                           const std::string& input, const fs::path& book) {
    constexpr std::int64_t n = 5000;
    make_book(book, n);
    const long small = syscalls_of(dir, command, input);
    make_book(book, 2 * n);
    const long large = syscalls_of(dir, command, input);
    if (small < 0 || large < 0) {
        return -1;
    }
    return static_cast<double>(large - small) / n;
}

bool same_bytes(const fs::path& a, const fs::path& b) {
    std::ifstream in_a(a, std::ios::binary);
    std::ifstream in_b(b, std::ios::binary);
    std::vector<char> block_a(1 << 20);
    std::vector<char> block_b(1 << 20);
    while (in_a && in_b) {
        in_a.read(block_a.data(), static_cast<std::streamsize>(block_a.size()));
        in_b.read(block_b.data(), static_cast<std::streamsize>(block_b.size()));
        if (in_a.gcount() != in_b.gcount() ||
            !std::equal(block_a.begin(), block_a.begin() + in_a.gcount(), block_b.begin())) {
            return false;
        }
    }
    return !in_a.bad() && !in_b.bad() && in_a.eof() && in_b.eof();
}

struct figures {
    double pass_ns;
    double floor_ns;
    long peak_kib;
};

figures measure(const fs::path& dir, std::int64_t records, int rounds) {
    const fs::path master = dir / "master.bin";
    const fs::path pass_book = dir / "pass" / book_name;
    const fs::path floor_book = dir / "floor" / book_name;
    make_book(master, records);
    double pass = 1e300;
    double floor = 1e300;
    for (int round = 0; round < rounds; ++round) {
        pass = std::min(pass, seconds_of(project_pass, master, pass_book));
        floor = std::min(floor, seconds_of(floor_pass, master, floor_book));
        if (round == 0 && !same_bytes(pass_book, floor_book)) {
            fail("the pass and the floor leave different books");
        }
    }
    fs::copy_file(master, pass_book, fs::copy_options::overwrite_existing);
    const child_result binary = run_child(dir / "pass", {BOOKLEARN_BINARY}, "5\n10\n20\n");
    if (binary.status != 0) {
        fail("booklearn failed on the book");
    }
    const double n = static_cast<double>(records);
    return {pass * 1e9 / n, floor * 1e9 / n, binary.peak_kib};
}

std::string machine() {
    std::ifstream cpuinfo("/proc/cpuinfo");
    std::string line;
    std::string model = "unknown cpu";
    while (std::getline(cpuinfo, line)) {
        if (line.rfind("model name", 0) == 0) {
            model = line.substr(line.find(':') + 2);
            break;
        }
    }
    utsname name{};
    uname(&name);
    return std::to_string(sysconf(_SC_NPROCESSORS_ONLN)) + " cores, " + model + ", Linux " +
           name.release;
}

}  // namespace

int main(int argc, char** argv) {
    std::int64_t records = 1'000'000;
    int rounds = 5;
    bool scaling = false;
    const std::string self = fs::canonical("/proc/self/exe").string();
    if (argc == 3 && std::strcmp(argv[1], "--floor-only") == 0) {
        floor_pass(argv[2]);
        return 0;
    }
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--records" && i + 1 < argc) {
            records = std::atoll(argv[++i]);
        } else if (arg == "--rounds" && i + 1 < argc) {
            rounds = std::atoi(argv[++i]);
        } else if (arg == "--scaling") {
            scaling = true;
        } else {
            std::fprintf(stderr, "usage: pass_bench [--records N] [--rounds R] [--scaling]\n");
            return 2;
        }
    }
    if (records < 1 || rounds < 1) {
        fail("records and rounds must be at least 1");
    }

    std::string pattern = (fs::temp_directory_path() / "pass_bench-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) {
        fail("cannot make a temp directory");
    }
    const fs::path dir = pattern;
    fs::create_directories(dir / "pass");
    fs::create_directories(dir / "floor");

    std::printf("machine: %s\n", machine().c_str());
    if (have_strace()) {
        const double pass_calls = syscalls_per_record(dir / "pass", {BOOKLEARN_BINARY},
                                                      "5\n10\n20\n", dir / "pass" / book_name);
        const double floor_calls = syscalls_per_record(
            dir / "floor", {self, "--floor-only", book_name}, "", dir / "floor" / book_name);
        std::printf("system calls per record: pass %.2f, floor %.2f\n", pass_calls, floor_calls);
    } else {
        std::printf("system calls per record: not counted (no strace)\n");
    }

    std::vector<std::int64_t> sizes{records};
    if (scaling) {
        sizes = {10'000, 100'000, 1'000'000, 10'000'000};
    }
    std::printf("%10s %7s %14s %14s %10s %14s\n", "records", "rounds", "pass ns/rec",
                "floor ns/rec", "pass/floor", "peak RSS KiB");
    double last_ratio = 0;
    for (const std::int64_t n : sizes) {
        const figures f = measure(dir, n, rounds);
        last_ratio = f.pass_ns / f.floor_ns;
        std::printf("%10lld %7d %14.1f %14.1f %10.2f %14ld\n", static_cast<long long>(n), rounds,
                    f.pass_ns, f.floor_ns, last_ratio, f.peak_kib);
        std::fflush(stdout);
    }
    fs::remove_all(dir);
    std::printf("pass/floor: %.2f\n", last_ratio);
    return 0;
}
