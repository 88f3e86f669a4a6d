# One warnings setting for the project's own code: all on, treated as errors.
function(qv_warnings target)
  target_compile_options(${target} PRIVATE
    -Wall -Wextra -Wpedantic -Wshadow -Wnon-virtual-dtor -Wcast-align -Woverloaded-virtual
    -Wformat=2 -Wimplicit-fallthrough -Werror
    # GCC 12 reports false -Wrestrict overlaps inside std::string at -O3.
    $<$<CXX_COMPILER_ID:GNU>:-Wno-restrict>)
endfunction()
