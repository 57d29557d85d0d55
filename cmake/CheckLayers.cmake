# cmake -DROOT=<tree> [-DEXCEPTIONS=<file>] -P CheckLayers.cmake
# Fails when a source file includes a header of a layer it must not reach:
#  - Facility/<folder>/ includes only its own folder and folders below it, in
#    this order from the bottom: Support and Models, Storage, Widgets, Network,
#    BLE+MainMethods, Services, Screens, App;
#  - Facility/ reaches the measurement engine (Analytics/) nowhere: the vendor
#    core in Platform/ is what would start it, and it does not today;
#  - Platform/ includes nothing of Facility/, PhotoPicker/ or Analytics/;
#  - PhotoPicker/ includes only Platform/ (and itself);
#  - Companion/ includes nothing of ours but itself.
# EXCEPTIONS lists known "<file> -> <header>" lines still waiting for a seam;
# every other violation fails.
if(NOT ROOT)
  message(FATAL_ERROR "CheckLayers: ROOT is not set")
endif()

set(_ranks "Support=0;Models=0;Storage=1;Widgets=2;Network=3;BLE+MainMethods=4;Services=5;Screens=6;App=7")
function(_rank folder out)
  set(${out} "" PARENT_SCOPE)
  foreach(_pair IN LISTS _ranks)
    string(REPLACE "=" ";" _kv "${_pair}")
    list(GET _kv 0 _k)
    list(GET _kv 1 _v)
    if(_k STREQUAL folder)
      set(${out} ${_v} PARENT_SCOPE)
    endif()
  endforeach()
endfunction()

set(_known)
if(EXCEPTIONS AND EXISTS "${EXCEPTIONS}")
  file(STRINGS "${EXCEPTIONS}" _lines REGEX "->")
  foreach(_l IN LISTS _lines)
    string(REGEX REPLACE "[ \t]+" "" _l "${_l}")
    list(APPEND _known "${_l}")
  endforeach()
endif()

file(GLOB_RECURSE _files RELATIVE "${ROOT}"
  "${ROOT}/Facility/*.h" "${ROOT}/Facility/*.cpp"
  "${ROOT}/Platform/*.h" "${ROOT}/Platform/*.cpp" "${ROOT}/Platform/*.c"
  "${ROOT}/PhotoPicker/*.h" "${ROOT}/PhotoPicker/*.cpp"
  "${ROOT}/Companion/*.h" "${ROOT}/Companion/*.cpp" "${ROOT}/Companion/*.c")
list(SORT _files)

set(_ours Facility Platform PhotoPicker Analytics Companion)
set(_bad 0)
foreach(_f IN LISTS _files)
  string(REGEX MATCH "^[^/]+" _top "${_f}")
  set(_from "")
  if(_top STREQUAL "Facility" AND _f MATCHES "^Facility/([^/]+)/")
    set(_from ${CMAKE_MATCH_1})
  endif()
  file(STRINGS "${ROOT}/${_f}" _incs REGEX "^[ \t]*#[ \t]*include[ \t]*\"")
  foreach(_inc IN LISTS _incs)
    string(REGEX REPLACE "^[ \t]*#[ \t]*include[ \t]*\"([^\"]+)\".*" "\\1" _h "${_inc}")
    string(REGEX MATCH "^[^/]+" _htop "${_h}")
    list(FIND _ours "${_htop}" _is_ours)
    if(_is_ours EQUAL -1 OR _htop STREQUAL _top)
      # Outside the project, or the same top folder: only Facility's layers apply.
      if(NOT (_top STREQUAL "Facility" AND _htop STREQUAL "Facility"))
        continue()
      endif()
    endif()
    set(_why "")
    if(_top STREQUAL "Facility")
      if(_htop STREQUAL "Analytics")
        set(_why "Facility/ reaches the measurement engine")
      elseif(_htop STREQUAL "Facility")
        set(_to "")
        if(_h MATCHES "^Facility/([^/]+)/")
          set(_to ${CMAKE_MATCH_1})
        endif()
        if(_from STREQUAL "" OR _to STREQUAL "")
          set(_why "a file directly in Facility/")
        elseif(NOT _from STREQUAL _to)
          _rank("${_from}" _rf)
          _rank("${_to}" _rt)
          if(_rf STREQUAL "" OR _rt STREQUAL "")
            set(_why "a Facility folder outside the layer order")
          elseif(NOT _rt LESS _rf)
            set(_why "${_from} includes ${_to}, a layer not below it")
          endif()
        endif()
      endif()
    elseif(_top STREQUAL "Platform")
      set(_why "Platform/ includes ${_htop}/")
    elseif(_top STREQUAL "PhotoPicker")
      if(NOT _htop STREQUAL "Platform")
        set(_why "PhotoPicker/ includes ${_htop}/")
      endif()
    elseif(_top STREQUAL "Companion")
      set(_why "Companion/ includes ${_htop}/")
    endif()
    if(_why)
      list(FIND _known "${_f}->${_h}" _listed)
      if(_listed EQUAL -1)
        message(SEND_ERROR "layering: ${_f} includes \"${_h}\": ${_why}")
        set(_bad 1)
      endif()
    endif()
  endforeach()
endforeach()
if(_bad)
  message(FATAL_ERROR "layering: includes that reach the wrong way (see above)")
endif()
message(STATUS "layering: ${ROOT} is one-way")
