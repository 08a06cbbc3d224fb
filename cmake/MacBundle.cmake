# The macOS side of the build: Objective-C++ with automatic reference counting, the
# application bundle and its hardened-runtime signature. Included before project() because
# the deployment target has to be known when the toolchain is set up; everything else here is
# a function, so that tests/cmake can check the pure parts on any platform with `cmake -P`.

# The oldest macOS the app runs on: start at login (SMAppService) needs macOS 13. The bundle's
# LSMinimumSystemVersion is written from the deployment target, so the two always agree.
set(KALVANE_MACOS_MINIMUM 13.0)
# Ignored on other platforms.
set(CMAKE_OSX_DEPLOYMENT_TARGET "${KALVANE_MACOS_MINIMUM}" CACHE STRING
    "Oldest macOS the app runs on (at least ${KALVANE_MACOS_MINIMUM})")

# The identity codesign signs the bundle with: "-" signs ad hoc, enough to run the app on the
# machine that built it; a "Developer ID Application: …" identity is needed to hand it on.
set(KALVANE_CODESIGN_IDENTITY "-" CACHE STRING "codesign identity for the app bundle")

# Sets `out_var` to whether `version` is a version number no older than the app needs.
function(kalvane_macos_version_supported out_var version)
    if(version MATCHES "^[0-9]+(\\.[0-9]+)*$" AND version VERSION_GREATER_EQUAL KALVANE_MACOS_MINIMUM)
        set(${out_var} TRUE PARENT_SCOPE)
    else()
        set(${out_var} FALSE PARENT_SCOPE)
    endif()
endfunction()

# Compiles the Objective-C++ `sources` of `target` with automatic reference counting. The flag
# goes on each source file: the Xcode generator fills a target's C++ flags from its C++
# options alone once the target also has .cpp files, so a target option meant for
# Objective-C++ never reaches the .mm files there, while a file's own options reach it in
# every generator. TARGET_DIRECTORY lets the target's directory, where it is built, see them.
function(kalvane_objc_arc target)
    set_property(SOURCE ${ARGN} TARGET_DIRECTORY ${target}
        APPEND PROPERTY COMPILE_OPTIONS -fobjc-arc)
endfunction()

# Writes to `output` the entitlements to sign with. An ad-hoc signature has no team, and the
# hardened runtime's library validation only admits libraries of the app's own team: such a
# build could not load Qt at all. Ad hoc, library validation is therefore switched off; a real
# identity signs with the shipped entitlements unchanged.
function(kalvane_write_entitlements source identity output)
    file(READ "${source}" entitlements)
    if(identity STREQUAL "-")
        string(REPLACE "</dict>"
            "    <key>com.apple.security.cs.disable-library-validation</key>\n    <true/>\n</dict>"
            entitlements "${entitlements}")
    endif()
    file(WRITE "${output}" "${entitlements}")
endfunction()

# Sets `out_var` to the codesign command for `bundle`: hardened runtime, the entitlements,
# the identity, and a secure timestamp for a real identity (notarisation asks for one).
function(kalvane_codesign_command out_var identity entitlements bundle)
    set(command codesign --force --options runtime --entitlements "${entitlements}"
        --sign "${identity}")
    if(NOT identity STREQUAL "-")
        list(APPEND command --timestamp)
    endif()
    list(APPEND command "${bundle}")
    set(${out_var} "${command}" PARENT_SCOPE)
endfunction()

# Makes `target` the accessory app bundle: Info.plist and the translation table in Resources.
# Its signature comes from kalvane_macos_codesign.
function(kalvane_macos_bundle target)
    kalvane_macos_version_supported(supported "${CMAKE_OSX_DEPLOYMENT_TARGET}")
    if(NOT supported)
        message(FATAL_ERROR "CMAKE_OSX_DEPLOYMENT_TARGET is '${CMAKE_OSX_DEPLOYMENT_TARGET}'; the "
                            "app needs macOS ${KALVANE_MACOS_MINIMUM} or later (start at login).")
    endif()
    set(resources "${PROJECT_SOURCE_DIR}/resources")
    set_target_properties(${target} PROPERTIES
        MACOSX_BUNDLE TRUE
        OUTPUT_NAME "Tessaly Kalvane"
        MACOSX_BUNDLE_INFO_PLIST "${resources}/Info.plist.in"
        MACOSX_BUNDLE_SHORT_VERSION_STRING "${PROJECT_VERSION}"
        MACOSX_BUNDLE_BUNDLE_VERSION "${PROJECT_VERSION}")
    target_sources(${target} PRIVATE "${resources}/strings.json")
    set_source_files_properties("${resources}/strings.json"
        PROPERTIES MACOSX_PACKAGE_LOCATION Resources)
    kalvane_write_entitlements("${resources}/Kalvane.entitlements"
        "${KALVANE_CODESIGN_IDENTITY}" "${CMAKE_CURRENT_BINARY_DIR}/Kalvane.entitlements")
