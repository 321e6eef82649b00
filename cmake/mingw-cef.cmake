# Builds against a real CEF binary distribution (-DCEF_ROOT=<path>) with the project's
# own toolchain (mingw-w64 i686). The distribution's CMake files assume MSVC, so its
# libcef_dll_wrapper sources are compiled here, and the program links to its libcef.lib.
include(${CMAKE_CURRENT_LIST_DIR}/cef-distribution.cmake)
quorvane_check_cef_distribution("${CEF_ROOT}")

# Every wrapper source the distribution carries; libcef_dll_dylib.cc loads libcef on
# macOS only.
file(GLOB_RECURSE CEF_WRAPPER_SOURCES "${CEF_ROOT}/libcef_dll/*.cc")
list(FILTER CEF_WRAPPER_SOURCES EXCLUDE REGEX "/libcef_dll_dylib\\.cc$")
add_library(libcef_dll_wrapper STATIC ${CEF_WRAPPER_SOURCES})
# A windows distribution lacks the GCC flavour of the wrapper's atomic operations;
# mingw-cef/ supplies it, after the distribution's own headers.
target_include_directories(libcef_dll_wrapper SYSTEM PUBLIC "${CEF_ROOT}"
                                                            "${CMAKE_CURRENT_LIST_DIR}/mingw-cef")
# The defines CEF's own build gives its Windows targets.
target_compile_definitions(libcef_dll_wrapper
  PUBLIC UNICODE _UNICODE NOMINMAX WIN32_LEAN_AND_MEAN
  PRIVATE WRAPPING_CEF_SHARED WIN32 _WINDOWS WINVER=0x0601 _WIN32_WINNT=0x601
          $<$<CONFIG:Release>:NDEBUG>)
# CEF's code, not ours: its warnings are not ours to fix. include/internal/
# cef_string_wrappers.h calls strlen without including <cstring>, which MSVC's headers
# happen to pull in and libstdc++'s do not.
target_compile_options(libcef_dll_wrapper PRIVATE -w -include cstring)

add_library(cef_api INTERFACE)
target_link_libraries(cef_api INTERFACE libcef_dll_wrapper "${CEF_ROOT}/Release/libcef.lib")
