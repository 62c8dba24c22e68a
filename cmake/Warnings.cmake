# Warnings are errors on both targets; every target of the project links this.
add_library(mv_warnings INTERFACE)
target_compile_options(mv_warnings INTERFACE
  $<$<COMPILE_LANGUAGE:C,CXX>:-Wall -Wextra -Wpedantic -Werror -Wshadow -Wno-unknown-pragmas>)
# The Windows SDK headers expect these.
target_compile_definitions(mv_warnings INTERFACE
  UNICODE _UNICODE WIN32_LEAN_AND_MEAN NOMINMAX _WIN32_WINNT=0x0601 WINVER=0x0601)
