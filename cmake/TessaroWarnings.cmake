# Project-wide compile settings for every target that links tessaro_options.
# Extended results are compared bit for bit, so contraction into FMA is off
# and no fast-math flag is ever used.
option(TESSARO_WERROR "Treat warnings as errors" OFF)
add_library(tessaro_options INTERFACE)
target_compile_options(tessaro_options INTERFACE
  -Wall -Wextra -Wno-psabi -ffp-contract=off
  $<$<BOOL:${TESSARO_WERROR}>:-Werror>)
if(TESSARO_SANITIZE)
  target_compile_options(tessaro_options INTERFACE
    -fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer)
  target_link_options(tessaro_options INTERFACE -fsanitize=address,undefined)
endif()
