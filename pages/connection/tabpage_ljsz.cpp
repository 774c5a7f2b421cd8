#include "tabpage_ljsz.h"

#include "Runtime.h"

tabpage_ljsz::tabpage_ljsz(Runtime& runtime, QWidget* parent)
    : QWidget(parent), m_runtime(runtime) {
    setObjectName("tabpage_ljsz");
}
