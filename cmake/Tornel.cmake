# Build helpers shared by every folder of the tree.

# Sources of a folder are every .cpp below it, so parallel work adds files
# without touching the folder's CMakeLists.txt.
function(tornel_sources out_var)
    set(found)
    foreach(dir IN LISTS ARGN)
        file(GLOB_RECURSE dir_sources CONFIGURE_DEPENDS ${dir}/*.cpp ${dir}/*.h)
        list(APPEND found ${dir_sources})
    endforeach()
    set(${out_var} ${found} PARENT_SCOPE)
endfunction()

# One GoogleTest executable per test folder; each test runs in its own process.
function(tornel_test_suite name)
    cmake_parse_arguments(ARG "" "" "DIRS;LIBS;INCLUDES" ${ARGN})
    tornel_sources(suite_sources ${ARG_DIRS})
    if(NOT suite_sources)
        return()
    endif()
    add_executable(${name} ${suite_sources} ${PROJECT_SOURCE_DIR}/tests/main.cpp)
    target_link_libraries(${name} PRIVATE ${ARG_LIBS} tornel_test_support GTest::gtest GTest::gmock)
    target_include_directories(${name} PRIVATE ${ARG_INCLUDES})
    gtest_discover_tests(${name}
        DISCOVERY_TIMEOUT 60
        PROPERTIES TIMEOUT 120 ENVIRONMENT "QT_QPA_PLATFORM=offscreen")
endfunction()
