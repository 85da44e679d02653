# run_host(<args...>): runs the host in WORKDIR, prints its output and leaves it in host_out and
# its exit code in host_rc; any code but 0 or 1 (a compare that differs) fails the test.
function(run_host)
    execute_process(COMMAND ${EMULATOR} ${HOST} ${ARGN}
                    WORKING_DIRECTORY ${WORKDIR}
                    OUTPUT_VARIABLE out ERROR_VARIABLE err RESULT_VARIABLE rc TIMEOUT 300)
    string(REPLACE "\r" "" out "${out}")
    message("${out}")
    set(host_out "${out}" PARENT_SCOPE)
    set(host_rc "${rc}" PARENT_SCOPE)
    if(NOT rc MATCHES "^[01]$")
        list(JOIN ARGN " " command)
        message(FATAL_ERROR "${command}: exit code ${rc}\n${err}")
    endif()
endfunction()
