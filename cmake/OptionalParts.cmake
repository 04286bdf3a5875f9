# The language server and the WASI build of the compiler need tools that the
# compiler itself does not. When one is missing, its part switches itself off
# with one line saying what to install, so that the compiler alone builds with
# CMake, g++, clang and wasm-ld; with VORN_REQUIRE_TOOLS (scripts/test.sh) a
# missing tool stops the configure instead. scripts/ensure-tools.sh installs
# every tool, and then nothing is switched off.
function(vorn_switch_off option reason)
  if(VORN_REQUIRE_TOOLS)
    message(FATAL_ERROR "${option}: ${reason}")
  endif()
  message(STATUS "${option} off: ${reason}")
  set(${option} OFF PARENT_SCOPE)
endfunction()

if(VORN_LSP)
  find_package(nlohmann_json 3.10 QUIET)
  if(NOT nlohmann_json_FOUND)
    vorn_switch_off(VORN_LSP "nlohmann-json is missing (apt-get install nlohmann-json3-dev), so vorn-lsp is not built")
  endif()
endif()

if(VORN_WASI)
  find_program(VORN_CLANGXX_19 NAMES clang++-19)
  # The linker of the same LLVM when it is there; any wasm-ld reads these objects.
  find_program(VORN_WASI_LD NAMES wasm-ld-19 wasm-ld)
  set(wasi_probe_dir "${PROJECT_BINARY_DIR}/CMakeFiles/wasi_probe")
  set(wasi_missing "")
  if(NOT VORN_CLANGXX_19 OR NOT EXISTS "${VORN_CLANGXX_19}" OR NOT VORN_WASI_LD)
    set(wasi_missing "clang++-19 or wasm-ld is missing (apt-get install clang-19 lld-19)")
  elseif(NOT EXISTS "${PROJECT_SOURCE_DIR}/web/node_modules/@bjorn3/browser_wasi_shim/dist")
    set(wasi_missing "web/node_modules is missing (npm ci in web/, or scripts/ensure-tools.sh)")
  else()
    # The WASI C and C++ libraries: link a small program as the build will.
    file(MAKE_DIRECTORY "${wasi_probe_dir}")
    file(WRITE "${wasi_probe_dir}/probe.cpp"
         "#include <string>\n#include <unistd.h>\nint main() { return std::to_string(getpid()).empty(); }\n")
    execute_process(
      COMMAND "${VORN_CLANGXX_19}" --target=wasm32-wasi -std=c++23 -fno-exceptions -D_WASI_EMULATED_GETPID
              -fuse-ld=${VORN_WASI_LD} -o probe.wasm probe.cpp -lwasi-emulated-getpid
      WORKING_DIRECTORY "${wasi_probe_dir}" RESULT_VARIABLE wasi_probe_status OUTPUT_QUIET ERROR_QUIET)
    if(NOT wasi_probe_status EQUAL 0)
      set(wasi_missing "clang 19 cannot link for WASI (apt-get install wasi-libc libc++-19-dev-wasm32 libc++abi-19-dev-wasm32 libclang-rt-19-dev-wasm32)")
    endif()
  endif()
  if(wasi_missing)
    vorn_switch_off(VORN_WASI "${wasi_missing}, so vorn-compile.wasm and the playground are not built")
  endif()
endif()
