# mv_add_java_jar(TARGET target JAR file.jar VARIABLE var COMMENT text)
# Compiles every .java file under the calling folder's src/ with the JDK's javac (warnings as
# errors) into one jar in the calling folder's build directory, built by `target`, and sets the
# cache variable `var` to the jar's path (a Linux path, for a JVM's class path).
function(mv_add_java_jar)
  cmake_parse_arguments(J "" "TARGET;JAR;VARIABLE;COMMENT" "" ${ARGN})
  file(GLOB_RECURSE sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/src/*.java)
  set(classes_dir ${CMAKE_CURRENT_BINARY_DIR}/classes)
  set(jar ${CMAKE_CURRENT_BINARY_DIR}/${J_JAR})
  set(${J_VARIABLE} ${jar} CACHE INTERNAL "")
  add_custom_command(
    OUTPUT ${jar}
    COMMAND ${CMAKE_COMMAND} -E rm -rf ${classes_dir}
    COMMAND ${MV_JDK_HOME}/bin/javac -Xlint:all -Werror --release 17 -encoding UTF-8
            -d ${classes_dir} ${sources}
    COMMAND ${MV_JDK_HOME}/bin/jar --create --file ${jar} -C ${classes_dir} .
    DEPENDS ${sources}
    COMMENT "${J_COMMENT}"
    VERBATIM)
  add_custom_target(${J_TARGET} ALL DEPENDS ${jar})
endfunction()
