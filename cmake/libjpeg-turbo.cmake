# libjpeg-turbo, cross-built with its SIMD code from the Debian source package that the entry
# script unpacks into the build folder (tools/env.sh, kx_jpeg_source). Gives the imported target
# kxjpeg: the jpeg62 API, its headers, and libjpeg-62.dll copied beside the other binaries.
include(ExternalProject)

set(KX_JPEG_SOURCE_DIR ${CMAKE_BINARY_DIR}/libjpeg-turbo/src CACHE PATH "unpacked libjpeg-turbo source")
set(KX_JPEG_INSTALL_DIR ${CMAKE_BINARY_DIR}/libjpeg-turbo/install)
if(NOT EXISTS ${KX_JPEG_SOURCE_DIR}/CMakeLists.txt)
  message(FATAL_ERROR "no libjpeg-turbo source in ${KX_JPEG_SOURCE_DIR}: build through ./run, which fetches it")
endif()

find_program(KX_NASM nasm REQUIRED)
ExternalProject_Add(libjpeg-turbo
  SOURCE_DIR ${KX_JPEG_SOURCE_DIR}
  BINARY_DIR ${CMAKE_BINARY_DIR}/libjpeg-turbo/build
  INSTALL_DIR ${KX_JPEG_INSTALL_DIR}
  CMAKE_ARGS
    -DCMAKE_TOOLCHAIN_FILE=${CMAKE_TOOLCHAIN_FILE}
    -DCMAKE_BUILD_TYPE=Release
    -DCMAKE_INSTALL_PREFIX=<INSTALL_DIR>
    -DCMAKE_ASM_NASM_COMPILER=${KX_NASM}
    -DENABLE_SHARED=ON -DENABLE_STATIC=OFF -DWITH_TURBOJPEG=OFF
    -DWITH_SIMD=ON -DREQUIRE_SIMD=ON
  INSTALL_COMMAND ${CMAKE_COMMAND} --install <BINARY_DIR>
          COMMAND ${CMAKE_COMMAND} -E copy <INSTALL_DIR>/bin/libjpeg-62.dll ${CMAKE_BINARY_DIR}/bin/
  BUILD_BYPRODUCTS ${KX_JPEG_INSTALL_DIR}/lib/libjpeg.dll.a
  # Its own output goes to log files beside its build, shown when a step fails.
  LOG_CONFIGURE ON LOG_BUILD ON LOG_INSTALL ON LOG_OUTPUT_ON_FAILURE ON)

file(MAKE_DIRECTORY ${KX_JPEG_INSTALL_DIR}/include)
add_library(kxjpeg SHARED IMPORTED GLOBAL)
set_target_properties(kxjpeg PROPERTIES
  IMPORTED_IMPLIB ${KX_JPEG_INSTALL_DIR}/lib/libjpeg.dll.a
  IMPORTED_LOCATION ${CMAKE_BINARY_DIR}/bin/libjpeg-62.dll
  INTERFACE_INCLUDE_DIRECTORIES ${KX_JPEG_INSTALL_DIR}/include)
add_dependencies(kxjpeg libjpeg-turbo)
