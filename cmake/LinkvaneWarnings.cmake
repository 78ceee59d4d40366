# One INTERFACE target carries the warning flags; every target of the project links it.
add_library(linkvane_warnings INTERFACE)
target_compile_options(linkvane_warnings INTERFACE
    -Wall -Wextra -Wpedantic -Wold-style-cast -Wnon-virtual-dtor -Woverloaded-virtual
    -Wshadow -Wconversion -Wsign-conversion)
if(LINKVANE_WERROR)
    target_compile_options(linkvane_warnings INTERFACE -Werror)
endif()
