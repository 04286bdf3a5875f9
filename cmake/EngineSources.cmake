# The simulation engine's sources, relative to lib/. The native library
# vorn_engine and the freestanding runtime module compile the same files.
set(VORN_ENGINE_SOURCES
  memory/arena.cpp
  log/log.cpp
  circuit/circuit.cpp circuit/event_queue.cpp circuit/port_map.cpp circuit/state.cpp
  circuit/topology_loader.cpp)

# The runtime module's own sources, relative to templates/. The runtime
# fuzz target compiles them natively.
set(VORN_RUNTIME_MODULE_SOURCES interpreter.cpp main.cpp)
