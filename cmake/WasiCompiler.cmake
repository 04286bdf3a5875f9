# Builds the compiler itself for wasm32-wasi into web/vorn-compile.wasm in the
# build tree, with Debian's clang 19 and its WASI libc and libc++. The sources
# are those of the native executable and of every library it links (read from
# the targets, so the lists stay in one place), including the embedded
# runtime module. The build's web/ folder also receives the WASI library that
# web/compiler.mjs uses in browsers, copied from web/node_modules.
# cmake/OptionalParts.cmake found the tools (VORN_CLANGXX_19, VORN_WASI_LD) and
# checked that they link for WASI.

set(wasi_targets vorn-compile vorn_driver)
get_target_property(compiler_libraries vorn_compiler_libraries INTERFACE_LINK_LIBRARIES)
list(APPEND wasi_targets ${compiler_libraries})
set(wasi_sources "")
foreach(target IN LISTS wasi_targets)
  get_target_property(target_sources ${target} SOURCES)
  get_target_property(target_dir ${target} SOURCE_DIR)
  foreach(src IN LISTS target_sources)
    cmake_path(ABSOLUTE_PATH src BASE_DIRECTORY "${target_dir}" NORMALIZE OUTPUT_VARIABLE absolute)
    list(APPEND wasi_sources "${absolute}")
  endforeach()
endforeach()

set(VORN_WEB_BUILD_DIR "${PROJECT_BINARY_DIR}/web")

# CaDiCaL for --equiv, built for wasm32-wasi from Debian's source package,
# fetched into the build tree (nothing of it is kept in ours); its licence
# goes beside the page's other vendored code. Without the package (no
# network) every combination is simulated instead, up to a bound.
set(VORN_WASI_CADICAL_DIR "${PROJECT_BINARY_DIR}/cadical-source")
execute_process(COMMAND bash "${PROJECT_SOURCE_DIR}/cmake/wasi_cadical/fetch_source.sh" "${VORN_WASI_CADICAL_DIR}"
                RESULT_VARIABLE cadical_fetched OUTPUT_QUIET ERROR_QUIET)
set(wasi_cadical_sources "")
if(cadical_fetched EQUAL 0)
  file(GLOB wasi_cadical_sources "${VORN_WASI_CADICAL_DIR}/src/*.cpp")
  # The two command-line programs of the package.
  list(FILTER wasi_cadical_sources EXCLUDE REGEX "/(cadical|mobical)\\.cpp$")
  file(COPY "${VORN_WASI_CADICAL_DIR}/LICENSE" DESTINATION "${VORN_WEB_BUILD_DIR}/vendor/cadical")
else()
  list(TRANSFORM wasi_sources REPLACE "equiv/prove_sat\\.cpp$" "equiv/prove_enumerated.cpp")
  message(STATUS "vorn-compile.wasm without CaDiCaL (its Debian source package could not be fetched): --equiv simulates every combination, up to 24 inputs")
endif()
set(VORN_COMPILE_WASM "${VORN_WEB_BUILD_DIR}/vorn-compile.wasm")
set(wasi_object_dir "${PROJECT_BINARY_DIR}/wasi_objects")
# No exceptions in this C++ library; getpid (temporary file names) is emulated.
set(wasi_flags --target=wasm32-wasi -std=c++23 -O2 -DNDEBUG -fno-exceptions -D_WASI_EMULATED_GETPID
    -Wall -Wextra -Wno-unused-parameter
    -I${PROJECT_SOURCE_DIR}/lib -I${PROJECT_SOURCE_DIR}/cmd/vorn-compile -I${VORN_WASI_CADICAL_DIR}/src)
# CaDiCaL's own sources, with stand-ins for the few C functions WASI lacks
# (processes, alarms, host names, resident memory).
set(wasi_cadical_flags --target=wasm32-wasi -std=c++17 -O2 -DNDEBUG -DNBUILD -fno-exceptions -w
    -D_WASI_EMULATED_SIGNAL -D_WASI_EMULATED_PROCESS_CLOCKS -D_WASI_EMULATED_GETPID -Dru_maxrss=ru_utime.tv_sec
    -include "${PROJECT_SOURCE_DIR}/cmake/wasi_cadical/missing.h" -I${PROJECT_SOURCE_DIR}/cmake/wasi_cadical/include)
