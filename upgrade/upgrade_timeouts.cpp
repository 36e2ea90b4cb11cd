// Phase time-outs and their overrides.
#include "upgrade/upgrade_timeouts.h"

#include <cmath>
#include <cstdlib>

std::optional<std::chrono::milliseconds> parseTimeoutSeconds(const std::string& text) {
    if (text.empty()) return std::nullopt;
    char* end = nullptr;
    const double seconds = std::strtod(text.c_str(), &end);
    // A week at most: longer is a typing error, and keeps the product within the clock's range.
    if (end == text.c_str() || *end != '\0' || !std::isfinite(seconds) || seconds <= 0 || seconds > 604'800)
        return std::nullopt;
    const auto ms = static_cast<long long>(std::ceil(seconds * 1000));
    return std::chrono::milliseconds(ms);
}

UpgradeTimeouts UpgradeTimeouts::fromEnvironment(std::string* problem) {
    UpgradeTimeouts timeouts;
    const struct {
        const char* name;
        std::chrono::milliseconds* value;
    } variables[] = {{"UPGRADE_LOGIN_TIMEOUT", &timeouts.login},
                     {"UPGRADE_DOWNLOAD_TIMEOUT", &timeouts.download},
                     {"UPGRADE_UPLOAD_TIMEOUT", &timeouts.upload}};
    for (const auto& variable : variables) {
        const char* text = std::getenv(variable.name);
        if (text == nullptr) continue;
        if (std::optional<std::chrono::milliseconds> value = parseTimeoutSeconds(text)) {
            *variable.value = *value;
        } else if (problem != nullptr && problem->empty()) {
            *problem = std::string(variable.name) + "=" + text + " is not a positive number of seconds";
        }
    }
    return timeouts;
}
