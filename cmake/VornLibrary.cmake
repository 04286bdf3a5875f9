# vorn_library(<name> SOURCES <file>... [TESTS <file>...] [DEPS <target>...])
#
# Builds the sources into the static library vorn_<name> and the tests into
# the GoogleTest executable vorn_<name>_tests. Paths are relative to the
# calling CMakeLists.txt. Files are listed, not globbed, so that adding one is
# a visible change; tests/source_lists_test.sh checks that none is forgotten.
function(vorn_library name)
  cmake_parse_arguments(ARG "" "" "SOURCES;TESTS;DEPS" ${ARGN})
  add_library(vorn_${name} STATIC ${ARG_SOURCES})
  target_include_directories(vorn_${name} PUBLIC "${PROJECT_SOURCE_DIR}/lib")
  target_link_libraries(vorn_${name} PUBLIC ${ARG_DEPS})

  if(VORN_TESTS AND ARG_TESTS)
    add_executable(vorn_${name}_tests ${ARG_TESTS})
    target_link_libraries(vorn_${name}_tests PRIVATE vorn_${name} vorn_test_support GTest::gtest GTest::gtest_main)
    gtest_discover_tests(vorn_${name}_tests DISCOVERY_TIMEOUT 60)
  endif()
endfunction()

# vorn_executable(<name> SOURCES <file>... LINKS <target>...)
#
# A shipped executable: linked statically unless VORN_STATIC is off, and put
# at the top of the build tree where the tests and scripts look for it.
function(vorn_executable name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LINKS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_LINKS})
  if(VORN_STATIC)
    target_link_options(${name} PRIVATE -static)
  endif()
  if(VORN_LTO)
    target_link_options(${name} PRIVATE -flto=auto)
  endif()
  set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY "${PROJECT_BINARY_DIR}")
endfunction()
