# Warnings, floating-point model and the static runtime of the Windows builds.
add_compile_options(-Wall -Wextra)
if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
  # gcc 12 reports -Wrestrict inside libstdc++ for plain std::string concatenation at -O3
  # (a known false positive); it says nothing about our code.
  add_compile_options(-Wno-restrict)
endif()
if(VORLUNDA_WERROR)
  add_compile_options(-Werror)
endif()

if(WIN32)
  # The 32-bit build must compute exactly what the 64-bit build computes: SSE2, never x87.
  if(CMAKE_SIZEOF_VOID_P EQUAL 4)
    add_compile_options(-msse2 -mfpmath=sse)
  endif()
  # Hosts load the DLL into processes that have no mingw runtime: link it all statically, so
  # that only Windows system DLLs are imported.
  add_link_options(-static -static-libgcc -static-libstdc++)
endif()

if(VORLUNDA_SANITIZE)
  add_compile_options(-fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer)
  add_link_options(-fsanitize=address,undefined)
endif()

if(VORLUNDA_TSAN)
  add_compile_options(-fsanitize=thread -fno-omit-frame-pointer)
  add_link_options(-fsanitize=thread)
endif()

if(VORLUNDA_FUZZ)
  add_compile_options(-fsanitize=fuzzer-no-link,address,undefined -fno-sanitize-recover=all)
  add_link_options(-fsanitize=address,undefined)
endif()
