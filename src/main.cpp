#include <iostream>

#include "update.h"

// Arguments are ignored: the book's name is fixed and the thresholds are
// asked anew on every run.
int main() {
    return run_booklearn(std::cin, std::cout);
}
