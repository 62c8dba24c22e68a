# The object, class, handle, string and array members of the main object.
target_sources(mv_core PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/java_arrays.cpp
  ${CMAKE_CURRENT_LIST_DIR}/java_class_lookup.cpp
  ${CMAKE_CURRENT_LIST_DIR}/java_handle_members.cpp
  ${CMAKE_CURRENT_LIST_DIR}/java_objects.cpp
  ${CMAKE_CURRENT_LIST_DIR}/java_string_members.cpp
  ${CMAKE_CURRENT_LIST_DIR}/primitive_array_types.cpp)
# Who calls, and the handles each caller may pass: the table of handles handed out, the watch on
# client processes, the object arguments' types.
target_sources(mv_core PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/argument_types.cpp
  ${CMAKE_CURRENT_LIST_DIR}/bridge_call.cpp
  ${CMAKE_CURRENT_LIST_DIR}/call_origin.cpp
  ${CMAKE_CURRENT_LIST_DIR}/client_process_watch.cpp
  ${CMAKE_CURRENT_LIST_DIR}/handle_registry.cpp)
