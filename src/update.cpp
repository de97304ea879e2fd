#include "update.h"

#include <istream>

std::int32_t learning_value_for(std::int32_t frequency, std::int32_t t1, std::int32_t t2,
                                std::int32_t t3) {
    if (frequency >= t3) {
        return 3;
    }
    if (frequency >= t2) {
        return 2;
    }
    if (frequency >= t1) {
        return 1;
    }
    return 0;
}

namespace {

// A write can fail part way and leave the first bytes of the new record in
// the file; writing back the bytes as read puts those same bytes back. The
// buffer is emptied each time so the stream never retries them elsewhere.
void put_back(book_filebuf& book, std::iostream& book_file, std::int64_t index,
              const book_record& as_read) {
    book.drop_pending_output();
    book_file.clear();
    if (!write_record(book_file, index, as_read)) {
        book.drop_pending_output();
    }
}

exit_status pass_over_records(book_filebuf& book, thresholds limits) {
    std::iostream book_file(&book);
    const auto count = count_records(book_file);
    if (!count) {
        return exit_book_failed;
    }
    for (std::int64_t index = 0; index < *count; ++index) {
        const auto as_read = read_record(book_file, index);
        if (!as_read) {
            return exit_book_failed;
        }
        book_record updated = *as_read;
        updated.learning_value =
            learning_value_for(as_read->frequency, limits.t1, limits.t2, limits.t3);
        if (!write_record(book_file, index, updated)) {
            put_back(book, book_file, index, *as_read);
            return exit_book_failed;
        }
    }
    return exit_updated;
}

}  // namespace

exit_status update_book(book_filebuf& book, thresholds limits) {
    const exit_status status = pass_over_records(book, limits);
    // Every record was flushed already; a close that fails reports a write
    // error the system kept until now, so the book cannot count as updated.
    if (book.close() == nullptr) {
        return exit_book_failed;
    }
    return status;
}

exit_status run_booklearn(std::istream& in, std::ostream& out) {
    const auto limits = ask_thresholds(in, out);
    if (!limits) {
        return exit_no_thresholds;
    }
    book_filebuf book;
    switch (open_book(book, book_name)) {
        case open_result::opened:
            return update_book(book, *limits);
        case open_result::cannot_open:
            return exit_cannot_open;
        case open_result::not_regular_file:
            return exit_book_failed;
    }
    return exit_book_failed;
}
