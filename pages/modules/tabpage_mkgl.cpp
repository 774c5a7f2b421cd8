#include "tabpage_mkgl.h"

#include "Runtime.h"

tabpage_mkgl::tabpage_mkgl(Runtime& runtime, QWidget* parent)
    : QWidget(parent), m_runtime(runtime) {
    setObjectName("tabpage_mkgl");
}

void tabpage_mkgl::enterPage() {
    emit entered();
}
