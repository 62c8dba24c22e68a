# Runs a libFuzzer target for a bounded time on a working copy of its seed corpus, so the
# checked-in seeds stay as they are:
#   cmake -DFUZZER=... -DSEEDS=dir -DWORK=dir [-DDICT=file] [-DSECONDS=60] -P RunFuzzer.cmake
foreach(var FUZZER SEEDS WORK)
  if(NOT DEFINED ${var})
    message(FATAL_ERROR "RunFuzzer: ${var} not set")
  endif()
endforeach()
if(NOT DEFINED SECONDS)
  set(SECONDS 60)
endif()

set(dict_option "")
if(DEFINED DICT)
  set(dict_option -dict=${DICT})
endif()

file(MAKE_DIRECTORY ${WORK}/corpus ${WORK}/artifacts)
file(GLOB seeds ${SEEDS}/*)
file(COPY ${seeds} DESTINATION ${WORK}/corpus)

execute_process(
  COMMAND ${FUZZER} -max_total_time=${SECONDS} -rss_limit_mb=2048 -max_len=8192 ${dict_option}
          -print_final_stats=1 -artifact_prefix=${WORK}/artifacts/ ${WORK}/corpus
  RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "fuzzer failed (exit ${rc}); reproducer in ${WORK}/artifacts")
endif()
