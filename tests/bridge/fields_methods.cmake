# The field and method members of the main object, against a real JVM.
mv_add_test(NAME bridge_fields_methods_test
  SOURCES fields_primitive_test.cpp fields_reference_test.cpp
          methods_call_test.cpp methods_arguments_test.cpp
          methods_debug_output.cpp methods_debug_output_test.cpp
  LIBS mv_bridge_test_support)
mv_use_jni_harness(bridge_fields_methods_test)
