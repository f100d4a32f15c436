# Coverage-guided fuzzing with libFuzzer, for clang only. Included by the top-level CMakeLists before
# the libraries are defined, so that the project's own code is built with the fuzzer's coverage
# instrumentation and the sanitizers; the fuzz targets themselves are in this folder.
option(RENEWLY_FUZZ "Build the libFuzzer targets in fuzz/ (clang only)" OFF)
if(RENEWLY_FUZZ)
    if(NOT CMAKE_CXX_COMPILER_ID MATCHES "Clang")
        message(FATAL_ERROR "RENEWLY_FUZZ needs clang (configure with CC=clang CXX=clang++), "
                            "not ${CMAKE_CXX_COMPILER_ID}")
    endif()
    add_compile_options(-fsanitize=fuzzer-no-link,address,undefined -fno-omit-frame-pointer
                        -fno-sanitize-recover=undefined)
    add_link_options(-fsanitize=address,undefined)
endif()
