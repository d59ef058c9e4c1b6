# The data packets written by the original record store lie beside the
# project, in the shared folder.
set(SKRIBANDO_SHARED_TESTDATA "${PROJECT_SOURCE_DIR}/../shared/testdata" CACHE PATH
    "Folder of the data packets written by the original record store")

# skribando_add_test(NAME SOURCES a.cpp ... [LIBS lib ...] [ENV VAR=value ...])
# Every test runs headless, in its own temporary home, so trash and runtime
# files never touch the real user folders. ENV adds to (or overrides) the
# environment of this one test.
function(skribando_add_test name)
    cmake_parse_arguments(ARG "" "" "SOURCES;LIBS;ENV" ${ARGN})
    add_executable(${name} ${ARG_SOURCES})
    target_link_libraries(${name} PRIVATE skribando_test_support ${ARG_LIBS} Qt6::Test)
    add_test(NAME ${name} COMMAND ${name})
    set_tests_properties(${name} PROPERTIES
        ENVIRONMENT "QT_QPA_PLATFORM=offscreen;LC_ALL=C.UTF-8;ASAN_OPTIONS=detect_leaks=0:abort_on_error=0;UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1;SKRIBANDO_SHARED_TESTDATA=${SKRIBANDO_SHARED_TESTDATA};SKRIBANDO_FIXTURES=${PROJECT_SOURCE_DIR}/tests/fixtures"
        TIMEOUT 300)
    if(ARG_ENV)
        # Later entries of the same variable win.
        set_property(TEST ${name} APPEND PROPERTY ENVIRONMENT ${ARG_ENV})
    endif()
endfunction()

# The environment of tests that create a web view: the browser engine runs
# without its sandbox when the tests run as root, stays quiet, and its own
# mismatched delete on destruction is not ours to report.
set(SKRIBANDO_WEBVIEW_TEST_ENV
    "QTWEBENGINE_CHROMIUM_FLAGS=--no-sandbox --disable-gpu"
    "QT_LOGGING_RULES=qt.webenginecontext.info=false"
    "ASAN_OPTIONS=detect_leaks=0:abort_on_error=0:new_delete_type_mismatch=0")
