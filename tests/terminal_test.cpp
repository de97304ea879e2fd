// An interactive run on a pseudo-terminal: each prompt must be on the screen
// before the program waits for its answer.
#include <poll.h>
#include <pty.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>

#include "test_support.h"

namespace {

// Reads from the terminal until `expected` has appeared; false after 10 s.
bool wait_for(int terminal, std::string& screen, const std::string& expected) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (screen.find(expected) == std::string::npos) {
        if (std::chrono::steady_clock::now() > deadline) {
            return false;
        }
        pollfd ready{terminal, POLLIN, 0};
        if (poll(&ready, 1, 100) == 1) {
            char bytes[256];
            const ssize_t got = read(terminal, bytes, sizeof bytes);
            if (got <= 0) {
                return false;
            }
            screen.append(bytes, static_cast<std::size_t>(got));
        }
    }
    return true;
}

TEST(Terminal, EachPromptIsShownBeforeItsAnswerIsAwaited) {
    temp_dir dir;
    const fs::path book = dir.path / "booknewformat358.bin";
    const std::string before = random_book(20, 31);
    write_file(book, before);

    int terminal = -1;
    const pid_t pid = forkpty(&terminal, nullptr, nullptr, nullptr);
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        if (chdir(dir.path.c_str()) == 0) {
            execl(BOOKLEARN_BINARY, BOOKLEARN_BINARY, static_cast<char*>(nullptr));
        }
        _exit(127);
    }
    std::string screen;
    const char* const answers[] = {"5\n", "10\n", "20\n"};
    for (int level = 1; level <= 3; ++level) {
        const std::string prompt =
            "enter min frequency to have learning value  " + std::to_string(level);
        ASSERT_TRUE(wait_for(terminal, screen, prompt))
            << "no prompt " << level << " in: " << screen;
        // Nothing of the next level may show before this one is answered.
        EXPECT_EQ(screen.find("value  " + std::to_string(level + 1)), std::string::npos);
        const std::string answer = answers[level - 1];
        ASSERT_EQ(write(terminal, answer.data(), answer.size()),
                  static_cast<ssize_t>(answer.size()));
    }
    int status = 0;
    ASSERT_EQ(waitpid(pid, &status, 0), pid);
    close(terminal);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
    EXPECT_EQ(read_file(book), updated_book(before, 5, 10, 20));
}

}  // namespace
