// Fuzz target: the real scan of each program on a memory stream must agree
// with the oracle on the verdict, on how many bytes it takes and on the place
// of the first fault.
#include "oracle.hpp"
#include "scan_support.hpp"

#include <cstdint>
#include <cstdio>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const std::string_view text(reinterpret_cast<const char *>(data), size);
    static_assert(oracle_programs.size() == std::tuple_size_v<decltype(all_programs)>);
    for (std::size_t i = 0; i < all_programs.size(); ++i) {
        if (oracle_programs[i].name != all_programs[i].rules.name) {
            std::fprintf(stderr, "the oracle's programs are not listed in the checker's order\n");
            std::abort();
        }
        const oracle_answer want = oracle(oracle_programs[i], text);
        const scan_status want_status = want.good ? scan_status::good : scan_status::bad;
        // The stream's own buffer, then one so small that it is refilled
        // within the text and the bulk skip's blocks straddle its ends.
        for (const std::size_t buffer_size : {std::size_t{0}, std::size_t{67}}) {
            const scanned got = scan_bytes(all_programs[i], text, buffer_size);
            if (got.status != want_status || got.taken != static_cast<long>(want.taken) || got.place != want.place) {
                std::fprintf(
                    stderr,
                    "%s on %zu bytes, buffer %zu: scan said %s after %ld bytes (%s), oracle %s after %zu (%s)\n",
                    all_programs[i].rules.name, size, buffer_size,
                    got.status == scan_status::good ? "good" : "not good", got.taken, got.place.c_str(),
                    want.good ? "good" : "bad", want.taken, want.place.c_str());
                std::abort();
            }
        }
    }
    return 0;
}
