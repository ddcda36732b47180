# qms6093 setup on the demo module, offscreen: the picture of the filled dialog is written and
# the dialog ends with 0; a device number that is not installed is refused with 2 before any
# window is made. Run with -DTOOL=<qms6093> -DOUT=<folder> -DLSAN_SUPPRESSIONS=<lsan.supp>.
file(REMOVE ${OUT}/setup_picture.png)
# Under the leak checker: fontconfig keeps its configuration for the life of the process.
set(ENV{LSAN_OPTIONS} "suppressions=${LSAN_SUPPRESSIONS}")
set(ENV{QT_QPA_PLATFORM} offscreen)
set(ENV{QMS_REGISTRY} :memory:)
unset(ENV{QMS_SIM})
execute_process(COMMAND ${TOOL} setup -d 0 -c 0-3 --screenshot ${OUT}/setup_picture.png
                RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE err TIMEOUT 60)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "setup ended with ${status}: ${out} ${err}")
endif()
if(NOT EXISTS ${OUT}/setup_picture.png)
  message(FATAL_ERROR "no picture written: ${out} ${err}")
endif()
file(READ ${OUT}/setup_picture.png head LIMIT 8 HEX)
if(NOT head STREQUAL "89504e470d0a1a0a")
  message(FATAL_ERROR "the picture is no PNG: ${head}")
endif()
file(SIZE ${OUT}/setup_picture.png size)
if(size LESS 10000)
  message(FATAL_ERROR "the picture is too small to show a dialog: ${size} bytes")
endif()

execute_process(COMMAND ${TOOL} setup -d 9 --screenshot ${OUT}/none.png
                RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE err TIMEOUT 60)
if(NOT status EQUAL 2 OR EXISTS ${OUT}/none.png)
  message(FATAL_ERROR "an unknown device gave ${status}: ${err}")
endif()
