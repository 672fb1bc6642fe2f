#include "child_process.hpp"

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <optional>
#include <poll.h>
#include <string_view>
#include <sys/mman.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

[[noreturn]] void fail(const char *what)
{
    std::perror(what);
    std::abort();
}

struct pipe_pair {
    int read_end;
    int write_end;
};

// Moves a descriptor out of the way of the standard ones, closed on exec. A
// test runner started with a standard stream closed gets that number back
// from its next pipe or open; left there, it would be taken by the child's
// own setup, or stay marked close-on-exec in place.
int above_standard_streams(int fd)
{
    if (fd < 0 || fd > STDERR_FILENO) {
        return fd;
    }
    const int moved = fcntl(fd, F_DUPFD_CLOEXEC, STDERR_FILENO + 1);
    close(fd);
    return moved;
}

pipe_pair make_pipe()
{
    int fds[2];
    if (pipe2(fds, O_CLOEXEC) != 0) {
        fail("pipe2");
    }
    const pipe_pair pair{above_standard_streams(fds[0]), above_standard_streams(fds[1])};
    if (pair.read_end < 0 || pair.write_end < 0) {
        fail("fcntl");
    }
    return pair;
}

// A regular file of its own that holds the bytes, at offset 0, closed on exec.
int file_holding(const std::string &bytes)
{
    const int fd = above_standard_streams(memfd_create("input", MFD_CLOEXEC));
    if (fd < 0) {
        fail("memfd_create");
    }
    for (std::size_t done = 0; done < bytes.size();) {
        const ssize_t n = write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0) {
            fail("write");
        }
        done += static_cast<std::size_t>(n);
    }
    if (lseek(fd, 0, SEEK_SET) != 0) {
        fail("lseek");
    }
    return fd;
}

// In the child, between fork and exec: only async-signal-safe calls.
[[noreturn]] void become_child(const std::string &path, const child_setup &setup, char *const argv[], pipe_pair in,
                               pipe_pair out, pipe_pair err)
{
    // Every source lies above the standard streams, so that no dup2 closes
    // another's source; a stream that is to be closed is closed last, so that
    // nothing opened afterwards takes its number.
    const int in_source = setup.in == input_kind::directory
                              ? above_standard_streams(open("/", O_RDONLY | O_DIRECTORY | O_CLOEXEC))
                              : in.read_end;
    const int out_source = setup.out == output_kind::full
                               ? above_standard_streams(open("/dev/full", O_WRONLY | O_CLOEXEC))
                               : out.write_end;
    if (in_source < 0 || out_source < 0 || dup2(in_source, STDIN_FILENO) < 0 || dup2(out_source, STDOUT_FILENO) < 0 ||
        dup2(err.write_end, STDERR_FILENO) < 0) {
        _exit(126);
    }
    if (setup.in == input_kind::closed) {
        close(STDIN_FILENO);
    }
    if (setup.non_blocking_input && fcntl(STDIN_FILENO, F_SETFL, O_NONBLOCK) != 0) {
        _exit(126);
    }
    if (setup.out == output_kind::closed) {
        close(STDOUT_FILENO);
    }
    if (setup.address_space != 0) {
        const rlimit limit{setup.address_space, setup.address_space};
        if (setrlimit(RLIMIT_AS, &limit) != 0) {
            _exit(126);
        }
    }
    // The test runner may ignore SIGPIPE; the program must get the default.
    signal(SIGPIPE, SIG_DFL);
    execv(path.c_str(), argv);
    _exit(127);
}

void append_from(int &fd, std::string &to)
{
    char buf[65536];
    const ssize_t n = read(fd, buf, sizeof buf);
    if (n > 0) {
        to.append(buf, static_cast<std::size_t>(n));
    } else if (n == 0 || errno != EINTR) {
        close(fd);
        fd = -1;
    }
}

// The bytes a child is fed: the input block `repeat` times (or for ever),
// then the tail, handed out a piece at a time without building the whole.
class feed {
  public:
    explicit feed(const child_setup &setup)
        : setup_(setup), blocks_left_(setup.in == input_kind::endless ? UINT64_MAX : setup.repeat)
    {
        next_piece();
    }

    [[nodiscard]] bool done() const
    {
        return piece_.empty();
    }
    [[nodiscard]] std::string_view piece() const
    {
        return piece_;
    }
    // How long the piece must still wait before it is written: zero but for
    // the tail, which waits tail_after from the moment it comes up.
    [[nodiscard]] std::chrono::milliseconds held_back(std::chrono::steady_clock::time_point now)
    {
        if (!tail_given_) {
            return {};
        }
        if (!tail_due_) {
            tail_due_ = now + setup_.tail_after;
        }
        return std::max(std::chrono::milliseconds{}, std::chrono::ceil<std::chrono::milliseconds>(*tail_due_ - now));
    }
    void consume(std::size_t n)
    {
        piece_.remove_prefix(n);
        if (piece_.empty()) {
            next_piece();
        }
    }

