# The newest entry of a Debian changelog: its version, its date as written there (YYYY-MM-DD) and
# its time as seconds since 1970-01-01 00:00 UTC, what SOURCE_DATE_EPOCH holds.
#   changelog_release(FILE)   sets CHANGELOG_VERSION, CHANGELOG_DATE and CHANGELOG_EPOCH
#   cmake -DCHANGELOG=FILE -P cmake/changelog-date.cmake   prints the time, for the checks

function(changelog_release file)
  file(READ ${file} changelog)
  string(REGEX MATCH "^[^ ]+ \\(([^)]+)\\)" _ "${changelog}")
  set(CHANGELOG_VERSION ${CMAKE_MATCH_1} PARENT_SCOPE)
  string(REGEX MATCH "\n -- [^\n]*  [A-Z][a-z][a-z], ([0-9][0-9]) ([A-Z][a-z][a-z]) \
([0-9][0-9][0-9][0-9]) ([0-9][0-9]):([0-9][0-9]):([0-9][0-9]) ([+-])([0-9][0-9])([0-9][0-9])" _
         "${changelog}")
  set(day ${CMAKE_MATCH_1})
  set(months Jan Feb Mar Apr May Jun Jul Aug Sep Oct Nov Dec)
  list(FIND months "${CMAKE_MATCH_2}" month)
  if(month LESS 0 OR NOT day)
    message(FATAL_ERROR "${file}'s newest entry has no date of the form \
'Tue, 08 Dec 2026 12:00:00 +0000'")
  endif()
  math(EXPR month "${month} + 1")
  # The days since 1970-01-01 from the civil date, counted in 400-year eras of 146097 days from
  # 1 March of year 0, so that the leap day ends a year.
  if(month GREATER 2)
    set(year ${CMAKE_MATCH_3})
    math(EXPR month_from_march "${month} - 3")
  else()
    math(EXPR year "${CMAKE_MATCH_3} - 1")
    math(EXPR month_from_march "${month} + 9")
  endif()
  math(EXPR days "${year} / 400 * 146097 + ${year} % 400 * 365 + ${year} % 400 / 4 \
- ${year} % 400 / 100 + (153 * ${month_from_march} + 2) / 5 + ${day} - 1 - 719468")
  # The local time written there, less its offset east of UTC.
  math(EXPR epoch "${days} * 86400 + ${CMAKE_MATCH_4} * 3600 + ${CMAKE_MATCH_5} * 60 \
+ ${CMAKE_MATCH_6} - (${CMAKE_MATCH_7}1) * (${CMAKE_MATCH_8} * 3600 + ${CMAKE_MATCH_9} * 60)")
  set(CHANGELOG_EPOCH ${epoch} PARENT_SCOPE)
  if(month LESS 10)
    set(month 0${month})
  endif()
  set(CHANGELOG_DATE ${CMAKE_MATCH_3}-${month}-${day} PARENT_SCOPE)
endfunction()

if(CMAKE_SCRIPT_MODE_FILE AND CHANGELOG)
  changelog_release(${CHANGELOG})
  message(NOTICE ${CHANGELOG_EPOCH})
endif()
