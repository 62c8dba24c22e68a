# mv_version_resource(target FILE "Description"): a version resource for the program or library
# `target` (named FILE in the archive), carrying the project's version (project() in the top
# CMakeLists.txt: the one place it is set).
function(mv_version_resource target file description)
  set(MV_VERSION_FILE ${file})
  set(MV_VERSION_DESCRIPTION ${description})
  get_target_property(type ${target} TYPE)
  if(type STREQUAL "EXECUTABLE")
    set(MV_VERSION_FILETYPE VFT_APP)
  else()
    set(MV_VERSION_FILETYPE VFT_DLL)
  endif()
  set(rc ${CMAKE_CURRENT_BINARY_DIR}/${target}_version.rc)
  configure_file(${PROJECT_SOURCE_DIR}/cmake/version.rc.in ${rc} @ONLY)
  target_sources(${target} PRIVATE ${rc})
endfunction()
