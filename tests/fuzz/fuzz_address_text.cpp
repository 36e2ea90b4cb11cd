// Fuzz target: the input is one address text for the safety review's reader. Besides never crashing
// or reading outside the text, the answer must hang together: a range runs forwards, a text that
// has a range has a form that has one, only an invalid text carries a problem, a network is aligned,
// every address means the whole range, and a network written with '+' reads as the same network
// written with ':'.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "report/address_text.h"

namespace {

void check(bool condition) {
    if (!condition) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    const AddressText read = readAddressText(text);

    check(!read.hasRange || read.range.first <= read.range.last);
    check((read.form == AddressForm::Invalid) == !read.problem.empty());
    switch (read.form) {
    case AddressForm::Empty:
    case AddressForm::Other:
    case AddressForm::Invalid:
        check(!read.hasRange);
        break;
    case AddressForm::Any:
        check(!read.hasRange || (read.range.first == 0 && read.range.last == 0xFFFFFFFFu));
        break;
    case AddressForm::Host:
        check(read.hasRange && read.range.first == read.range.last);
        break;
    case AddressForm::Network: {
        check(read.hasRange);
        const std::uint32_t span = read.range.last - read.range.first;
        check((span & (span + 1)) == 0 && (read.range.first & span) == 0);
        break;
    }
    case AddressForm::Range:
    case AddressForm::Pattern:
        break;
    }
    if (read.hasRange) {
        std::uint32_t back = 0;
        check(readDottedQuad(dottedQuadText(read.range.first), back) && back == read.range.first);
    }

    // ':' and '+' both join an address and its mask.
    const std::size_t colon = text.find(':');
    if (colon != std::string::npos && text.find('+') == std::string::npos) {
        std::string plus = text;
        plus[colon] = '+';
        const AddressText other = readAddressText(plus);
        check(other.form == read.form && other.hasRange == read.hasRange);
        check(!read.hasRange || other.range == read.range);
    }
    return 0;
}
