# Builds the manual page: puts the version into the scdoc source, runs scdoc,
# and compresses the page as Debian installs manual pages (gzip -9n: no name or
# time stamp inside, so two builds give the same bytes).
# Run as: cmake -DSCDOC=... -DSOURCE=... -DPAGE=... -DPROJECT_VERSION=... -P ManPage.cmake
# It writes PAGE and PAGE.gz.

configure_file(${SOURCE} ${PAGE}.scd @ONLY)
execute_process(COMMAND ${SCDOC} INPUT_FILE ${PAGE}.scd OUTPUT_FILE ${PAGE}.new
                ERROR_VARIABLE scdoc_errors RESULT_VARIABLE scdoc_status)
if(NOT scdoc_status EQUAL 0)
  file(REMOVE ${PAGE}.new)
  message(FATAL_ERROR "scdoc could not build ${PAGE} from ${SOURCE}: ${scdoc_errors}")
endif()
file(RENAME ${PAGE}.new ${PAGE})
execute_process(COMMAND gzip -9n -c ${PAGE} OUTPUT_FILE ${PAGE}.gz.new RESULT_VARIABLE gzip_status)
if(NOT gzip_status EQUAL 0)
  file(REMOVE ${PAGE}.gz.new)
  message(FATAL_ERROR "gzip could not compress ${PAGE}")
endif()
file(RENAME ${PAGE}.gz.new ${PAGE}.gz)
