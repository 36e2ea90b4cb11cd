// tovac: the host program of libtovac.so. It loads the library from its own directory, runs
// tovac_main with its own arguments, ends the connection with tovac_shutdown and exits 0 when
// tovac_main returned 0, else 1.
#include <dlfcn.h>
#include <unistd.h>

#include <cstdio>
#include <string>

namespace {

// The directory of this program, from /proc/self/exe (so the library is found wherever the program
// is started from, and never through the library search path).
std::string program_directory() {
    std::string path(4096, '\0');
    const ssize_t n = ::readlink("/proc/self/exe", path.data(), path.size() - 1);
    if (n <= 0) return ".";
    path.resize(static_cast<std::size_t>(n));
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos || slash == 0 ? std::string(slash == 0 ? "/" : ".") : path.substr(0, slash);
}

}  // namespace

int main(int argc, char** argv) {
    const std::string library = program_directory() + "/libtovac.so";
    void* handle = ::dlopen(library.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (handle == nullptr) {
        std::fprintf(stderr, "tovac: cannot load %s: %s\n", library.c_str(), ::dlerror());
        return 1;
    }
    using MainFn = int (*)(int, char**);
    using ShutdownFn = int (*)();
    auto* run = reinterpret_cast<MainFn>(::dlsym(handle, "tovac_main"));
    auto* shutdown = reinterpret_cast<ShutdownFn>(::dlsym(handle, "tovac_shutdown"));
    if (run == nullptr || shutdown == nullptr) {
        std::fprintf(stderr, "tovac: %s lacks tovac_main or tovac_shutdown\n", library.c_str());
        ::dlclose(handle);
        return 1;
    }
    const int result = run(argc, argv);
    shutdown();
    ::dlclose(handle);
    return result == 0 ? 0 : 1;
}
