// The table of configuration generators and the mixing of their output.
#include "bench/config_generators.h"

#include <algorithm>
#include <fstream>
#include <ostream>

namespace {

const char* const kActions[] = {"allow", "deny", "reject", "allow", "allow"};
const char* const kServices[] = {"http", "https", "smtp", "ftp", "dns", "ssh", "ntp", "imap", "pop3", "any"};
const char* const kInterfaces[] = {"eth0", "eth1", "eth2", "eth3", "any"};

template <std::size_t N>
const char* pick(const char* const (&table)[N], GeneratorRandom& random) {
    return table[random() % N];
}

std::string address(GeneratorRandom& random) {
    return "10." + std::to_string(random() % 256) + "." + std::to_string(random() % 256) + "." +
           std::to_string(1 + random() % 254);
}

// Numbered filter rules under one branch: the widest branch of a big configuration.
long rules(std::ostream& out, long count, GeneratorRandom& random) {
    out << "rule_filter_num_rules=" << count << '\n';
    for (long i = 1; i <= count; ++i) {
        const std::string p = "rule_filter_" + std::to_string(i) + "_";
        out << p << "name=rule" << i << '\n'
            << p << "action=" << pick(kActions, random) << '\n'
            << p << "src=net_ipaddr_" << address(random) << '\n'
            << p << "dst=net_ipnet_" << address(random) << "_24\n"
            << p << "service=" << pick(kServices, random) << '\n'
            << p << "interface=" << pick(kInterfaces, random) << '\n'
            << p << "log=" << (random() % 2 ? "on" : "off") << '\n'
            << p << "enabled=yes\n"
            << p << "order=" << i << '\n'
            << p << "comment=generated rule " << i << " for load tests\n";
    }
    return 1 + 10 * count;
}

// Network address objects.
long objects(std::ostream& out, long count, GeneratorRandom& random) {
    for (long i = 1; i <= count; ++i) {
        const std::string p = "netobj_list_" + std::to_string(i) + "_";
        bool host = random() % 3 != 0;
        out << p << "name=" << (host ? "host" : "net") << i << '\n'
            << p << "type=" << (host ? "ipaddr" : "ipnet") << '\n'
            << p << "addr=" << address(random) << '\n'
            << p << "mask=" << (host ? "255.255.255.255" : "255.255.255.0") << '\n'
            << p << "comment=object " << i << '\n';
    }
    return 5 * count;
}

// Interfaces and interface lists (blank-separated member lists).
long interfaces(std::ostream& out, long count, GeneratorRandom& random) {
    long lines = 0;
    for (long i = 0; i < count; ++i) {
        const std::string p = "if_" + std::to_string(i) + "_";
        out << p << "name=eth" << i << '\n'
            << p << "addr=" << address(random) << '\n'
            << p << "mask=255.255.255.0\n"
            << p << "mtu=1500\n"
            << p << "type=" << (i % 4 == 3 ? "vlan" : "physical") << '\n';
        lines += 5;
        if (i % 4 == 3) {
            out << "iflist_" << i / 4 << "_members=";
            for (long j = i - 3; j <= i; ++j) out << (j == i - 3 ? "" : " ") << "eth" << j;
            out << '\n';
            ++lines;
        }
    }
    return lines;
}

// Global settings of one level or two.
long globals(std::ostream& out, long count, GeneratorRandom& random) {
    out << "hostname=fw-bench\n";
    for (long i = 1; i < count; ++i) out << "global_option" << i << "=" << random() % 1000 << '\n';
    return std::max(1L, count);
}

}  // namespace

const std::vector<ConfigGenerator>& generatorTable() {
    static const std::vector<ConfigGenerator> table = {
        {"rules", "numbered filter rules under one branch (10 settings each)", 10, rules},
        {"objects", "network address objects (5 settings each)", 5, objects},
        {"interfaces", "interfaces (5 settings each) and a member list per 4 of them", 5, interfaces},
        {"globals", "top-level settings (1 each)", 1, globals},
    };
    return table;
}

const ConfigGenerator* findGenerator(const std::string& name) {
    for (const ConfigGenerator& g : generatorTable())
        if (name == g.name) return &g;
    return nullptr;
}

GeneratorPlan planForSettings(long settings) {
    GeneratorPlan plan;
    long interfaceCount = std::min(64L, std::max(1L, settings / 1000));
    long globalCount = std::min(200L, std::max(1L, settings / 500));
    long rest = std::max(0L, settings - 5 * interfaceCount - globalCount);
    long objectCount = rest * 15 / 100 / 5;
    long ruleCount = std::max(0L, (rest - 5 * objectCount - 1) / 10);
    plan.items.push_back({findGenerator("globals"), globalCount});
    plan.items.push_back({findGenerator("interfaces"), interfaceCount});
    plan.items.push_back({findGenerator("objects"), objectCount});
    plan.items.push_back({findGenerator("rules"), ruleCount});
    return plan;
}

long writeConfig(std::ostream& out, const GeneratorPlan& plan, std::uint64_t seed) {
    GeneratorRandom random(seed);
    long lines = 0;
    for (const auto& [generator, count] : plan.items)
        if (count > 0) lines += generator->generate(out, count, random);
    return lines;
}

long writeConfigFile(const std::string& path, long settings, std::uint64_t seed) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    if (!out) return -1;
    long lines = writeConfig(out, planForSettings(settings), seed);
    out.close();
    return out.fail() ? -1 : lines;
}
