# Compiler settings shared by every target of the project.
# Temperatures must come out bit-exact on every platform: no contraction into fused
# multiply-add, no fast-math.
add_compile_options(-Wall -Wextra -Werror -ffp-contract=off -fno-fast-math)
add_compile_options($<$<COMPILE_LANGUAGE:CXX>:-Wnon-virtual-dtor>)
add_link_options(-Wl,--no-undefined)

if(QMS_SANITIZE)
  add_compile_options(-fsanitize=${QMS_SANITIZE} -fno-sanitize-recover=all -fno-omit-frame-pointer)
  add_link_options(-fsanitize=${QMS_SANITIZE})
endif()

# Declares an installed shared library of the stack with its alias qms6093::<export name>.
function(qms_shared_library target export_name)
  add_library(${target} SHARED ${ARGN})
  add_library(qms6093::${export_name} ALIAS ${target})
  set_target_properties(${target} PROPERTIES EXPORT_NAME ${export_name}
                        VERSION ${PROJECT_VERSION} SOVERSION ${PROJECT_VERSION_MAJOR})
  target_include_directories(${target} PUBLIC
    $<BUILD_INTERFACE:${PROJECT_SOURCE_DIR}/include>
    $<INSTALL_INTERFACE:${CMAKE_INSTALL_INCLUDEDIR}>)
endfunction()
