# Builds templates/ together with the engine sources into vorn-runtime.wasm with
# clang (wasm32, freestanding) and wasm-ld, then turns the module into a C++
# source file so that the compiler carries it. The result is exposed as
# VORN_RUNTIME_EMBED_SOURCE.
find_program(VORN_CLANG NAMES clang clang-14 REQUIRED)
find_program(VORN_WASM_LD NAMES wasm-ld wasm-ld-14 REQUIRED)

include("${CMAKE_CURRENT_LIST_DIR}/EngineSources.cmake")
set(runtime_sources "")
foreach(src IN LISTS VORN_RUNTIME_MODULE_SOURCES)
  list(APPEND runtime_sources "${PROJECT_SOURCE_DIR}/templates/${src}")
endforeach()
foreach(src IN LISTS VORN_ENGINE_SOURCES)
  list(APPEND runtime_sources "${PROJECT_SOURCE_DIR}/lib/${src}")
endforeach()

set(VORN_RUNTIME_WASM "${PROJECT_BINARY_DIR}/vorn-runtime.wasm")
set(VORN_RUNTIME_EMBED_SOURCE "${PROJECT_BINARY_DIR}/generated/runtime_module_data.cpp")
set(wasm_objects "")
set(wasm_flags --target=wasm32 -std=c++20 -O2 -ffreestanding -fno-builtin-printf
    -fno-exceptions -fno-rtti -nostdlib -nostdinc++ -fvisibility=hidden -Wall -Wextra -Wno-unused-parameter
    -DVORN_FREESTANDING=1 -I${PROJECT_SOURCE_DIR}/lib -I${PROJECT_SOURCE_DIR}/templates)
# Each object's header dependencies come from clang's own dependency file.
foreach(src IN LISTS runtime_sources)
  file(RELATIVE_PATH rel "${PROJECT_SOURCE_DIR}" "${src}")
  string(REPLACE "/" "_" obj_name "${rel}")
  set(obj "${PROJECT_BINARY_DIR}/wasm_objects/${obj_name}.o")
  add_custom_command(OUTPUT "${obj}"
    COMMAND "${CMAKE_COMMAND}" -E make_directory "${PROJECT_BINARY_DIR}/wasm_objects"
    COMMAND "${VORN_CLANG}" ${wasm_flags} -MD -MF "${obj}.d" -c "${src}" -o "${obj}"
    DEPENDS "${src}"
    DEPFILE "${obj}.d"
    COMMENT "Compiling ${rel} for wasm32" VERBATIM)
  list(APPEND wasm_objects "${obj}")
endforeach()

# Exports come from export_name attributes; memory starts at 17 pages with no
# maximum; only the imports listed in imports.txt may stay undefined.
add_custom_command(OUTPUT "${VORN_RUNTIME_WASM}"
  COMMAND "${VORN_WASM_LD}" --no-entry --strip-debug --gc-sections
          --initial-memory=1114112
          --allow-undefined-file=${PROJECT_SOURCE_DIR}/templates/imports.txt
          -o "${VORN_RUNTIME_WASM}" ${wasm_objects}
  DEPENDS ${wasm_objects} "${PROJECT_SOURCE_DIR}/templates/imports.txt"
  COMMENT "Linking vorn-runtime.wasm" VERBATIM)

add_custom_command(OUTPUT "${VORN_RUNTIME_EMBED_SOURCE}"
  COMMAND "${CMAKE_COMMAND}" -DINPUT=${VORN_RUNTIME_WASM} -DOUTPUT=${VORN_RUNTIME_EMBED_SOURCE}
          -P "${PROJECT_SOURCE_DIR}/cmake/EmbedFile.cmake"
  DEPENDS "${VORN_RUNTIME_WASM}" "${PROJECT_SOURCE_DIR}/cmake/EmbedFile.cmake"
  COMMENT "Embedding vorn-runtime.wasm" VERBATIM)
add_custom_target(vorn_runtime_wasm DEPENDS "${VORN_RUNTIME_EMBED_SOURCE}")
