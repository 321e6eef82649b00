# Builds against a real CEF binary distribution (-DCEF_ROOT=<path>) with MSVC, using the
# distribution's own CMake macros and its libcef_dll_wrapper.
# This path has not been run on the project's Linux machines (they have no MSVC); it
# follows the layout of CEF's binary distributions. `make cef-build` is the mingw path.
include(${CMAKE_CURRENT_LIST_DIR}/cef-distribution.cmake)
quorvane_check_cef_distribution("${CEF_ROOT}")

# CEF's libraries use the static runtime (/MT, /MTd); everything linked with them must.
set(CMAKE_MSVC_RUNTIME_LIBRARY "MultiThreaded$<$<CONFIG:Debug>:Debug>")

list(APPEND CMAKE_MODULE_PATH "${CEF_ROOT}/cmake")
find_package(CEF REQUIRED)

# The wrapper library is built from the distribution's sources with CEF's flags.
add_subdirectory("${CEF_LIBCEF_DLL_WRAPPER_PATH}" libcef_dll_wrapper)
ADD_LOGICAL_TARGET("libcef_lib" "${CEF_LIB_DEBUG}" "${CEF_LIB_RELEASE}")

# CEF's macros empty CMAKE_CXX_FLAGS for Ninja and build the wrapper without exceptions.
# The system's code catches exceptions (queued tasks, the logger), so it keeps them and
# run-time type information, and leaves _HAS_EXCEPTIONS=0 to the wrapper.
add_compile_options(/EHsc /GR)
set(QUORVANE_CEF_DEFINES ${CEF_COMPILER_DEFINES})
list(REMOVE_ITEM QUORVANE_CEF_DEFINES _HAS_EXCEPTIONS=0)

add_library(cef_api INTERFACE)
target_include_directories(cef_api SYSTEM INTERFACE "${CEF_ROOT}")
target_compile_definitions(cef_api INTERFACE ${QUORVANE_CEF_DEFINES})
target_link_libraries(cef_api INTERFACE libcef_lib libcef_dll_wrapper ${CEF_STANDARD_LIBS})
