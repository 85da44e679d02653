# Runs one `scan` of the command-line host in a fresh folder and holds the document it wrote
# against a kept one with the host's own `compare`.
# -DHOST=<program> [-DEMULATOR=<program>] -DARGS=<a|b|c> [-DSETTINGS=<QVL.ini text>] -DEXPECT=<file>
# -DWORKDIR=<dir>
include(${CMAKE_CURRENT_LIST_DIR}/../RunHost.cmake)

string(REPLACE "|" ";" args "${ARGS}")
file(REMOVE_RECURSE ${WORKDIR})
file(MAKE_DIRECTORY ${WORKDIR}/out)
if(NOT SETTINGS STREQUAL "")
    file(WRITE ${WORKDIR}/QVL.ini "${SETTINGS}\n")
endif()
run_host(scan ${args} --settings-dir . --out out)
if(NOT host_rc EQUAL 0)
    message(FATAL_ERROR "the scan failed:\n${host_out}")
endif()
file(GLOB written ${WORKDIR}/out/image-*)
list(LENGTH written count)
if(NOT count EQUAL 1)
    message(FATAL_ERROR "scan wrote ${count} documents, not one: ${written}")
endif()
file(RELATIVE_PATH document ${WORKDIR} ${written})
run_host(compare ${document} ${EXPECT})
if(NOT host_rc EQUAL 0)
    message(FATAL_ERROR "${document} is not ${EXPECT}")
endif()
