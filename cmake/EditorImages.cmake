# The editor's 19 images, rendered at build time from the SVG sources in resources/img/ (see
# docs/artwork.md). Nothing binary is kept in the repository: a one-frame knob, switch or button
# is expanded into its frame strip by resources/img/artwork.py and every SVG is turned into a
# PNG by rsvg-convert, on the build machine, for every preset (native or cross).
#
# vorlunda_add_editor_images() defines, in the calling directory and its parent:
#   VORLUNDA_EDITOR_IMAGES       the 19 PNG paths in resource-id order (id 1 = back.png ...
#                                id 19 = unlearn.png), all in ${CMAKE_BINARY_DIR}/img/
#   VORLUNDA_EDITOR_IMAGE_NAMES  their resource names, same order ("resources/img/back.png" ...)
# and the targets
#   editor_images                builds the 19 PNGs (part of `all`); a consumer adds a
#                                dependency on it and may list the paths as OBJECT_DEPENDS
#   editor_images_mock           ${CMAKE_BINARY_DIR}/img/editor-mock.png: the background with
#                                every control's frame at its place (a look check, not shipped)
# vorlunda_add_editor_image_tests() registers the ctest checks (exact pixel sizes and distinct
# frames, the expander's frame rules, background SVG up to date with its generator).

# Id order, name:frames. The pixel sizes are checked against resources/img/editor_layout.py.
set(VORLUNDA_EDITOR_IMAGE_TABLE
    back:1 handlev:1 handleh:1 knobbig:64 knobsmall:64 switch1:2 switch2:2 switch3:3 switch4:4
    buttonblue:2 buttongreen:2 buttonpink:2 buttonyellow:2 buttonwhite:2 buttonsync:9
    buttonlfo:6 button12:2 learn:2 unlearn:2)

function(_vorlunda_find_image_tools)
  find_program(VORLUNDA_RSVG_CONVERT rsvg-convert)
  if(NOT VORLUNDA_RSVG_CONVERT)
    message(FATAL_ERROR "rsvg-convert not found. The editor images are rendered from SVG with "
                        "it: install the Debian package librsvg2-bin (scripts/setup does).")
  endif()
  # Debian's interpreter first: the scripts need only the standard library.
  find_program(VORLUNDA_PYTHON3 NAMES python3 PATHS /usr/bin NO_DEFAULT_PATH)
  find_program(VORLUNDA_PYTHON3 NAMES python3)
  if(NOT VORLUNDA_PYTHON3)
    message(FATAL_ERROR "python3 not found. It expands the editor's frame strips "
                        "(resources/img/artwork.py): install the Debian package python3.")
  endif()
endfunction()

function(vorlunda_add_editor_images)
  _vorlunda_find_image_tools()
  set(_src ${PROJECT_SOURCE_DIR}/resources/img)
  set(_out ${CMAKE_BINARY_DIR}/img)
  set(_tool ${VORLUNDA_PYTHON3} -B ${_src}/artwork.py)
  file(MAKE_DIRECTORY ${_out})

  set(_pngs "")
  set(_names "")
  foreach(_entry IN LISTS VORLUNDA_EDITOR_IMAGE_TABLE)
    string(REPLACE ":" ";" _entry "${_entry}")
    list(GET _entry 0 _name)
    list(GET _entry 1 _frames)
    set(_png ${_out}/${_name}.png)
    if(_frames GREATER 1)
      set(_svg ${_out}/${_name}.svg)
      add_custom_command(
        OUTPUT ${_svg}
        COMMAND ${_tool} expand ${_src}/${_name}.svg ${_frames} ${_svg}
        DEPENDS ${_src}/${_name}.svg ${_src}/artwork.py
        COMMENT "Expanding ${_name}.svg into ${_frames} frames"
        VERBATIM)
    else()
      set(_svg ${_src}/${_name}.svg)
    endif()
    add_custom_command(
      OUTPUT ${_png}
      COMMAND ${VORLUNDA_RSVG_CONVERT} --format=png -o ${_png} ${_svg}
      DEPENDS ${_svg}
      COMMENT "Rendering editor image ${_name}.png"
      VERBATIM)
    list(APPEND _pngs ${_png})
    list(APPEND _names resources/img/${_name}.png)
  endforeach()

  add_custom_target(editor_images ALL DEPENDS ${_pngs})
  add_custom_command(
    OUTPUT ${_out}/editor-mock.png
    COMMAND ${CMAKE_COMMAND} -E env RSVG_CONVERT=${VORLUNDA_RSVG_CONVERT}
            ${_tool} mock ${_out} ${_out}/editor-mock.png
    DEPENDS ${_pngs} ${_src}/artwork.py ${_src}/editor_layout.py
    COMMENT "Composing the editor mock-up ${_out}/editor-mock.png"
    VERBATIM)
  add_custom_target(editor_images_mock DEPENDS ${_out}/editor-mock.png)

  set(VORLUNDA_EDITOR_IMAGES ${_pngs} PARENT_SCOPE)
  set(VORLUNDA_EDITOR_IMAGE_NAMES ${_names} PARENT_SCOPE)
  set(VORLUNDA_EDITOR_IMAGES ${_pngs} CACHE INTERNAL "The editor's PNG images in id order")
  set(VORLUNDA_EDITOR_IMAGE_NAMES ${_names} CACHE INTERNAL "Resource names of the editor images")
endfunction()

function(vorlunda_add_editor_image_tests)
  _vorlunda_find_image_tools()
  set(_src ${PROJECT_SOURCE_DIR}/resources/img)
  # Reads each PNG's header: every image has the size and frame count the layout expects.
  add_test(NAME editor_image_sizes
           COMMAND ${VORLUNDA_PYTHON3} -B ${_src}/artwork.py check ${CMAKE_BINARY_DIR}/img)
  # The expander's frame rules: pointer angles, value ring, selector texts and icons per frame.
  add_test(NAME editor_strip_expansion
           COMMAND ${VORLUNDA_PYTHON3} -B ${_src}/artwork.py selftest ${CMAKE_CURRENT_BINARY_DIR})
  # The committed background SVG is what its generator writes from the layout table.
  add_test(NAME editor_background_current
           COMMAND ${VORLUNDA_PYTHON3} -B ${_src}/artwork.py background-check ${_src}/back.svg)
endfunction()
