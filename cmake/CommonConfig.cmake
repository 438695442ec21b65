# One interface target carries the language level, the warnings and the Qt strictness
# defines for every library, executable, test and benchmark of the project.
add_library(hx_common INTERFACE)
target_compile_features(hx_common INTERFACE cxx_std_20)
target_compile_options(hx_common INTERFACE -Wall -Wextra -Werror)
target_compile_definitions(hx_common INTERFACE
    _GLIBCXX_ASSERTIONS
    QT_NO_CAST_FROM_ASCII
    QT_NO_CAST_TO_ASCII
    QT_NO_CAST_FROM_BYTEARRAY
    QT_NO_URL_CAST_FROM_STRING
    QT_NO_NARROWING_CONVERSIONS_IN_CONNECT
    QT_USE_QSTRINGBUILDER
    QT_DISABLE_DEPRECATED_UP_TO=0x060000)

# Optimised builds get the distribution's hardening: fortified libc calls, stack protector,
# position-independent executables, and relocations read-only after a full binding at start.
set(CMAKE_POSITION_INDEPENDENT_CODE ON)
include(CheckPIESupported)
check_pie_supported()
set(HX_OPTIMISED "$<CONFIG:Release,RelWithDebInfo,MinSizeRel>")
target_compile_options(hx_common INTERFACE
    "$<${HX_OPTIMISED}:-U_FORTIFY_SOURCE;-D_FORTIFY_SOURCE=2;-fstack-protector-strong>")
target_link_options(hx_common INTERFACE "$<${HX_OPTIMISED}:LINKER:-z,relro,-z,now>")
