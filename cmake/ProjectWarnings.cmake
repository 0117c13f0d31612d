# Warnings are errors on the project's own code.
function(greptoolkit_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic -Werror -Wshadow -Wnon-virtual-dtor)
endfunction()
