// Fuzz target of the command shell: random argument vectors and input lines through the option
// parser, the key file checks, the scripted and the interactive interpreter, with no network.
//
// Input: the first byte picks whether "connecting" gives a connection that fails at its first read or
// no connection at all; then argument words separated by NUL bytes up to a 0x01 byte; the rest is the
// shell's standard input. '/' is replaced by '_' everywhere, so file names stay inside the scratch
// directory this target works in (it holds a private key file "key", an open one "openkey" and an
// input file "in").
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "util/tovad/shell_connect.h"
#include "util/tovad/shell_main.h"

namespace {

std::FILE* g_messages = nullptr;
bool g_offline = true;

tovac::ShellConnection fake_connector(tovac::ShellState&) {
    return g_offline ? tovac::open_offline_connection() : nullptr;
}

void write_file(const char* name, const char* content, mode_t mode) {
    const int fd = ::open(name, O_WRONLY | O_CREAT | O_TRUNC, mode);
    if (fd < 0) return;
    if (::write(fd, content, std::char_traits<char>::length(content)) < 0) {
    }
    ::fchmod(fd, mode);
    ::close(fd);
}

// The target works in a scratch directory. Corpus directories named relative to where it was started,
// and the place for crash artifacts, are made absolute first so that they still mean the same.
void absolute_arguments(int* argc, char*** argv) {
    static std::vector<std::string> storage;
    static std::vector<char*> pointers;
    const std::string cwd = std::filesystem::current_path().string() + "/";
    bool artifact_prefix = false;
    storage.push_back((*argv)[0]);
    for (int i = 1; i < *argc; ++i) {
        std::string arg = (*argv)[i];
        if (arg.rfind("-artifact_prefix=", 0) == 0) {
            artifact_prefix = true;
            if (arg.size() > 17 && arg[17] != '/') arg = "-artifact_prefix=" + cwd + arg.substr(17);
        } else if (!arg.empty() && arg[0] != '-' && arg[0] != '/') {
            arg = cwd + arg;
        }
        storage.push_back(arg);
    }
    if (!artifact_prefix) storage.push_back("-artifact_prefix=" + cwd);
    for (auto& s : storage) pointers.push_back(s.data());
    pointers.push_back(nullptr);
    *argc = static_cast<int>(storage.size());
    *argv = pointers.data();
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    absolute_arguments(argc, argv);
    char pattern[] = "/tmp/fuzz-tovac-XXXXXX";
    if (::mkdtemp(pattern) == nullptr || ::chdir(pattern) != 0) std::abort();
    static const std::string scratch = pattern;
    std::atexit([] {
        std::error_code ec;
        std::filesystem::remove_all(scratch, ec);
    });
    write_file("key", "pw", 0600);
    write_file("openkey", "pw", 0644);
    write_file("in", "content of the input file\n", 0600);
    g_messages = std::fopen("/dev/null", "w");
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    g_offline = (data[0] & 1) != 0;
    std::string bytes(reinterpret_cast<const char*>(data + 1), size - 1);
    for (char& c : bytes) {
        if (c == '/') c = '_';
    }
    const std::size_t split = bytes.find('\x01');
    const std::string arguments = bytes.substr(0, split);
    std::string input = split == std::string::npos ? std::string() : bytes.substr(split + 1);

    std::vector<std::string> words = {"tovac"};
    std::size_t start = 0;
    while (start <= arguments.size() && words.size() < 64) {
        const std::size_t end = arguments.find('\0', start);
        words.push_back(arguments.substr(start, end == std::string::npos ? std::string::npos : end - start));
        if (end == std::string::npos) break;
        start = end + 1;
    }
    std::vector<const char*> argv;
    for (const auto& w : words) argv.push_back(w.c_str());

    tovac::ShellState state;
    std::FILE* in = input.empty() ? std::fopen("/dev/null", "r") : fmemopen(input.data(), input.size(), "r");
    if (in == nullptr) return 0;
    state.in = in;
    state.err = g_messages;
    state.connector = &fake_connector;
    tovac::shell_main(state, static_cast<int>(argv.size()), argv.data());
    tovac::close_connection(state);
    std::fclose(in);
    return 0;
}
