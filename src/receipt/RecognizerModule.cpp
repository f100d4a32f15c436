// The recogniser plugin's entry points (see RecognizerPlugin.h).
#include "ReceiptScanner.h"
#include "RecognizerPlugin.h"

#include <QtGlobal>

extern "C" {

Q_DECL_EXPORT int renewly_recognizer_interface() {
    return RecognizerPlugin::interfaceVersion;
}

Q_DECL_EXPORT void renewly_recognize_text(const QImage *image, QString *text) {
    if (!text)
        return;
    text->clear();
    if (!image)
        return;
    // No exception may cross into the program; a failed recognition reads as nothing recognised.
    try {
        *text = ReceiptScanner::recognizeText(*image);
    } catch (...) {
        text->clear();
    }
}

Q_DECL_EXPORT int renewly_recognizer_release() {
    return ReceiptScanner::releaseAll() ? 1 : 0;
}
}
