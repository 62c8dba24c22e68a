# mv_add_java_jar(TARGET target JAR file.jar VARIABLE var COMMENT text [RELEASE n] [MANIFEST file])
# Compiles every .java file under the calling folder's src/ with the JDK's javac (warnings as
# errors) for Java release n (default 17) into one jar in the calling folder's build directory,
# built by `target`, with the given manifest entries if any, and sets the cache variable `var` to
# the jar's path (a Linux path, for a JVM's class path).
function(mv_add_java_jar)
  cmake_parse_arguments(J "" "TARGET;JAR;VARIABLE;COMMENT;RELEASE;MANIFEST" "" ${ARGN})
  if(NOT J_RELEASE)
    set(J_RELEASE 17)
  endif()
  set(manifest_option "")
  if(J_MANIFEST)
    set(manifest_option --manifest=${J_MANIFEST})
  endif()
  file(GLOB_RECURSE sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/src/*.java)
  set(classes_dir ${CMAKE_CURRENT_BINARY_DIR}/classes)
  set(jar ${CMAKE_CURRENT_BINARY_DIR}/${J_JAR})
  set(${J_VARIABLE} ${jar} CACHE INTERNAL "")
  add_custom_command(
    OUTPUT ${jar}
    COMMAND ${CMAKE_COMMAND} -E rm -rf ${classes_dir}
    COMMAND ${MV_JDK_HOME}/bin/javac -Xlint:all -Werror --release ${J_RELEASE} -encoding UTF-8
            -d ${classes_dir} ${sources}
    COMMAND ${MV_JDK_HOME}/bin/jar --create --file ${jar} ${manifest_option} -C ${classes_dir} .
    DEPENDS ${sources} ${J_MANIFEST}
    COMMENT "${J_COMMENT}"
    VERBATIM)
  add_custom_target(${J_TARGET} ALL DEPENDS ${jar})
endfunction()
