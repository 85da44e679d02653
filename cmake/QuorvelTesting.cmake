# Test wiring shared by both builds. Natively tests run directly; in the win32 build
# every test .exe runs under Wine in a 32-bit prefix made inside the build folder.
enable_testing()

if(QV_WIN32)
    set(gtest_disable_pthreads ON CACHE BOOL "" FORCE)
    set(gtest_force_shared_crt ON CACHE BOOL "" FORCE)
    set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
    add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
    foreach(t gtest gtest_main gmock gmock_main)
        target_compile_options(${t} PRIVATE -w)
    endforeach()

    set(QV_WINEPREFIX ${CMAKE_BINARY_DIR}/wineprefix)
    set(QV_WINE_ENV
        WINEPREFIX=${QV_WINEPREFIX} WINEARCH=win32 WINEDEBUG=-all WINEDLLOVERRIDES=mscoree,mshtml=)
    add_test(NAME wine_prefix
             COMMAND ${CMAKE_COMMAND} -E env ${QV_WINE_ENV} sh -c
                     "wineboot -i >/dev/null 2>&1; wine reg add 'HKCU\\Software\\Wine\\X11 Driver' /v Managed /d N /f >/dev/null 2>&1; wineserver -w")
    set_tests_properties(wine_prefix PROPERTIES FIXTURES_SETUP wine LABELS wine)
    add_test(NAME wine_shutdown COMMAND ${CMAKE_COMMAND} -E env ${QV_WINE_ENV} sh -c "wineserver -k 2>/dev/null; true")
    set_tests_properties(wine_shutdown PROPERTIES FIXTURES_CLEANUP wine LABELS wine)
else()
    find_package(GTest REQUIRED)
endif()

# qv_add_gtest(<name> SOURCES ... [LIBS ...] [LABELS ...])
# One CTest entry per test program, run in a folder of its own (the log file and
# settings file land in the current directory).
function(qv_add_gtest name)
    cmake_parse_arguments(ARG "" "" "SOURCES;LIBS;LABELS" ${ARGN})
    add_executable(${name} ${ARG_SOURCES})
    target_link_libraries(${name} PRIVATE ${ARG_LIBS} GTest::gtest_main GTest::gmock)
    set(workdir ${CMAKE_CURRENT_BINARY_DIR}/run/${name})
    file(MAKE_DIRECTORY ${workdir})
    set(labels ${ARG_LABELS})
    if(NOT labels)
        set(labels unit)
    endif()
    add_test(NAME ${name} COMMAND ${name} WORKING_DIRECTORY ${workdir})
    if(QV_WIN32)
        list(APPEND labels wine)
        set_tests_properties(${name} PROPERTIES ENVIRONMENT "${QV_WINE_ENV}" FIXTURES_REQUIRED wine)
    endif()
    set_tests_properties(${name} PROPERTIES LABELS "${labels}" TIMEOUT 600)
endfunction()

# qv_add_wine_env(<test>): gives a non-gtest CTest entry the Wine environment in the win32 build.
function(qv_add_wine_env test)
    if(QV_WIN32)
        set_property(TEST ${test} APPEND PROPERTY ENVIRONMENT "${QV_WINE_ENV}")
        set_property(TEST ${test} APPEND PROPERTY FIXTURES_REQUIRED wine)
        set_property(TEST ${test} APPEND PROPERTY LABELS wine)
    endif()
endfunction()
