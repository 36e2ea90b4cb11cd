// Fuzz target: a configuration file of any bytes is loaded, saved, and loaded and saved again.
// Loading must never crash, hang or read out of bounds, and once a tree has been through one save
// and load, saving it is stable (a saved file loads back to a tree that saves the same text) except
// where the reader's own rules drop something, which only ever shortens the text: an underscore at
// the end of a path adds no component, so a saved line whose last branch has an empty name
// ('a__x', from 'a___x') loses that branch on the next load, one underscore per round; and a
// top-level leaf whose name begins with '#' ('#a', from '_#a') saves as a comment line.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <sstream>
#include <string>

#include "conftree/conftree.h"

namespace {

std::string loadAndSave(const std::string& content) {
    std::istringstream in(content);
    std::ostringstream log;
    ConfigTree tree(log);
    if (tree.load(in, "fuzz input") != 0) std::abort();
    std::ostringstream out;
    tree.write(out, true);
    return out.str();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string input(reinterpret_cast<const char*>(data), size);
    std::string first = loadAndSave(input);
    std::string second = loadAndSave(first);
    std::string third = loadAndSave(second);
    if (third != second && third.size() >= second.size()) std::abort();
    return 0;
}
