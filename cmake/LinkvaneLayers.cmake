# The layers may only include downwards, and the configure step fails as soon as a file
# reaches up or sideways, so that the layering cannot erode quietly:
#   core      no Qt, nothing from platform/, app/, controls/ or ctl/ (it decides, portably)
#   controls  nothing from app/ (the widgets know no window that uses them)

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
endfunction()
