# Debian's hardening flags for the program that ships: stack protector, _FORTIFY_SOURCE, format
# checks, full RELRO and immediate binding (BIND_NOW), as dpkg-buildflags gives them with every
# hardening feature on. The optimisation and debug-information flags it also prints are left to
# the build type. -ffile-prefix-map (from the same source) keeps the build folder out of the
# program, so two builds in different folders give the same bytes.
#
# Not for sanitizer or fuzzing builds (never shipped, and the sanitizers bring their own checks)
# nor for unoptimised builds, where _FORTIFY_SOURCE does nothing and glibc warns about it.
option(MOVRA_HARDENING "Build with Debian's hardening flags (dpkg-buildflags)" ON)
set(MOVRA_HARDENED OFF)

if(MOVRA_HARDENING AND NOT MOVRA_SANITIZE AND NOT MOVRA_FUZZ
   AND NOT CMAKE_BUILD_TYPE STREQUAL "Debug")
    find_program(DPKG_BUILDFLAGS dpkg-buildflags)
    if(NOT DPKG_BUILDFLAGS)
        message(FATAL_ERROR "dpkg-buildflags is missing (package dpkg-dev; scripts/install-deps.sh "
                            "installs it), or configure with -DMOVRA_HARDENING=OFF")
    endif()
    function(_movra_buildflags var out)
        execute_process(COMMAND ${CMAKE_COMMAND} -E env DEB_BUILD_MAINT_OPTIONS=hardening=+all
                                ${DPKG_BUILDFLAGS} --get ${var}
                        WORKING_DIRECTORY ${PROJECT_SOURCE_DIR}
                        OUTPUT_VARIABLE _flags OUTPUT_STRIP_TRAILING_WHITESPACE
                        RESULT_VARIABLE _result)
        if(NOT _result EQUAL 0)
            message(FATAL_ERROR "dpkg-buildflags --get ${var} failed")
        endif()
        separate_arguments(_flags UNIX_COMMAND "${_flags}")
        list(FILTER _flags EXCLUDE REGEX "^-(O[0-9s]?|g[0-9]?)$")
        set(${out} ${_flags} PARENT_SCOPE)
    endfunction()
    _movra_buildflags(CPPFLAGS _cppflags)
    _movra_buildflags(CFLAGS _cflags)
    _movra_buildflags(CXXFLAGS _cxxflags)
    _movra_buildflags(LDFLAGS _ldflags)
    add_compile_options(${_cppflags})
    foreach(_f ${_cflags})
        add_compile_options($<$<COMPILE_LANGUAGE:C>:${_f}>)
    endforeach()
    foreach(_f ${_cxxflags})
        add_compile_options($<$<COMPILE_LANGUAGE:CXX>:${_f}>)
    endforeach()
    add_link_options(${_ldflags})
    set(MOVRA_HARDENED ON)
    message(STATUS "Hardening (dpkg-buildflags): ${_cppflags} ${_cxxflags} ${_ldflags}")
endif()
