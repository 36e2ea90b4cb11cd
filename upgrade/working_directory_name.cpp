// Working directory names, independent of the locale.
#include "upgrade/working_directory_name.h"

#include <cstdio>

std::string workingDirectoryName(std::string_view host, std::time_t when) {
    static constexpr const char* kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                              "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    std::tm local{};
    localtime_r(&when, &local);
    std::string name;
    for (char c : host) name += c == '/' || c == '\0' ? '_' : c;
    char stamp[64];
    std::snprintf(stamp, sizeof stamp, "-%02d-%s-%04d-%02d-%02d-%02d", local.tm_mday, kMonths[local.tm_mon % 12],
                  local.tm_year + 1900, local.tm_hour, local.tm_min, local.tm_sec);
    return name + stamp;
}