  private:
    void next_piece()
    {
        if (blocks_left_ > 0 && !setup_.input.empty()) {
            if (setup_.in != input_kind::endless) {
                --blocks_left_;
            }
            piece_ = setup_.input;
        } else if (!tail_given_) {
            tail_given_ = true;
            piece_ = setup_.tail;
        }
    }

    const child_setup &setup_;
    std::uint64_t blocks_left_;
    bool tail_given_ = false;
    std::optional<std::chrono::steady_clock::time_point> tail_due_;
    std::string_view piece_;
};

// Hands the child what the pipe takes of the current piece.
void write_to(int &fd, feed &input)
{
    const ssize_t n = write(fd, input.piece().data(), input.piece().size());
    if (n > 0) {
        input.consume(static_cast<std::size_t>(n));
    } else if (errno == EPIPE) {
        // The reader has gone: the rest is not wanted.
        close(fd);
        fd = -1;
    }
}

// Feeds the input while draining both outputs, until the child has closed
// them (it has ended) or the time is up; then it is killed.
void exchange(pid_t pid, const child_setup &setup, int to_child, int from_out, int from_err, child_outcome &outcome)
{
    feed input(setup);
    const auto deadline = std::chrono::steady_clock::now() + setup.time_limit;
    while (from_out >= 0 || from_err >= 0) {
        if (to_child >= 0 && input.done() && setup.in != input_kind::held_open) {
            close(to_child);
            to_child = -1;
        }
        const auto now = std::chrono::steady_clock::now();
        const auto held_back = input.held_back(now);
        const bool feeding = to_child >= 0 && !input.done() && held_back.count() == 0;
        pollfd fds[3] = {{from_out, POLLIN, 0}, {from_err, POLLIN, 0}, {feeding ? to_child : -1, POLLOUT, 0}};
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - now);
        if (left.count() <= 0) {
            kill(pid, SIGKILL);
            outcome.timed_out = true;
            break;
        }
        const auto wait = held_back.count() == 0 ? left : std::min(left, held_back);
        if (poll(fds, 3, static_cast<int>(wait.count())) < 0 && errno != EINTR) {
            fail("poll");
        }
        if (fds[0].revents != 0) {
            append_from(from_out, outcome.out);
        }
        if (fds[1].revents != 0) {
            append_from(from_err, outcome.err);
        }
        if (feeding && fds[2].revents != 0) {
            write_to(to_child, input);
        }
    }
    for (const int fd : {to_child, from_out, from_err}) {
        if (fd >= 0) {
            close(fd);
        }
    }
}

} // namespace

child_outcome run_child(const std::string &path, const child_setup &setup)
{
    std::vector<std::string> words{path};
    words.insert(words.end(), setup.arguments.begin(), setup.arguments.end());
    std::vector<char *> argv;
    argv.reserve(words.size() + 1);
    for (std::string &w : words) {
        argv.push_back(w.data());
    }
    argv.push_back(nullptr);

    // A reader that goes away must show up as EPIPE here, not kill the test.
    std::signal(SIGPIPE, SIG_IGN);

    pipe_pair in = make_pipe();
    // The child reads the file instead of the pipe, which has nothing to
    // carry; the file is kept open here, to see where the child left it.
    int input_file = -1;
    if (setup.in == input_kind::file) {
        input_file = file_holding(setup.input);
        close(in.read_end);
        in.read_end = input_file;
    }
    const pipe_pair out = make_pipe();
    const pipe_pair err = make_pipe();
    int from_out = out.read_end;
    if (setup.out == output_kind::gone) {
        close(out.read_end);
        from_out = -1;
    }
    const pid_t pid = fork();
    if (pid < 0) {
        fail("fork");
    }
    if (pid == 0) {
        become_child(path, setup, argv.data(), in, out, err);
    }
    if (input_file < 0) {
        close(in.read_end);
        // Fed between reads of the outputs, a write must never block.
        fcntl(in.write_end, F_SETFL, O_NONBLOCK);
    } else {
        close(in.write_end);
        in.write_end = -1;
    }
    close(out.write_end);
    close(err.write_end);

    child_outcome outcome;
    exchange(pid, setup, in.write_end, from_out, err.read_end, outcome);
    int status = 0;
    rusage usage{};
    while (wait4(pid, &status, 0, &usage) < 0) {
        if (errno != EINTR) {
            fail("wait4");
        }
    }
    outcome.max_rss_kib = usage.ru_maxrss;
    if (input_file >= 0) {
        outcome.input_offset = lseek(input_file, 0, SEEK_CUR);
        close(input_file);
    }
    if (WIFEXITED(status)) {
        outcome.exit_status = WEXITSTATUS(status);
    } else if (WIFSIGNALED(status)) {
        outcome.signal = WTERMSIG(status);
    }
    return outcome;
}
