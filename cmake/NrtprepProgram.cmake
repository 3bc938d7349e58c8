# The preprocessor's programs: the one library, nrtprep_core, and the two tiny
# sources each program compiles with its own hosts and variant.
include_guard(GLOBAL)

# nrtprep_add_program(<target> <variant: ap|dst|kp> <dst_host> <kp_host> <ace_host>
#                     [HOSTS_FROM_ENVIRONMENT])
# Adds a preprocessor program built with the given variant and upstream hosts
# (each a host name, optionally followed by ":port"). HOSTS_FROM_ENVIRONMENT,
# for test builds only, lets NRT_TEST_DST_HOST, NRT_TEST_KP_HOST and
# NRT_TEST_ACE_HOST replace the hosts at run time.
function(nrtprep_add_program target variant dst_host kp_host ace_host)
  cmake_parse_arguments(PARSE_ARGV 5 opt "HOSTS_FROM_ENVIRONMENT" "" "")
  if(NOT variant MATCHES "^(ap|dst|kp)$")
    message(FATAL_ERROR "nrtprep_add_program: unknown variant '${variant}' (ap, dst or kp)")
  endif()
  set(dir ${PROJECT_SOURCE_DIR}/prep)
  add_executable(${target}
    ${dir}/run/main.cpp
    ${dir}/acquire/upstream_hosts.cpp
    ${dir}/config/variant_choice.cpp)
  target_compile_definitions(${target} PRIVATE
    NRT_DST_HOST_VALUE="${dst_host}"
    NRT_KP_HOST_VALUE="${kp_host}"
    NRT_ACE_HOST_VALUE="${ace_host}"
    NRT_BUILD_VARIANT_VALUE="${variant}")
  if(opt_HOSTS_FROM_ENVIRONMENT)
    target_compile_definitions(${target} PRIVATE NRT_HOSTS_FROM_ENVIRONMENT)
  endif()
  target_link_libraries(${target} PRIVATE nrtprep_core)
endfunction()
