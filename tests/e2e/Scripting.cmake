# The scripting parameters end to end: a series recorded at the dialog, saved, and played back
# with the dialog shown or suppressed; a host that cannot finalize. Included by CMakeLists.txt.
set(scan_sheet scan --profile gen5-color-54 --sheet chart:gray-ramp --paper A4-L --settings-dir .)
qv_e2e_host(scripting_record
            ARGS ${scan_sheet} --actions ${CMAKE_CURRENT_SOURCE_DIR}/scripts/three_modes.txt --sheets 1
                 --record series.txt
            EXPECT scripting_record.txt)
set_property(TEST e2e_host_scripting_record APPEND PROPERTY FIXTURES_SETUP recorded_series)

set(recorded ${CMAKE_CURRENT_BINARY_DIR}/run/scripting_record/series.txt)
set(gray_sheets ${scan_sheet} --mode "Gray Tone" --resolution 100 --sheets 3)
qv_e2e_host(scripting_play ARGS ${gray_sheets} --play ${recorded} --play-info 1 EXPECT scripting_play.txt)
qv_e2e_host(scripting_play_hidden ARGS ${gray_sheets} --play ${recorded} --play-info 0
            EXPECT scripting_play_hidden.txt)
# Appended: in the win32 build the runs also need the Wine prefix.
set_property(TEST e2e_host_scripting_play e2e_host_scripting_play_hidden APPEND PROPERTY FIXTURES_REQUIRED
             recorded_series)

qv_e2e_host(scripting_no_finalize ARGS ${gray_sheets} --can-finalize 0 EXPECT scripting_no_finalize.txt)
qv_e2e_host(scripting_every_finish ARGS run 4 1 3 4 1 3 --can-finalize 0 --settings-dir .
            EXPECT scripting_every_finish.txt)
