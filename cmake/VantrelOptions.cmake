# One INTERFACE target carries the compile options every Vantrel target shares.
add_library(vantrel_options INTERFACE)
target_compile_features(vantrel_options INTERFACE cxx_std_20)
set(CMAKE_CXX_EXTENSIONS OFF)

target_compile_definitions(vantrel_options INTERFACE
    QT_NO_CAST_FROM_ASCII
    QT_NO_CAST_TO_ASCII
    QT_NO_URL_CAST_FROM_STRING
    QT_NO_NARROWING_CONVERSIONS_IN_CONNECT
    QT_NO_FOREACH
    QT_NO_KEYWORDS
    QT_USE_QSTRINGBUILDER
    QT_NO_CONTEXTLESS_CONNECT
    VANTREL_VERSION="${PROJECT_VERSION}"
    VANTREL_SOURCE_DATA_DIR="${PROJECT_SOURCE_DIR}/data"
    VANTREL_INSTALL_DATA_DIR="${CMAKE_INSTALL_PREFIX}/share/vantrel")

target_compile_options(vantrel_options INTERFACE
    -Wall -Wextra -Wpedantic -Wshadow -Wnon-virtual-dtor -Wold-style-cast
    -Wcast-align -Woverloaded-virtual -Wnull-dereference -Wimplicit-fallthrough)
if(VANTREL_WERROR)
    target_compile_options(vantrel_options INTERFACE -Werror)
endif()

if(VANTREL_SANITIZE)
    target_compile_options(vantrel_options INTERFACE
        -fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
    target_link_options(vantrel_options INTERFACE -fsanitize=address,undefined)
endif()
