# libpng and zlib: Debian's packages natively; for mingw the static libpng that scripts/setup
# builds into .deps/<triplet> and Debian's libz-mingw-w64-dev.
if(WIN32)
  set(ZLIB_USE_STATIC_LIBS ON)
  set(PNG_NAMES png16 png)
  find_library(PNG_LIBRARY NAMES libpng16.a libpng.a REQUIRED)
endif()
find_package(ZLIB REQUIRED)
find_package(PNG REQUIRED)

set(THREADS_PREFER_PTHREAD_FLAG ON)
find_package(Threads REQUIRED)

# libcurl for the update check's HTTP requests off Windows (WinINet there). The link feature
# AS_NEEDED keeps it out of the executables that do not contain the update check.
if(NOT WIN32)
  find_package(CURL REQUIRED)
  set(CMAKE_LINK_LIBRARY_USING_AS_NEEDED "LINKER:--push-state,--as-needed" "<LINK_ITEM>"
                                         "LINKER:--pop-state")
  set(CMAKE_LINK_LIBRARY_USING_AS_NEEDED_SUPPORTED TRUE)
endif()
