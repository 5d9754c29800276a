# Read by cpack: a build with sanitizers (the test configuration) is not
# packaged.
if(CPACK_KELVORA_SANITIZERS)
    message(FATAL_ERROR "this build carries sanitizers (KELVORA_SANITIZERS=${CPACK_KELVORA_SANITIZERS}): "
                        "package a plain build, e.g. cmake -B build/release -DCMAKE_BUILD_TYPE=Release "
                        "-DBUILD_TESTING=OFF")
endif()
