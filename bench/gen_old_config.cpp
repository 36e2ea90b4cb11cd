// gen_old_config: writes a large old (5.x) configuration and the matching new (6.0) initial
// configuration, for trying the offline conversion on big inputs.
//
//   gen_old_config [--scale K] [--seed S] --old OLD.conf [--new INIT.conf]
//
// Scale 1 holds 200 interfaces with two aliases each, 50,000 proxy rules, 20,000 packet filter edit
// lines, 10,000 NAT/INAT rules and 10,000 destination records; scale K multiplies every count.
#include <CLI/CLI.hpp>

#include <cstdint>
#include <fstream>
#include <iostream>
#include <string>

#include "bench/old_config_generator.h"

int main(int argc, char** argv) {
    CLI::App app{"Writes a large old configuration and the matching new initial configuration."};
    int scale = 1;
    std::uint64_t seed = 1;
    std::string oldPath;
    std::string newPath;
    app.add_option("--scale", scale, "multiply every count by this")->check(CLI::PositiveNumber);
    app.add_option("--seed", seed, "seed of the random source (same seed, same file)");
    app.add_option("--old", oldPath, "the old configuration to write")->required();
    app.add_option("--new", newPath, "the new initial configuration to write");
    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        return app.exit(e);
    }

    const OldConfigSize size = OldConfigSize{}.scaled(scale);
    std::ofstream oldFile(oldPath, std::ios::binary | std::ios::trunc);
    const long oldLines = writeOldConfig(oldFile, size, seed);
    oldFile.close();
    if (!oldFile) {
        std::cerr << "gen_old_config: cannot write " << oldPath << '\n';
        return 1;
    }
    std::cerr << oldPath << ": " << oldLines << " settings\n";
    if (!newPath.empty()) {
        std::ofstream newFile(newPath, std::ios::binary | std::ios::trunc);
        const long newLines = writeNewConfig(newFile, size);
        newFile.close();
        if (!newFile) {
            std::cerr << "gen_old_config: cannot write " << newPath << '\n';
            return 1;
        }
        std::cerr << newPath << ": " << newLines << " settings\n";
    }
    return 0;
}
