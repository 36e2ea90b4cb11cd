// Large old and new configurations for the conversion benchmark (see old_config_generator.h).
#include "bench/old_config_generator.h"

#include <algorithm>
#include <ostream>
#include <random>
#include <string>
#include <vector>

namespace {

class Writer {
public:
    explicit Writer(std::ostream& out) : out_(out) {}
    template <typename... Parts>
    void line(const Parts&... parts) {
        (out_ << ... << parts);
        out_ << '\n';
        ++count_;
    }
    long count() const { return count_; }

private:
    std::ostream& out_;
    long count_ = 0;
};

std::string hostAddr(int net, int host) {
    return "10." + std::to_string(net / 250 % 250) + "." + std::to_string(net % 250) + "." + std::to_string(host);
}

// Old numbers 1..n in a shuffled order, about one in ten repeated.
std::vector<int> oldNumbers(int n, std::mt19937_64& random) {
    std::vector<int> numbers(static_cast<std::size_t>(n));
    for (int i = 0; i < n; ++i) numbers[static_cast<std::size_t>(i)] = i + 1;
    std::shuffle(numbers.begin(), numbers.end(), random);
    for (int i = 10; i < n; i += 10) numbers[static_cast<std::size_t>(i)] = numbers[static_cast<std::size_t>(i - 3)];
    return numbers;
}

const char* const kProxies[] = {"http", "ftp", "smtp", "telnet", "sql-gw", "pop3", "nntp", "gopher"};

}  // namespace

OldConfigSize OldConfigSize::scaled(int factor) const {
    OldConfigSize s = *this;
    s.interfaces *= factor;
    s.proxyRules *= factor;
    s.editLines *= factor;
    s.natRules *= factor;
    s.destinationRecords *= factor;
    s.serviceGroups *= factor;
    s.newStyleRules *= factor;
    return s;
}

