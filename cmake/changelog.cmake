# The newest entry of a Debian changelog, as dpkg-parsechangelog (dpkg-dev) reads it: its version,
# its date as written there (YYYY-MM-DD) and its time as seconds since 1970-01-01 00:00 UTC, what
# SOURCE_DATE_EPOCH holds.
#   changelog_release(FILE)  sets CHANGELOG_VERSION, CHANGELOG_DATE and CHANGELOG_EPOCH, or leaves
#                            them empty where dpkg-parsechangelog is missing
#   cmake -DCHANGELOG=FILE -P cmake/changelog.cmake   prints "EPOCH DATE", for the checks

function(changelog_release file)
  find_program(DPKG_PARSECHANGELOG dpkg-parsechangelog)
  if(NOT DPKG_PARSECHANGELOG)
    return()
  endif()
  get_filename_component(file ${file} ABSOLUTE) # a re-run of the configure runs in the build folder
  foreach(field Version Timestamp Date)
    execute_process(COMMAND ${DPKG_PARSECHANGELOG} -l ${file} -S ${field}
                    OUTPUT_VARIABLE ${field} OUTPUT_STRIP_TRAILING_WHITESPACE
                    COMMAND_ERROR_IS_FATAL ANY)
  endforeach()
  # The day, month and year of a date such as "Tue, 08 Dec 2026 12:00:00 +0000".
  string(REGEX MATCH "^[A-Z][a-z][a-z], ([0-9]?)([0-9]) ([A-Z][a-z][a-z]) ([0-9]+) " _ "${Date}")
  set(tens ${CMAKE_MATCH_1})
  set(units ${CMAKE_MATCH_2})
  set(year ${CMAKE_MATCH_4})
  set(months Jan Feb Mar Apr May Jun Jul Aug Sep Oct Nov Dec)
  set(numbers 01 02 03 04 05 06 07 08 09 10 11 12)
  list(FIND months "${CMAKE_MATCH_3}" month)
  if(month LESS 0)
    message(FATAL_ERROR "${file}'s newest entry has no date of the form \
'Tue, 08 Dec 2026 12:00:00 +0000': ${Date}")
  endif()
  list(GET numbers ${month} month)
  if(NOT tens)
    set(tens 0)
  endif()
  set(CHANGELOG_VERSION ${Version} PARENT_SCOPE)
  set(CHANGELOG_EPOCH ${Timestamp} PARENT_SCOPE)
  set(CHANGELOG_DATE ${year}-${month}-${tens}${units} PARENT_SCOPE)
endfunction()

if(CMAKE_SCRIPT_MODE_FILE AND CHANGELOG)
  changelog_release(${CHANGELOG})
  message(NOTICE "${CHANGELOG_EPOCH} ${CHANGELOG_DATE}")
endif()
