# zn_engine_add_data(<target> [FOLDER...]): the engine's own data (debug font,
# GUI and colour-only shaders), then each FOLDER's files, copied into Data/
# beside the program <target> at every build, so a program finds them where
# the engine looks without copying anything by hand. Works from the source
# tree (add_subdirectory) and from an installed package alike: the engine's
# data folder is ZN_ENGINE_DATA_DIR, set by whichever of the two was used. A
# later folder's file replaces an earlier one of the same name.
function(zn_engine_add_data target)
  if(NOT TARGET ${target})
    message(FATAL_ERROR "zn_engine_add_data: no target named ${target}")
  endif()
  if(NOT ZN_ENGINE_DATA_DIR OR NOT IS_DIRECTORY "${ZN_ENGINE_DATA_DIR}")
    message(FATAL_ERROR "zn_engine_add_data: the engine's data folder is missing (ZN_ENGINE_DATA_DIR='${ZN_ENGINE_DATA_DIR}')")
  endif()
  set(commands COMMAND ${CMAKE_COMMAND} -E copy_directory ${ZN_ENGINE_DATA_DIR} $<TARGET_FILE_DIR:${target}>/Data)
  foreach(folder IN LISTS ARGN)
    get_filename_component(folder "${folder}" ABSOLUTE)
    list(APPEND commands COMMAND ${CMAKE_COMMAND} -E copy_directory ${folder} $<TARGET_FILE_DIR:${target}>/Data)
  endforeach()
  add_custom_target(${target}_data ALL ${commands}
                    COMMENT "Copying the data of ${target} to Data/ beside it" VERBATIM)
  add_dependencies(${target} ${target}_data)
endfunction()
