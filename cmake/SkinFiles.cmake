# The skin images and the program's icons are drawn at build time by
# tools/make_skin.py, so the repository holds no binary pictures.  The script
# needs Pillow, which Debian's own interpreter has (python3-pil).
set(QV_SKIN_PYTHON /usr/bin/python3 CACHE FILEPATH "Python interpreter with Pillow for the skin generator")
set(QV_SKIN_SCRIPT ${CMAKE_SOURCE_DIR}/tools/make_skin.py)
set(QV_GENERATED_DIR ${CMAKE_BINARY_DIR}/generated)
set(QV_SKIN_STAMP ${CMAKE_BINARY_DIR}/generated/skin.stamp)

# Icon files for the resource scripts: the program's icons 128, 130 and 131
# and the shell extension's menu icon 202.  A target
# whose resources embed them adds add_dependencies(<target> qv_skin).
set(QV_APP_ICON ${QV_GENERATED_DIR}/Quorventile.ico)
set(QV_DEFAULT_LINK_ICON ${QV_GENERATED_DIR}/DefaultLink.ico)
set(QV_MISSING_LINK_ICON ${QV_GENERATED_DIR}/MissingLink.ico)
set(QV_SHELLEXT_MENU_ICON ${QV_GENERATED_DIR}/ShellExtMenu.ico)

add_custom_command(
  OUTPUT ${QV_SKIN_STAMP}
  BYPRODUCTS ${QV_APP_ICON} ${QV_DEFAULT_LINK_ICON} ${QV_MISSING_LINK_ICON} ${QV_SHELLEXT_MENU_ICON}
  COMMAND ${QV_SKIN_PYTHON} ${QV_SKIN_SCRIPT} --skin ${QV_SKIN_DIR} --icons ${QV_GENERATED_DIR}
  COMMAND ${CMAKE_COMMAND} -E touch ${QV_SKIN_STAMP}
  DEPENDS ${QV_SKIN_SCRIPT}
  COMMENT "Drawing the skin images and icons"
  VERBATIM)
add_custom_target(qv_skin ALL DEPENDS ${QV_SKIN_STAMP})

# Checks the generated set against the geometry the windows cut it into, and
# that a second run gives the same bytes.  Runs natively, not under Wine.
add_test(NAME skin_files
  COMMAND ${QV_SKIN_PYTHON} ${CMAKE_SOURCE_DIR}/tools/check_skin.py
    --skin ${QV_SKIN_DIR} --icons ${QV_GENERATED_DIR} --generator ${QV_SKIN_SCRIPT})
set_tests_properties(skin_files PROPERTIES TIMEOUT 120)
