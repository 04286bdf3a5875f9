# The web folder as served (${VORN_WEB_BUILD_DIR}, where vorn-compile.wasm is
# built): it receives the page files of web/ and the playground's script,
# bundled from web/playground-src (with CodeMirror from that folder's
# node_modules) by the pinned esbuild into one plain static file. `npm ci` in
# web/playground-src (scripts/ensure-tools.sh) provides both; without them the
# playground is not built and one line says why.
set(VORN_PLAYGROUND_SRC "${PROJECT_SOURCE_DIR}/web/playground-src")
set(VORN_ESBUILD "${VORN_PLAYGROUND_SRC}/node_modules/.bin/esbuild")

if(NOT VORN_WASI)
  # The page compiles with vorn-compile.wasm.
  return()
endif()
if(NOT EXISTS "${VORN_ESBUILD}")
  if(VORN_REQUIRE_TOOLS)
    message(FATAL_ERROR "web/playground-src/node_modules is missing (run scripts/ensure-tools.sh)")
  endif()
  message(STATUS "playground off: web/playground-src/node_modules is missing (npm ci in web/playground-src/, or scripts/ensure-tools.sh), so the playground page is not built")
  return()
endif()

# The files a static server needs: every page, style and module of web/
# itself, as the installation copies them.
file(GLOB web_files RELATIVE "${PROJECT_SOURCE_DIR}/web" CONFIGURE_DEPENDS
     "${PROJECT_SOURCE_DIR}/web/*.html" "${PROJECT_SOURCE_DIR}/web/*.css" "${PROJECT_SOURCE_DIR}/web/*.mjs"
     "${PROJECT_SOURCE_DIR}/web/*.d.ts")
set(web_copies "")
foreach(name IN LISTS web_files)
  add_custom_command(OUTPUT "${VORN_WEB_BUILD_DIR}/${name}"
    COMMAND "${CMAKE_COMMAND}" -E copy_if_different "${PROJECT_SOURCE_DIR}/web/${name}" "${VORN_WEB_BUILD_DIR}/${name}"
    DEPENDS "${PROJECT_SOURCE_DIR}/web/${name}" VERBATIM)
  list(APPEND web_copies "${VORN_WEB_BUILD_DIR}/${name}")
endforeach()

# Everything the bundle is built from.
set(playground_inputs main.mjs compare.mjs project.mjs language.mjs lsp_connection.mjs outline.mjs adder4.vorn
    package-lock.json project_store.mjs projects_ui.mjs tab_lock.mjs zip.mjs tests_panel.mjs table_language.mjs
    table_panel.mjs tablist.mjs schematic_panel.mjs analysis_panel.mjs)
list(TRANSFORM playground_inputs PREPEND "${VORN_PLAYGROUND_SRC}/")
list(APPEND playground_inputs "${PROJECT_SOURCE_DIR}/web/element.mjs"
     "${PROJECT_SOURCE_DIR}/web/circuit.mjs" "${PROJECT_SOURCE_DIR}/web/topology.mjs"
     "${PROJECT_SOURCE_DIR}/web/truth_table_view.mjs" "${PROJECT_SOURCE_DIR}/web/ansi.mjs"
     "${PROJECT_SOURCE_DIR}/web/timing_view.mjs" "${PROJECT_SOURCE_DIR}/web/test_table.mjs"
     "${PROJECT_SOURCE_DIR}/web/source.mjs"
     "${PROJECT_SOURCE_DIR}/web/drop_cue.mjs"
     "${PROJECT_SOURCE_DIR}/web/schematic.mjs" "${PROJECT_SOURCE_DIR}/web/schematic_model.mjs"
     "${PROJECT_SOURCE_DIR}/web/schematic_layout.mjs" "${PROJECT_SOURCE_DIR}/web/schematic_svg.mjs"
     "${PROJECT_SOURCE_DIR}/examples/full_adder.vorn"
     "${PROJECT_SOURCE_DIR}/examples/half_adder.vorn" "${PROJECT_SOURCE_DIR}/examples/inverter.vorn")
set(VORN_PLAYGROUND_OUTPUTS "${VORN_WEB_BUILD_DIR}/playground.js")
add_custom_command(OUTPUT ${VORN_PLAYGROUND_OUTPUTS}
  COMMAND "${VORN_ESBUILD}" main.mjs --bundle --format=esm --minify --target=es2022 --loader:.vorn=text "--external:node:*"
          --log-level=warning "--outfile=${VORN_WEB_BUILD_DIR}/playground.js"
  WORKING_DIRECTORY "${VORN_PLAYGROUND_SRC}"
  DEPENDS ${playground_inputs}
  COMMENT "Bundling the playground page" VERBATIM)
add_custom_target(vorn_playground ALL DEPENDS ${VORN_PLAYGROUND_OUTPUTS} ${web_copies})
# The page is complete with the compiler module and its WASI library.
add_dependencies(vorn_playground vorn_compile_wasm)
