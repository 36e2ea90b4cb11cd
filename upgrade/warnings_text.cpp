// The warnings text the front ends show.
#include "upgrade/warnings_text.h"

#include <fstream>

std::string warningsText(const std::string& path) {
    std::string text = "The following information may also be found in\nthe file: " + path + "\n\n";
    std::ifstream in(path, std::ios::binary);
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        text += line;
        text += '\n';
    }
    return text;
}
