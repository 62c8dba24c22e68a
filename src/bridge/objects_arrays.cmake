# The object, class, handle, string and array members of the main object.
target_sources(mv_core PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/java_arrays.cpp
  ${CMAKE_CURRENT_LIST_DIR}/java_class_lookup.cpp
  ${CMAKE_CURRENT_LIST_DIR}/java_handle_members.cpp
  ${CMAKE_CURRENT_LIST_DIR}/java_objects.cpp
  ${CMAKE_CURRENT_LIST_DIR}/java_string_members.cpp
  ${CMAKE_CURRENT_LIST_DIR}/primitive_array_types.cpp)
