# Project-wide compile options. Results must not depend on whether the compiler
# may fuse multiply-adds, so contraction is off and fast-math is never used.
add_library(zel_options INTERFACE)
target_compile_options(zel_options INTERFACE
  -ffp-contract=off
  -Wall -Wextra -Wpedantic
  $<$<BOOL:${ZEL_WERROR}>:-Werror>)
if(CMAKE_BUILD_TYPE STREQUAL "Release" OR CMAKE_BUILD_TYPE STREQUAL "RelWithDebInfo")
  target_compile_options(zel_options INTERFACE -O2)
endif()

if(ZEL_SANITIZE)
  target_compile_options(zel_options INTERFACE
    -fsanitize=address,undefined -fno-sanitize-recover=undefined -fno-omit-frame-pointer)
  target_link_options(zel_options INTERFACE -fsanitize=address,undefined)
endif()

# Adds a shared library of the project: sources from one folder, a versioned
# SONAME, public headers installed under include/zel.
function(zel_add_library name folder)
  file(GLOB _src CONFIGURE_DEPENDS "${folder}/*.cpp")
  file(GLOB _hdr CONFIGURE_DEPENDS "${folder}/*.h")
  add_library(${name} SHARED ${_src} ${_hdr})
  add_library(zel::${name} ALIAS ${name})
  set_target_properties(${name} PROPERTIES
    VERSION ${PROJECT_VERSION}
    SOVERSION ${PROJECT_VERSION_MAJOR}.${PROJECT_VERSION_MINOR}
    EXPORT_NAME ${name})
  target_include_directories(${name} PUBLIC
    $<BUILD_INTERFACE:${folder}>
    $<INSTALL_INTERFACE:${CMAKE_INSTALL_INCLUDEDIR}/zel>)
  target_link_libraries(${name} PRIVATE $<BUILD_INTERFACE:zel_options>)
  install(FILES ${_hdr} DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/zel)
endfunction()
