# The core decides and must stay portable: it may not include Qt. Fail the configure step
# as soon as a core file names a Qt header, so the layering cannot erode quietly.
function(linkvane_check_core_has_no_qt core_dir)
    file(GLOB_RECURSE core_files "${core_dir}/*.h" "${core_dir}/*.cpp")
    foreach(f IN LISTS core_files)
        file(STRINGS "${f}" qt_includes REGEX "^[ \t]*#[ \t]*include[ \t]*[<\"](Q[A-Za-z]|Qt)")
        if(qt_includes)
            message(FATAL_ERROR "The core library may not include Qt headers: ${f}: ${qt_includes}")
        endif()
    endforeach()
    set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${core_files})
endfunction()
