# Runs one `scan` of the command-line host in a fresh folder and holds the document it wrote
# against a kept one with the host's own `compare`.
# -DHOST=<program> [-DEMULATOR=<program>] -DARGS=<a|b|c> [-DSETTINGS=<QVL.ini text>] -DEXPECT=<file>
# -DWORKDIR=<dir>
function(run_host)
    execute_process(COMMAND ${EMULATOR} ${HOST} ${ARGN}
                    WORKING_DIRECTORY ${WORKDIR}
                    OUTPUT_VARIABLE out ERROR_VARIABLE err RESULT_VARIABLE rc TIMEOUT 300)
    message("${out}")
    if(NOT rc STREQUAL 0)
        list(JOIN ARGN " " command)
        message(FATAL_ERROR "${command}: exit code ${rc}\n${err}")
    endif()
endfunction()

string(REPLACE "|" ";" args "${ARGS}")
file(REMOVE_RECURSE ${WORKDIR})
file(MAKE_DIRECTORY ${WORKDIR}/out)
if(NOT SETTINGS STREQUAL "")
    file(WRITE ${WORKDIR}/QVL.ini "${SETTINGS}\n")
endif()
run_host(scan ${args} --settings-dir . --out out)
file(GLOB written ${WORKDIR}/out/image-*)
list(LENGTH written count)
if(NOT count EQUAL 1)
    message(FATAL_ERROR "scan wrote ${count} documents, not one: ${written}")
endif()
file(RELATIVE_PATH document ${WORKDIR} ${written})
run_host(compare ${document} ${EXPECT})
