#include "tabpage_jbxx.h"

#include "DataView.h"
#include "DataViewDefinitions.h"
#include "LogicalUnits.h"
#include "Runtime.h"

tabpage_jbxx::tabpage_jbxx(Runtime& runtime, QWidget* parent)
    : QWidget(parent), m_runtime(runtime) {
    setObjectName("tabpage_jbxx");

    dw_4 = new DataView(sto_dw_kjqjsz(), this);
    dw_4->setObjectName("dw_4");
    dw_4->setGeometry(LogicalUnits::toPixels(1998, 20, 855, 1092));
    dw_4->setScrollBars(true, true);
    dw_4->setBorder(DataView::Border::Lowered);

    dw_3 = new DataView(dw_pub_khjbxx(), this);
    dw_3->setObjectName("dw_3");
    dw_3->setGeometry(LogicalUnits::toPixels(32, 68, 1906, 1016));
    dw_3->setBorder(DataView::Border::None);
}

void tabpage_jbxx::enterPage() {
    dw_3->settransobject(m_runtime.sqlca);
    dw_4->settransobject(m_runtime.sqlca);
    dw_4->retrieve();
    long virow = dw_3->retrieve();
    // No business row yet (or it could not be read): offer one, stored by the save.
    if (virow < 1) {
        virow = dw_3->insertrow(0);
        dw_3->setitem(virow, QStringLiteral("code"), QStringLiteral("01"));
    }
    emit entered();
}
