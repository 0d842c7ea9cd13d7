// Runs a fuzz target without libFuzzer: every file of the corpus folders
// named on the command line, then a fixed set of mutations of them, so the
// targets run with the sanitizers in every test run.
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

namespace {

using bytes = std::vector<uint8_t>;

void run(const bytes& input)
{
    LLVMFuzzerTestOneInput(input.data(), input.size());
}

bytes mutate(bytes input, std::mt19937& random)
{
    int edits = 1 + static_cast<int>(random() % 8);
    for (int i = 0; i < edits; ++i) {
        size_t at = input.empty() ? 0 : random() % input.size();
        switch (random() % 5) {
        case 0:
            if (!input.empty())
                input[at] = static_cast<uint8_t>(random());
            break;
        case 1:
            input.insert(input.begin() + static_cast<long>(at), static_cast<uint8_t>(random()));
            break;
        case 2:
            if (!input.empty())
                input.erase(input.begin() + static_cast<long>(at));
            break;
        case 3:
            input.resize(at);
            break;
        case 4: {
            // Characters that matter to text formats.
            const char special[] = "[]=;#\"'\n\r\t %\\";
            input.insert(input.begin() + static_cast<long>(at),
                         static_cast<uint8_t>(special[random() % (sizeof special - 1)]));
            break;
        }
        }
    }
    return input;
}

}  // namespace

int main(int argc, char** argv)
{
    std::vector<bytes> corpus;
    for (int i = 1; i < argc; ++i) {
        for (const auto& entry : std::filesystem::directory_iterator(argv[i])) {
            std::ifstream in(entry.path(), std::ios::binary);
            corpus.emplace_back(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
        }
    }
    corpus.emplace_back();
    for (const bytes& input : corpus)
        run(input);
    std::mt19937 random(12345);
    for (int i = 0; i < 5000; ++i)
        run(mutate(corpus[random() % corpus.size()], random));
    std::printf("%zu corpus inputs and 5000 mutations ran\n", corpus.size());
    return 0;
}
