# The prescan and its selection through the host of either build: a user's script on the
# preview, whose pictures stay in the run folder; the dragged area scanned exactly; and a
# prescanned series moving from sheet to sheet.
qv_e2e_host(prescan_script
            ARGS scan --scenario ${data}/narrow-color.ini --sheets 0 ${user} ${scripts}/prescan.txt
            EXPECT played.txt prescan_script.txt)

function(qv_e2e_prescan name)
    qv_e2e_run(e2e_prescan_${name} ${CMAKE_CURRENT_SOURCE_DIR}/PrescanSelect.cmake prescan_${name} -DCASE=${name}
               ${ARGN})
endfunction()

# 30, 15 and 90 x 60 preview pixels at 150 per inch.
qv_e2e_prescan(select "-DARGS=--scenario|${data}/narrow-color.ini|--mode|RGB|--resolution|100|--side-load"
               -DSELECT=30,15,90,60 -DAREA=0.2,0.1,0.6,0.4)
qv_e2e_prescan(series "-DARGS=--profile|gen5-color-54|--sheet|chart:color-bars:2x1@100|--sheet|chart:gray-ramp:2x1@100|--mode|RGB|--resolution|100|--select|0,0,60,30")
