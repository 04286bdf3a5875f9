# The web folder as served: ${VORN_WEB_BUILD_DIR} receives the page files of
# web/ and the playground's scripts, bundled from web/playground-src (the page
# script and its compiler worker, with CodeMirror from that folder's
# node_modules) by the pinned esbuild into plain static files. `npm ci` in
# web/playground-src (scripts/ensure-tools.sh) provides both; without them the
# playground is not built and a warning says why.
set(VORN_PLAYGROUND_SRC "${PROJECT_SOURCE_DIR}/web/playground-src")
set(VORN_WEB_BUILD_DIR "${PROJECT_BINARY_DIR}/web")
set(VORN_ESBUILD "${VORN_PLAYGROUND_SRC}/node_modules/.bin/esbuild")

if(NOT EXISTS "${VORN_ESBUILD}")
  message(WARNING "web/playground-src/node_modules is missing (run scripts/ensure-tools.sh): the playground page is not built")
  return()
endif()
if(NOT EXISTS "${PROJECT_SOURCE_DIR}/web/compiler.mjs")
  message(WARNING "web/compiler.mjs is missing: the playground page is not built")
  return()
endif()

# The files a static server needs, as in web/.
set(web_files index.html page.mjs page.css circuit.mjs element.mjs topology.mjs table_text.mjs table_worker.mjs
    truth_table_view.mjs vorn.mjs vorn.d.ts compiler.mjs playground.html playground.css)
set(web_copies "")
foreach(name IN LISTS web_files)
  add_custom_command(OUTPUT "${VORN_WEB_BUILD_DIR}/${name}"
    COMMAND "${CMAKE_COMMAND}" -E copy_if_different "${PROJECT_SOURCE_DIR}/web/${name}" "${VORN_WEB_BUILD_DIR}/${name}"
    DEPENDS "${PROJECT_SOURCE_DIR}/web/${name}" VERBATIM)
  list(APPEND web_copies "${VORN_WEB_BUILD_DIR}/${name}")
endforeach()

# Everything the two bundles are built from.
set(playground_inputs main.mjs worker.mjs project.mjs language.mjs adder4.vorn package-lock.json)
list(TRANSFORM playground_inputs PREPEND "${VORN_PLAYGROUND_SRC}/")
list(APPEND playground_inputs "${PROJECT_SOURCE_DIR}/web/compiler.mjs" "${PROJECT_SOURCE_DIR}/web/element.mjs"
     "${PROJECT_SOURCE_DIR}/web/circuit.mjs" "${PROJECT_SOURCE_DIR}/web/topology.mjs"
     "${PROJECT_SOURCE_DIR}/web/truth_table_view.mjs" "${PROJECT_SOURCE_DIR}/examples/full_adder.vorn"
     "${PROJECT_SOURCE_DIR}/examples/half_adder.vorn" "${PROJECT_SOURCE_DIR}/examples/inverter.vorn")
set(VORN_PLAYGROUND_OUTPUTS "${VORN_WEB_BUILD_DIR}/playground.js" "${VORN_WEB_BUILD_DIR}/playground_worker.js")
add_custom_command(OUTPUT ${VORN_PLAYGROUND_OUTPUTS}
  COMMAND "${VORN_ESBUILD}" playground=main.mjs playground_worker=worker.mjs
          --bundle --format=esm --minify --target=es2022 --loader:.vorn=text --log-level=warning
          "--outdir=${VORN_WEB_BUILD_DIR}"
  WORKING_DIRECTORY "${VORN_PLAYGROUND_SRC}"
  DEPENDS ${playground_inputs}
  COMMENT "Bundling the playground page" VERBATIM)
add_custom_target(vorn_playground ALL DEPENDS ${VORN_PLAYGROUND_OUTPUTS} ${web_copies})
