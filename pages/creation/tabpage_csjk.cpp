#include "tabpage_csjk.h"

#include "Runtime.h"

tabpage_csjk::tabpage_csjk(Runtime& runtime, QWidget* parent)
    : QWidget(parent), m_runtime(runtime) {
    setObjectName("tabpage_csjk");
}
