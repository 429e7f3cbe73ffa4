# chaxun_warnings: an interface target every project target links to.
add_library(chaxun_warnings INTERFACE)
target_compile_options(chaxun_warnings INTERFACE
  -Wall -Wextra -Wpedantic
  $<$<BOOL:${CHAXUN_WERROR}>:-Werror>)
