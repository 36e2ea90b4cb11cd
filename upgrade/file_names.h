// The fixed names of an upgrade's working directory: the copies of the configurations at each stage,
// the upgrade log and the warnings file, and the template script handed to the processor. All files
// lie directly in the working directory; a downloaded file keeps its name with kSavedSuffix appended.
#pragma once

inline constexpr const char* kSavedSuffix = ".PRE60UPGRADE";
inline constexpr const char* kSavedOldConfigName = "kestrane.conf.PRE60UPGRADE";  // old firewall's file
inline constexpr const char* kConvertedConfigName = "kestrane.conf.5xCONVERT";    // after preprocessing
inline constexpr const char* kNewInitConfigName = "kestrane.conf.6INIT";          // new firewall's file
inline constexpr const char* kFinalConfigName = "kestrane.conf.6FINAL";           // merged result
inline constexpr const char* kLogFileName = "5xto60.log";
inline constexpr const char* kWarningsFileName = "warnings.txt";
inline constexpr const char* kTemplateName = "5xTo60.tpl";
