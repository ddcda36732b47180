# qms_help_docs(<target> <name>): the manual page <name>.1 and the bash completion of a
# command-line program, made after it is built from its own --help text (help_docs.py), and
# installed with it. Without python3 they are left out, which the configure step says.
include(GNUInstallDirs)
find_package(Python3 COMPONENTS Interpreter QUIET)
set(QMS_HELP_DOCS_SCRIPT ${CMAKE_CURRENT_LIST_DIR}/help_docs.py)

function(qms_help_docs target name)
  if(NOT Python3_Interpreter_FOUND)
    message(STATUS "python3 not found: no manual page nor bash completion for ${name}")
    return()
  endif()
  if(qms6093_VERSION)
    set(version ${qms6093_VERSION})
  else()
    set(version ${PROJECT_VERSION})
  endif()
  set(man ${CMAKE_CURRENT_BINARY_DIR}/${name}.1)
  set(completion ${CMAKE_CURRENT_BINARY_DIR}/${name}.bash)
  add_custom_command(OUTPUT ${man} ${completion}
    COMMAND ${Python3_EXECUTABLE} ${QMS_HELP_DOCS_SCRIPT} $<TARGET_FILE:${target}> ${name} "${version}" ${man} ${completion}
    DEPENDS ${target} ${QMS_HELP_DOCS_SCRIPT}
    COMMENT "Manual page and bash completion of ${name} from its help text"
    VERBATIM)
  add_custom_target(${name}_help_docs ALL DEPENDS ${man} ${completion})
  install(FILES ${man} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
  install(FILES ${completion} DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions RENAME ${name})
endfunction()
