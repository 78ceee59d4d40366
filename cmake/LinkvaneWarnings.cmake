# One INTERFACE target carries the warning flags; every target of the project links it.
add_library(linkvane_warnings INTERFACE)
target_compile_options(linkvane_warnings INTERFACE
    -Wall -Wextra -Wpedantic -Wold-style-cast -Wnon-virtual-dtor -Woverloaded-virtual
    -Wshadow -Wconversion -Wsign-conversion)
if(LINKVANE_WERROR)
    target_compile_options(linkvane_warnings INTERFACE -Werror)
endif()
if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU" AND CMAKE_CXX_COMPILER_VERSION VERSION_LESS 13)
    # GCC 12 reports impossible overlaps in std::string concatenation when optimising
    # (GCC bug 105329); the warning is noise there, not a finding.
    target_compile_options(linkvane_warnings INTERFACE -Wno-restrict)
endif()
