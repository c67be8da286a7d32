# Fails when a source file under SRC includes a folder above its own. The folders depend one
# way: platform < core < vst2 < synth < engine; graphics sits above platform and core only;
# editor above everything it uses; nothing includes editor or graphics from below. A folder
# this file does not know fails too, so that a new one is placed in the order when it arrives.
cmake_minimum_required(VERSION 3.25)
# Usage: cmake -DSRC=<folder> -P CheckIncludeLayers.cmake
set(_allowed_platform platform)
set(_allowed_core platform core)
set(_allowed_vst2 platform core vst2)
set(_allowed_synth platform core vst2 synth)
set(_allowed_engine platform core vst2 synth engine)
set(_allowed_graphics platform core graphics)
set(_allowed_editor platform core vst2 synth engine graphics editor)

file(GLOB_RECURSE _files RELATIVE ${SRC} ${SRC}/*.h ${SRC}/*.cpp)
set(_wrong "")
foreach(_file IN LISTS _files)
  string(REGEX MATCH "^[^/]+" _folder "${_file}")
  if(_file STREQUAL _folder)
    continue() # a file at the top of the tree belongs to no layer
  endif()
  if(NOT DEFINED _allowed_${_folder})
    list(APPEND _wrong "${_file}: the folder '${_folder}' has no place in the layer order")
    continue()
  endif()
  file(STRINGS ${SRC}/${_file} _includes REGEX "^[ \t]*#[ \t]*include[ \t]*\"[^\"]+/")
  foreach(_line IN LISTS _includes)
    string(REGEX REPLACE "^[^\"]*\"([^/\"]+)/.*$" "\\1" _target "${_line}")
    if(NOT _target IN_LIST _allowed_${_folder})
      string(STRIP "${_line}" _line)
      string(REPLACE ";" ", " _may "${_allowed_${_folder}}")
      list(APPEND _wrong "${_file}: ${_line} (${_folder} may include ${_may})")
    endif()
  endforeach()
endforeach()

if(_wrong)
  list(JOIN _wrong "\n  " _text)
  message(FATAL_ERROR "includes against the layer order:\n  ${_text}")
endif()
list(LENGTH _files _count)
message(STATUS "${_count} files follow the layer order")
