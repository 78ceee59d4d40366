find_package(GTest REQUIRED)
include(GoogleTest)

# linkvane_add_test(NAME name SOURCES ... LIBS ... [LABELS ...] [GUI] [BUS])
# One executable per test area; each GoogleTest case becomes its own CTest test so that
# the suite runs in parallel and a failure names the behaviour that broke.
# Tests labelled "tsan" check threads: the ThreadSanitizer build (LINKVANE_TSAN) builds only
# them, through the target linkvane_tsan_tests, and runs them with `ctest -L tsan`.
# GUI tests get the label "gui" and run on the X display of the environment, or on a
# private headless one when there is none (tests/run-with-display.sh). BUS tests are GUI tests
# that also get a private session bus each (tests/run-on-session-bus.sh) and the label "bus".
if(NOT TARGET linkvane_tsan_tests)
    add_custom_target(linkvane_tsan_tests)
endif()

function(linkvane_add_test)
    cmake_parse_arguments(T "GUI;BUS" "NAME" "SOURCES;LIBS;LABELS" ${ARGN})
    add_executable(${T_NAME} ${T_SOURCES})
    target_link_libraries(${T_NAME} PRIVATE ${T_LIBS} linkvane_test_support GTest::gtest GTest::gmock GTest::gtest_main linkvane_warnings)
    if(T_BUS)
        set_target_properties(${T_NAME} PROPERTIES
            CROSSCOMPILING_EMULATOR ${PROJECT_SOURCE_DIR}/tests/run-on-session-bus.sh)
        list(APPEND T_LABELS gui bus)
    elseif(T_GUI)
        set_target_properties(${T_NAME} PROPERTIES
            CROSSCOMPILING_EMULATOR ${PROJECT_SOURCE_DIR}/tests/run-with-display.sh)
        list(APPEND T_LABELS gui)
    endif()
    if("tsan" IN_LIST T_LABELS)
        add_dependencies(linkvane_tsan_tests ${T_NAME})
    endif()
    gtest_discover_tests(${T_NAME}
        DISCOVERY_TIMEOUT 60
        PROPERTIES TIMEOUT 300
        ENVIRONMENT "LINKVANE_SOURCE_DIR=${PROJECT_SOURCE_DIR};LINKVANE_BINARY_DIR=${PROJECT_BINARY_DIR}")
    # Labels and the environment are set by a file that CTest reads after the discovered tests:
    # a list passed through PROPERTIES above would be split into separate properties.
    set(label_file ${CMAKE_CURRENT_BINARY_DIR}/${T_NAME}_labels.cmake)
    file(WRITE ${label_file}
        "foreach(t IN LISTS ${T_NAME}_TESTS)\n"
        "    set_tests_properties(\"\${t}\" PROPERTIES LABELS \"${T_LABELS}\"\n"
        "        ENVIRONMENT \"LINKVANE_SOURCE_DIR=${PROJECT_SOURCE_DIR};LINKVANE_BINARY_DIR=${PROJECT_BINARY_DIR}\")\n"
        "endforeach()\n")
    set_property(DIRECTORY APPEND PROPERTY TEST_INCLUDE_FILES ${label_file})
endfunction()
