# vorn_library(<name> DIRS <dir>... [DEPS <target>...])
#
# Builds every .cpp under the given directories (except *_test.cpp) into the
# static library vorn_<name>, and every *_test.cpp into the GoogleTest
# executable vorn_<name>_tests. New files are picked up on the next build.
function(vorn_library name)
  cmake_parse_arguments(ARG "" "" "DIRS;DEPS;EXTRA_SOURCES" ${ARGN})
  set(sources "")
  set(tests "")
  foreach(dir IN LISTS ARG_DIRS)
    file(GLOB_RECURSE found CONFIGURE_DEPENDS "${PROJECT_SOURCE_DIR}/${dir}/*.cpp")
    foreach(file IN LISTS found)
      if(file MATCHES "_test\\.cpp$")
        list(APPEND tests "${file}")
      else()
        list(APPEND sources "${file}")
      endif()
    endforeach()
  endforeach()
  list(APPEND sources ${ARG_EXTRA_SOURCES})
  if(NOT sources)
    # A subsystem without sources yet still gives a linkable library.
    set(placeholder "${PROJECT_BINARY_DIR}/generated/empty_${name}.cpp")
    file(WRITE "${placeholder}" "")
    list(APPEND sources "${placeholder}")
  endif()

  add_library(vorn_${name} STATIC ${sources})
  target_include_directories(vorn_${name} PUBLIC "${PROJECT_SOURCE_DIR}/lib")
  target_link_libraries(vorn_${name} PUBLIC ${ARG_DEPS})

  if(VORN_TESTS AND tests)
    add_executable(vorn_${name}_tests ${tests})
    target_link_libraries(vorn_${name}_tests PRIVATE vorn_${name} vorn_test_support GTest::gtest GTest::gtest_main)
    gtest_discover_tests(vorn_${name}_tests DISCOVERY_TIMEOUT 60)
  endif()
endfunction()
