# Fails when an object file holds a fused multiply-add instruction (x86 FMA3/FMA4, ARM/AArch64).
# Called with -DOBJDUMP=<objdump> -DOBJECTS=<object;object...>.
foreach(object IN LISTS OBJECTS)
  execute_process(COMMAND ${OBJDUMP} -d --no-show-raw-insn ${object}
                  OUTPUT_VARIABLE listing RESULT_VARIABLE result)
  if(NOT result EQUAL 0)
    message(FATAL_ERROR "cannot disassemble ${object}")
  endif()
  string(REGEX MATCHALL "\t(v?fn?m(add|sub)[0-9a-z]*|vfmaddsub[0-9a-z]*|vfn?m[as][.]|fml[as])[ \t][^\n]*" fused "${listing}")
  if(fused)
    message(FATAL_ERROR "${object} holds fused multiply-add:\n${fused}")
  endif()
endforeach()
message(STATUS "no fused multiply-add in ${OBJECTS}")
