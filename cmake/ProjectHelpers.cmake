# Helpers shared by the subsystem CMakeLists files.

# add_unit_test(NAME SOURCES src... LIBS lib... [LABELS label...] [TIMEOUT seconds])
# One GoogleTest executable registered with CTest (each test case is its own CTest test). Every suite
# links the test-support library (tests/support). Its tests carry the LABELS given, or else the name of
# the suite's folder, so that `ctest -L` can pick any suite and no test is without a label. TIMEOUT,
# when given, bounds each test case instead of the preset's time-out.
function(add_unit_test name)
  cmake_parse_arguments(T "" "TIMEOUT" "SOURCES;LIBS;LABELS" ${ARGN})
  if(NOT T_LABELS)
    get_filename_component(T_LABELS ${CMAKE_CURRENT_SOURCE_DIR} NAME)
  endif()
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE ${T_LIBS} test_support GTest::gtest GTest::gmock GTest::gtest_main)
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR} ${PROJECT_SOURCE_DIR}/tests)
  target_compile_definitions(${name} PRIVATE
    PROJECT_SOURCE_DIR="${PROJECT_SOURCE_DIR}" PROJECT_BINARY_DIR="${PROJECT_BINARY_DIR}")
  if(T_TIMEOUT)
    gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60 PROPERTIES LABELS "${T_LABELS}" TIMEOUT ${T_TIMEOUT})
  else()
    gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60 PROPERTIES LABELS "${T_LABELS}")
  endif()
endfunction()

# add_fuzz_target(NAME SOURCES src... LIBS lib... [CORPUS dir])
# A fuzz target: its sources define LLVMFuzzerTestOneInput (and may define LLVMFuzzerInitialize). One
# call gives both flavours of it:
#   - in the clang fuzz tree (BUILD_FUZZ=ON), the libFuzzer program NAME that `make fuzz` runs;
#   - in every tree with tests (BUILD_TESTS=ON), NAME_replay, the same sources with a small main
#     (tests/fuzz/replay_main.cpp) that feeds each seed to the target once, and a CTest test
#     fuzz_replay.NAME (label fuzz-replay) that runs it on the seed corpus. A target that no longer
#     builds, or crashes on a seed, fails the ordinary test run, and the sanitizer tree checks it too.
# CORPUS defaults to tests/fuzz/corpus/NAME, which must exist and hold seeds.
function(add_fuzz_target name)
  cmake_parse_arguments(F "" "CORPUS" "SOURCES;LIBS" ${ARGN})
  if(NOT F_CORPUS)
    set(F_CORPUS ${PROJECT_SOURCE_DIR}/tests/fuzz/corpus/${name})
  endif()
  file(GLOB seeds ${F_CORPUS}/*)
  if(NOT seeds)
    message(FATAL_ERROR "fuzz target ${name}: no seeds in ${F_CORPUS}")
  endif()

  if(BUILD_FUZZ)
    add_executable(${name} ${F_SOURCES})
    target_link_libraries(${name} PRIVATE ${F_LIBS})
    target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR})
    target_link_options(${name} PRIVATE -fsanitize=fuzzer)
    set_property(GLOBAL APPEND PROPERTY FUZZ_TARGETS ${name})
  endif()
  if(BUILD_TESTS)
    add_executable(${name}_replay ${F_SOURCES} ${PROJECT_SOURCE_DIR}/tests/fuzz/replay_main.cpp)
    target_link_libraries(${name}_replay PRIVATE ${F_LIBS})
    target_include_directories(${name}_replay PRIVATE ${PROJECT_SOURCE_DIR})
    add_test(NAME fuzz_replay.${name} COMMAND ${name}_replay ${F_CORPUS})
    set_tests_properties(fuzz_replay.${name} PROPERTIES LABELS fuzz-replay)
  endif()
endfunction()

# add_project_library(NAME src...): a static library of the subsystem in the calling folder.
# Headers are included by their path from the project root ("conftree/branch.h"), but a library exposes
# only its own folder: its include directory is a folder of the build tree holding one link, named like
# the subsystem's folder, to that folder. A library sees its own headers and those of the libraries it
# links, nothing else, so an include against the layering (convert/ including template/, say) fails to
# compile.
function(add_project_library name)
  add_library(${name} STATIC ${ARGN})
  file(RELATIVE_PATH folder ${PROJECT_SOURCE_DIR} ${CMAKE_CURRENT_SOURCE_DIR})
  set(stage ${PROJECT_BINARY_DIR}/include/${name})
  get_filename_component(parent ${stage}/${folder} DIRECTORY)
  file(MAKE_DIRECTORY ${parent})
  file(CREATE_LINK ${CMAKE_CURRENT_SOURCE_DIR} ${stage}/${folder} SYMBOLIC)
  target_include_directories(${name} PUBLIC ${stage})
endfunction()
