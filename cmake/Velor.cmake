# Common settings of both builds: warnings, the Windows runtime linkage, GoogleTest, the
# third-party libraries as imported targets, and the helpers the module lists use.

if(WIN32)
  # Each deliverable must need nothing but system DLLs: link the C and C++ runtimes and
  # winpthread statically.
  add_compile_definitions(_WIN32_WINNT=0x0600 WINVER=0x0600 NOMINMAX)
  add_link_options(-static -static-libgcc -static-libstdc++)
  set(CMAKE_RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bin)
  set(CMAKE_LIBRARY_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bin)
  # Tests run under Wine in a prefix of this build tree's own, so two trees never share one.
  set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_SOURCE_DIR}/tools/wine-run --prefix ${CMAKE_BINARY_DIR}/wine)
else()
  set(CMAKE_RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bin)
endif()

add_compile_options(-Wall -Wextra -Wno-unused-parameter)

if(VELOR_SANITIZE AND NOT WIN32)
  add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
  add_link_options(-fsanitize=address,undefined)
endif()

# GoogleTest from the Debian source package, compiled by each build.
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
set(BUILD_GMOCK ON CACHE BOOL "" FORCE)
if(WIN32)
  set(gtest_disable_pthreads ON CACHE BOOL "" FORCE)
endif()
add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)

# Third-party libraries. Native: Debian's -dev packages. Windows: the i686 builds that
# tools/bootstrap leaves in its cache, found through the deps.cmake file it writes there.
if(WIN32)
  if(DEFINED ENV{VELOR_DEPS_CACHE})
    set(_velor_cache $ENV{VELOR_DEPS_CACHE})
  elseif(DEFINED ENV{XDG_CACHE_HOME})
    set(_velor_cache $ENV{XDG_CACHE_HOME}/velor-deps)
  else()
    set(_velor_cache $ENV{HOME}/.cache/velor-deps)
  endif()
  set(_velor_deps ${_velor_cache}/i686-w64-mingw32/deps.cmake)
  if(NOT EXISTS ${_velor_deps})
    message(FATAL_ERROR "${_velor_deps} is missing: run tools/bootstrap (or make bootstrap) first")
  endif()
  include(${_velor_deps})

  add_library(Velor::regex STATIC IMPORTED GLOBAL)
  set_target_properties(Velor::regex PROPERTIES
    IMPORTED_LOCATION ${VELOR_TRE_PREFIX}/lib/libtre.a
    INTERFACE_INCLUDE_DIRECTORIES ${VELOR_TRE_PREFIX}/include)

  # Velcore loads OpenSSL at run time, so only the headers and the DLLs are needed.
  add_library(Velor::openssl_headers INTERFACE IMPORTED GLOBAL)
  set_target_properties(Velor::openssl_headers PROPERTIES
    INTERFACE_INCLUDE_DIRECTORIES ${VELOR_OPENSSL_PREFIX}/include)
  # Linked through the import libraries: only test peers do that, the deliverables never.
  add_library(Velor::openssl INTERFACE IMPORTED GLOBAL)
  set_target_properties(Velor::openssl PROPERTIES
    INTERFACE_INCLUDE_DIRECTORIES ${VELOR_OPENSSL_PREFIX}/include
    INTERFACE_LINK_LIBRARIES "${VELOR_OPENSSL_PREFIX}/lib/libssl.dll.a;${VELOR_OPENSSL_PREFIX}/lib/libcrypto.dll.a")
  set(VELOR_OPENSSL_DLLS ${VELOR_OPENSSL_PREFIX}/bin/libssl-3.dll ${VELOR_OPENSSL_PREFIX}/bin/libcrypto-3.dll)

  add_library(Velor::lber STATIC IMPORTED GLOBAL)
  set_target_properties(Velor::lber PROPERTIES
    IMPORTED_LOCATION ${VELOR_OPENLDAP_PREFIX}/lib/liblber.a
    INTERFACE_INCLUDE_DIRECTORIES ${VELOR_OPENLDAP_PREFIX}/include
    INTERFACE_LINK_LIBRARIES ws2_32)
  add_library(Velor::ldap STATIC IMPORTED GLOBAL)
  set_target_properties(Velor::ldap PROPERTIES
    IMPORTED_LOCATION ${VELOR_OPENLDAP_PREFIX}/lib/libldap.a
    INTERFACE_INCLUDE_DIRECTORIES ${VELOR_OPENLDAP_PREFIX}/include
    INTERFACE_COMPILE_DEFINITIONS LDAP_DEPRECATED=1
    INTERFACE_LINK_LIBRARIES "Velor::lber;ws2_32")

  # Copies the OpenSSL DLLs beside the programs that load them.
  add_custom_target(velor_openssl_dlls ALL
    COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_RUNTIME_OUTPUT_DIRECTORY}
    COMMAND ${CMAKE_COMMAND} -E copy_if_different ${VELOR_OPENSSL_DLLS} ${CMAKE_RUNTIME_OUTPUT_DIRECTORY}
    COMMENT "Copying the OpenSSL DLLs")
