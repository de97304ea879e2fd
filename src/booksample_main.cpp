// booksample RECORDS [FILE] [SEED]: writes a synthetic book (default file
// booknewformat358.bin in the current directory).
#include <charconv>
#include <cstdio>
#include <cstring>
#include <string_view>

#include "book.h"
#include "sample_book.h"

int main(int argc, char** argv) {
    std::int64_t records = 0;
    std::uint64_t seed = 1;
    const auto parses = [](const char* text, auto& value) {
        const char* end = text + std::strlen(text);
        const auto [stop, error] = std::from_chars(text, end, value);
        return error == std::errc{} && stop == end && *text != '\0';
    };
    if (argc < 2 || argc > 4 || !parses(argv[1], records) || records < 0 ||
        (argc == 4 && !parses(argv[3], seed))) {
        std::fprintf(stderr, "usage: booksample RECORDS [FILE] [SEED]\n");
        return 2;
    }
    const char* path = argc >= 3 ? argv[2] : book_name;
    if (!write_sample_book(path, records, seed)) {
        std::fprintf(stderr, "booksample: %s: cannot write\n", path);
        return 1;
    }
    return 0;
}
