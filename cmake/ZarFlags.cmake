# Compiler and linker settings shared by every target.

add_compile_options(-Wall -Wextra -ffp-contract=off)
if(ZAR_WERROR)
  add_compile_options($<$<COMPILE_LANGUAGE:C,CXX>:-Werror>)
endif()

if(ZAR_WINDOWS)
  if(ZAR_TARGET_ARCH STREQUAL "x86")
    # SSE2 arithmetic (no x87 excess precision) so both Windows builds and Linux agree bit for
    # bit; hosts call us with 4-byte stack alignment, so realign where SSE needs it.
    add_compile_options($<$<COMPILE_LANGUAGE:C,CXX>:-msse2> $<$<COMPILE_LANGUAGE:C,CXX>:-mfpmath=sse>
                        $<$<COMPILE_LANGUAGE:C,CXX>:-mstackrealign>)
  endif()
  add_compile_definitions(WIN32_LEAN_AND_MEAN NOMINMAX _WIN32_WINNT=0x0601)
  # Hosts ship no compiler runtime: everything is linked in statically.
  add_link_options(-static -static-libgcc -static-libstdc++)
else()
  if(ZAR_SANITIZE)
    # float-cast-overflow is not part of g++'s "undefined": a NaN or out-of-range real converted
    # to an integer must be caught as well.
    add_compile_options(-fsanitize=address,undefined,float-cast-overflow -fno-sanitize-recover=all
                        -fno-omit-frame-pointer)
    add_link_options(-fsanitize=address,undefined,float-cast-overflow)
  endif()
endif()

# A plug-in module: ZarXxx.8bf on Windows (export table named "ZarSpecl.8bf"), ZarXxx.so natively.
function(zar_add_plugin_module target output_name)
  add_library(${target} MODULE ${ARGN})
  set_target_properties(${target} PROPERTIES PREFIX "" OUTPUT_NAME ${output_name})
  if(ZAR_WINDOWS)
    set_target_properties(${target} PROPERTIES SUFFIX ".8bf"
                                               LIBRARY_OUTPUT_DIRECTORY ${ZAR_DIST_DIR})
    target_sources(${target} PRIVATE ${PROJECT_SOURCE_DIR}/plugins/common/plugin.def
                                     ${PROJECT_SOURCE_DIR}/platform/win32/dll_main.cpp)
    target_link_options(${target} PRIVATE -Wl,--enable-stdcall-fixup)
  else()
    set_target_properties(${target} PROPERTIES SUFFIX ".so" CXX_VISIBILITY_PRESET hidden
                                               VISIBILITY_INLINES_HIDDEN ON)
    target_link_options(${target} PRIVATE -Wl,--no-undefined)
  endif()
  target_sources(${target} PRIVATE ${PROJECT_SOURCE_DIR}/plugins/common/module_strings.cpp)
endfunction()
