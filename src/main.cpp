// Entry point of every program: the build compiles this file once per
// program, naming its rules in PARENCHECK_PROGRAM.
//
// Exit status 0 means a verdict was written, whichever it is; 2 means there
// is none, and the error stream says why.
#include "checker.hpp"
#include "programs.hpp"

#include <cerrno>
#include <cstdio>
#include <cstring>

#ifndef PARENCHECK_PROGRAM
#error "define PARENCHECK_PROGRAM as one of the programs of programs.hpp"
#endif

namespace {

constexpr const program &self = PARENCHECK_PROGRAM;
constexpr int EXIT_TROUBLE = 2;

// 256 KiB: where the cost of the read calls levels off (prose takes half as
// long again with 16 KiB, and a few per cent more with 128 KiB), still within
// the processor's second-level cache. Static, so it costs neither an
// allocation nor a constructor.
char input_buffer[1 << 18];

// Every kind of trouble is reported here: one line naming the program, what
// failed and, when the system gave one, its reason.
int trouble(const char *what, int error_number = 0)
{
    if (error_number == 0) {
        std::fprintf(stderr, "%s: %s\n", self.name, what);
    } else {
        std::fprintf(stderr, "%s: %s: %s\n", self.name, what, std::strerror(error_number));
    }
    return EXIT_TROUBLE;
}

} // namespace

int main()
{
    std::setvbuf(stdin, input_buffer, _IOFBF, sizeof input_buffer);

    // The cells of brackets left open are not released: they go with the
    // process, which is about to end.
    const scan_result result = scan<self>(stdin);
    switch (result.status) {
    case scan_status::read_error:
        return trouble("cannot read standard input", result.error_number);
    case scan_status::out_of_memory:
        // "Cannot allocate memory" after it would only say it twice.
        return trouble("out of memory");
    case scan_status::good:
    case scan_status::bad:
        break;
    }

    // A verdict that did not reach its reader is a failure, not a success:
    // the error indicator keeps any failed write, and closing flushes the
    // rest and reports what the system defers to the close.
    errno = 0;
    write_verdict<self>(result.status);
    if (std::ferror(stdout) != 0 || std::fclose(stdout) != 0) {
        return trouble("cannot write standard output", errno != 0 ? errno : EIO);
    }
    // Only once the verdict has reached its reader, so that the place never
    // comes without it. Nothing is said of a failure to write the place: the
    // error stream is where that would go.
    if constexpr (self.reports_place) {
        std::fputs(describe(result.fault).text, stderr);
    }
    return 0;
}
