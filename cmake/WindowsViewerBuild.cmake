# The Windows viewer's build tree, configured with cmake/mingw-w64-x86_64.cmake by the external
# project in viewer/windows/CMakeLists.txt. It builds the portable layers (platform, archive
# without libdeflate, format, viewer core) for Windows and the viewer on top of them, one
# statically linked x86-64 .exe that imports only Windows system DLLs.
if(NOT WIN32)
  message(FATAL_ERROR "PAGOLUX_WINDOWS_VIEWER_BUILD needs the mingw-w64 toolchain file")
endif()
enable_language(RC)
# zlib linked in, not zlib1.dll: the viewer imports only Windows system DLLs.
set(ZLIB_USE_STATIC_LIBS ON)
find_package(ZLIB REQUIRED)
set(THREADS_PREFER_PTHREAD_FLAG ON)
find_package(Threads REQUIRED)

# 64-bit file offsets, and zlib's *64 functions, which mingw's zlib declares only on request
# (there they take a 32-bit length: fine for the viewer, which only reads).
add_compile_definitions(UNICODE _UNICODE NOMINMAX _WIN32_WINNT=0x0601 _FILE_OFFSET_BITS=64 Z_LARGE64)
# Small: every function and object in its own section, unused ones dropped at link time.
add_compile_options(-ffunction-sections -fdata-sections)
add_link_options(-static -Wl,--gc-sections)

add_subdirectory(platform)
add_subdirectory(archive)
add_subdirectory(format)
add_subdirectory(viewer/core)
add_subdirectory(viewer/windows)
# The stand-in WebView2 runtime the viewer's tests place beside it under Wine.
if(PAGOLUX_BUILD_TESTS)
  add_subdirectory(tests/viewer/windows/fake_webview2)
endif()
