# snipforge_subsystem(<name> [DEPS <targets>...])
#
# Declares the library of one subsystem folder from every .cpp below it. A
# folder without sources yet becomes an interface library, so later layers can
# already name it as a dependency.
function(snipforge_subsystem name)
    cmake_parse_arguments(ARG "" "" "DEPS" ${ARGN})
    file(GLOB_RECURSE sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
    if(sources)
        add_library(${name} STATIC ${sources})
        target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR})
        target_link_libraries(${name} PUBLIC ${ARG_DEPS})
    else()
        add_library(${name} INTERFACE)
        target_include_directories(${name} INTERFACE ${PROJECT_SOURCE_DIR})
        target_link_libraries(${name} INTERFACE ${ARG_DEPS})
    endif()
endfunction()

# snipforge_tests(<subsystem>)
#
# One test executable per subsystem from every *Test.cpp in the calling folder;
# each GoogleTest case becomes its own CTest test.
function(snipforge_tests subsystem)
    file(GLOB_RECURSE sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*Test.cpp)
    if(NOT sources)
        return()
    endif()
    file(GLOB_RECURSE support CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/support/*.cpp)
    set(exe ${subsystem}_tests)
    add_executable(${exe} ${sources} ${support})
    target_link_libraries(${exe} PRIVATE ${subsystem} test_support sanitizer_suppressions GTest::gtest GTest::gtest_main)
    gtest_discover_tests(${exe} DISCOVERY_TIMEOUT 60 PROPERTIES TIMEOUT 300)
endfunction()
