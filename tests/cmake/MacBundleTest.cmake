# Checks the pure parts of the macOS bundle build on any platform:
#   cmake -DSOURCE_DIR=<repository> -DWORK_DIR=<scratch folder> -P MacBundleTest.cmake
include("${SOURCE_DIR}/cmake/MacBundle.cmake")

# Reports `what` unless the condition that follows it holds.
function(expect what)
    if(${ARGN})
    else()
        message(SEND_ERROR "not true: ${what}")
    endif()
endfunction()

# The deployment target: at least the version that has start at login.
foreach(version 13.0 15.0.1 26.0)
    kalvane_macos_version_supported(ok "${version}")
    expect("${version} is supported" ok)
endforeach()
foreach(version 12.7 "" "latest")
    kalvane_macos_version_supported(ok "${version}")
    expect("'${version}' is refused" NOT ok)
endforeach()
kalvane_macos_version_supported(ok "${CMAKE_OSX_DEPLOYMENT_TARGET}")
expect("the default deployment target is supported" ok)

# Info.plist as CMake writes it into the bundle: the minimum system version is the deployment
# target, the app stays out of the Dock, and the Apple-event text is there (without it macOS
# refuses every query of PowerPoint silently).
set(MACOSX_BUNDLE_EXECUTABLE_NAME "Tessaly Kalvane")
set(MACOSX_BUNDLE_SHORT_VERSION_STRING 1.2.3)
set(MACOSX_BUNDLE_BUNDLE_VERSION 1.2.3)
configure_file("${SOURCE_DIR}/resources/Info.plist.in" "${WORK_DIR}/Info.plist")
file(READ "${WORK_DIR}/Info.plist" plist)
string(REGEX MATCH "<key>LSMinimumSystemVersion</key>[ \n]*<string>([^<]*)</string>" _ "${plist}")
expect("LSMinimumSystemVersion '${CMAKE_MATCH_1}' is the deployment target"
    CMAKE_MATCH_1 STREQUAL CMAKE_OSX_DEPLOYMENT_TARGET)
expect("LSUIElement is true" plist MATCHES "<key>LSUIElement</key>[ \n]*<true/>")
expect("NSAppleEventsUsageDescription has a text"
    plist MATCHES "<key>NSAppleEventsUsageDescription</key>[ \n]*<string>[^<]+</string>")
expect("nothing is left unfilled" NOT plist MATCHES "\\$\\{")

# Entitlements: Apple events always; library validation off only for a teamless (ad-hoc)
# signature, which could not load Qt with it.
set(source "${SOURCE_DIR}/resources/Kalvane.entitlements")
file(READ "${source}" shipped)
set(appleEvents "<key>com.apple.security.automation.apple-events</key>[ \n]*<true/>")
set(noValidation "<key>com.apple.security.cs.disable-library-validation</key>[ \n]*<true/>")
expect("the shipped entitlements allow Apple events" shipped MATCHES "${appleEvents}")
expect("the shipped entitlements keep library validation" NOT shipped MATCHES "${noValidation}")

kalvane_write_entitlements("${source}" "-" "${WORK_DIR}/adhoc.entitlements")
file(READ "${WORK_DIR}/adhoc.entitlements" adhoc)
expect("ad hoc: Apple events" adhoc MATCHES "${appleEvents}")
expect("ad hoc: no library validation" adhoc MATCHES "${noValidation}[ \n]*</dict>")
kalvane_write_entitlements("${source}" "Developer ID Application: T (X1)" "${WORK_DIR}/real.entitlements")
file(READ "${WORK_DIR}/real.entitlements" real)
expect("a real identity signs with the shipped entitlements" real STREQUAL shipped)

# The signing command: hardened runtime and the entitlements for every identity, a secure
# timestamp only where a real identity can get one.
kalvane_codesign_command(command "-" "/e.plist" "/b/K.app")
list(JOIN command " | " command)
expect("ad-hoc command: ${command}" command STREQUAL
    "codesign | --force | --options | runtime | --entitlements | /e.plist | --sign | - | /b/K.app")
kalvane_codesign_command(command "Developer ID Application: T (X1)" "/e.plist" "/b/K.app")
list(JOIN command " | " command)
expect("signed command: ${command}" command STREQUAL
    "codesign | --force | --options | runtime | --entitlements | /e.plist | --sign | Developer ID Application: T (X1) | --timestamp | /b/K.app")

