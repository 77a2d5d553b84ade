// Texts the window shows that are made in this Qt-free code: each stands as written (Chinese,
// UTF-8) and is marked with its translation context for lupdate, which is run with
// -tr-function-alias QT_TRANSLATE_NOOP+=VQ830_TRANSLATE_NOOP. The window shows such a text
// through QCoreApplication::translate(context, text).
#pragma once

#define VQ830_TRANSLATE_NOOP(context, text) text
