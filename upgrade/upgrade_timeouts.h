// How long a phase may wait: for the login (20 seconds) and for the whole phase (an hour for the
// download, two for the upload). When one ends, the front end calls UpgradeWorkflow::timeOut, which
// logs the session out so that the worker's pending exchange fails and the phase ends.
//
// The durations can be shortened or lengthened (tests, slow links) with the environment variables
// UPGRADE_LOGIN_TIMEOUT, UPGRADE_DOWNLOAD_TIMEOUT and UPGRADE_UPLOAD_TIMEOUT, in seconds (a decimal
// number such as 0.5). Plain value.
#pragma once

#include <chrono>
#include <optional>
#include <string>

struct UpgradeTimeouts {
    std::chrono::milliseconds login{20'000};
    std::chrono::milliseconds download{3'600'000};
    std::chrono::milliseconds upload{7'200'000};

    // The defaults with the environment's overrides. A variable that is set but is not a positive
    // number of seconds is refused: *problem says which, and the defaults are kept.
    static UpgradeTimeouts fromEnvironment(std::string* problem = nullptr);
};

// A positive number of seconds ("20", "0.5") as milliseconds; nothing for anything else.
std::optional<std::chrono::milliseconds> parseTimeoutSeconds(const std::string& text);
