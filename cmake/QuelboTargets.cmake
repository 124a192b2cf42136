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
