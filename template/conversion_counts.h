// What a conversion run read and wrote, in numbers, for the summary a front end prints at the end.
// A snapshot taken from the processor's converters (TemplateProcessor::counts()); a plain value that
// any thread may read once it has been taken.
#pragma once

#include <cstddef>

struct ConversionCounts {
    // Read from the old configuration (meaningful once preprocessing has run).
    int physicalInterfaces = 0;          // old physical interfaces
    std::size_t aliases = 0;             // old interface aliases
    std::size_t proxyRulesRead = 0;      // proxy rules accepted
    std::size_t forwardPfRulesRead = 0;  // old forward packet filter rules
    std::size_t localPfRulesRead = 0;    // old local packet filter rules
    std::size_t natRules = 0;            // NAT rules accepted (written as read)
    std::size_t inatRules = 0;           // INAT rules accepted (written as read)

    // Written into the merged configuration (meaningful once postprocessing has run).
    std::size_t interfacesWritten = 0;  // interfaces and aliases
    std::size_t netObjects = 0;         // network address objects created, compounds and links included
    std::size_t serviceGroups = 0;
    std::size_t destinationGroups = 0;
    int proxyRulesWritten = 0;
    int forwardPfRulesWritten = 0;
    int localPfRulesWritten = 0;
};
