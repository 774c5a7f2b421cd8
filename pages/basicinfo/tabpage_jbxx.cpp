#include "tabpage_jbxx.h"

#include "Runtime.h"

tabpage_jbxx::tabpage_jbxx(Runtime& runtime, QWidget* parent)
    : QWidget(parent), m_runtime(runtime) {
    setObjectName("tabpage_jbxx");
}

void tabpage_jbxx::enterPage() {
    emit entered();
}
