// Runs a program as a real process, with its standard streams set up the
// way a test needs, and collects what it did.
#ifndef PARENCHECK_TESTS_CHILD_PROCESS_HPP
#define PARENCHECK_TESTS_CHILD_PROCESS_HPP

#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

enum class input_kind {
    bytes,     // the input, then the end of the pipe
    held_open, // the input, then a pipe the writer never closes
    endless,   // the input over and over, until the reader goes
    closed,    // no descriptor 0 at all
    directory, // descriptor 0 is a directory: every read fails
    file,      // a regular file that holds the input, read from its start
};

enum class output_kind {
    captured, // a pipe back to the test
    closed,   // no descriptor 1 at all
    full,     // /dev/full: every write fails with ENOSPC
    gone,     // a pipe whose reader has gone before the child starts
};

struct child_setup {
    std::string input{};
    // How many times the input is written: a large text from a small block.
    std::uint64_t repeat = 1;
    std::string tail{};
    // The tail is held back this long once the rest is written, so that the
    // child finds its input empty, but not ended, before it comes.
    std::chrono::milliseconds tail_after{0};
    // Descriptor 0 left non-blocking, as some callers leave it.
    bool non_blocking_input = false;
    input_kind in = input_kind::bytes;
    output_kind out = output_kind::captured;
    std::vector<std::string> arguments{};
    // RLIMIT_AS for the child, in bytes; 0 leaves it as it is.
    unsigned long address_space = 0;
    // Killed when it has not ended by then. The programs answer a small input
    // in milliseconds: a hang should cost a test seconds, not minutes.
    std::chrono::milliseconds time_limit{5'000};
};

struct child_outcome {
    std::string out;
    std::string err;
    // The exit status, or -1 when the child did not exit normally.
    int exit_status = -1;
    // The signal that ended it, or 0.
    int signal = 0;
    // It had to be killed at the time limit.
    bool timed_out = false;
    // For input_kind::file, the offset the child left in the file.
    long input_offset = -1;
    // Its peak resident memory.
    long max_rss_kib = 0;
};

child_outcome run_child(const std::string &path, const child_setup &setup);

#endif
