# The examples compiled for the circuit page (web/index.html links them as
# ?src=examples/<name>.wasm): built into the served folder and installed
# beside the page.
if(NOT DEFINED VORN_WEB_BUILD_DIR)
  set(VORN_WEB_BUILD_DIR "${PROJECT_BINARY_DIR}/web")
endif()
set(VORN_WEB_EXAMPLES "")
foreach(stem IN ITEMS full_adder half_adder inverter)
  set(source "${PROJECT_SOURCE_DIR}/examples/${stem}.vorn")
  set(artifact "${VORN_WEB_BUILD_DIR}/examples/${stem}.wasm")
  add_custom_command(OUTPUT "${artifact}"
    COMMAND "${CMAKE_COMMAND}" -E make_directory "${VORN_WEB_BUILD_DIR}/examples"
    COMMAND vorn-compile "${source}" -o "${artifact}"
    DEPENDS vorn-compile "${source}"
    COMMENT "Compiling the example ${stem} for the circuit page" VERBATIM)
  list(APPEND VORN_WEB_EXAMPLES "${artifact}")
endforeach()
add_custom_target(vorn_web_examples ALL DEPENDS ${VORN_WEB_EXAMPLES})
