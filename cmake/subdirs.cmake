# Each subsystem brings its own CMakeLists.txt. RELAYMX_SKIP (a list of folder names) leaves some out
# of a developer's build while their code is being reworked.
set(RELAYMX_SUBDIRS common log settings rules engine ui plugin rk_gui sfl_ipc host tests bench)
foreach(dir ${RELAYMX_SUBDIRS})
  if(NOT dir IN_LIST RELAYMX_SKIP AND EXISTS ${CMAKE_SOURCE_DIR}/${dir}/CMakeLists.txt)
    add_subdirectory(${dir})
  endif()
endforeach()
