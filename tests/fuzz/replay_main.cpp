// The main of a fuzz target's replay program (the target's sources plus this file, built by
// add_fuzz_target in every tree with tests): each file named on the command line, and each regular file
// in each directory named (in name order), is read and fed once to LLVMFuzzerTestOneInput. Arguments
// that start with '-' are libFuzzer options and are passed over. A target's LLVMFuzzerInitialize, when it
// has one, runs first with the arguments, as libFuzzer runs it.
//
// Exit status: 0 when every input ran; 1 when an input cannot be read or no input was found (an empty
// seed corpus would make the test pass on nothing). A crash ends the program as it would the fuzzer.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <system_error>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);
extern "C" __attribute__((weak)) int LLVMFuzzerInitialize(int* argc, char*** argv);

namespace {

namespace fs = std::filesystem;

// The inputs an argument names, as absolute paths (a target's initialisation may change directory).
bool collect(const std::string& argument, std::vector<fs::path>& inputs) {
    std::error_code error;
    const fs::path path = fs::absolute(argument, error);
    if (error) return false;
    if (!fs::is_directory(path, error)) {
        inputs.push_back(path);
        return true;
    }
    std::vector<fs::path> files;
    for (const fs::directory_entry& entry : fs::directory_iterator(path, error)) {
        if (entry.is_regular_file(error)) files.push_back(entry.path());
    }
    if (error) return false;
    std::sort(files.begin(), files.end());
    inputs.insert(inputs.end(), files.begin(), files.end());
    return true;
}

bool readAll(const fs::path& path, std::vector<std::uint8_t>& bytes) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return !in.bad();
}

}  // namespace

int main(int argc, char** argv) {
    const std::string program = argv[0];
    std::vector<fs::path> inputs;
    for (int i = 1; i < argc; ++i) {
        const std::string argument = argv[i];
        if (!argument.empty() && argument[0] == '-') continue;
        if (!collect(argument, inputs)) {
            std::fprintf(stderr, "%s: cannot read %s\n", program.c_str(), argument.c_str());
            return 1;
        }
    }
    if (inputs.empty()) {
        std::fprintf(stderr, "%s: no inputs to replay\n", program.c_str());
        return 1;
    }
    if (LLVMFuzzerInitialize != nullptr) LLVMFuzzerInitialize(&argc, &argv);

    std::vector<std::uint8_t> bytes;
    for (const fs::path& input : inputs) {
        if (!readAll(input, bytes)) {
            std::fprintf(stderr, "%s: cannot read %s\n", program.c_str(), input.c_str());
            return 1;
        }
        // A copy of exactly the input's size, so that a read past its end is caught by the sanitizers.
        // An empty input still comes with a valid pointer, as from libFuzzer.
        std::vector<std::uint8_t> exact(bytes);
        static const std::uint8_t kNothing = 0;
        LLVMFuzzerTestOneInput(exact.empty() ? &kNothing : exact.data(), exact.size());
    }
    std::printf("replayed %zu inputs\n", inputs.size());
    return 0;
}
