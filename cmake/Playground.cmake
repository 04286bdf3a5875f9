# Bundles web/playground-src (the playground page's script and its compiler
# worker, with CodeMirror from that folder's node_modules) into plain static
# files with the pinned esbuild: ${VORN_WEB_BUILD_DIR}/playground.js and
# playground_worker.js. `npm ci` in web/playground-src (scripts/ensure-tools.sh)
# provides both; without them the page is not built and a warning says why.
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

file(GLOB playground_inputs CONFIGURE_DEPENDS
     "${VORN_PLAYGROUND_SRC}/*.mjs" "${VORN_PLAYGROUND_SRC}/*.vorn"
     "${PROJECT_SOURCE_DIR}/web/*.mjs" "${PROJECT_SOURCE_DIR}/examples/*.vorn")
set(VORN_PLAYGROUND_OUTPUTS "${VORN_WEB_BUILD_DIR}/playground.js" "${VORN_WEB_BUILD_DIR}/playground_worker.js")
add_custom_command(OUTPUT ${VORN_PLAYGROUND_OUTPUTS}
  COMMAND "${VORN_ESBUILD}" playground=main.mjs playground_worker=worker.mjs
          --bundle --format=esm --minify --target=es2022 --loader:.vorn=text --log-level=warning
          "--outdir=${VORN_WEB_BUILD_DIR}"
  WORKING_DIRECTORY "${VORN_PLAYGROUND_SRC}"
  DEPENDS ${playground_inputs} "${VORN_PLAYGROUND_SRC}/package-lock.json"
  COMMENT "Bundling the playground page" VERBATIM)
add_custom_target(vorn_playground ALL DEPENDS ${VORN_PLAYGROUND_OUTPUTS})
