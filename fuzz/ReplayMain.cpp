// Replays fuzz corpora and regression files through a fuzz entry point without libFuzzer,
// so the normal test run keeps every input that was ever found or collected.
// Usage: <replay> CORPUS [MORE...]. CORPUS must be a folder holding at least one file: a
// missing or empty corpus would make the replay pass without testing anything. The further
// folders (regressions) may be missing or empty.
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

namespace {

// Feeds every regular file below dir to the entry point; returns how many there were.
std::size_t replayFolder(const std::filesystem::path& dir)
{
    std::size_t replayed = 0;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(dir)) {
        if (!entry.is_regular_file())
            continue;
        std::ifstream in(entry.path(), std::ios::binary);
        std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        LLVMFuzzerTestOneInput(bytes.data(), bytes.size());
        ++replayed;
    }
    return replayed;
}

} // namespace

int main(int argc, char** argv)
{
    namespace fs = std::filesystem;
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s CORPUS [FOLDER...]\n", argv[0]);
        return 2;
    }
    const fs::path corpus = argv[1];
    if (!fs::is_directory(corpus)) {
        std::fprintf(stderr, "corpus folder missing: %s\n", corpus.c_str());
        return 1;
    }
    const std::size_t fromCorpus = replayFolder(corpus);
    if (fromCorpus == 0) {
        std::fprintf(stderr, "corpus folder holds no input: %s\n", corpus.c_str());
        return 1;
    }
    std::size_t replayed = fromCorpus;
    for (int i = 2; i < argc; ++i)
        if (fs::is_directory(argv[i]))
            replayed += replayFolder(argv[i]);
    std::printf("replayed %zu inputs\n", replayed);
    return 0;
}
