# Project-wide compile settings for every target that links tessaro_options.
# Extended results are compared bit for bit, so contraction into FMA is off
# and no fast-math flag is ever used.
option(TESSARO_WERROR "Treat warnings as errors" OFF)
add_library(tessaro_options INTERFACE)
target_compile_options(tessaro_options INTERFACE
  -Wall -Wextra -Wno-psabi -ffp-contract=off
  $<$<BOOL:${TESSARO_WERROR}>:-Werror>)
if(TESSARO_SANITIZE OR TESSARO_FUZZ)
  target_compile_options(tessaro_options INTERFACE
    -fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer)
  target_link_options(tessaro_options INTERFACE -fsanitize=address,undefined)
endif()
# libFuzzer builds: coverage feedback in every object; the fuzz targets link
# the fuzzer's own main (fuzz/CMakeLists.txt).
if(TESSARO_FUZZ)
  if(NOT CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
    message(FATAL_ERROR "TESSARO_FUZZ needs Clang: configure with -DCMAKE_CXX_COMPILER=clang++-14")
  endif()
  target_compile_options(tessaro_options INTERFACE -fsanitize=fuzzer-no-link)
endif()
