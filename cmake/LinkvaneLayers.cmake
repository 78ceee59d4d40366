# The layers may only include downwards, and the configure step fails as soon as a file
# reaches up or sideways, so that the layering cannot erode quietly:
#   core      no Qt, nothing from platform/, app/, controls/ or ctl/ (it decides, portably)
#   controls  nothing from app/ (the widgets know no window that uses them)
#   src/      nothing from tools/ (the test peers and fakes are not the program)
# and, once every target is made, no program target links the fakes of tools/.

# Fails when a file below dir includes a header matching the regular expression forbidden.
function(linkvane_forbid_includes dir forbidden why)
    file(GLOB_RECURSE files "${dir}/*.h" "${dir}/*.cpp")
    foreach(f IN LISTS files)
        file(STRINGS "${f}" found REGEX "^[ \t]*#[ \t]*include[ \t]*[<\"](${forbidden})")
        if(found)
            message(FATAL_ERROR "${why}: ${f}: ${found}")
        endif()
    endforeach()
    set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${files})
endfunction()

function(linkvane_check_layers src_dir)
    linkvane_forbid_includes(${src_dir}/core "Q[A-Za-z]|Qt"
        "The core library may not include Qt headers")
    linkvane_forbid_includes(${src_dir}/core "(platform|app|controls|ctl)/"
        "The core library may not include the layers above it")
    linkvane_forbid_includes(${src_dir}/controls "app/"
        "The controls may not include the application")
    linkvane_forbid_includes(${src_dir} "tools/"
        "The program may not include the test peers and fakes of tools/")
endfunction()

# Fails when one of the programs (and the libraries they link, directly or through others)
# links the library `fakes`. Call it after every target is made.
function(linkvane_check_program_links fakes)
    foreach(program IN LISTS ARGN)
        if(NOT TARGET ${program})
            continue()
        endif()
        set(pending ${program})
        set(seen "")
        while(pending)
            list(POP_FRONT pending target)
            if(target IN_LIST seen)
                continue()
            endif()
            list(APPEND seen ${target})
            if(target STREQUAL fakes)
                message(FATAL_ERROR "The program target ${program} links the test fakes "
                    "(${fakes}); only tests, tools and fuzzers may. Targets reached: ${seen}")
            endif()
            get_target_property(imported ${target} IMPORTED)
            if(imported)
                continue()
            endif()
            set(links "")
            foreach(property LINK_LIBRARIES INTERFACE_LINK_LIBRARIES)
                get_target_property(more ${target} ${property})
                if(more)
                    list(APPEND links ${more})
                endif()
            endforeach()
            foreach(link IN LISTS links)
                # $<LINK_ONLY:x> names x; the ::@ markers of other directories name nothing.
                string(REGEX REPLACE "^\\$<LINK_ONLY:(.*)>$" "\\1" link "${link}")
                if(TARGET "${link}")
                    list(APPEND pending ${link})
                endif()
            endforeach()
        endwhile()
    endforeach()
endfunction()
