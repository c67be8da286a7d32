# The editor's 19 images inside the plug-in: PNG module resources with the numeric ids 1..19 and
# type "PNG" in the Windows builds (a resource script), byte arrays registered as "#1".."#19" of
# type "PNG" elsewhere (embedded by tools/bankgen, as the factory banks are). Either way the
# editor's LoadEditorBitmap finds image n by its id.
#
# vorlunda_add_editor_resources() defines the OBJECT library vorlunda_editor_images, which the
# plug-in, the tests and the editor-picture tool link (a static library would drop the objects,
# since no code refers to them by symbol). Needs vorlunda_add_editor_images() first; called from
# tools/bankgen/CMakeLists.txt, beside the factory banks.
function(vorlunda_add_editor_resources)
  set(_out ${CMAKE_BINARY_DIR}/img)
  if(WIN32)
    enable_language(RC)
    set(_rc "// The editor's images as Windows module resources: id, type PNG, file.\n")
    set(_id 1)
    foreach(_png IN LISTS VORLUNDA_EDITOR_IMAGES)
      string(APPEND _rc "${_id} PNG \"${_png}\"\n")
      math(EXPR _id "${_id} + 1")
    endforeach()
    file(WRITE ${_out}/EditorImages.rc.tmp "${_rc}")
    configure_file(${_out}/EditorImages.rc.tmp ${_out}/EditorImages.rc COPYONLY)
    add_library(vorlunda_editor_images OBJECT ${_out}/EditorImages.rc)
    set_source_files_properties(${_out}/EditorImages.rc PROPERTIES OBJECT_DEPENDS
                                                                   "${VORLUNDA_EDITOR_IMAGES}")
    # The compiler warnings and code options of the C++ sources mean nothing to windres.
    set_property(TARGET vorlunda_editor_images PROPERTY COMPILE_OPTIONS "")
  else()
    set(_args "")
    set(_id 1)
    foreach(_png IN LISTS VORLUNDA_EDITOR_IMAGES)
      list(APPEND _args ${_png} "#${_id}" PNG)
      math(EXPR _id "${_id} + 1")
    endforeach()
    add_custom_command(
      OUTPUT ${_out}/EditorImages.cpp
      COMMAND bankgen embed ${_out}/EditorImages.cpp ${_args}
      DEPENDS bankgen ${VORLUNDA_EDITOR_IMAGES}
      COMMENT "Embedding the editor images"
      VERBATIM)
    add_library(vorlunda_editor_images OBJECT ${_out}/EditorImages.cpp)
    target_include_directories(vorlunda_editor_images PRIVATE ${PROJECT_SOURCE_DIR}/src)
  endif()
  add_dependencies(vorlunda_editor_images editor_images)
endfunction()
