# qms_add_resources(<target> <script.rc>...): compiles resource scripts (DIALOGEX, CONTROL,
# BITMAP, ...) with qmsrc at build time into C++ sources that carry the binary dialog
# templates and bitmaps and register them with the window system when <target> is loaded, so
# that FindResourceW(<target's module>, MAKEINTRESOURCEW(id), RT_DIALOG) finds them. Bitmap
# files and #include'd headers are named relative to the script and tracked as dependencies.
include_guard(GLOBAL)

if(NOT TARGET qmsrc)
  add_subdirectory(${PROJECT_SOURCE_DIR}/tools/qmsrc ${PROJECT_BINARY_DIR}/tools/qmsrc)
endif()

function(qms_add_resources target)
  foreach(script ${ARGN})
    get_filename_component(path ${script} ABSOLUTE)
    get_filename_component(name ${script} NAME_WE)
    set(source ${CMAKE_CURRENT_BINARY_DIR}/${target}_${name}_rc.cpp)
    add_custom_command(OUTPUT ${source}
      COMMAND qmsrc ${path} -o ${source} --depfile ${source}.d
      DEPENDS qmsrc ${path}
      DEPFILE ${source}.d
      COMMENT "Compiling resource script ${script}"
      VERBATIM)
    target_sources(${target} PRIVATE ${source})
  endforeach()
  target_link_libraries(${target} PRIVATE qmsplatform)
endfunction()
