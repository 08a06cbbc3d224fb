# kalvane_add_mac_icon(<target> <svg>)
#
# Renders the application icon drawing into an .icns at build time and puts it into the
# bundle's Resources as Kalvane.icns (Info.plist names it through MACOSX_BUNDLE_ICON_FILE).
# Needs rsvg-convert (librsvg) and the system's iconutil; without them the bundle is built
# without an icon and Finder shows the generic application icon.
function(kalvane_add_mac_icon target svg)
    find_program(KALVANE_RSVG_CONVERT rsvg-convert)
    find_program(KALVANE_ICONUTIL iconutil)
    if(NOT KALVANE_RSVG_CONVERT OR NOT KALVANE_ICONUTIL)
        message(WARNING "rsvg-convert or iconutil not found: the bundle gets no icon")
        return()
    endif()

    set(iconset ${CMAKE_CURRENT_BINARY_DIR}/Kalvane.iconset)
    set(icns ${CMAKE_CURRENT_BINARY_DIR}/Kalvane.icns)
    # The sizes and names iconutil expects in an iconset: each base size at 1x and 2x.
    set(render_commands)
    foreach(size 16 32 128 256 512)
        math(EXPR double "${size} * 2")
        list(APPEND render_commands
            COMMAND ${KALVANE_RSVG_CONVERT} -w ${size} -h ${size} -o
                    ${iconset}/icon_${size}x${size}.png ${svg}
            COMMAND ${KALVANE_RSVG_CONVERT} -w ${double} -h ${double} -o
                    ${iconset}/icon_${size}x${size}@2x.png ${svg})
    endforeach()

    add_custom_command(OUTPUT ${icns}
        COMMAND ${CMAKE_COMMAND} -E rm -rf ${iconset}
        COMMAND ${CMAKE_COMMAND} -E make_directory ${iconset}
        ${render_commands}
        COMMAND ${KALVANE_ICONUTIL} -c icns -o ${icns} ${iconset}
        DEPENDS ${svg}
        COMMENT "Rendering Kalvane.icns"
        VERBATIM)
    target_sources(${target} PRIVATE ${icns})
    set_source_files_properties(${icns} PROPERTIES MACOSX_PACKAGE_LOCATION Resources)
    set_target_properties(${target} PROPERTIES MACOSX_BUNDLE_ICON_FILE Kalvane.icns)
    # The disk image shows the same drawing as its volume icon.
    set_property(GLOBAL PROPERTY KALVANE_MAC_ICNS ${icns})
endfunction()