set(wasi_objects "")
foreach(src IN LISTS wasi_cadical_sources)
  get_filename_component(name "${src}" NAME_WE)
  set(obj "${wasi_object_dir}/cadical_${name}.o")
  add_custom_command(OUTPUT "${obj}"
    COMMAND "${CMAKE_COMMAND}" -E make_directory "${wasi_object_dir}"
    COMMAND ${CMAKE_CXX_COMPILER_LAUNCHER} "${VORN_CLANGXX_19}" ${wasi_cadical_flags} -c "${src}" -o "${obj}"
    DEPENDS "${src}"
    COMMENT "Compiling CaDiCaL's ${name}.cpp for wasm32-wasi" VERBATIM)
  list(APPEND wasi_objects "${obj}")
endforeach()
foreach(src IN LISTS wasi_sources)
  if(src MATCHES "^${PROJECT_BINARY_DIR}/")
    file(RELATIVE_PATH rel "${PROJECT_BINARY_DIR}" "${src}")
  else()
    file(RELATIVE_PATH rel "${PROJECT_SOURCE_DIR}" "${src}")
  endif()
  string(REPLACE "/" "_" obj_name "${rel}")
  set(obj "${wasi_object_dir}/${obj_name}.o")
  add_custom_command(OUTPUT "${obj}"
    COMMAND "${CMAKE_COMMAND}" -E make_directory "${wasi_object_dir}"
    COMMAND ${CMAKE_CXX_COMPILER_LAUNCHER} "${VORN_CLANGXX_19}" ${wasi_flags} -MD -MF "${obj}.d" -c "${src}" -o "${obj}"
    DEPENDS "${src}"
    DEPFILE "${obj}.d"
    COMMENT "Compiling ${rel} for wasm32-wasi" VERBATIM)
  list(APPEND wasi_objects "${obj}")
endforeach()

# Without threads the pipeline runs on the module's own stack: later stages
# walk trees as deep as the parser accepts.
add_custom_command(OUTPUT "${VORN_COMPILE_WASM}"
  COMMAND "${CMAKE_COMMAND}" -E make_directory "${VORN_WEB_BUILD_DIR}"
  COMMAND "${VORN_CLANGXX_19}" --target=wasm32-wasi -fuse-ld=${VORN_WASI_LD} -O2 -s
          -Wl,-z,stack-size=16777216 -o "${VORN_COMPILE_WASM}" ${wasi_objects} -lwasi-emulated-getpid
          -lwasi-emulated-signal -lwasi-emulated-process-clocks
  DEPENDS ${wasi_objects}
  COMMENT "Linking vorn-compile.wasm" VERBATIM)

set(wasi_shim_source "${PROJECT_SOURCE_DIR}/web/node_modules/@bjorn3/browser_wasi_shim/dist")
set(wasi_shim_stamp "${VORN_WEB_BUILD_DIR}/vendor/browser_wasi_shim/index.js")
add_custom_command(OUTPUT "${wasi_shim_stamp}"
  COMMAND "${CMAKE_COMMAND}" -DSOURCE=${wasi_shim_source} -DDESTINATION=${VORN_WEB_BUILD_DIR}/vendor/browser_wasi_shim
          -P "${PROJECT_SOURCE_DIR}/cmake/CopyVendor.cmake"
  DEPENDS "${PROJECT_SOURCE_DIR}/web/package-lock.json"
  COMMENT "Copying the browser WASI library into web/vendor" VERBATIM)

# ELK's worker, which lays out the schematic off the page's thread.
set(elk_worker "${VORN_WEB_BUILD_DIR}/vendor/elkjs/elk-worker.min.js")
add_custom_command(OUTPUT "${elk_worker}"
  COMMAND "${CMAKE_COMMAND}" -E make_directory "${VORN_WEB_BUILD_DIR}/vendor/elkjs"
  COMMAND "${CMAKE_COMMAND}" -E copy "${PROJECT_SOURCE_DIR}/web/node_modules/elkjs/lib/elk-worker.min.js"
          "${PROJECT_SOURCE_DIR}/web/node_modules/elkjs/LICENSE.md" "${VORN_WEB_BUILD_DIR}/vendor/elkjs/"
  DEPENDS "${PROJECT_SOURCE_DIR}/web/package-lock.json"
  COMMENT "Copying ELK's layout worker into web/vendor" VERBATIM)

add_custom_target(vorn_compile_wasm ALL DEPENDS "${VORN_COMPILE_WASM}" "${wasi_shim_stamp}" "${elk_worker}")
add_dependencies(vorn_compile_wasm vorn_runtime_wasm)
