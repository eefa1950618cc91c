# Runs one fuzz target for SECONDS on a working copy of its seed corpus
# (new finds stay in the build tree). A crash leaves its input in WORK.
file(MAKE_DIRECTORY "${WORK}/corpus")
execute_process(
  COMMAND "${FUZZER}" -max_total_time=${SECONDS} -timeout=20 -rss_limit_mb=2048 -print_final_stats=1
          -artifact_prefix=${WORK}/ "${WORK}/corpus" "${SEEDS}"
  RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "${FUZZER} failed (${status}); the failing input is in ${WORK}")
endif()
