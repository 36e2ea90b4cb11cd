// Small helpers shared by the fwsim, session and command-shell tests: deterministic test contents and
// the path of the fwsim program under test. Scratch directories and whole-file reads and writes come
// from the test-support library, included here for them.
#pragma once

#include <cstdint>
#include <random>
#include <string>

#include "support/files.h"
#include "support/scratch_dir.h"

namespace simtest {

inline const char* fwsim_program() { return FWSIM_PROGRAM; }

// Every byte value, in an order that differs from block to block.
inline std::string binary_content(size_t size, uint32_t seed = 1) {
    std::mt19937 gen(seed);
    std::string s(size, '\0');
    for (auto& c : s) c = static_cast<char>(gen() & 0xff);
    return s;
}

// Configuration-like lines ending in LF.
inline std::string text_content(size_t size) {
    std::string s;
    for (int line = 0; s.size() < size; ++line)
        s += "setting_" + std::to_string(line) + " value with blanks " + std::to_string(line * 7) + "\n";
    s.resize(size);
    if (size > 0) s.back() = '\n';
    return s;
}

}  // namespace simtest
