# Packing folders into IPK5 packages at build time and embedding them in a
# Windows program as RT_RCDATA resources.
#
# The packer is the host tool ipk5. A cross build cannot run its own targets,
# so there it builds the tool natively as a nested project first.

if(CMAKE_CROSSCOMPILING)
  include(ExternalProject)
  set(_host_tools_dir ${CMAKE_BINARY_DIR}/host-tools)
  ExternalProject_Add(host_tools
    SOURCE_DIR ${PROJECT_SOURCE_DIR}
    BINARY_DIR ${_host_tools_dir}
    CMAKE_ARGS -DCMAKE_BUILD_TYPE=Release -DCMAKE_C_COMPILER=gcc -DCMAKE_CXX_COMPILER=g++
               -DZIVR_TOOLS_ONLY=ON
    BUILD_COMMAND ${CMAKE_COMMAND} --build <BINARY_DIR> --target ipk5 zivr-setup
    INSTALL_COMMAND ""
    BUILD_ALWAYS ON
    BUILD_BYPRODUCTS ${_host_tools_dir}/tools/ipk5/ipk5
                     ${_host_tools_dir}/tools/zivr-setup/zivr-setup)
  set(IPK5_EXECUTABLE ${_host_tools_dir}/tools/ipk5/ipk5)
  set(ZIVR_SETUP_EXECUTABLE ${_host_tools_dir}/tools/zivr-setup/zivr-setup)
  set(IPK5_DEPENDS host_tools)
else()
  set(IPK5_EXECUTABLE $<TARGET_FILE:ipk5>)
  set(ZIVR_SETUP_EXECUTABLE $<TARGET_FILE:zivr-setup>)
  set(IPK5_DEPENDS ipk5)
endif()

# The product package's LZMA level: the smallest package that reads no slower
# than level 4 (the higher levels decode a little faster, having less input).
set(ZIVR_PRODUCT_LEVEL 7 CACHE STRING "LZMA level of the PRODUCT package (0 to 9)")

# zivr_add_package(<output> <folder> [LEVEL <n>] [DEPENDS <files or targets>...]):
# packs every file below folder (at ipk5's default level 4 unless LEVEL is
# given); DEPENDS names what fills the folder at build time.
function(zivr_add_package output folder)
  cmake_parse_arguments(ARG "" "LEVEL" "DEPENDS" ${ARGN})
  set(_level)
  if(DEFINED ARG_LEVEL)
    set(_level --level ${ARG_LEVEL})
  endif()
  if(ARG_DEPENDS)
    set(_inputs) # a folder filled at build time: its producer stands for its content
  else()
    file(GLOB_RECURSE _inputs CONFIGURE_DEPENDS ${folder}/*)
  endif()
  add_custom_command(
    OUTPUT ${output}
    COMMAND ${IPK5_EXECUTABLE} pack ${output} ${_level} ${folder}
    DEPENDS ${_inputs} ${IPK5_DEPENDS} ${ARG_DEPENDS}
    COMMENT "Packing ${folder}"
    VERBATIM)
endfunction()

# zivr_embed_packages(<target> SETUP <folder> PRODUCT <folder> [DEPENDS ...]):
# packs both folders and links them into the program as the "SETUP" and
# "PRODUCT" resources.
function(zivr_embed_packages target)
  cmake_parse_arguments(ARG "" "SETUP;PRODUCT" "DEPENDS" ${ARGN})
  set(_dir ${CMAKE_CURRENT_BINARY_DIR}/${target}.packages)
  set(_rc ${_dir}/packages.rc)
  set(_rc_text "")
  foreach(_kind SETUP PRODUCT)
    if(ARG_${_kind})
      set(_pkg ${_dir}/${_kind}.ipk5)
      set(_level)
      if(_kind STREQUAL "PRODUCT")
        set(_level LEVEL ${ZIVR_PRODUCT_LEVEL})
      endif()
      zivr_add_package(${_pkg} ${ARG_${_kind}} ${_level} DEPENDS ${ARG_DEPENDS})
      string(APPEND _rc_text "${_kind} RCDATA \"${_pkg}\"\n")
      list(APPEND _pkgs ${_pkg})
    endif()
  endforeach()
  file(MAKE_DIRECTORY ${_dir})
  file(WRITE ${_rc}.in "${_rc_text}")
  configure_file(${_rc}.in ${_rc} COPYONLY)
  set_source_files_properties(${_rc} PROPERTIES OBJECT_DEPENDS "${_pkgs}")
  target_sources(${target} PRIVATE ${_rc})
endfunction()
