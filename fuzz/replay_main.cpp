// Runs the fuzz target over files, or directories of files, without a
// fuzzer: the checked-in corpus is replayed in every build.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size);

namespace {

void replay(const std::filesystem::path &file)
{
    std::FILE *in = std::fopen(file.c_str(), "rb");
    std::vector<std::uint8_t> bytes;
    if (in != nullptr) {
        std::uint8_t buf[65536];
        std::size_t n = 0;
        while ((n = std::fread(buf, 1, sizeof buf, in)) > 0) {
            bytes.insert(bytes.end(), buf, buf + n);
        }
    }
    if (in == nullptr || std::ferror(in) != 0) {
        std::fprintf(stderr, "replay: cannot read %s\n", file.c_str());
        std::exit(1);
    }
    std::fclose(in);
    LLVMFuzzerTestOneInput(bytes.data(), bytes.size());
}

} // namespace

int main(int argc, char **argv)
{
    std::size_t replayed = 0;
    for (int i = 1; i < argc; ++i) {
        std::vector<std::filesystem::path> files;
        if (std::filesystem::is_directory(argv[i])) {
            for (const auto &entry : std::filesystem::directory_iterator(argv[i])) {
                files.push_back(entry.path());
            }
            std::sort(files.begin(), files.end());
        } else {
            files.emplace_back(argv[i]);
        }
        for (const auto &file : files) {
            replay(file);
            ++replayed;
        }
    }
    std::printf("replayed %zu inputs\n", replayed);
    // An empty corpus would pass without testing anything.
    return replayed == 0 ? 1 : 0;
}
