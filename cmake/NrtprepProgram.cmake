# The preprocessor's programs: the one library, nrtprep_core, and the two tiny
# sources each program compiles with its own upstream URLs and variant.
include_guard(GLOBAL)

# Fails the configuration unless `pattern` is a full http, https or ftp URL
# whose braces hold only the month keys, and, when `one_pattern_for_both`
# (the same pattern serves the current and the previous month), names the
# month by one of them: otherwise both months would fetch one resource.
function(_nrtprep_check_url_pattern setting pattern one_pattern_for_both)
  if(NOT pattern MATCHES "^(http|https|ftp)://[^/{}]+(/.*)?$")
    message(FATAL_ERROR "${setting}: '${pattern}' is no http://, https:// or ftp:// URL with a host")
  endif()
  # Characters that need no quoting in a URL, on a compiler's command line or
  # in the report's quoted ErrorName.
  if(pattern MATCHES "[^][A-Za-z0-9._~%/:@&=+,?{}-]")
    message(FATAL_ERROR "${setting}: '${pattern}' holds a character outside "
      "A-Z a-z 0-9 - . _ ~ % / : @ & = + , ? { } [ ] (write others %-encoded)")
  endif()
  string(REPLACE "{YYYYMM}" "" rest "${pattern}")
  string(REPLACE "{YYMM}" "" rest "${rest}")
  if(rest MATCHES "[{}]")
    message(FATAL_ERROR "${setting}: '${pattern}': only {YYYYMM} and {YYMM} may stand in braces")
  endif()
  if(one_pattern_for_both AND rest STREQUAL pattern)
    message(FATAL_ERROR "${setting}: '${pattern}' serves both months, so it must name the "
      "month by {YYYYMM} or {YYMM}")
  endif()
endfunction()

# nrtprep_upstream_settings(<target> <dst_host> <kp_host> <ace_host>
#     [DST_URL <pattern>] [KP_URL <pattern>] [KP_PREVIOUS_URL <pattern>]
#     [ACE_MAG_URL <pattern>] [ACE_SWEPAM_URL <pattern>] [HOSTS_FROM_ENVIRONMENT])
# Compiles upstream_urls.cpp into <target> with the URL pattern of each source:
# a full URL (http, https or ftp) in which {YYYYMM} and {YYMM} stand for the
# keys of the month fetched. A pattern not given, or empty, is the standard
# one of the public services on the given host (a host name, optionally
# followed by ":port"). HOSTS_FROM_ENVIRONMENT, for test builds only, lets
# NRT_TEST_DST_HOST, NRT_TEST_KP_HOST and NRT_TEST_ACE_HOST replace the hosts
# of the patterns at run time, and NRT_TEST_CA_FILE name the only
# certificates an HTTPS transfer trusts.
function(nrtprep_upstream_settings target dst_host kp_host ace_host)
  cmake_parse_arguments(PARSE_ARGV 4 opt "HOSTS_FROM_ENVIRONMENT"
    "DST_URL;KP_URL;KP_PREVIOUS_URL;ACE_MAG_URL;ACE_SWEPAM_URL" "")
  set(standard_DST_URL "http://${dst_host}/dst_realtime/{YYYYMM}/dst{YYMM}.for.request")
  # The Kp service keeps its two months under fixed names.
  set(standard_KP_URL "http://${kp_host}/kp_index/qlyymm.wdc")
  set(standard_KP_PREVIOUS_URL "http://${kp_host}/kp_index/pqlyymm.wdc")
  set(standard_ACE_MAG_URL "ftp://${ace_host}/pub/lists/ace2/{YYYYMM}_ace_mag_1h.txt")
  set(standard_ACE_SWEPAM_URL "ftp://${ace_host}/pub/lists/ace2/{YYYYMM}_ace_swepam_1h.txt")
  foreach(source DST_URL KP_URL KP_PREVIOUS_URL ACE_MAG_URL ACE_SWEPAM_URL)
    if("${opt_${source}}" STREQUAL "")
      set(${source} "${standard_${source}}")
    else()
      set(${source} "${opt_${source}}")
    endif()
  endforeach()
  _nrtprep_check_url_pattern(DST_URL "${DST_URL}" TRUE)
  _nrtprep_check_url_pattern(ACE_MAG_URL "${ACE_MAG_URL}" TRUE)
  _nrtprep_check_url_pattern(ACE_SWEPAM_URL "${ACE_SWEPAM_URL}" TRUE)
  string(COMPARE EQUAL "${KP_URL}" "${KP_PREVIOUS_URL}" kp_one_pattern)
  _nrtprep_check_url_pattern(KP_URL "${KP_URL}" ${kp_one_pattern})
  _nrtprep_check_url_pattern(KP_PREVIOUS_URL "${KP_PREVIOUS_URL}" ${kp_one_pattern})

  target_sources(${target} PRIVATE ${PROJECT_SOURCE_DIR}/prep/acquire/upstream_urls.cpp)
  target_compile_definitions(${target} PRIVATE
    NRT_DST_URL_VALUE="${DST_URL}"
    NRT_KP_URL_VALUE="${KP_URL}"
    NRT_KP_PREVIOUS_URL_VALUE="${KP_PREVIOUS_URL}"
    NRT_ACE_MAG_URL_VALUE="${ACE_MAG_URL}"
    NRT_ACE_SWEPAM_URL_VALUE="${ACE_SWEPAM_URL}")
  if(opt_HOSTS_FROM_ENVIRONMENT)
    target_compile_definitions(${target} PRIVATE NRT_HOSTS_FROM_ENVIRONMENT)
  endif()
endfunction()

# nrtprep_add_program(<target> <variant: ap|dst|kp> <dst_host> <kp_host> <ace_host>
#     [<URL pattern options and HOSTS_FROM_ENVIRONMENT of nrtprep_upstream_settings>])
# Adds a preprocessor program built with the given variant and upstream URLs.
function(nrtprep_add_program target variant dst_host kp_host ace_host)
  if(NOT variant MATCHES "^(ap|dst|kp)$")
    message(FATAL_ERROR "nrtprep_add_program: unknown variant '${variant}' (ap, dst or kp)")
  endif()
  set(dir ${PROJECT_SOURCE_DIR}/prep)
  add_executable(${target}
    ${dir}/run/main.cpp
    ${dir}/config/variant_choice.cpp)
  nrtprep_upstream_settings(${target} "${dst_host}" "${kp_host}" "${ace_host}" ${ARGN})
  target_compile_definitions(${target} PRIVATE NRT_BUILD_VARIANT_VALUE="${variant}")
  target_link_libraries(${target} PRIVATE nrtprep_core)
endfunction()
