# Shared helpers for the project's targets.

# Warnings in our own code only; system headers (Qt, libUEMF) are included as SYSTEM. They are
# errors with MOVRA_WERROR (CI and the developer builds).
function(movra_warnings target)
    target_compile_options(${target} PRIVATE
        -Wall -Wextra -Wpedantic
        -Wno-missing-field-initializers)
    if(MOVRA_WERROR)
        target_compile_options(${target} PRIVATE -Werror)
    endif()
endfunction()

# movra_library(<name> [SOURCES_GLOB <dir>] LIBS <deps...>)
# A static library made of every .cpp/.h in <dir> (non-recursive), so that adding a file needs
# no edit of a shared list.
function(movra_library name)
    cmake_parse_arguments(ARG "" "DIR" "LIBS;PUBLIC_LIBS" ${ARGN})
    if(NOT ARG_DIR)
        set(ARG_DIR ${CMAKE_CURRENT_SOURCE_DIR})
    endif()
    file(GLOB _src CONFIGURE_DEPENDS ${ARG_DIR}/*.cpp ${ARG_DIR}/*.h ${ARG_DIR}/*.c ${ARG_DIR}/*.qrc)
    if(NOT _src)
        # An empty folder still gives a target so that dependants link.
        set(_empty ${CMAKE_CURRENT_BINARY_DIR}/${name}_empty.cpp)
        file(WRITE ${_empty} "namespace { [[maybe_unused]] int ${name}_empty_unit = 0; }\n")
        set(_src ${_empty})
    endif()
    add_library(${name} STATIC ${_src})
    target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR})
    target_link_libraries(${name} PUBLIC ${ARG_LIBS} ${ARG_PUBLIC_LIBS})
    movra_warnings(${name})
endfunction()


# A test or benchmark whose sources are not all there yet (being written) is skipped with a note
# instead of breaking the configuration of the whole tree.
function(movra_sources_present out)
    set(_ok TRUE)
    foreach(_s ${ARGN})
        if(IS_ABSOLUTE ${_s})
            set(_p ${_s})
        else()
            set(_p ${CMAKE_CURRENT_SOURCE_DIR}/${_s})
        endif()
        if(NOT EXISTS ${_p})
            set(_ok FALSE)
        endif()
    endforeach()
    set(${out} ${_ok} PARENT_SCOPE)
endfunction()

# movra_test(<name> SOURCES <files...> LIBS <libs...>)
# A QtTest executable registered with CTest; it runs headless on Qt's offscreen platform.
function(movra_test name)
    cmake_parse_arguments(ARG "" "TIMEOUT" "SOURCES;LIBS" ${ARGN})
    movra_sources_present(_present ${ARG_SOURCES})
    if(NOT _present)
        # Registered as a failing test, so a missing file can never pass unnoticed.
        message(STATUS "Test ${name} not built: a source file is missing")
        add_test(NAME ${name} COMMAND ${CMAKE_COMMAND} -E false)
        return()
    endif()
    add_executable(${name} ${ARG_SOURCES})
    target_link_libraries(${name} PRIVATE ${ARG_LIBS} movra_testsupport Qt6::Test)
    movra_warnings(${name})
    add_test(NAME ${name} COMMAND ${name})
    if(NOT ARG_TIMEOUT)
        set(ARG_TIMEOUT 600)
    endif()
    set_tests_properties(${name} PROPERTIES
        TIMEOUT ${ARG_TIMEOUT}
        ENVIRONMENT "QT_QPA_PLATFORM=offscreen;LC_ALL=C.UTF-8;QT_ACCESSIBILITY=1;MOVRA_SOURCE_DIR=${PROJECT_SOURCE_DIR};ASAN_OPTIONS=detect_leaks=0")
endfunction()

# movra_benchmark(<name> SOURCES <files...> LIBS <libs...>)
function(movra_benchmark name)
    cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
    movra_sources_present(_present ${ARG_SOURCES})
    if(NOT _present)
        message(STATUS "Benchmark ${name} skipped: a source file is missing")
        return()
    endif()
    find_package(benchmark REQUIRED)
    add_executable(${name} ${ARG_SOURCES})
    target_link_libraries(${name} PRIVATE ${ARG_LIBS} benchmark::benchmark)
    movra_warnings(${name})
endfunction()
