// gen_config: writes a large, realistic configuration file for benchmarks and load tests.
//
//   gen_config [--settings N] [--<kind> N]... [--seed S] [-o FILE]
//
// With --settings, the content is a realistic mix of about N setting lines. With one or more
// --<kind> options (one per generator: rules, objects, interfaces, globals, ...), exactly those
// items are written instead. Output goes to FILE or standard output.
#include <CLI/CLI.hpp>

#include <cstdint>
#include <fstream>
#include <iostream>
#include <map>
#include <string>

#include "bench/config_generators.h"

int main(int argc, char** argv) {
    CLI::App app{"Writes a large, realistic configuration file (name=value setting lines)."};
    long settings = 0;
    std::uint64_t seed = 1;
    std::string output;
    std::map<std::string, long> counts;
    app.add_option("--settings", settings, "about this many setting lines, in a realistic mix");
    for (const ConfigGenerator& g : generatorTable())
        app.add_option(std::string("--") + g.name, counts[g.name], std::string("items: ") + g.description);
    app.add_option("--seed", seed, "seed of the random source (same seed, same file)");
    app.add_option("-o,--output", output, "output file (default: standard output)");
    app.footer("Example: gen_config --settings 1000000 -o big.conf");
    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        return app.exit(e);
    }

    GeneratorPlan plan;
    for (const ConfigGenerator& g : generatorTable())
        if (counts[g.name] > 0) plan.items.push_back({&g, counts[g.name]});
    if (plan.items.empty())
        plan = planForSettings(settings > 0 ? settings : 1000);
    else if (settings > 0) {
        std::cerr << "gen_config: give either --settings or item counts, not both\n";
        return 2;
    }

    std::ofstream file;
    std::ostream* out = &std::cout;
    if (!output.empty()) {
        file.open(output, std::ios::binary | std::ios::trunc);
        if (!file) {
            std::cerr << "gen_config: cannot create " << output << '\n';
            return 1;
        }
        out = &file;
    }
    long lines = writeConfig(*out, plan, seed);
    out->flush();
    if (file.is_open()) file.close();
    if (!*out || (!output.empty() && file.fail())) {
        std::cerr << "gen_config: writing failed\n";
        return 1;
    }
    std::cerr << "gen_config: " << lines << " setting lines\n";
    return 0;
}
