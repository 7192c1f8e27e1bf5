# The Qt 5 WebEngine front's build tree, configured by the external project in
# viewer/qt/CMakeLists.txt: the portable layers and the Qt front's sources built against Qt 5,
# apart from the Qt 6 build so that the two Qt versions never meet in one CMake project.
find_package(ZLIB REQUIRED)
find_package(Threads REQUIRED)
find_package(PkgConfig REQUIRED)
pkg_check_modules(LIBDEFLATE REQUIRED IMPORTED_TARGET libdeflate)
find_package(Qt5 5.15 REQUIRED COMPONENTS Core Gui Widgets WebEngineCore WebEngineWidgets PrintSupport)
set(CMAKE_AUTOMOC ON)
# Small: every function and object in its own section, unused ones dropped at link time.
add_compile_options(-Os -ffunction-sections -fdata-sections)
add_link_options(-Wl,--gc-sections -Wl,--as-needed)

add_subdirectory(platform)
add_subdirectory(archive)
add_subdirectory(format)
add_subdirectory(viewer/core)
add_subdirectory(viewer/qt)
