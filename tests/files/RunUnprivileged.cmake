include_guard(GLOBAL)

# Root passes every permission check, so a suite that checks folder permissions skips those cases when run
# by root. When the tree is built by root, such a suite is registered a second time to run as the
# unprivileged user "nobody" (if setpriv exists and that user can reach the build tree), limited to the
# test functions named after the suite.
function(kelvora_add_unprivileged_run name)
    if(NOT UNIX)
        return()
    endif()
    execute_process(COMMAND id -u OUTPUT_VARIABLE uid OUTPUT_STRIP_TRAILING_WHITESPACE)
    find_program(KELVORA_SETPRIV setpriv)
    if(NOT uid STREQUAL "0" OR NOT KELVORA_SETPRIV)
        return()
    endif()
    set(drop ${KELVORA_SETPRIV} --reuid=65534 --regid=65534 --clear-groups)
    execute_process(COMMAND ${drop} test -x ${CMAKE_CURRENT_BINARY_DIR} RESULT_VARIABLE reachable)
    if(NOT reachable EQUAL 0)
        return()
    endif()
    add_test(NAME ${name}_unprivileged COMMAND ${drop} $<TARGET_FILE:${name}> ${ARGN})
    set_tests_properties(${name}_unprivileged PROPERTIES
                         ENVIRONMENT "QT_QPA_PLATFORM=offscreen;HOME=/tmp;TMPDIR=/tmp" TIMEOUT 300)
endfunction()
