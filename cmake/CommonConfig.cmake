# One place for the language standard, warnings and sanitizers of every target.
set(CMAKE_CXX_STANDARD 20)
set(CMAKE_CXX_STANDARD_REQUIRED ON)
set(CMAKE_CXX_EXTENSIONS OFF)
set(CMAKE_EXPORT_COMPILE_COMMANDS ON)

option(VKR_SANITIZE "Build with AddressSanitizer and UndefinedBehaviorSanitizer" OFF)

add_library(vkr_common_flags INTERFACE)
target_compile_options(vkr_common_flags INTERFACE -Wall -Wextra -Werror)
if(VKR_SANITIZE)
  target_compile_options(vkr_common_flags INTERFACE
    -fsanitize=address,undefined -fno-sanitize-recover=undefined -fno-omit-frame-pointer)
  target_link_options(vkr_common_flags INTERFACE -fsanitize=address,undefined)
endif()

# vkr_add_library(name SOURCES...) : a core library with the common flags and the
# project root on its include path, so headers are included as "platform/CodePage.h".
function(vkr_add_library name)
  add_library(${name} STATIC ${ARGN})
  target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR})
  target_link_libraries(${name} PUBLIC vkr_common_flags)
endfunction()

# vkr_add_test(name SOURCES... LIBS libs...) : a GoogleTest executable registered with CTest.
function(vkr_add_test name)
  cmake_parse_arguments(T "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR})
  target_link_libraries(${name} PRIVATE ${T_LIBS} vkr_common_flags GTest::gtest GTest::gmock GTest::gtest_main)
  gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60 PROPERTIES TIMEOUT 300)
endfunction()
