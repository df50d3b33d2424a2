// Drives a fuzz target without libFuzzer, as CTest does under g++: every file
// in the folders named on the command line (the seed corpus and the inputs
// that once failed), then, for the targets that have one, a fixed
// pseudo-random batch. A broken guarantee aborts inside the target.
//
// usage: rasterkit_<target>_fuzz_replay FOLDER... [--random COUNT]

#include "replay.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

// Replays the folder's files in name order; files whose names start with '.'
// (.gitkeep) are skipped. Returns the number replayed, or -1.
long replayFolder(const std::filesystem::path& folder)
{
    std::error_code error;
    std::vector<std::filesystem::path> files;
    for (const auto& entry : std::filesystem::directory_iterator(folder, error)) {
        if (entry.is_regular_file() && !entry.path().filename().string().starts_with('.'))
            files.push_back(entry.path());
    }
    if (error) {
        std::fprintf(stderr, "%s: cannot read the folder: %s\n", folder.string().c_str(), error.message().c_str());
        return -1;
    }
    std::sort(files.begin(), files.end());
    for (const auto& file : files) {
        std::ifstream stream(file, std::ios::binary);
        // Exactly the file's length, so that the sanitizers catch any read past its end.
        const std::vector<std::uint8_t> input((std::istreambuf_iterator<char>(stream)), std::istreambuf_iterator<char>());
        if (!stream.good() && !stream.eof()) {
            std::fprintf(stderr, "%s: cannot read the file\n", file.string().c_str());
            return -1;
        }
        std::fprintf(stderr, "replaying %s (%zu bytes)\n", file.filename().string().c_str(), input.size());
        LLVMFuzzerTestOneInput(input.data(), input.size());
    }
    return static_cast<long>(files.size());
}

} // namespace

int main(int argc, char** argv)
{
    long replayed = 0;
    long randomCount = 0;
    for (int index = 1; index < argc; ++index) {
        const std::string argument = argv[index];
        if (argument == "--random" && index + 1 < argc) {
            randomCount = std::strtol(argv[++index], nullptr, 10);
            continue;
        }
        const long count = replayFolder(argument);
        if (count < 0)
            return 1;
        replayed += count;
    }
    if (replayed == 0) {
        std::fprintf(stderr, "the folders hold no inputs\n");
        return 1;
    }
    std::printf("replayed %ld inputs\n", replayed);
    if (randomCount > 0) {
        if (rasterkit::fuzz::runRandomBatch == nullptr) {
            std::fprintf(stderr, "this target has no random batch\n");
            return 1;
        }
        if (!rasterkit::fuzz::runRandomBatch(randomCount))
            return 1;
    }
    return 0;
}
