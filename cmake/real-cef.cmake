# Builds against a real CEF binary distribution (-DCEF_ROOT=<path>) in place of the
# stand-in. Uses the distribution's own CMake macros and its libcef_dll_wrapper.
# This path cannot be exercised on the project's Linux machines (no CEF binaries are
# available there); it follows the layout of CEF's binary distributions.
list(APPEND CMAKE_MODULE_PATH "${CEF_ROOT}/cmake")
find_package(CEF REQUIRED)

# The wrapper library is built from the distribution's sources with CEF's flags.
add_subdirectory("${CEF_LIBCEF_DLL_WRAPPER_PATH}" libcef_dll_wrapper)
ADD_LOGICAL_TARGET("libcef_lib" "${CEF_LIB_DEBUG}" "${CEF_LIB_RELEASE}")

add_library(cef_api INTERFACE)
target_include_directories(cef_api SYSTEM INTERFACE "${CEF_ROOT}")
target_compile_definitions(cef_api INTERFACE ${CEF_COMPILER_DEFINES})
target_link_libraries(cef_api INTERFACE libcef_lib libcef_dll_wrapper ${CEF_STANDARD_LIBS})
