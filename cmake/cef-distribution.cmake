# Checks that CEF_ROOT is a CEF 92 (branch 4515) binary distribution for 32-bit Windows
# before anything is built against it: its API hashes must be the ones the sources were
# written for, and its libcef.dll must be a 32-bit x86 image.
set(QUORVANE_CEF_API_HASH_WINDOWS "0a848e5b676ddc931dbb5b174a64eb7be7f7dfbf")
set(QUORVANE_CEF_API_HASH_UNIVERSAL "7fb6a7510f39c359767b3a893c9ebfb5fb5973d7")

function(quorvane_check_cef_distribution root)
  set(expected "a CEF 92 windows32 binary distribution (cef_binary_92.0.*+chromium-92.0.4515.*_windows32)")
  if(NOT IS_DIRECTORY "${root}")
    message(FATAL_ERROR "CEF_ROOT=${root}: no such directory; give ${expected}")
  endif()
  set(hash_header "${root}/include/cef_api_hash.h")
  if(NOT EXISTS "${hash_header}")
    message(FATAL_ERROR "CEF_ROOT=${root} is not a CEF binary distribution: "
                        "include/cef_api_hash.h is missing; give ${expected}")
  endif()
  file(READ "${hash_header}" hashes)
  string(REGEX MATCH "CEF_API_HASH_UNIVERSAL \"([0-9a-f]*)\"" _ "${hashes}")
  set(universal "${CMAKE_MATCH_1}")
  string(REGEX MATCH "defined\\(OS_WIN\\)[ \t\r\n]*#define CEF_API_HASH_PLATFORM \"([0-9a-f]*)\""
         _ "${hashes}")
  set(windows "${CMAKE_MATCH_1}")
  if(NOT universal STREQUAL QUORVANE_CEF_API_HASH_UNIVERSAL
     OR NOT windows STREQUAL QUORVANE_CEF_API_HASH_WINDOWS)
    message(FATAL_ERROR
      "CEF_ROOT=${root} is not CEF 92 (branch 4515): its API hashes are "
      "universal \"${universal}\", Windows \"${windows}\"; expected "
      "\"${QUORVANE_CEF_API_HASH_UNIVERSAL}\" and \"${QUORVANE_CEF_API_HASH_WINDOWS}\"")
  endif()

  foreach(file include/cef_version.h Release/libcef.dll Release/libcef.lib)
    if(NOT EXISTS "${root}/${file}")
      message(FATAL_ERROR "CEF_ROOT=${root} has the CEF 92 headers but no ${file}; "
                          "give ${expected}")
    endif()
  endforeach()

  # The machine field of the PE header: 014c for x86, 8664 for x64, aa64 for arm64.
  set(dll "${root}/Release/libcef.dll")
  file(READ "${dll}" header_offset OFFSET 60 LIMIT 4 HEX)
  string(REGEX REPLACE "(..)(..)(..)(..)" "\\4\\3\\2\\1" header_offset "${header_offset}")
  math(EXPR machine_offset "0x${header_offset} + 4")
  file(READ "${dll}" machine OFFSET ${machine_offset} LIMIT 2 HEX)
  string(REGEX REPLACE "(..)(..)" "\\2\\1" machine "${machine}")
  if(NOT machine STREQUAL "014c")
    message(FATAL_ERROR "CEF_ROOT=${root}: Release/libcef.dll is not a 32-bit x86 image "
                        "(PE machine ${machine}); Quorvane.exe is 32-bit, give ${expected}")
  endif()
  message(STATUS "CEF distribution: ${root}")
endfunction()
