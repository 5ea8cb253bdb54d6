# The decoders of the ZIP methods beyond deflate, as link targets:
#   bz2_dep   libbz2 (BZip2)     the host's -dev package; for Windows built from Debian's source
#   lzma_dep  liblzma (LZMA)     likewise
#   ppmd_dep  PPMd variant I     the C library of Debian's 7zip source package, in every build
# The sources are unpacked by scripts/setup (scripts/lib/fetch-sources.sh) into
# VORLANE_DEPS_DIR. Their own warnings are not ours to fix: they build with -w.
set(VORLANE_DEPS_DIR "${CMAKE_CURRENT_LIST_DIR}/../build/deps" CACHE PATH
    "Unpacked source packages of the compression libraries (scripts/setup makes it)")
get_filename_component(deps "${VORLANE_DEPS_DIR}" ABSOLUTE)

foreach(package bzip2 xz-utils 7zip)
  if(NOT EXISTS "${deps}/${package}/.version")
    message(FATAL_ERROR "${deps}/${package} is missing: run scripts/setup")
  endif()
endforeach()

# Our warning flags are dropped for their code; the sanitizers, where on, stay.
function(vorlane_third_party target)
  get_target_property(options ${target} COMPILE_OPTIONS)
  list(REMOVE_ITEM options -Wall -Wextra)
  list(APPEND options -w)
  set_target_properties(${target} PROPERTIES COMPILE_OPTIONS "${options}")
endfunction()

set(ppmd_src "${deps}/7zip/C")
add_library(ppmd_dep STATIC ${ppmd_src}/Ppmd8.c ${ppmd_src}/Ppmd8Dec.c)
target_include_directories(ppmd_dep SYSTEM PUBLIC ${ppmd_src})
vorlane_third_party(ppmd_dep)

if(WIN32)
  set(bz "${deps}/bzip2")
  add_library(bz2_dep STATIC ${bz}/blocksort.c ${bz}/huffman.c ${bz}/crctable.c ${bz}/randtable.c
              ${bz}/compress.c ${bz}/decompress.c ${bz}/bzlib.c)
  target_include_directories(bz2_dep SYSTEM PUBLIC ${bz})
  vorlane_third_party(bz2_dep)

  # liblzma through xz's own CMake project: static, no programs, no tests of its own.
  set(BUILD_SHARED_LIBS OFF)
  set(BUILD_TESTING OFF CACHE BOOL "" FORCE)
  set(ENABLE_NLS OFF CACHE BOOL "" FORCE)
  add_subdirectory(${deps}/xz-utils ${CMAKE_BINARY_DIR}/xz-utils EXCLUDE_FROM_ALL)
  vorlane_third_party(liblzma)
  add_library(lzma_dep INTERFACE)
  target_link_libraries(lzma_dep INTERFACE liblzma)
  target_include_directories(lzma_dep SYSTEM INTERFACE ${deps}/xz-utils/src/liblzma/api)
else()
  find_package(BZip2 REQUIRED)
  find_package(LibLZMA REQUIRED)
  add_library(bz2_dep INTERFACE)
  target_link_libraries(bz2_dep INTERFACE BZip2::BZip2)
  add_library(lzma_dep INTERFACE)
  target_link_libraries(lzma_dep INTERFACE LibLZMA::LibLZMA)
endif()