long writeOldConfig(std::ostream& out, const OldConfigSize& size, std::uint64_t seed) {
    Writer w(out);
    std::mt19937_64 random(seed);
    auto pick = [&random](int n) { return static_cast<int>(random() % static_cast<std::uint64_t>(n)); };
    const int interfaces = std::max(size.interfaces, 1);

    w.line("system_hostname=fw-big");
    w.line("system_domain=big.example.net");
    w.line("system_version=5.2");
    w.line("system_syslog_host=10.0.0.25");

    // Interfaces: one physical list, then one alias list per device.
    for (int i = 0; i < interfaces; ++i) {
        const std::string p = "netobj_list_1_element_" + std::to_string(i + 1) + "_";
        w.line(p, "name=Net", i);
        w.line(p, "interface=eth", i);
        w.line(p, "addr=", hostAddr(i, 1));
        w.line(p, "netmask=255.255.255.0");
        w.line(p, "broadcast=", hostAddr(i, 255));
        w.line(p, "location=zone", i % 7);
        w.line(p, "nat=", i % 3 == 0 ? "on" : "off");
        w.line(p, "inat=", i % 5 == 0 ? "on" : "off");
        w.line(p, "transparency=off");
    }
    w.line("netobj_list_1_name=all_interfaces");
    for (int i = 0; i < interfaces; ++i) {
        const std::string list = "netobj_list_" + std::to_string(i + 2) + "_";
        w.line(list, "name=eth", i, "$INTERFACE");
        for (int a = 1; a <= 2; ++a) {
            const std::string p = list + "element_" + std::to_string(a) + "_";
            w.line(p, "name=Net", i, "-alias", a);
            w.line(p, "interface=eth", i, ":", a);
            w.line(p, "addr=", hostAddr(i, 1 + a));
            w.line(p, "netmask=255.255.255.0");
        }
    }

    // Proxies, configuration sets and database-proxy hosts.
    for (const char* proxy : kProxies) {
        w.line("def_proxy_", proxy, "_config-sets_default_timeout=300");
        w.line("def_proxy_", proxy, "_config-sets_strict_timeout=60");
    }
    for (int h = 1; h <= 50; ++h) {
        w.line("def_proxy_sql-gw_host_", h, "_name=db", h);
        w.line("def_proxy_sql-gw_host_", h, "_interface=", hostAddr(pick(interfaces), 1));
    }

    // Service groups, a third with authentication, some with password change.
    const int groups = std::max(size.serviceGroups, 1);
    for (int g = 0; g < groups; ++g) {
        const std::string p = "service_group_Group" + std::to_string(g) + "_";
        w.line(p, "desc=Service group ", g);
        if (g % 3 == 0) {
            w.line(p, "authenticate=on");
            w.line(p, "authserver=radius-", g % 4);
            if (g % 2 == 0) w.line(p, "permit-password=yes");
        }
        for (int e = 1; e <= 3; ++e) {
            w.line(p, "elem_", e, "_obj=def_proxy_", kProxies[(g + e) % 8], "_config-sets_",
                   e % 2 ? "default" : "strict");
        }
    }

    // Destination records over a set of rule labels.
    const int labels = std::max(size.proxyRules / 25, 1);
    for (int d = 0; d < size.destinationRecords; ++d) {
        const std::string p = "destination_group_" + std::to_string(d + 1) + "_";
        w.line(p, "service=Label", pick(labels));
        w.line(p, "pd=", pick(2) ? "P" : "D");
        switch (d % 4) {
        case 0:
            w.line(p, "dest=", hostAddr(1000 + d, 10));
            break;
        case 1:
            w.line(p, "dest=", hostAddr(2000 + d, 0), ":255.255.255.0");
            break;
        case 2:
            w.line(p, "dest=*.site", d % 500, ".example.com");
            break;
        default:
            w.line(p, "dest=", hostAddr(3000 + d, 1), "-", hostAddr(3000 + d, 100));
            break;
        }
    }

    // Proxy rules in shuffled old-number order.
    const std::vector<int> proxyNumbers = oldNumbers(size.proxyRules, random);
    for (int r = 0; r < size.proxyRules; ++r) {
        const std::string p = "rule_proxy_" + std::to_string(proxyNumbers[static_cast<std::size_t>(r)]) + "_";
        w.line(p, "rulelabel=Label", pick(labels));
        w.line(p, "action=", pick(4) ? "allow" : "deny");
        if (r % 97 != 0) w.line(p, "src=", hostAddr(pick(400), 0), ":255.255.255.0");
        w.line(p, "service=service_group_Group", pick(groups));
        if (r % 3 == 0) w.line(p, "dest=destination_group_PermitAll");
        if (r % 2 == 0) w.line(p, "state=", pick(5) ? "on" : "off");
        if (r % 4 == 0) w.line(p, "loglevel_number=", 1 + pick(5));
    }

    // NAT and INAT rules.
    const std::vector<int> natNumbers = oldNumbers(size.natRules, random);
    for (int r = 0; r < size.natRules; ++r) {
        const std::string p = "rule_natrule_" + std::to_string(natNumbers[static_cast<std::size_t>(r)]) + "_";
        const bool inat = r % 4 == 0;
        w.line(p, "global_range_type=host");
        w.line(p, "global_range_delimiter=");
        w.line(p, "global_range_start_addr=", hostAddr(5000 + r / 200, 1 + r % 200));
        w.line(p, "local_range_type=", inat ? "host" : "mask");
        w.line(p, "local_range_delimiter=", inat ? "" : "255.255.255.0");
        w.line(p, "local_range_start_addr=", hostAddr(pick(interfaces), inat ? 20 : 0));
        if (!inat) {
            w.line(p, "remote_range_type=mask");
            w.line(p, "remote_range_delimiter=0.0.0.0");
            w.line(p, "remote_range_start_addr=0.0.0.0");
            w.line(p, "port_start=0");
            w.line(p, "port_end=0");
            w.line(p, "protocols=all");
        }
        w.line(p, "network_name=", r % 211 == 0 ? std::string("*") : "eth" + std::to_string(pick(interfaces)));
        w.line(p, "rule_type=", inat ? "illegal" : "hide");
    }

    // Packet filter edit lines, forward and local, with options and masks.
    const std::vector<int> editNumbers = oldNumbers(size.editLines, random);
    for (int r = 0; r < size.editLines; ++r) {
        const char* direction = r % 2 ? "lcl" : "fwd";
        const char* action = r % 3 == 0 ? "Permit" : (r % 3 == 1 ? "FilterAll-FSA" : "Deny");
        const char* proto = r % 5 == 0 ? "tcp:!syn:&ack" : (r % 5 == 1 ? "udp" : "tcp");
        w.line("pfedit_", direction, "_rule", editNumbers[static_cast<std::size_t>(r)], "=", action, "+eth",
               pick(interfaces), "+", proto, "+1024-65535+", hostAddr(pick(400), 0), "+255.255.255.0+", 1 + pick(1000),
               "-", 1 + pick(1000), "+", hostAddr(pick(4000), 1 + pick(200)), "+255.255.255.255+edit line ", r);
    }

    // New-style rules already present in the old configuration.
    for (int r = 0; r < size.newStyleRules; ++r) {
        const bool forward = r % 2 == 0;
        const std::string service = std::string(forward ? "fpf-serv_" : "lpf-serv_") + "svc" + std::to_string(r);
        w.line(service, "_proto=tcp");
        w.line(service, "_interface=eth", pick(interfaces));
        w.line(service, "_dstport1=", 1 + r);
        w.line(service, "_dstport2=", 1 + r);
        const std::string p = std::string(forward ? "rule_pffwd_" : "rule_pflcl_") + std::to_string(r + 1) + "_";
        w.line(p, "type=", forward ? "Fwd" : "Permit");
        w.line(p, "label=new style ", r);
        w.line(p, "src=net_pattern_any");
        w.line(p, "dst=net_pattern_any");
        w.line(p, "service=", service);
        if (r % 3 == 0) w.line(p, "PREUPGRADE-SEQ=", 100000 + r);
    }
    return w.count();
}

long writeNewConfig(std::ostream& out, const OldConfigSize& size) {
    Writer w(out);
    w.line("system_hostname=kestrane");
    w.line("system_version=6.0");
    w.line("netobj_list_Outside_desc=Network interfaces");
    // The same addresses on renamed devices: pairing by address, every reference rewritten.
    for (int i = 0; i < std::max(size.interfaces, 1); ++i) {
        const std::string p = "netobj_list_Outside_element_" + std::to_string(i + 1) + "_";
        w.line(p, "name=Net", i);
        w.line(p, "interfaceflags=UP");
        w.line(p, "broadcast=", hostAddr(i, 255));
        w.line(p, "netmask=255.255.255.0");
        w.line(p, "addr=", hostAddr(i, 1));
        w.line(p, "interface=em", i);
        w.line(p, "alias=no");
        w.line(p, "location=zone", i % 7);
    }
    for (int r = 1; r <= 20; ++r) {
        w.line("lpf-serv_init", r, "_proto=tcp");
        w.line("lpf-serv_init", r, "_interface=em0");
        w.line("rule_pflcl_", r, "_type=Permit");
        w.line("rule_pflcl_", r, "_service=lpf-serv_init", r);
        w.line("rule_pflcl_", r, "_src=net_pattern_any");
    }
    return w.count();
}
