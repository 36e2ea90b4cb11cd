// Generators of large, realistic configuration files for benchmarks and load tests. Each kind of
// content (numbered rules, network objects, interfaces and interface lists, global settings) is one
// generator in a table; a generator writes `count` items, each a group of setting lines, with
// numbers and addresses drawn from a seeded random source so that runs are repeatable.
//
// To add a kind, write a function of the GeneratorFn form and add a row to generatorTable() in
// config_generators.cpp. Single-threaded.
#pragma once

#include <cstdint>
#include <iosfwd>
#include <random>
#include <string>
#include <vector>

// The seeded random source every generator draws from.
using GeneratorRandom = std::mt19937_64;

// Writes `count` items of one kind; returns the number of setting lines written.
using GeneratorFn = long (*)(std::ostream& out, long count, GeneratorRandom& random);

struct ConfigGenerator {
    const char* name;         // command-line name, e.g. "rules"
    const char* description;  // one line for --help
    int settingsPerItem;      // about how many setting lines one item makes
    GeneratorFn generate;
};

const std::vector<ConfigGenerator>& generatorTable();
const ConfigGenerator* findGenerator(const std::string& name);

// How many items of each kind to write; order follows the table.
struct GeneratorPlan {
    std::vector<std::pair<const ConfigGenerator*, long>> items;
};

// A plan for about `settings` setting lines in a realistic mix: mostly numbered rules (one very
// wide branch), then network objects, a few interfaces and lists, and some global settings.
GeneratorPlan planForSettings(long settings);

// Writes the plan's items; returns the number of setting lines written.
long writeConfig(std::ostream& out, const GeneratorPlan& plan, std::uint64_t seed);

// Writes a configuration of about `settings` lines to path; returns the number of lines written,
// or -1 when the file could not be written.
long writeConfigFile(const std::string& path, long settings, std::uint64_t seed);
