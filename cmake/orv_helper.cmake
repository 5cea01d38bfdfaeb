# orvspi32.exe, the 32-bit program through which the 64-bit edition calls
# 32-bit plug-ins, made by a 32-bit compiler in a build folder of its own
# (helper32/) and put beside orv64.exe. The cross build takes the i686
# toolchain; Visual Studio the Win32 platform; a native 64-bit MinGW names a
# toolchain file of a 32-bit one in ORV_HELPER_TOOLCHAIN.
include(ExternalProject)
set(ORV_HELPER_TOOLCHAIN "" CACHE FILEPATH "Toolchain file of a 32-bit compiler for orvspi32.exe")
set(helper_args -DORV_SOURCE_DIR=${CMAKE_SOURCE_DIR} -DORV_VERSION=${PROJECT_VERSION}
  -DORV_HELPER_OUTPUT_DIR=${CMAKE_BINARY_DIR} -DCMAKE_BUILD_TYPE=${CMAKE_BUILD_TYPE})
set(helper_platform)
if(ORV_HELPER_TOOLCHAIN)
  list(APPEND helper_args -DCMAKE_TOOLCHAIN_FILE=${ORV_HELPER_TOOLCHAIN})
elseif(CMAKE_CROSSCOMPILING)
  list(APPEND helper_args -DCMAKE_TOOLCHAIN_FILE=${CMAKE_SOURCE_DIR}/cmake/mingw-i686.cmake)
elseif(MSVC)
  set(helper_platform CMAKE_GENERATOR_PLATFORM Win32)
endif()
set(ORV_HELPER_EXE ${CMAKE_BINARY_DIR}/orvspi32.exe CACHE INTERNAL "The 32-bit plug-in helper")
ExternalProject_Add(orvspi32
  SOURCE_DIR ${CMAKE_SOURCE_DIR}/helper
  BINARY_DIR ${CMAKE_BINARY_DIR}/helper32
  ${helper_platform}
  CMAKE_ARGS ${helper_args}
  BUILD_ALWAYS ON
  INSTALL_COMMAND ""
  BUILD_BYPRODUCTS ${ORV_HELPER_EXE})
