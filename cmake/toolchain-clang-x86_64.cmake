# Debian's Clang for x86_64 Windows, over the same mingw-w64 headers and
# libraries as the GCC build: the C++ library is GCC's posix one, found by
# asking the posix cross compiler where its headers and libraries are.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(TOOLCHAIN_PREFIX x86_64-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/toolchain-mingw-common.cmake)

set(CMAKE_C_COMPILER clang)
set(CMAKE_CXX_COMPILER clang++)
set(CMAKE_C_COMPILER_TARGET ${TOOLCHAIN_PREFIX})
set(CMAKE_CXX_COMPILER_TARGET ${TOOLCHAIN_PREFIX})
# Without a sysroot Clang also searches the host's /usr/include and /usr/lib.
set(CMAKE_SYSROOT ${CMAKE_FIND_ROOT_PATH})

# GCC's libstdc++ headers: the two include/c++ folders that the posix g++ searches.
execute_process(COMMAND ${TOOLCHAIN_PREFIX}-g++-posix -xc++ -E -v -
                INPUT_FILE /dev/null OUTPUT_QUIET ERROR_VARIABLE gcc_search RESULT_VARIABLE gcc_status)
string(REGEX MATCHALL "[^ \n]+/include/c\\+\\+(/${TOOLCHAIN_PREFIX})?\n" cxx_include_dirs "${gcc_search}")
list(LENGTH cxx_include_dirs cxx_include_count)
if(NOT gcc_status EQUAL 0 OR NOT cxx_include_count EQUAL 2)
    message(FATAL_ERROR "${TOOLCHAIN_PREFIX}-g++-posix names no two include/c++ folders:\n${gcc_search}")
endif()
foreach(dir IN LISTS cxx_include_dirs)
    string(STRIP "${dir}" dir)
    string(APPEND CMAKE_CXX_FLAGS_INIT " -stdlib++-isystem ${dir}")
endforeach()

# Its libraries (libstdc++, libgcc, winpthreads) from the same folder; LLVM's
# linker, which takes GCC's objects without warning about Clang's type names.
execute_process(COMMAND ${TOOLCHAIN_PREFIX}-g++-posix -print-libgcc-file-name
                OUTPUT_VARIABLE libgcc OUTPUT_STRIP_TRAILING_WHITESPACE COMMAND_ERROR_IS_FATAL ANY)
get_filename_component(gcc_lib_dir "${libgcc}" DIRECTORY)
foreach(kind EXE SHARED MODULE)
    set(CMAKE_${kind}_LINKER_FLAGS_INIT "-fuse-ld=lld -pthread -L${gcc_lib_dir}")
endforeach()