else()
  find_package(OpenSSL 3 REQUIRED)
  add_library(Velor::openssl_headers INTERFACE IMPORTED GLOBAL)
  target_link_libraries(Velor::openssl_headers INTERFACE OpenSSL::SSL OpenSSL::Crypto)
  add_library(Velor::lber INTERFACE IMPORTED GLOBAL)
  target_link_libraries(Velor::lber INTERFACE lber)
  add_library(Velor::ldap INTERFACE IMPORTED GLOBAL)
  target_link_libraries(Velor::ldap INTERFACE ldap lber)
  target_compile_definitions(Velor::ldap INTERFACE LDAP_DEPRECATED=1)
endif()

# velor_module(DIR): adds a module folder when it has a list file and VELOR_ONLY allows it.
function(velor_module dir)
  if(NOT EXISTS ${CMAKE_SOURCE_DIR}/${dir}/CMakeLists.txt)
    return()
  endif()
  if(VELOR_ONLY AND NOT dir IN_LIST VELOR_ONLY)
    return()
  endif()
  add_subdirectory(${dir})
endfunction()

# velor_add_test(NAME SOURCES... [LIBS ...] [WIN32_ONLY] [NATIVE_ONLY]): one GoogleTest
# executable, run by CTest; under the win32 build CTest runs it through tools/wine-run.
function(velor_add_test name)
  cmake_parse_arguments(T "WIN32_ONLY;NATIVE_ONLY" "" "SOURCES;LIBS" ${ARGN})
  if((T_WIN32_ONLY AND NOT WIN32) OR (T_NATIVE_ONLY AND WIN32))
    return()
  endif()
  add_executable(${name} ${T_SOURCES} ${T_UNPARSED_ARGUMENTS})
  target_link_libraries(${name} PRIVATE ${T_LIBS} GTest::gtest_main GTest::gmock)
  add_test(NAME ${name} COMMAND ${name} --gtest_brief=1
           WORKING_DIRECTORY ${CMAKE_RUNTIME_OUTPUT_DIRECTORY})
  set_tests_properties(${name} PROPERTIES TIMEOUT 600)
endfunction()

# velor_add_fuzz_replay(NAME SOURCE file CORPUS dir [LIBS ...]): outside the fuzz build, a fuzz
# target's saved inputs run as an ordinary native test through the same entry point and oracle,
# under the tree's sanitizers.
function(velor_add_fuzz_replay name)
  cmake_parse_arguments(F "" "SOURCE;CORPUS" "LIBS" ${ARGN})
  if(WIN32 OR VELOR_FUZZ)
    return()
  endif()
  add_executable(${name} ${F_SOURCE} ${CMAKE_SOURCE_DIR}/cmake/FuzzReplayMain.cpp)
  target_link_libraries(${name} PRIVATE ${F_LIBS})
  add_test(NAME ${name} COMMAND ${name} ${F_CORPUS})
  set_tests_properties(${name} PROPERTIES TIMEOUT 300)
endfunction()
