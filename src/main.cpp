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

// Large enough that the per-byte work, not the read calls, sets the pace.
// Static, so it costs neither an allocation nor a constructor.
char input_buffer[1 << 17];

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

// The place of the first fault, in the form compilers give for standard
// input, which editors and terminals recognise. Nothing is said of a failure
// to write it: the error stream is where that would go.
void report_place(const fault_report &fault)
{
    const auto line = static_cast<unsigned long long>(fault.at.line);
    const auto column = static_cast<unsigned long long>(fault.at.column);
    switch (fault.kind) {
    case fault_kind::nothing_open:
        std::fprintf(stderr, "<stdin>:%llu:%llu: '%c' with nothing open\n", line, column, fault.bracket);
        break;
    case fault_kind::wrong_family:
        std::fprintf(stderr, "<stdin>:%llu:%llu: '%c' does not close '%c' opened at %llu:%llu\n", line, column,
                     fault.bracket, fault.opener, static_cast<unsigned long long>(fault.opened_at.line),
                     static_cast<unsigned long long>(fault.opened_at.column));
        break;
    case fault_kind::left_open:
        std::fprintf(stderr, "<stdin>:%llu:%llu: '%c' is never closed\n", line, column, fault.bracket);
        break;
    case fault_kind::none:
        break;
    }
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
    // comes without it.
    if constexpr (self.reports_place) {
        report_place(result.fault);
    }
    return 0;
}
