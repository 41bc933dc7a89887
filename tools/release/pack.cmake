# Packs the 32-bit tree's Quenzar.exe with a release description, when that tree has built it.
#   cmake -DPACKER=... -DUNPACKED=... -DRELEASE=... -DOUT=... -P pack.cmake
if(NOT EXISTS "${UNPACKED}")
  message(STATUS "no unpacked ${UNPACKED}: build the 32-bit tree first")
  return()
endif()
execute_process(COMMAND "${PACKER}" "${UNPACKED}" "${RELEASE}" "${OUT}" RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "packing ${OUT} failed")
endif()
