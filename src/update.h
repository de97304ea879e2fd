// The update pass: every whole record gets the learning value its frequency
// earns.
#pragma once

#include <cstdint>

#include "book.h"
#include "dialogue.h"

// The process exit status; it is the only report the program gives.
enum exit_status : int {
    exit_updated = 0,        // the pass ran over every whole record
    exit_cannot_open = 1,    // the book cannot be opened for reading and writing
    exit_no_thresholds = 2,  // the input ended before three thresholds; the book is not opened
    exit_book_failed = 3,    // the book is no regular file, or an operation on it failed
};

// 3 when frequency >= t3, else 2 when >= t2, else 1 when >= t1, else 0.
std::int32_t learning_value_for(std::int32_t frequency, std::int32_t t1, std::int32_t t2,
                                std::int32_t t3);

// Rewrites the learning value of every whole record of the opened book, from
// the first to the last, and closes it. Stops at the first failed operation:
// the records before it are updated, the one in hand and those after are as
// they were.
exit_status update_book(book_filebuf& book, thresholds limits);

// The whole program: the dialogue on `in` and `out`, then the pass over the
// book in the current directory.
exit_status run_booklearn(std::istream& in, std::ostream& out);
