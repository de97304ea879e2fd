// Preloaded into booklearn by the fault tests: makes one chosen system call on
// the book fail, and logs every write to the book.
//
//   BOOKLEARN_FAULT="OP K KIND"  OP is seek, read, write or close; the K-th
//       such call on the book (from 1) fails. KIND "error" fails that call
//       with EIO; "short" lets it move at most 7 bytes, and every later call
//       of OP fails with EIO, as on a device that has just filled up.
//   BOOKLEARN_WRITE_LOG=PATH     one line per write to the book: the file
//       offset, then the bytes in hex.
#include <dlfcn.h>
#include <fcntl.h>
#include <sys/uio.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

template <typename Function>
Function next_definition(const char* name) {
    return reinterpret_cast<Function>(dlsym(RTLD_NEXT, name));
}

using read_function = ssize_t (*)(int, void*, size_t);
using write_function = ssize_t (*)(int, const void*, size_t);
using writev_function = ssize_t (*)(int, const iovec*, int);
using lseek_function = off_t (*)(int, off_t, int);
using fopen_function = FILE* (*)(const char*, const char*);
using fclose_function = int (*)(FILE*);

int book_fd = -1;
FILE* book_stream = nullptr;

struct plan {
    bool loaded = false;
    char op[16] = "";
    long at = 0;
    bool shorten = false;
    long calls = 0;
    bool broken = false;
};

plan& the_plan() {
    static plan p;
    if (!p.loaded) {
        p.loaded = true;
        const char* wanted = std::getenv("BOOKLEARN_FAULT");
        char kind[16] = "";
        if (wanted != nullptr && std::sscanf(wanted, "%15s %ld %15s", p.op, &p.at, kind) == 3) {
            p.shorten = std::strcmp(kind, "short") == 0;
        }
    }
    return p;
}

// Whether the call of `op` may go ahead, and how many of `size` bytes it may
// move; false with errno set when it must fail.
bool allow(const char* op, size_t& size) {
    plan& p = the_plan();
    if (std::strcmp(p.op, op) != 0) {
        return true;
    }
    if (!p.broken && ++p.calls != p.at) {
        return true;
    }
    if (p.shorten && !p.broken) {
        p.broken = true;
        size = size < 7 ? size : 7;
        return true;
    }
    errno = EIO;
    return false;
}

void log_write(const void* data, size_t size) {
    const char* path = std::getenv("BOOKLEARN_WRITE_LOG");
    if (path == nullptr) {
        return;
    }
    static const auto real_lseek = next_definition<lseek_function>("lseek64");
    static const auto real_write = next_definition<write_function>("write");
    const int log = open(path, O_WRONLY | O_CREAT | O_APPEND, 0666);
    if (log < 0) {
        return;
    }
    char line[64 + 2 * 8192];
    int length =
        std::snprintf(line, 64, "%lld ", static_cast<long long>(real_lseek(book_fd, 0, SEEK_CUR)));
    const auto* bytes = static_cast<const unsigned char*>(data);
    for (size_t i = 0; i < size && i < 8192; ++i) {
        length += std::snprintf(line + length, 3, "%02x", bytes[i]);
    }
    line[length++] = '\n';
    real_write(log, line, static_cast<size_t>(length));
    close(log);
}

}  // namespace

extern "C" {

FILE* fopen64(const char* path, const char* mode) {
    static const auto real = next_definition<fopen_function>("fopen64");
    FILE* stream = real(path, mode);
    const char* name = std::strrchr(path, '/');
    if (stream != nullptr && std::strcmp(name ? name + 1 : path, "booknewformat358.bin") == 0) {
        book_stream = stream;
        book_fd = fileno(stream);
    }
    return stream;
}

int fclose(FILE* stream) {
    static const auto real = next_definition<fclose_function>("fclose");
    if (stream == nullptr || stream != book_stream) {
        return real(stream);
    }
    book_stream = nullptr;
    book_fd = -1;
    const int result = real(stream);
    size_t unused = 0;
    return allow("close", unused) ? result : EOF;
}

off_t lseek64(int fd, off_t offset, int whence) {
    static const auto real = next_definition<lseek_function>("lseek64");
    size_t unused = 0;
    if (fd == book_fd && !allow("seek", unused)) {
        return -1;
    }
    return real(fd, offset, whence);
}

ssize_t read(int fd, void* data, size_t size) {
    static const auto real = next_definition<read_function>("read");
    if (fd == book_fd && !allow("read", size)) {
        return -1;
    }
    return real(fd, data, size);
}

ssize_t write(int fd, const void* data, size_t size) {
    static const auto real = next_definition<write_function>("write");
    if (fd == book_fd) {
        if (!allow("write", size)) {
            return -1;
        }
        log_write(data, size);
    }
    return real(fd, data, size);
}

// The stream may hand over two pieces at once; the tests' records never take
// this path, so it is only refused, never faulted.
ssize_t writev(int fd, const iovec* pieces, int count) {
    static const auto real = next_definition<writev_function>("writev");
    if (fd == book_fd) {
        errno = EINVAL;
        return -1;
    }
    return real(fd, pieces, count);
}

}  // extern "C"
