// Runs a fuzz harness once on every file under the folders given, in name
// order: the ordinary test run replays the seeds and the saved reproducers
// with the ordinary compiler, without the fuzzing engine. A missing folder
// fails, so that a misspelt path cannot pass by replaying nothing.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

int main(int argc, char** argv)
{
    namespace fs = std::filesystem;
    int replayed = 0;
    for (int i = 1; i < argc; ++i) {
        std::error_code ec;
        if (!fs::is_directory(argv[i], ec)) {
            std::fprintf(stderr, "not a folder: %s\n", argv[i]);
            return 2;
        }
        std::vector<fs::path> files;
        for (const auto& entry : fs::recursive_directory_iterator(argv[i])) {
            // Dot files keep otherwise empty folders in the repository.
            if (entry.is_regular_file() && entry.path().filename().string()[0] != '.') {
                files.push_back(entry.path());
            }
        }
        std::sort(files.begin(), files.end());
        for (const fs::path& file : files) {
            // Named before it runs: a crash's output then says which file it was.
            std::printf("%s\n", file.c_str());
            std::fflush(stdout);
            std::ifstream in(file, std::ios::binary);
            const std::vector<char> bytes((std::istreambuf_iterator<char>(in)),
                                          std::istreambuf_iterator<char>());
            const auto* data = reinterpret_cast<const std::uint8_t*>(bytes.data());
            LLVMFuzzerTestOneInput(data, bytes.size());
            ++replayed;
        }
    }
    std::printf("%d inputs replayed\n", replayed);
    return 0;
}
