// Log texts that several of the workflow's steps write.
#pragma once

inline constexpr const char* kCannotContinue = "Unable to continue with upgrade until problem is resolved";
