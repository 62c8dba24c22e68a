# The object, class, handle, string and array members of the main object, against a real JVM.
mv_add_test(NAME bridge_objects_arrays_test
  SOURCES objects_test.cpp objects_handles_test.cpp strings_test.cpp arrays_test.cpp
  LIBS mv_bridge_test_support)
mv_use_jni_harness(bridge_objects_arrays_test)
