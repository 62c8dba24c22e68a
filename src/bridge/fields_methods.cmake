# The field and method members of the main object.
target_sources(mv_core PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/bridge_lookup.cpp
  ${CMAKE_CURRENT_LIST_DIR}/field_access.cpp
  ${CMAKE_CURRENT_LIST_DIR}/member_results.cpp
  ${CMAKE_CURRENT_LIST_DIR}/method_invocation.cpp
  ${CMAKE_CURRENT_LIST_DIR}/method_signature.cpp)