endfunction()

# Sets `out_var` to the files in `target`'s bundle besides its program: Info.plist and every
# source file that the build copies into the bundle (MACOSX_PACKAGE_LOCATION), at their place
# under `contents`, the bundle's Contents folder.
function(kalvane_bundle_files out_var target contents)
    set(files "${contents}/Info.plist")
    get_target_property(sources ${target} SOURCES)
    foreach(source IN LISTS sources)
        get_source_file_property(location "${source}" MACOSX_PACKAGE_LOCATION)
        if(location)
            get_filename_component(name "${source}" NAME)
            list(APPEND files "${contents}/${location}/${name}")
        endif()
    endforeach()
    set(${out_var} "${files}" PARENT_SCOPE)
endfunction()

# Signs `target`'s bundle with the hardened runtime after every build that changes it. Call it
# after the last file has been added to the bundle. The signature seals the program and every
# resource, so it is made in a target of its own that comes after the whole bundle: a
# post-build step of the bundle's target runs after the link but not after the copies of the
# resources, and a resource copied again later would leave the seal broken. The step runs
# again whenever the program or a copied file changes.
function(kalvane_macos_codesign target)
    set(entitlements "${CMAKE_CURRENT_BINARY_DIR}/Kalvane.entitlements")
    if(CMAKE_GENERATOR STREQUAL "Xcode")
        # Xcode signs by itself, after every build phase of the target.
        set_target_properties(${target} PROPERTIES
            XCODE_ATTRIBUTE_CODE_SIGN_IDENTITY "${KALVANE_CODESIGN_IDENTITY}"
            XCODE_ATTRIBUTE_CODE_SIGN_ENTITLEMENTS "${entitlements}"
            XCODE_ATTRIBUTE_ENABLE_HARDENED_RUNTIME YES)
        return()
    endif()
    kalvane_bundle_files(files ${target} "$<TARGET_BUNDLE_CONTENT_DIR:${target}>")
    kalvane_codesign_command(codesign "${KALVANE_CODESIGN_IDENTITY}" "${entitlements}"
        "$<TARGET_BUNDLE_DIR:${target}>")
    set(stamp "${CMAKE_CURRENT_BINARY_DIR}/${target}.codesigned")
    add_custom_command(OUTPUT "${stamp}"
        COMMAND ${codesign}
        COMMAND ${CMAKE_COMMAND} -E touch "${stamp}"
        DEPENDS ${target} ${files}
        COMMENT "Signing the app bundle (${KALVANE_CODESIGN_IDENTITY})"
        VERBATIM)
    add_custom_target(${target}_codesign ALL DEPENDS "${stamp}")
endfunction()

# Installs `target`'s bundle into `destination` under the install prefix and signs the
# installed copy again: installing may rewrite the program after the build signed it (its run
# paths and install names), and the disk image is made from such an installed copy.
function(kalvane_macos_install target destination)
    install(TARGETS ${target} BUNDLE DESTINATION "${destination}")
    set(bundle "$<TARGET_BUNDLE_DIR_NAME:${target}>")
    if(NOT destination STREQUAL ".")
        set(bundle "${destination}/${bundle}")
    endif()
    kalvane_codesign_command(codesign "${KALVANE_CODESIGN_IDENTITY}"
        "${CMAKE_CURRENT_BINARY_DIR}/Kalvane.entitlements"
        "\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${bundle}")
    list(JOIN codesign "\" \"" arguments)
    install(CODE "execute_process(COMMAND \"${arguments}\" COMMAND_ERROR_IS_FATAL ANY)")
endfunction()
