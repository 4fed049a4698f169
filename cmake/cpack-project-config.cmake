# Read by cpack once for each package it makes (CPACK_PROJECT_CONFIG_FILE).

# The time stamp of every file in the package and of the package's archives: the release's, from
# the changelog, unless SOURCE_DATE_EPOCH is set already (as dpkg-buildpackage sets it, from the
# same changelog) or the changelog could not be read.
if(NOT DEFINED ENV{SOURCE_DATE_EPOCH} AND NOT CPACK_ROOMPLANNER_SOURCE_DATE_EPOCH STREQUAL "")
  set(ENV{SOURCE_DATE_EPOCH} ${CPACK_ROOMPLANNER_SOURCE_DATE_EPOCH})
endif()
