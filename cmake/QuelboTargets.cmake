# How the project's libraries, tests and fuzz entries are declared.
#
# A library sees its own folder and the folders of the libraries it links, and
# nothing else: each gets an include directory in the build tree that holds a
# single link to its source folder, so "zip/ZipExtractor.h" resolves only for
# targets that link quelbo_zip. tests/layers_test checks the finer rules (which
# files of a folder another may include).
include(GoogleTest)

function(quelbo_expose target folder)
  set(root ${CMAKE_BINARY_DIR}/include/${target})
  get_filename_component(parent ${root}/${folder} DIRECTORY)
  file(MAKE_DIRECTORY ${parent})
  if(NOT EXISTS ${root}/${folder})
    file(CREATE_LINK ${CMAKE_SOURCE_DIR}/${folder} ${root}/${folder} SYMBOLIC)
  endif()
  get_target_property(type ${target} TYPE)
  if(type STREQUAL "INTERFACE_LIBRARY")
    target_include_directories(${target} INTERFACE ${root})
  else()
    target_include_directories(${target} PUBLIC ${root})
  endif()
endfunction()

# quelbo_library(NAME FOLDER SOURCES ... [PUBLIC libs...] [PRIVATE libs...])
function(quelbo_library name folder)
  cmake_parse_arguments(ARG "" "" "SOURCES;PUBLIC;PRIVATE" ${ARGN})
  add_library(${name} STATIC ${ARG_SOURCES})
  quelbo_expose(${name} ${folder})
  target_link_libraries(${name} PUBLIC ${ARG_PUBLIC} PRIVATE ${ARG_PRIVATE})
endfunction()

# Test programs reach the shared test support as "tests/support/...".
if(NOT TARGET quelbo_test_includes)
  add_library(quelbo_test_includes INTERFACE)
  quelbo_expose(quelbo_test_includes tests)
  target_compile_definitions(quelbo_test_includes INTERFACE QUELBO_SOURCE_DIR="${CMAKE_SOURCE_DIR}")
endif()

# quelbo_test(NAME SOURCES ... LIBS ... [TIMEOUT s] [LOCK name] [DEFINITIONS ...])
# One GoogleTest program whose cases CTest runs one by one. LOCK names a CTest
# resource that the cases hold while they run.
function(quelbo_test name)
  cmake_parse_arguments(ARG "" "TIMEOUT;LOCK" "SOURCES;LIBS;DEFINITIONS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} quelbo_test_includes GTest::gtest_main)
  if(ARG_DEFINITIONS)
    target_compile_definitions(${name} PRIVATE ${ARG_DEFINITIONS})
  endif()
  set(props)
  if(ARG_TIMEOUT)
    list(APPEND props TIMEOUT ${ARG_TIMEOUT})
  endif()
  if(ARG_LOCK)
    list(APPEND props RESOURCE_LOCK ${ARG_LOCK})
  endif()
  if(props)
    gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60 PROPERTIES ${props})
  else()
    gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60)
  endif()
endfunction()

# quelbo_fuzzer(NAME SOURCES ... LIBS ... [DEFINITIONS ...] [SEEDS dir ...] [OPTIONS -flag=value ...])
# One libFuzzer entry, fuzz_NAME, in a build configured with -DQUELBO_FUZZ=ON
# (nothing otherwise). Its seeds are the SEEDS folders and what the seed
# writers put in seeds/NAME; OPTIONS are the libFuzzer flags it always runs
# with (-max_len, memory limits). scripts/fuzz.sh runs every entry that the
# build's fuzzers.tsv lists.
function(quelbo_fuzzer name)
  if(NOT QUELBO_FUZZ)
    return()
  endif()
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS;DEFINITIONS;SEEDS;OPTIONS" ${ARGN})
  add_executable(fuzz_${name} ${ARG_SOURCES})
  target_link_libraries(fuzz_${name} PRIVATE ${ARG_LIBS} quelbo_test_includes)
  target_compile_definitions(fuzz_${name} PRIVATE QUELBO_FUZZING ${ARG_DEFINITIONS})
  target_link_options(fuzz_${name} PRIVATE -fsanitize=fuzzer)
  list(JOIN ARG_SEEDS "," seeds)
  list(JOIN ARG_OPTIONS " " options)
  set_property(GLOBAL APPEND PROPERTY QUELBO_FUZZ_LINES "entry\t${name}\t$<TARGET_FILE:fuzz_${name}>\t${seeds}\t${options}")
  set_property(GLOBAL APPEND PROPERTY QUELBO_FUZZ_TARGETS fuzz_${name})
endfunction()

# quelbo_fuzz_seeds(NAME SOURCES ... LIBS ...)
# A program that writes seed inputs made by the project's own code (pictures,
# archive members) for entries whose samples are no files: run as
# "PROGRAM DIR", it writes DIR/ENTRY/... for the entries it knows.
function(quelbo_fuzz_seeds name)
  if(NOT QUELBO_FUZZ)
    return()
  endif()
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(fuzz_seeds_${name} ${ARG_SOURCES})
  target_link_libraries(fuzz_seeds_${name} PRIVATE ${ARG_LIBS} quelbo_test_includes)
  set_property(GLOBAL APPEND PROPERTY QUELBO_FUZZ_LINES "seeds\t${name}\t$<TARGET_FILE:fuzz_seeds_${name}>\t\t")
  set_property(GLOBAL APPEND PROPERTY QUELBO_FUZZ_TARGETS fuzz_seeds_${name})
endfunction()

# The list scripts/fuzz.sh reads, and one target that builds everything in it.
function(quelbo_write_fuzz_manifest)
  if(NOT QUELBO_FUZZ)
    return()
  endif()
  get_property(lines GLOBAL PROPERTY QUELBO_FUZZ_LINES)
  get_property(targets GLOBAL PROPERTY QUELBO_FUZZ_TARGETS)
  list(JOIN lines "\n" content)
  file(GENERATE OUTPUT ${CMAKE_BINARY_DIR}/fuzzers.tsv CONTENT "${content}\n")
  add_custom_target(fuzzers DEPENDS ${targets})
endfunction()