# A project for macOS, generated here with Makefiles (no compiler runs), whose app gets its
# bundle, a resource, an Objective-C++ file from another directory, its signature and its
# installation the way src/ does it.
set(probe "${WORK_DIR}/probe")
set(project "${probe}/project")
set(build "${project}/build")
file(REMOVE_RECURSE "${probe}")
file(COPY "${SOURCE_DIR}/resources" DESTINATION "${project}")
file(WRITE "${project}/CMakeLists.txt" "cmake_minimum_required(VERSION 3.25)
include([[${SOURCE_DIR}/cmake/MacBundle.cmake]])
project(Probe VERSION 1.0 LANGUAGES CXX OBJCXX)
add_executable(app main.cpp)
add_subdirectory(native)
kalvane_macos_bundle(app)
target_sources(app PRIVATE icon.icns)
set_source_files_properties(icon.icns PROPERTIES MACOSX_PACKAGE_LOCATION Resources)
kalvane_macos_codesign(app)
kalvane_macos_install(app .)
")
file(WRITE "${project}/native/CMakeLists.txt"
    "target_sources(app PRIVATE Native.mm)\nkalvane_objc_arc(app Native.mm)\n")
file(TOUCH "${project}/main.cpp" "${project}/icon.icns" "${project}/native/Native.mm")
execute_process(COMMAND "${CMAKE_COMMAND}" -S "${project}" -B "${build}" -G "Unix Makefiles"
        -DCMAKE_SYSTEM_NAME=Darwin -DCMAKE_OSX_SYSROOT=/
        -DCMAKE_CXX_COMPILER_FORCED=ON -DCMAKE_CXX_COMPILER_ID=AppleClang
        -DCMAKE_OBJCXX_COMPILER_FORCED=ON -DCMAKE_OBJCXX_COMPILER_ID=AppleClang
    RESULT_VARIABLE failed OUTPUT_VARIABLE log ERROR_VARIABLE log)
expect("the macOS project generates: ${log}" NOT failed)

# Automatic reference counting is an option of the Objective-C++ file itself, which every
# generator (Xcode too) passes to that file's compiler, also where the file is added in another
# directory than its target's; no C++ file gets it.
file(READ "${build}/CMakeFiles/app.dir/build.make" rules)
expect("the .mm file compiles with ARC" rules MATCHES "objective-c\\+\\+[^\n]* -fobjc-arc [^\n]*Native\\.mm")
expect("the .cpp file compiles without" NOT rules MATCHES "-fobjc-arc[^\n]*main\\.cpp")

# The signature is a target of its own that comes after the whole bundle; the bundle's own
# build signs nothing.
expect("the bundle's build signs nothing" NOT rules MATCHES "codesign")
file(READ "${build}/CMakeFiles/Makefile2" targets)
expect("signing comes after the bundle" targets MATCHES "app_codesign.dir/all: CMakeFiles/app.dir/all")

# It signs the bundle again when a resource in it changes, and only then. A stand-in codesign
# writes down the bundle it signed and the resources in it; the bundle is laid out by hand.
set(contents "${build}/Tessaly Kalvane.app/Contents")
file(WRITE "${contents}/MacOS/Tessaly Kalvane" "")
file(WRITE "${contents}/Resources/strings.json" "{}")
file(WRITE "${contents}/Resources/icon.icns" "")
set(signed "${probe}/signed.txt")
file(WRITE "${probe}/bin/codesign"
    "#!/bin/sh\neval bundle=\\\${$#}\necho \"$bundle:\" $(ls \"$bundle/Contents/Resources\") >> '${signed}'\n")
file(CHMOD "${probe}/bin/codesign" PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE)
set(ENV{PATH} "${probe}/bin:$ENV{PATH}")
function(expect_signatures count)
    execute_process(COMMAND make -C "${build}" -f CMakeFiles/app_codesign.dir/build.make
            CMakeFiles/app_codesign.dir/build
        RESULT_VARIABLE failed OUTPUT_QUIET)
    file(STRINGS "${signed}" lines)
    list(LENGTH lines signatures)
    expect("${count} signatures, not ${signatures}" NOT failed AND signatures EQUAL count)
endfunction()
expect_signatures(1)
expect_signatures(1)
execute_process(COMMAND "${CMAKE_COMMAND}" -E sleep 1)
file(TOUCH "${contents}/Resources/strings.json")
expect_signatures(2)

# Installing signs the installed copy, after it is complete.
set(ENV{DESTDIR} "${probe}/stage")
execute_process(COMMAND "${CMAKE_COMMAND}" -DCMAKE_INSTALL_PREFIX=/Applications
        -P "${build}/cmake_install.cmake"
    RESULT_VARIABLE failed OUTPUT_QUIET)
file(STRINGS "${signed}" lines)
list(GET lines -1 last)
expect("the installed bundle is signed whole: ${last}" NOT failed AND last STREQUAL
    "${probe}/stage/Applications/Tessaly Kalvane.app: icon.icns strings.json")
