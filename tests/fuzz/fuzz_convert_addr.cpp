// Fuzz target: every line of the input is an address text given to convertAddr, in order, on one
// object list. Besides never crashing, the list must keep its promises: asking again for a text gives
// the same answer and creates nothing, a port is only set for an address object, no two created
// objects of one kind share a name, and every label survives being read back as a name component.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <set>
#include <string>
#include <utility>

#include "conftree/parse.h"
#include "convert/netobjects.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string input(reinterpret_cast<const char*>(data), size);
    NetObjectList list;
    std::size_t start = 0;
    while (start <= input.size()) {
        std::size_t end = input.find('\n', start);
        if (end == std::string::npos) end = input.size();
        const std::string text = input.substr(start, end - start);
        start = end + 1;

        std::string port;
        const std::string name = list.convertAddr(text, port, "d");
        const std::size_t created = list.size();
        std::string portAgain;
        if (list.convertAddr(text, portAgain, "other") != name || portAgain != port) std::abort();
        if (list.size() != created) std::abort();
        if (!port.empty() && name.rfind("net_ipaddr_", 0) != 0) std::abort();
    }
    std::set<std::pair<int, std::string>> names;
    for (const NetObject& object : list.objects()) {
        if (object.type >= kNetNetAddrLink) continue;  // links share their compound's name
        if (!names.emplace(object.type, object.name).second) std::abort();
        if (object.name.back() == '_') std::abort();
        std::string label = object.label;
        canonicalNumber(label);  // the file reader would rewrite a numeric name component
        if (label != object.label) std::abort();
    }
    return 0;
}
