#pragma once

#include "services/sql/Transaction.h"

#include <QString>

// State of the main window that its pages share: the connection flag `isiflj`. The window owns
// it; tab_1 and the creation page read it, the connection page writes it.
class WindowState {
  public:
    // "1" once the connection page has connected and saved during this run; only the exact
    // text "1" counts as connected.
    QString isiflj;

    bool connected() const { return isiflj == QLatin1String("1"); }

    // The connection the connection page made and saved (sqlca's connectionId()), 0 for none.
    quint64 savedConnection = 0;
    // True while sqlca still holds that connection: another connect, a disconnect and a lost
    // link each end it.
    bool holdsSavedConnection(const Transaction& sqlca) const {
        return savedConnection != 0 && sqlca.connectionId() == savedConnection;
    }
};
