#include "services/ui/Resources.h"

#include <QtGlobal>

static void initBmp() {
    Q_INIT_RESOURCE(bmp);
}

void initVarnosetResources() {
    static const bool done = (initBmp(), true);
    Q_UNUSED(done);
}
