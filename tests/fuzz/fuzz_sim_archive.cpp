// Any bytes as the certificate archive a client uploaded to the new firewall: the extraction must
// refuse or extract it without crashing, and never write outside the certificate directory.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <system_error>

#include "sim/cert_archive.h"
#include "sim/firewall_root.h"

namespace fs = std::filesystem;

namespace {

// A scratch firewall root for this process, emptied before each input.
struct Scratch {
    fs::path dir;
    fs::path root;
    fs::path archive;
    Scratch() {
        dir = fs::temp_directory_path() / ("fuzz_sim_archive." + std::to_string(::getpid()));
        root = dir / "root";
        archive = dir / "archive.tar";
    }
    ~Scratch() {
        std::error_code ec;
        fs::remove_all(dir, ec);
    }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static Scratch scratch;
    std::error_code ec;
    fs::remove_all(scratch.root, ec);
    fs::create_directories(scratch.root / "usr/local/etc/kvpn/certs", ec);
    {
        std::ofstream out(scratch.archive, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    }
    const fwsim::FirewallRoot root(scratch.root);
    size_t files = 0;
    std::string error;
    (void)fwsim::unpack_cert_archive(scratch.archive, root, "/usr/local/etc/kvpn/certs", files, error);
    // Nothing lands anywhere in the root but under the certificate directory.
    for (auto it = fs::recursive_directory_iterator(scratch.root, ec); it != fs::recursive_directory_iterator();
         it.increment(ec)) {
        const std::string path = it->path().string();
        const std::string certs = (scratch.root / "usr/local/etc/kvpn/certs").string();
        if (path.rfind(certs, 0) != 0 && certs.rfind(path, 0) != 0) __builtin_trap();
    }
    return 0;
}
