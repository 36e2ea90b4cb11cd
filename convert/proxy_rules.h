// Proxy rules: which sources may use which proxy service towards which destinations.
//
// The processor reads the old proxy rules (after the script's first section has run over the old
// tree), completes missing values from the converted groups and from fixed defaults, drops rules that
// still lack critical values, orders the rest by their old rule numbers and writes them, renumbered
// from 1, into the merged tree. The TemplateProcessor holds the accepted rules in proxyRules and the
// count of rules written in proxyRuleCount; parseProxyRules and saveProxyRules live in
// proxy_rules.cpp. One thread at a time.
#pragma once

#include <string>

struct ProxyRule {
    std::string action;
    std::string auth;
    std::string dest;
    std::string loglevelNumber;  // leaf loglevel_number
    std::string rulelabel;
    std::string service;
    std::string src;
    std::string state;
    int oldNumber = 0;  // the rule's number in the old tree
};
