// bookinfo: shows what a book holds, and what given thresholds would make of
// it, without writing to it.
#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>

#include "book.h"
#include "book_scan.h"

namespace {

enum bookinfo_status { shown = 0, book_unreadable = 1, bad_usage = 2 };

const char* const usage =
    "usage: bookinfo [BOOK] [T1 T2 T3]\n"
    "Shows the records of BOOK (default booknewformat358.bin): their count, the\n"
    "spread of their frequencies and how many hold each learning value. With\n"
    "thresholds 1 <= T1 < T2 < T3, also how many would get each learning value\n"
    "from booklearn and how many would change. BOOK is only read.\n";

std::optional<std::int32_t> whole_number(std::string_view text) {
    std::int32_t value = 0;
    const auto [stop, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc{} || stop != text.data() + text.size() || text.empty()) {
        return std::nullopt;
    }
    return value;
}

void print_rows(const char* const labels[], const std::int64_t counts[], std::size_t rows,
                std::int64_t total) {
    std::printf("  %-14s %12s %8s\n", "learning value", "records", "share");
    for (std::size_t row = 0; row < rows; ++row) {
        const double share =
            total > 0 ? 100.0 * static_cast<double>(counts[row]) / static_cast<double>(total) : 0.0;
        const std::string bar(static_cast<std::size_t>(share * 0.4 + 0.5), '#');
        std::printf("  %-14s %12lld %7.1f%%%s%s\n", labels[row],
                    static_cast<long long>(counts[row]), share, bar.empty() ? "" : "  ",
                    bar.c_str());
    }
}

void print_summary(const char* path, book_scan& scan, const std::optional<thresholds>& limits) {
    const auto records = static_cast<std::int64_t>(scan.frequencies.size());
    std::printf("book %s: %lld bytes, %lld records", path, static_cast<long long>(scan.size),
                static_cast<long long>(records));
    if (scan.size % record_size != 0) {
        std::printf(", %lld trailing bytes after the last record",
                    static_cast<long long>(scan.size % record_size));
    }
    std::printf("\n\n");
    if (records > 0) {
        const auto [low, high] =
            std::minmax_element(scan.frequencies.begin(), scan.frequencies.end());
        std::printf("frequency  min %d  max %d\n", *low, *high);
        std::printf("percentile");
        for (const int percent : {10, 25, 50, 75, 90, 99}) {
            std::printf("  p%d %d", percent, percentile(scan.frequencies, percent));
        }
        std::printf("\n\n");
    }
    const char* const labels[] = {"0", "1", "2", "3", "other"};
    std::printf("now\n");
    print_rows(labels, scan.current.data(), scan.current.size(), records);
    if (limits) {
        std::printf("\nwith thresholds %d %d %d\n", limits->t1, limits->t2, limits->t3);
        print_rows(labels, scan.preview.data(), scan.preview.size(), records);
        std::printf("  %lld of %lld records would change\n",
                    static_cast<long long>(scan.would_change), static_cast<long long>(records));
    }
}

int complain(const char* path, const std::string& reason) {
    std::fprintf(stderr, "bookinfo: %s: %s\n", path, reason.c_str());
    return book_unreadable;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 2 && (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0)) {
        std::fputs(usage, stdout);
        return shown;
    }
    const char* path = book_name;
    int first_threshold = 1;
    if (argc == 2 || argc == 5) {
        path = argv[1];
        first_threshold = 2;
    } else if (argc != 1 && argc != 4) {
        std::fputs(usage, stderr);
        return bad_usage;
    }
    std::optional<thresholds> limits;
    if (argc - first_threshold == 3) {
        const auto t1 = whole_number(argv[first_threshold]);
        const auto t2 = whole_number(argv[first_threshold + 1]);
        const auto t3 = whole_number(argv[first_threshold + 2]);
        if (!t1 || !t2 || !t3 || !(1 <= *t1 && *t1 < *t2 && *t2 < *t3)) {
            std::fprintf(stderr,
                         "bookinfo: thresholds must be whole numbers with 1 <= T1 < T2 < T3\n");
            return bad_usage;
        }
        limits = thresholds{*t1, *t2, *t3};
    }

    std::error_code error;
    const auto status = std::filesystem::status(path, error);
    if (error) {
        return complain(path, error.message());
    }
    if (status.type() != std::filesystem::file_type::regular) {
        return complain(path, "not a regular file");
    }
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        return complain(path, std::strerror(errno));
    }
    auto scan = scan_book(in, limits);
    if (!scan) {
        return complain(path, "read error");
    }
    print_summary(path, *scan, limits);
    return std::fflush(stdout) == 0 ? shown : book_unreadable;
}
