find_package(GTest REQUIRED)
include(GoogleTest)

# linkvane_add_test(NAME name SOURCES ... LIBS ... [LABELS ...])
# One executable per test area; each GoogleTest case becomes its own CTest test so that
# the suite runs in parallel and a failure names the behaviour that broke.
function(linkvane_add_test)
    cmake_parse_arguments(T "" "NAME" "SOURCES;LIBS;LABELS" ${ARGN})
    add_executable(${T_NAME} ${T_SOURCES})
    target_link_libraries(${T_NAME} PRIVATE ${T_LIBS} linkvane_test_support GTest::gtest GTest::gmock GTest::gtest_main linkvane_warnings)
    gtest_discover_tests(${T_NAME}
        DISCOVERY_TIMEOUT 60
        PROPERTIES LABELS "${T_LABELS}" TIMEOUT 300
        ENVIRONMENT "LINKVANE_SOURCE_DIR=${PROJECT_SOURCE_DIR};LINKVANE_BINARY_DIR=${PROJECT_BINARY_DIR}")
endfunction()
