# What a user drags on the preview is what is scanned, sheet after sheet.
# -DHOST=<program> [-DEMULATOR=<program>] -DWORKDIR=<dir> -DCASE=select|series, and
#   select: -DARGS=<a|b|c> (scan options) -DSELECT=<X,Y,W,H> -DAREA=<x,y,w,h>: a scan after a
#           prescan with that selection dragged writes the pixels a scan of the area typed in
#           inches writes;
#   series: -DARGS=<a|b|c> naming two different sheets: both are prescanned and scanned in turn,
#           and the second document is not the first sheet again.
include(${CMAKE_CURRENT_LIST_DIR}/RunHost.cmake)

function(scan folder)
    file(MAKE_DIRECTORY ${WORKDIR}/${folder}/out)
    run_host(scan ${ARGN} --settings-dir ${folder} --out ${folder}/out)
    if(NOT host_rc EQUAL 0 OR NOT host_out MATCHES "\nstrict checks: passed\n")
        message(FATAL_ERROR "the ${folder} scan did not pass")
    endif()
endfunction()

string(REPLACE "|" ";" args "${ARGS}")
file(REMOVE_RECURSE ${WORKDIR})
file(MAKE_DIRECTORY ${WORKDIR})
if(CASE STREQUAL "select")
    scan(select ${args} --prescan --select ${SELECT})
    scan(area ${args} --area ${AREA})
    run_host(compare select/out/image-001.ppm area/out/image-001.ppm)
    if(NOT host_out MATCHES "^same pixels")
        message(FATAL_ERROR "the selected area is not the area scanned")
    endif()
elseif(CASE STREQUAL "series")
    scan(series ${args} --prescan)
    file(GLOB documents ${WORKDIR}/series/out/image-*)
    list(LENGTH documents count)
    if(NOT count EQUAL 2)
        message(FATAL_ERROR "the series wrote ${count} documents, not two")
    endif()
    run_host(compare ${documents})
    if(NOT host_out MATCHES "^differ")
        message(FATAL_ERROR "the second sheet was the first one scanned again")
    endif()
else()
    message(FATAL_ERROR "CASE is select or series, not \"${CASE}\"")
endif()
