# add_renewly_test(NAME SOURCES ... LIBS ... [ZONES zone ...] [ENV VAR=value ...] [LABELS ...])
# Every test runs with a private HOME, XDG folders and a fixed locale, so no test sees the
# developer's own files or language settings.
function(add_renewly_test name)
    cmake_parse_arguments(T "" "TIMEOUT" "SOURCES;LIBS;ZONES;ENV;LABELS" ${ARGN})
    add_executable(${name} ${T_SOURCES})
    target_link_libraries(${name} PRIVATE renewly_test_support Qt6::Test ${T_LIBS})
    if(NOT T_ZONES)
        set(T_ZONES "Asia/Shanghai")
    endif()
    if(NOT T_TIMEOUT)
        set(T_TIMEOUT 300)
    endif()
    # Programs outside bin/ find the recogniser plugin through the variable.
    if(TARGET renewly-recognizer)
        list(APPEND T_ENV "RENEWLY_RECOGNIZER=$<TARGET_FILE:renewly-recognizer>")
    endif()
    foreach(zone IN LISTS T_ZONES)
        string(REPLACE "/" "_" suffix "${zone}")
        set(test_name "${name}@${suffix}")
        add_test(NAME ${test_name} COMMAND ${name})
        set(home "${CMAKE_CURRENT_BINARY_DIR}/home/${name}/${suffix}")
        set_tests_properties(${test_name} PROPERTIES
            TIMEOUT ${T_TIMEOUT}
            LABELS "${T_LABELS}"
            ENVIRONMENT "TZ=${zone};HOME=${home};XDG_DATA_HOME=${home}/data;XDG_CONFIG_HOME=${home}/config;XDG_CACHE_HOME=${home}/cache;XDG_RUNTIME_DIR=${home}/run;LANG=C.UTF-8;LANGUAGE=;LC_ALL=;QT_QPA_PLATFORM=offscreen;${T_ENV}")
    endforeach()
endfunction()

# The private environment of add_renewly_test, for tests that need their own command line.
function(renewly_private_env out name)
    set(home "${CMAKE_CURRENT_BINARY_DIR}/home/${name}")
    set(${out} "TZ=Asia/Shanghai;HOME=${home};XDG_DATA_HOME=${home}/data;XDG_CONFIG_HOME=${home}/config;XDG_CACHE_HOME=${home}/cache;XDG_RUNTIME_DIR=${home}/run;LANG=C.UTF-8;LANGUAGE=;LC_ALL=;QT_QPA_PLATFORM=offscreen" PARENT_SCOPE)
endfunction()

# add_private_bus_test(NAME SOURCES ... LIBS ...): real D-Bus calls on a private session bus of the
# test's own, in the private environment above.
find_program(DBUS_RUN_SESSION dbus-run-session)
function(add_private_bus_test name)
    cmake_parse_arguments(T "" "" "SOURCES;LIBS" ${ARGN})
    add_executable(${name} ${T_SOURCES})
    target_link_libraries(${name} PRIVATE renewly_test_support Qt6::Test Qt6::DBus ${T_LIBS})
    if(NOT DBUS_RUN_SESSION)
        message(WARNING "dbus-run-session not found: ${name} is not registered")
        return()
    endif()
    renewly_private_env(env ${name})
    add_test(NAME ${name}
        COMMAND ${DBUS_RUN_SESSION} --config-file=${PROJECT_SOURCE_DIR}/tests/reminders/private-session-bus.conf
                -- $<TARGET_FILE:${name}>)
    set_tests_properties(${name} PROPERTIES TIMEOUT 120 ENVIRONMENT "${env};RENEWLY_PRIVATE_SESSION_BUS=1")
endfunction()
