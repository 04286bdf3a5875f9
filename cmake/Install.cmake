# cmake --install <build> [--prefix <p>] lays out:
#   bin/vorn-compile
#   share/man/man1/vorn-compile.1
#   share/vorn-compile/examples/   the example circuits and run-artifact.mjs
#   share/vorn-compile/web/        the web pages and host module, when web/ exists, with
#                                  vorn-compile.wasm, vendor/ and the playground's bundle from the build
# examples/ and web/ stay siblings, as in the source tree, so the examples'
# relative imports keep working once installed.
include(GNUInstallDirs)

set(VORN_INSTALL_DATADIR "${CMAKE_INSTALL_DATADIR}/vorn-compile")

install(TARGETS vorn-compile RUNTIME DESTINATION "${CMAKE_INSTALL_BINDIR}")
if(TARGET vorn-lsp)
  install(TARGETS vorn-lsp RUNTIME DESTINATION "${CMAKE_INSTALL_BINDIR}")
endif()

install(FILES "${PROJECT_SOURCE_DIR}/man/vorn-compile.1" DESTINATION "${CMAKE_INSTALL_MANDIR}/man1")

install(DIRECTORY "${PROJECT_SOURCE_DIR}/examples/" DESTINATION "${VORN_INSTALL_DATADIR}/examples"
        PATTERN "node_modules" EXCLUDE
        PATTERN "*.sh" PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)

# OPTIONAL: checked when installing, not when configuring, so the rule holds
# whether or not the folder exists yet. Only what a static server needs.
install(DIRECTORY "${PROJECT_SOURCE_DIR}/web/" DESTINATION "${VORN_INSTALL_DATADIR}/web" OPTIONAL
        PATTERN "node_modules" EXCLUDE
        PATTERN "playground-src" EXCLUDE
        PATTERN "test" EXCLUDE
        PATTERN "tests" EXCLUDE
        PATTERN "*.test.*" EXCLUDE
        PATTERN "package-lock.json" EXCLUDE)

# The compiler as WebAssembly and the browser WASI library beside compiler.mjs.
if(VORN_WASI)
  install(FILES "${VORN_COMPILE_WASM}" DESTINATION "${VORN_INSTALL_DATADIR}/web")
  install(DIRECTORY "${VORN_WEB_BUILD_DIR}/vendor" DESTINATION "${VORN_INSTALL_DATADIR}/web")
endif()
# The examples compiled, linked from the circuit page.
if(VORN_WEB_EXAMPLES)
  install(FILES ${VORN_WEB_EXAMPLES} DESTINATION "${VORN_INSTALL_DATADIR}/web/examples")
endif()
# The playground's bundled script, built beside the page's own files.
if(DEFINED VORN_PLAYGROUND_OUTPUTS)
  install(FILES ${VORN_PLAYGROUND_OUTPUTS} DESTINATION "${VORN_INSTALL_DATADIR}/web")
endif()
