# Duktape 2.7, the script engine under the stand-in's V8 (cef-standin/src/script/), from
# Debian's duktape-dev, which ships its whole source in /usr/share/duktape. Nothing of it
# is committed: duktape.c and duktape.h are copied into the build tree beside a
# duk_config.h of ours, which takes Debian's configuration and switches on what the
# engine's limits need (the interrupt counter with an execution-timeout check, a fatal
# handler of ours, a lower native recursion limit, no tail calls so that stack traces keep
# every caller). Defines the target quorvane_duktape.
if(TARGET quorvane_duktape)
  return()
endif()

find_path(DUKTAPE_SOURCE_DIR duktape.c PATHS /usr/share/duktape NO_DEFAULT_PATH
          NO_CMAKE_FIND_ROOT_PATH)
if(NOT DUKTAPE_SOURCE_DIR OR NOT EXISTS "${DUKTAPE_SOURCE_DIR}/duk_config.h"
   OR NOT EXISTS "${DUKTAPE_SOURCE_DIR}/duktape.h")
  message(FATAL_ERROR "Duktape's source is missing: /usr/share/duktape/duktape.c, duktape.h and "
                      "duk_config.h come with Debian's duktape-dev (run `make setup`, or "
                      "`apt-get install duktape-dev`).")
endif()

set(DUKTAPE_BUILD_DIR "${CMAKE_BINARY_DIR}/duktape")
configure_file("${DUKTAPE_SOURCE_DIR}/duktape.c" "${DUKTAPE_BUILD_DIR}/duktape.c" COPYONLY)
configure_file("${DUKTAPE_SOURCE_DIR}/duktape.h" "${DUKTAPE_BUILD_DIR}/duktape.h" COPYONLY)
set(DUKTAPE_DEBIAN_CONFIG "${DUKTAPE_SOURCE_DIR}/duk_config.h")
configure_file("${CMAKE_CURRENT_LIST_DIR}/duk_config.h.in" "${DUKTAPE_BUILD_DIR}/duk_config.h" @ONLY)

add_library(quorvane_duktape STATIC "${DUKTAPE_BUILD_DIR}/duktape.c")
target_include_directories(quorvane_duktape SYSTEM PUBLIC "${DUKTAPE_BUILD_DIR}")
# Duktape's own warnings are not ours to fix.
target_compile_options(quorvane_duktape PRIVATE -w)
set_target_properties(quorvane_duktape PROPERTIES C_STANDARD 99 POSITION_INDEPENDENT_CODE ON)
if(NOT WIN32)
  target_link_libraries(quorvane_duktape PUBLIC m)
endif()
