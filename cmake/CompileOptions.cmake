# Options every target of ours builds with: link against sendvik_options.
add_library(sendvik_options INTERFACE)
target_compile_options(sendvik_options INTERFACE -Wall -Wextra -Wpedantic
  $<$<CXX_COMPILER_ID:GNU>:-Wshadow=local> -Wnon-virtual-dtor -Wcast-qual -Wformat=2 -Wimplicit-fallthrough)
if(SENDVIK_WERROR)
  target_compile_options(sendvik_options INTERFACE -Werror)
endif()
target_compile_definitions(sendvik_options INTERFACE
  QT_NO_CAST_FROM_ASCII
  QT_NO_CONTEXTLESS_CONNECT
  QT_NO_NARROWING_CONVERSIONS_IN_CONNECT
  QT_NO_KEYWORDS
  QT_NO_FOREACH)
if(SENDVIK_SANITIZE)
  target_compile_options(sendvik_options INTERFACE
    -fsanitize=address,undefined -fno-sanitize-recover=undefined -fno-omit-frame-pointer)
  target_link_options(sendvik_options INTERFACE -fsanitize=address,undefined)
endif()
if(SENDVIK_FUZZ)
  # Every line of ours instrumented for coverage and checked; the targets
  # link libFuzzer's driver themselves.
  target_compile_options(sendvik_options INTERFACE -fsanitize=fuzzer-no-link,address,undefined
    -fno-sanitize-recover=undefined -fno-omit-frame-pointer)
  target_link_options(sendvik_options INTERFACE -fsanitize=address,undefined)
endif()
