#include "tabpage_mkgl.h"

#include "DataView.h"
#include "DataViewDefinitions.h"
#include "LogicalUnits.h"
#include "Runtime.h"

tabpage_mkgl::tabpage_mkgl(Runtime& runtime, QWidget* parent)
    : QWidget(parent), m_runtime(runtime) {
    setObjectName("tabpage_mkgl");

    dw_1 = new DataView(dw_gnmk_ini(), this);
    dw_1->setObjectName("dw_1");
    dw_1->setGeometry(LogicalUnits::toPixels(82, 80, 1787, 1396));
    dw_1->setScrollBars(true, true);
    dw_1->setBorder(DataView::Border::Lowered);
}

void tabpage_mkgl::enterPage() {
    dw_1->settransobject(m_runtime.sqlca);
    dw_1->retrieve();
    emit entered();
}
