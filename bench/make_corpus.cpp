// Writes a deterministic benchmark corpus to standard output: the same kind
// and size give the same bytes on every machine. Every corpus is well formed
// (the deep one too), so the checker reads it to its last byte.
//
// Usage: make_corpus c|prose|deep|dense [SIZE_IN_MIB]
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

namespace {

// splitmix64: tiny, fast and the same everywhere.
class random_source {
  public:
    explicit random_source(std::uint64_t seed) : state_(seed)
    {
    }
    std::uint64_t next()
    {
        std::uint64_t z = (state_ += 0x9E3779B97F4A7C15ULL);
        z = (z ^ (z >> 30U)) * 0xBF58476D1CE4E5B9ULL;
        z = (z ^ (z >> 27U)) * 0x94D049BB133111EBULL;
        return z ^ (z >> 31U);
    }
    std::size_t below(std::size_t n)
    {
        return static_cast<std::size_t>(next() % n);
    }
    template <typename T, std::size_t N> const T &pick(const T (&items)[N])
    {
        return items[below(N)];
    }

  private:
    std::uint64_t state_;
};

class sink {
  public:
    explicit sink(std::size_t limit) : limit_(limit)
    {
    }
    [[nodiscard]] bool full() const
    {
        return written_ >= limit_;
    }
    void put(std::string_view s)
    {
        buffer_.append(s);
        if (buffer_.size() >= (1U << 20)) {
            flush();
        }
    }
    void flush()
    {
        if (std::fwrite(buffer_.data(), 1, buffer_.size(), stdout) != buffer_.size()) {
            std::perror("make_corpus: write");
            std::exit(1);
        }
        written_ += buffer_.size();
        buffer_.clear();
    }

  private:
    std::size_t limit_;
    std::size_t written_ = 0;
    std::string buffer_;
};

const char *const identifiers[] = {"count", "buffer", "index", "node", "value",  "length", "result",
                                   "entry", "table",  "state", "next", "offset", "limit",  "item"};
const char *const types[] = {"int", "size_t", "char *", "struct node *", "unsigned", "double"};

// C-like source: functions of statements, calls, indexing and blocks.
// About 7 % of its bytes are brackets.
void c_source(sink &out, random_source &random)
{
    std::string line;
    while (!out.full()) {
        out.put("static ");
        out.put(random.pick(types));
        out.put(" ");
        out.put(random.pick(identifiers));
        out.put("_update(");
        out.put(random.pick(types));
        out.put(" ");
        out.put(random.pick(identifiers));
        out.put(", const char *name)\n{\n");
        const std::size_t statements = 3 + random.below(6);
        for (std::size_t s = 0; s < statements; ++s) {
            const char *a = random.pick(identifiers);
            const char *b = random.pick(identifiers);
            const char *c = random.pick(identifiers);
            line.clear();
            switch (random.below(4)) {
            case 0:
                line = std::string("    ") + a + " = " + b + "[" + c + "] + calc_" + a + "(" + b + ", " + c +
                       "); /* running total */\n";
                break;
            case 1:
                line = std::string("    if (") + a + " > " + b + ") {\n        " + c + " = get_" + b + "(" + a +
                       ", sizeof(" + c + "));\n    }\n";
                break;
            case 2:
                line = std::string("    for (") + a + " = 0; " + a + " < " + b + "; " + a + "++) {\n        " + c +
                       "[" + a + "] = " + b + " * 2 + " + c + ";\n    }\n";
                break;
            default:
                line = std::string(R"(    printf("%s: %d\n", name, )") + a + ");\n";
                break;
            }
            out.put(line);
        }
        out.put("    return ");
        out.put(random.pick(identifiers));
        out.put(";\n}\n\n");
    }
}

const char *const words[] = {"the",   "of",    "and",    "a",       "to",     "in",    "is",      "that",
                             "river", "north", "slowly", "between", "houses", "light", "winter",  "across",
                             "was",   "were",  "their",  "which",   "along",  "under", "morning", "village"};

// English prose: sentences and paragraphs, now and then an aside in
// brackets. About 0.4 % of its bytes are brackets.
void prose(sink &out, random_source &random)
{
    while (!out.full()) {
        const std::size_t sentences = 3 + random.below(5);
        for (std::size_t s = 0; s < sentences; ++s) {
            const std::size_t length = 8 + random.below(14);
            for (std::size_t w = 0; w < length; ++w) {
                out.put(w == 0 ? "The" : random.pick(words));
                if (random.below(90) == 0) {
                    out.put(" (as ");
                    out.put(random.pick(words));
                    out.put(" ");
                    out.put(random.pick(words));
                    out.put(")");
                }
                out.put(w + 1 == length ? ". " : " ");
            }
        }
        out.put("\n\n");
    }
}

// Ten million opening round brackets, then as many closing ones: the
// stack at its deepest. The size argument does not apply.
void deep(sink &out)
{
    constexpr std::size_t depth = 10'000'000;
    for (const char bracket : {'(', ')'}) {
        const std::string run(1 << 16, bracket);
        for (std::size_t i = 0; i < depth; i += run.size()) {
            out.put(std::string_view(run).substr(0, depth - i));
        }
    }
}

// Half brackets, half letters, nested up to 64 deep at random, and
// closed in full at the end.
void dense(sink &out, random_source &random)
{
    static constexpr char open[] = "([{";
    static constexpr char close[] = ")]}";
    std::vector<std::size_t> open_kinds;
    char pair[2];
    while (!out.full()) {
        const std::uint64_t r = random.next();
        pair[0] = static_cast<char>('a' + (r & 15U));
        const bool push = open_kinds.empty() || (open_kinds.size() < 64 && ((r >> 8U) & 1U) != 0);
        if (push) {
            open_kinds.push_back(static_cast<std::size_t>((r >> 16U) % 3));
            pair[1] = open[open_kinds.back()];
        } else {
            pair[1] = close[open_kinds.back()];
            open_kinds.pop_back();
        }
        out.put(std::string_view(pair, 2));
    }
    while (!open_kinds.empty()) {
        out.put(std::string_view(&close[open_kinds.back()], 1));
        open_kinds.pop_back();
    }
}

} // namespace

int main(int argc, char **argv)
{
    if (argc < 2 || argc > 3) {
        std::fprintf(stderr, "usage: make_corpus c|prose|deep|dense [SIZE_IN_MIB]\n");
        return 2;
    }
    const std::string_view kind = argv[1];
    const std::size_t mib = argc == 3 ? std::strtoull(argv[2], nullptr, 10) : 256;
    sink out(mib << 20U);
    random_source random(0x70617265ULL);
    if (kind == "c") {
        c_source(out, random);
    } else if (kind == "prose") {
        prose(out, random);
    } else if (kind == "deep") {
        deep(out);
    } else if (kind == "dense") {
        dense(out, random);
    } else {
        std::fprintf(stderr, "make_corpus: unknown kind: %s\n", argv[1]);
        return 2;
    }
    out.flush();
    return std::fclose(stdout) == 0 ? 0 : 1;
}
